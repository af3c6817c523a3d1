// The web server under a long load: 200 sessions at once, half of company 01 and half of 02,
// each a browser on its own kept-alive loopback connection, reading rows of the stock status
// form w_bj418_001 (50 at a time, a think time of 1 s between requests) and closing and opening
// the form every 20 requests, for 60 s (SPARESTOCK_WEB_ENDURANCE_SECONDS). Meanwhile a prober
// logs in and out every second.
//
// What it prints: the latency of the prober's logins under the load against the same logins on
// the idle server measured first in the same run (the reference), the server process's resident
// memory at the end of the load against its memory half-way (the first minute of a two-minute
// run), and whether any session saw a row of the other company. Bounded: every session stops at
// the end of the time; each request is at most 50 rows.
//
//   build/sparestock_bench --benchmark_filter=WebEndurance

#include <benchmark/benchmark.h>
#include <httplib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/measure.h"
#include "host/db/connection.h"
#include "schema/init.h"
#include "web/crypto.h"
#include "web/server.h"
#include "web/users.h"

namespace sparestock::bench {
namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

constexpr int kSessions = 200;
constexpr int kReopenEvery = 20;
constexpr const char* kPassword = "bench-pass";

int setting(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && std::atoi(v) > 0 ? std::atoi(v) : fallback;
}
int seconds_of_load() { return setting("SPARESTOCK_WEB_ENDURANCE_SECONDS", 60); }
// A stock keeper's pace: a request a second at most (SPARESTOCK_WEB_ENDURANCE_THINK_MS).
const auto kThinkTime = std::chrono::milliseconds(setting("SPARESTOCK_WEB_ENDURANCE_THINK_MS", 1000));

// Resident memory of this process (the server runs in it), in MiB.
double resident_mib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return 0;
}

double percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  size_t rank = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(v.size())));
  return v[std::clamp<size_t>(rank, 1, v.size()) - 1];
}

// A browser: its connection and the tokens of its login.
struct Browser {
  explicit Browser(int port) : cli("127.0.0.1", port) {
    cli.set_keep_alive(true);
    cli.set_read_timeout(60, 0);
  }
  // Logs in; the time it took, in ms, or a negative number when it failed.
  double login(const std::string& company, const std::string& user) {
    auto t = Clock::now();
    auto r = cli.Post("/api/login", json{{"company", company}, {"user", user}, {"password", kPassword}}.dump(),
                      "application/json");
    double took = ms_since(t);
    if (!r || r->status != 200) return -1;
    json body = json::parse(r->body);
    std::string set = r->get_header_value("Set-Cookie");
    path = "/api/session/" + body["session"].get<std::string>();
    headers = {{"Cookie", set.substr(0, set.find(';'))}, {"X-CSRF-Token", body["csrf"].get<std::string>()}};
    return took;
  }
  json send(const json& request) {
    auto r = cli.Post(path.c_str(), headers, request.dump(), "application/json");
    if (!r || r->status != 200) return json{{"ok", false}};
    return json::parse(r->body, nullptr, false);
  }
  bool logout() {
    auto r = cli.Post("/api/logout", headers, "", "application/json");
    return r && r->status == 200;
  }
  httplib::Client cli;
  std::string path;
  httplib::Headers headers;
};

// A demo database with a user of each company who may log in.
std::string endurance_database() {
  std::filesystem::path file = std::filesystem::temp_directory_path() /
                               ("sparestock-endurance-" + std::to_string(::getpid()) + ".db");
  std::filesystem::remove(file);
  schema::InitOptions init;
  init.demo = true;
  init.demo_options = {2000, 1, "2026-12-08", {}};
  auto conn = schema::initialize(file.string(), init);
  conn->exec("DELETE FROM DXT004");
  web::add_user(*conn, "01", "001", "压测一", kPassword);
  web::add_user(*conn, "02", "002", "压测二", kPassword);
  return file.string();
}

