#pragma once
// The web application's HTTP server: the browser client's files, login and logout, and the
// automation protocol over HTTP, one protocol session per logged-in browser (docs/web.md).
//
//   web::ServerOptions o;
//   o.target = "demo.db";
//   web::Server server(o);
//   int port = server.start();   // listening on a background thread
//   ...
//   server.stop();
//
// Security: every request but login and the client's files needs the session cookie (HttpOnly,
// SameSite=Strict); every POST but login also the session's CSRF token in X-CSRF-Token; a
// session acts only through protocol requests on its own windows, with the globals of its
// login (the `host` op is refused); bodies are limited in size whatever their framing, a
// request's headers and body must arrive within a deadline, and one address holds a limited
// number of connections; login attempts are throttled per user and per address (an attempt
// counts before its password is checked); sessions per user and windows per session are
// capped; the log never holds passwords, cookies or tokens, and escapes what clients send.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "host/db/value.h"
#include "web/login_throttle.h"
#include "web/users.h"

namespace sparestock::web {

struct ServerOptions {
  std::string target;  // SQLite file or postgresql:// URI
  std::string host = "127.0.0.1";
  int port = 8080;  // 0: any free port
  std::chrono::milliseconds idle_timeout = std::chrono::minutes(30);
  size_t max_sessions = 200;
  size_t sessions_per_user = 5;     // a login beyond is refused
  size_t windows_per_session = 20;  // an `open` beyond is refused
  size_t max_body_bytes = 64 * 1024;
  size_t threads = 64;  // connections served at once (a keep-alive connection holds one)
  // Headers and body of one request must arrive within this time, counted from its first
  // byte; a client slower than that is dropped.
  std::chrono::milliseconds request_deadline = std::chrono::seconds(10);
  // Connections served at once from one address (0: no limit); not applied behind a proxy,
  // where every connection comes from the proxy.
  size_t connections_per_address = 32;
  ThrottleLimits throttle;
  // Reached through a TLS reverse proxy: cookies get Secure, and the client address for the
  // login throttle is the last one of X-Forwarded-For (the address the proxy saw).
  bool behind_proxy = false;
  // One line per request and per login; default: standard error.
  std::function<void(const std::string&)> log;
};

class Server {
 public:
  explicit Server(ServerOptions options);
  ~Server();  // stops, ends every session
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Binds the address (throws std::runtime_error when it cannot) and serves on a background
  // thread. Returns the port.
  int start();
  // Binds and serves on the calling thread until stop(). Throws when it cannot bind.
  void run();
  void stop();
  int port() const;

  // Sessions filed at the moment.
  size_t session_count() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The host globals a session of `user` starts with, as the protocol's `host` op takes them: who
// is logged in, the message-box and frame titles, the system date `now` and the accounting
// period, which is the calendar month of `now` (gd_qsrq its first day 00:00:00, gd_jzrq its last
// day 23:59:59; gs_kjn, gs_kjy and gd_zxrq are set from it by f_kjrqjy once the session runs).
nlohmann::json session_globals(const UserRecord& user, const db::DateTime& now);

}  // namespace sparestock::web
