// `sparestock serve --db TARGET [--listen 127.0.0.1:8080] [--idle-minutes 30]`: the web
// application. Stops cleanly on SIGINT or SIGTERM (every session ended, connections closed).

#include <fmt/format.h>
#include <signal.h>

#include <iostream>
#include <thread>

#include "app/commands.h"
#include "schema/init.h"
#include "web/server.h"

namespace sparestock::app {

namespace {

struct ServeArguments {
  std::string target;
  std::string listen = "127.0.0.1:8080";
  int idle_minutes = 30;
  int max_sessions = 200;
  int threads = 64;
  int sessions_per_user = 5;
  int windows_per_session = 20;
  int request_seconds = 10;
  int connections_per_address = 32;
  bool behind_proxy = false;
};

// "host:port" or ":port" (loopback); false when it does not read.
bool split_listen(const std::string& listen, std::string& host, int& port) {
  size_t colon = listen.rfind(':');
  if (colon == std::string::npos) return false;
  host = listen.substr(0, colon);
  if (host.empty()) host = "127.0.0.1";
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  try {
    size_t used = 0;
    port = std::stoi(listen.substr(colon + 1), &used);
    return used == listen.size() - colon - 1 && port > 0 && port < 65536;
  } catch (const std::exception&) {
    return false;
  }
}

int run_serve(const ServeArguments& a) {
  web::ServerOptions o;
  o.target = a.target;
  if (!split_listen(a.listen, o.host, o.port)) {
    std::cerr << "sparestock serve: --listen \"" << a.listen << "\" is not HOST:PORT\n";
    return 1;
  }
  o.idle_timeout = std::chrono::minutes(a.idle_minutes);
  o.max_sessions = static_cast<size_t>(a.max_sessions);
  o.threads = static_cast<size_t>(a.threads);
  o.sessions_per_user = static_cast<size_t>(a.sessions_per_user);
  o.windows_per_session = static_cast<size_t>(a.windows_per_session);
  o.request_deadline = std::chrono::seconds(a.request_seconds);
  o.connections_per_address = static_cast<size_t>(a.connections_per_address);
  o.behind_proxy = a.behind_proxy;

  // Signals are taken by one thread of ours rather than interrupting whatever thread runs.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  web::Server server(o);
  try {
    server.start();
  } catch (const std::exception& e) {
    std::cerr << "sparestock serve: " << e.what() << "\n";
    return 1;
  }
  bool loopback = o.host == "127.0.0.1" || o.host == "::1" || o.host == "localhost";
  if (!loopback && !o.behind_proxy)
    std::cerr << "sparestock serve: warning: listening on " << o.host
              << " without TLS; passwords and session cookies cross the network in the clear "
                 "(docs/deploy.md: run it behind a TLS reverse proxy)\n";
  std::string shown_host = o.host.find(':') != std::string::npos ? "[" + o.host + "]" : o.host;
  std::cout << fmt::format("sparestock serve: {} on http://{}:{}/ (sessions end after {} idle minutes)",
                           schema::shown_target(a.target), shown_host, server.port(), a.idle_minutes)
            << std::endl;
  int signal = 0;
  sigwait(&stop_signals, &signal);
  std::cout << "sparestock serve: stopping" << std::endl;
  server.stop();
  return 0;
}

}  // namespace

void add_serve_command(CLI::App& app, int& exit_code) {
  auto* cmd = app.add_subcommand("serve", "run the web application");
  auto a = std::make_shared<ServeArguments>();
  cmd->add_option("--db", a->target, "SQLite file or postgresql:// URI")->required();
  cmd->add_option("--listen", a->listen, "address and port to listen on")->capture_default_str();
  cmd->add_option("--idle-minutes", a->idle_minutes, "minutes without a request after which a session ends")
      ->capture_default_str()
      ->check(CLI::Range(1, 24 * 60));
  cmd->add_option("--max-sessions", a->max_sessions, "sessions at most at once")
      ->capture_default_str()
      ->check(CLI::Range(1, 10000));
  cmd->add_option("--threads", a->threads, "connections served at once")
      ->capture_default_str()
      ->check(CLI::Range(2, 4096));
  cmd->add_option("--sessions-per-user", a->sessions_per_user, "sessions of one user at most at once")
      ->capture_default_str()
      ->check(CLI::Range(1, 10000));
  cmd->add_option("--windows-per-session", a->windows_per_session,
                  "windows open at most at once in one session")
      ->capture_default_str()
      ->check(CLI::Range(1, 1000));
  cmd->add_option("--request-seconds", a->request_seconds,
                  "seconds a request's headers and body may take to arrive; a slower client is dropped")
      ->capture_default_str()
      ->check(CLI::Range(1, 600));
  cmd->add_option("--connections-per-address", a->connections_per_address,
                  "connections served at once from one address (0: no limit; not applied behind a proxy)")
      ->capture_default_str()
      ->check(CLI::Range(0, 100000));
  cmd->add_flag("--behind-proxy", a->behind_proxy,
                "reached through a TLS reverse proxy: Secure cookies, client address from X-Forwarded-For");
  cmd->callback([a, &exit_code] { exit_code = run_serve(*a); });
}

}  // namespace sparestock::app