void WebEndurance(benchmark::State& state) {
  std::string target = endurance_database();
  const auto load_time = std::chrono::seconds(seconds_of_load());
  std::vector<double> idle_logins, loaded_logins;
  double memory_half = 0, memory_end = 0, memory_before = 0;
  std::atomic<long> requests{0}, failures{0}, foreign_rows{0};
  for (auto _ : state) {
    web::ServerOptions o;
    o.target = target;
    o.port = 0;
    o.threads = kSessions + 40;
    o.max_sessions = kSessions + 20;
    o.sessions_per_user = kSessions;
    o.connections_per_address = 0;  // every browser comes from 127.0.0.1
    o.log = [](const std::string&) {};
    web::Server server(o);
    int port = server.start();

    // The reference: logins on the idle server.
    for (int i = 0; i < 10; ++i) {
      Browser probe(port);
      idle_logins.push_back(probe.login("01", "001"));
      probe.logout();
    }
    memory_before = resident_mib();

    std::vector<std::unique_ptr<Browser>> browsers;
    for (int i = 0; i < kSessions; ++i) {
      browsers.push_back(std::make_unique<Browser>(port));
      bool first = i % 2 == 0;
      if (browsers.back()->login(first ? "01" : "02", first ? "001" : "002") < 0 ||
          !browsers.back()->send({{"op", "open"}, {"window", "w_bj418_001"}}).value("ok", false))
        ++failures;
    }
    auto started = Clock::now();
    auto until = started + load_time;
    std::vector<std::thread> threads;
    for (int i = 0; i < kSessions; ++i)
      threads.emplace_back([&, i] {
        Browser& b = *browsers[static_cast<size_t>(i)];
        std::string company = i % 2 == 0 ? "01" : "02";
        for (long n = 0; Clock::now() < until; ++n) {
          json answer;
          if (n % kReopenEvery == kReopenEvery - 1) {
            answer = b.send({{"op", "close"}, {"window", "w_bj418_001"}});
            if (answer.value("ok", false)) answer = b.send({{"op", "open"}, {"window", "w_bj418_001"}});
          } else {
            answer = b.send({{"op", "rows"},
                             {"window", "w_bj418_001"},
                             {"control", "dw_1"},
                             {"from", 1 + (n * 50) % 1000},
                             {"count", 50},
                             {"columns", {"cgsh", "ccph"}}});
            for (const auto& row : answer.value("rows", json::array()))
              if (row.value("cgsh", "") != company) ++foreign_rows;
          }
          ++requests;
          if (!answer.value("ok", false)) ++failures;
          std::this_thread::sleep_for(kThinkTime);
        }
      });
    // The prober, and the memory half-way and at the end.
    bool halfway_taken = false;
    while (Clock::now() < until) {
      Browser probe(port);
      loaded_logins.push_back(probe.login("01", "001"));
      probe.logout();
      if (!halfway_taken && Clock::now() >= started + load_time / 2) {
        memory_half = resident_mib();
        halfway_taken = true;
      }
      std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    for (auto& t : threads) t.join();
    memory_end = resident_mib();
    browsers.clear();
  }
  std::filesystem::remove(target);

  long failed_logins = std::count_if(loaded_logins.begin(), loaded_logins.end(),
                                     [](double ms) { return ms < 0; });
  std::printf("\n%d sessions for %d s: %ld requests (%.0f/s), %ld failed, %ld rows of the other company\n",
              kSessions, seconds_of_load(), requests.load(),
              static_cast<double>(requests.load()) / seconds_of_load(), failures.load(), foreign_rows.load());
  std::printf("| login | count | p50 ms | p95 ms | max ms |\n|---|---:|---:|---:|---:|\n");
  std::printf("| idle server (reference) | %zu | %.0f | %.0f | %.0f |\n", idle_logins.size(),
              percentile(idle_logins, 50), percentile(idle_logins, 95), percentile(idle_logins, 100));
  std::printf("| under load | %zu | %.0f | %.0f | %.0f |\n", loaded_logins.size(),
              percentile(loaded_logins, 50), percentile(loaded_logins, 95), percentile(loaded_logins, 100));
  std::printf("login p95 under load / idle: %.2f x; failed logins under load: %ld\n",
              percentile(loaded_logins, 95) / percentile(idle_logins, 95), failed_logins);
  std::printf(
      "resident memory: %.0f MiB before the sessions, %.0f MiB half-way, %.0f MiB at the end "
      "(end / half-way: %.2f x)\n",
      memory_before, memory_half, memory_end, memory_end / memory_half);

  state.counters["login_p95_ms"] = percentile(loaded_logins, 95);
  state.counters["login_max_ms"] = percentile(loaded_logins, 100);
  state.counters["login_p95_ratio"] = percentile(loaded_logins, 95) / percentile(idle_logins, 95);
  state.counters["memory_growth"] = memory_end / memory_half;
  state.counters["foreign_rows"] = static_cast<double>(foreign_rows.load());
  state.counters["failed"] = static_cast<double>(failures.load() + failed_logins);
}
BENCHMARK(WebEndurance)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace
}  // namespace sparestock::bench
