// Load on the web server: 50 sessions at once, each a browser on its own kept-alive loopback
// connection (httplib's client), searching the stock of a company of 100,000 stock rows
// (bench/stock_data.cpp) through the automation protocol over HTTP.
//
// A search is what a stock keeper does on the stock enquiry form w_bj704_001: a part-number
// fragment typed into sle_1, then Enter, which filters the form's 100,000 rows. A build without
// that form searches the stock status form w_bj418_001 instead: the query command (ue_query)
// opens the condition dialog w_cx, the column 产品号 and the operator 包含 are chosen, the
// fragment is typed, and 确定 (cb_3) sets the filter. The latency of a search is that of the
// request that runs it (Enter, or cb_3); every request counts for the requests per second.
//
// The reference, measured in the same run on the same data: the same searches by the same
// number of sessions through the protocol Driver in-process (no HTTP, no JSON text), and the
// search of one session alone. Bounded: each session makes at most kSearches searches and
// stops after kTimeLimit; the figures are printed as a table and as the benchmark's counters.
//
//   build/sparestock_bench --benchmark_filter=WebLoad

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
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/stock_data.h"
#include "host/db/connection.h"
#include "host/driver/driver.h"
#include "host/ui/window.h"
#include "web/crypto.h"
#include "web/server.h"

namespace sparestock::bench {
namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

constexpr long kStockRows = 100000;
// SPARESTOCK_WEB_BENCH_SESSIONS and SPARESTOCK_WEB_BENCH_SEARCHES change the two for a quick run.
int setting(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && std::atoi(v) > 0 ? std::atoi(v) : fallback;
}
const int kSessions = setting("SPARESTOCK_WEB_BENCH_SESSIONS", 50);
const int kSearches = setting("SPARESTOCK_WEB_BENCH_SEARCHES", 20);  // per session
constexpr auto kTimeLimit = std::chrono::seconds(60);
constexpr const char* kPassword = "bench-pass";
const char* const kFragments[] = {"12", "345", "A1", "0007", "98", "JL", "56", "X"};

double ms_since(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// The form searched: the stock enquiry w_bj704_001 when this build has it, else the stock
// status form w_bj418_001.
bool with_stock_enquiry() { return ui::find_window_class("w_bj704_001") != nullptr; }

json open_request() {
  return {{"op", "open"}, {"window", with_stock_enquiry() ? "w_bj704_001" : "w_bj418_001"}};
}

// The requests of one search, the last one running it.
std::vector<json> search_requests(int n) {
  const char* fragment = kFragments[n % std::size(kFragments)];
  if (with_stock_enquiry()) {
    // Mode 1 (by part number), as the form opens: type the number, press Enter.
    const char* w = "w_bj704_001";
    return {{{"op", "text"}, {"window", w}, {"control", "sle_1"}, {"value", fragment}},
            {{"op", "key"}, {"window", w}, {"control", "sle_1"}, {"key", "enter"}}};
  }
  const char* w = "w_bj418_001";
  return {{{"op", "event"}, {"window", w}, {"name", "ue_query"}},
          {{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_1"}, {"value", "产品号"}},
          {{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_2"}, {"value", "包含"}},
          {{"op", "text"}, {"window", "w_cx"}, {"control", "sle_1"}, {"value", fragment}},
          {{"op", "click"}, {"window", "w_cx"}, {"control", "cb_3"}}};
}

struct Latencies {
  std::vector<double> search;  // ms, the request that runs the search
  long requests = 0;
  double seconds = 0;  // wall time of the measured phase
  long failures = 0;
  double per_second() const { return static_cast<double>(requests) / seconds; }
};

// Nearest-rank percentile of sorted values.
double percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  size_t rank = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(sorted.size())));
  return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

// Runs `sessions` workers at once; each is set up (untimed), then all start their searches
// together. `send(i, request)` answers worker i's request.
Latencies run_load(int sessions, const std::function<void(int)>& setup,
                   const std::function<json(int, const json&)>& send) {
  std::vector<std::vector<double>> per(sessions);
  std::atomic<long> requests{0}, failures{0};
  std::atomic<int> ready{0};
  std::atomic<bool> go{false};
  Clock::time_point started;
  std::vector<std::thread> threads;
  for (int i = 0; i < sessions; ++i)
    threads.emplace_back([&, i] {
      bool set_up = true;
      try {
        setup(i);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "session %d: %s\n", i, e.what());
        set_up = false;
        ++failures;
      }
      ++ready;
      while (!go) std::this_thread::yield();
      if (!set_up) return;
      auto deadline = started + kTimeLimit;
      for (int n = 0; n < kSearches && Clock::now() < deadline; ++n) {
        auto requests_of_search = search_requests(i + n);
        for (size_t k = 0; k < requests_of_search.size(); ++k) {
          auto t = Clock::now();
          json answer = send(i, requests_of_search[k]);
          double took = ms_since(t);
          ++requests;
          if (!answer.value("ok", false)) ++failures;
          if (k + 1 == requests_of_search.size()) per[i].push_back(took);
        }
      }
    });
  while (ready < sessions) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  started = Clock::now();
  go = true;
  for (auto& t : threads) t.join();
  Latencies out;
  out.seconds = ms_since(started) / 1000.0;
  for (auto& v : per) out.search.insert(out.search.end(), v.begin(), v.end());
  std::sort(out.search.begin(), out.search.end());
  out.requests = requests;
  out.failures = failures;
  return out;
}

// A copy of the generated stock data with a user who may log in.
std::string bench_database() {
  namespace fs = std::filesystem;
  fs::path copy = fs::temp_directory_path() / ("sparestock-web-bench-" + std::to_string(::getpid()) + ".db");
  fs::copy_file(stock_database(kStockRows), copy, fs::copy_options::overwrite_existing);
  auto conn = db::open_connection(copy.string());
  conn->exec("DELETE FROM DXT004");
  conn->exec("INSERT INTO DXT004 (CGSH, CYHDM, CYHXM, cmmhx) VALUES ('01', '001', '压测', ?)",
             {web::hash_password(kPassword)});
  return copy.string();
}

void print_row(const char* what, const Latencies& l) {
  std::printf("| %s | %zu | %ld | %.1f | %.1f | %.1f | %.1f | %ld |\n", what, l.search.size(), l.requests,
              l.per_second(), percentile(l.search, 50), percentile(l.search, 95), percentile(l.search, 99),
              l.failures);
}

void WebLoad(benchmark::State& state) {
  std::string target = bench_database();
  Latencies http, in_process, alone;
  for (auto _ : state) {
    // Over HTTP: one server, 50 browsers.
    {
      web::ServerOptions o;
      o.target = target;
      o.port = 0;
      o.threads = kSessions + 14;
      o.max_sessions = kSessions + 10;
      o.log = [](const std::string&) {};
      web::Server server(o);
      int port = server.start();
      std::vector<std::unique_ptr<httplib::Client>> clients(kSessions);
      std::vector<std::string> paths(kSessions);
      std::vector<httplib::Headers> headers(kSessions);
      auto post = [&](int i, const json& request) {
        auto r = clients[i]->Post(paths[i].c_str(), headers[i], request.dump(), "application/json");
        if (!r || r->status != 200) return json{{"ok", false}};
        return json::parse(r->body);
      };
      http = run_load(
          kSessions,
          [&](int i) {
            clients[i] = std::make_unique<httplib::Client>("127.0.0.1", port);
            clients[i]->set_keep_alive(true);
            clients[i]->set_tcp_nodelay(true);
            clients[i]->set_read_timeout(300, 0);
            auto asked = Clock::now();
            auto r = clients[i]->Post("/api/login",
                                      json{{"company", "01"}, {"user", "001"}, {"password", kPassword}}.dump(),
                                      "application/json");
            if (!r)
              throw std::runtime_error("login: " + httplib::to_string(r.error()) + " after " +
                                       std::to_string(ms_since(asked)) + " ms");
            if (r->status != 200)
              throw std::runtime_error("login: " + std::to_string(r->status) + " " + r->body);
            json body = json::parse(r->body);
            std::string set = r->get_header_value("Set-Cookie");
            paths[i] = "/api/session/" + body["session"].get<std::string>();
            headers[i] = {{"Cookie", set.substr(0, set.find(';'))},
                          {"X-CSRF-Token", body["csrf"].get<std::string>()}};
            if (!post(i, open_request()).value("ok", false)) throw std::runtime_error("open failed");
          },
          post);
    }
    // In-process: the same sessions and searches through the Driver.
    {
      std::vector<std::unique_ptr<driver::Driver>> drivers(kSessions);
      auto setup = [&](int i) {
        drivers[i] = std::make_unique<driver::Driver>(target);
        drivers[i]->handle({{"op", "host"}, {"globals", {{"gs_yhssgsh", "01"}, {"gs_yhdm", "001"}}}});
        drivers[i]->handle(open_request());
      };
      auto send = [&](int i, const json& request) { return drivers[i]->handle(request); };
      in_process = run_load(kSessions, setup, send);
      drivers.clear();  // their grids freed before the next run
      drivers.resize(1);
      alone = run_load(1, setup, send);
    }
  }
  std::filesystem::remove(target);

  std::printf("\n%s: %d sessions, %ld stock rows, at most %d searches each (%d requests per search)\n",
              with_stock_enquiry() ? "w_bj704_001" : "w_bj418_001", kSessions, kStockRows, kSearches,
              static_cast<int>(search_requests(0).size()));
  std::printf("| how | searches | requests | requests/s | search p50 ms | p95 ms | p99 ms | failed |\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
  print_row("HTTP", http);
  print_row("in-process Driver", in_process);
  print_row("in-process Driver, 1 session", alone);
  double p95_ratio = percentile(http.search, 95) / percentile(in_process.search, 95);
  double rps_ratio = http.per_second() / in_process.per_second();
  std::printf("HTTP / in-process at %d sessions: p95 %.2f x, requests per second %.2f x\n", kSessions,
              p95_ratio, rps_ratio);

  state.counters["http_rps"] = http.per_second();
  state.counters["http_p50_ms"] = percentile(http.search, 50);
  state.counters["http_p95_ms"] = percentile(http.search, 95);
  state.counters["http_p99_ms"] = percentile(http.search, 99);
  state.counters["driver_p95_ms"] = percentile(in_process.search, 95);
  state.counters["p95_ratio"] = p95_ratio;
  state.counters["failed"] = static_cast<double>(http.failures + in_process.failures);
}
BENCHMARK(WebLoad)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace
}  // namespace sparestock::bench
