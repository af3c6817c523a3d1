// The stock enquiry form w_bj704_001 driven through the automation protocol on the generated
// stock of 100,000 rows of company 01 (bench/stock_data.cpp), as a front end drives it: each
// step is a Driver request answered with the session's whole state.
//
//   StockEnquiryOpen            {"op":"open","window":"w_bj704_001"}: the company's rows
//                               retrieved, sorted by the main group, the form shown; then the
//                               close box. Reference: d_bj704_002 retrieved into a bare grid.
//   StockEnquirySearch/1        mode 1: "text" 12, "key" enter (the part-number search).
//   StockEnquirySearch/2        mode 2: "text" 滤清, "key" enter, the popup answered empty
//                               ("key" enter in w_bj704_002), then the search.
//   References of each search, measured in the same benchmark right after the requests:
//     grid_filter_ms  the form's filter set on a grid holding the same rows and applied;
//     sqlite_ms       the same condition re-run as a SQLite query over the joined tables.
// Counters: x_grid_filter = search through the protocol / grid filter (what the form, the
// session thread and the JSON state add), sqlite_x = SQLite query / search through the protocol.

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "bench/measure.h"
#include "bench/stock_data.h"
#include "host/db/transaction.h"
#include "host/driver/driver.h"
#include "host/grid/grid.h"
#include "host/lib/module_loader.h"
#include "stock_enquiry/w_bj704_001.h"

namespace sparestock::bench {
namespace {

using nlohmann::json;

constexpr long kRows = 100000;

struct Search {
  int mode;
  const char* button;
  const char* text;
  bool popup;          // modes 2..7 ask for a part number first
  const char* filter;  // what the form sets
  const char* sql;     // the same condition over the joined tables s (stock), p (parts)
};

const Search kSearches[] = {
    {1, "cb_1", "12", false,
     "(mid(dbj030_ccph,5,13) like '12%') or (mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,13) like '12%')",
     "(substr(s.ccph,5,13) LIKE '12%') OR (substr(s.ccph,5,1) = ' ' AND substr(s.ccph,6,13) LIKE '12%')"},
    {2, "cb_2", "滤清", true, "dbj002_ccpmc like '%滤清%'", "p.ccpmc LIKE '%滤清%'"},
};

constexpr const char* kJoin =
    "SELECT s.ccph, p.ccpmc, p.cjldw, s.ckh, s.nkcsl, s.nkcsl - s.nsqsl - s.nykps - s.nsdsl, "
    "p.nckdj, p.nwxdj, s.ndj, p.ncgdj, p.ncbgx, p.ncbdx, p.ccjh, p.ccxh, p.cpym, p.lcyjbs, "
    "p.cflh, s.ckqh, s.ckwh, p.cjldw, s.ndj, s.ndj*(s.nkcsl - s.njcsl), s.njcsl "
    "FROM dbj030 s LEFT JOIN dbj002 p ON p.cgsh = s.cgsh AND p.ccph = s.ccph "
    "WHERE s.cgsh = '01' AND (s.nkcsl <> 0 OR s.nkcsl - s.nsqsl - s.nykps - s.nsdsl <> 0) AND ";

void load_forms() {
  static const bool loaded = (lib::load_module(), true);
  (void)loaded;
}

std::unique_ptr<driver::Driver> logged_in() {
  load_forms();
  auto d = std::make_unique<driver::Driver>(stock_database(kRows));
  must(*d, {{"op", "host"}, {"globals", {{"gs_yhssgsh", "01"}, {"gs_tsxx", "提示信息"}}}});
  return d;
}

// The grid the references filter: d_bj704_002 of company 01, sorted as the form holds it.
grid::Grid& reference_grid(db::Transaction& t) {
  static std::unique_ptr<grid::Grid> g = [&] {
    auto out = std::make_unique<grid::Grid>();
    out->set_dataobject("d_bj704_002");
    out->settransobject(t);
    out->retrieve({db::Value("01")});
    out->setsort("mid(dbj030_ccph,5,4) A");
    out->sort();
    return out;
  }();
  return *g;
}

db::Transaction& reference_transaction() {
  static db::Transaction* t = [] {
    auto* tr = new db::Transaction("sqlca");
    if (tr->connect(stock_database(kRows)) != 0) throw std::runtime_error(tr->sqlerrtext);
    return tr;
  }();
  return *t;
}

void BM_StockEnquiryOpen(benchmark::State& state) {
  auto d = logged_in();
  double total = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    must(*d, {{"op", "open"}, {"window", "w_bj704_001"}});
    total += ms_since(start);
    state.PauseTiming();
    must(*d, {{"op", "close"}, {"window", "w_bj704_001"}});
    state.ResumeTiming();
  }
  double open = total / static_cast<double>(state.iterations());
  double retrieve = mean_ms(3, [] {
    grid::Grid g;
    g.set_dataobject("d_bj704_002");
    g.settransobject(reference_transaction());
    benchmark::DoNotOptimize(g.retrieve({db::Value("01")}));
  });
  state.counters["rows"] = static_cast<double>(reference_grid(reference_transaction()).rowcount());
  state.counters["open_ms"] = open;
  state.counters["retrieve_ms"] = retrieve;
  state.counters["x_retrieve"] = open / retrieve;
}

void BM_StockEnquirySearch(benchmark::State& state) {
  const Search& s = kSearches[state.range(0)];
  auto d = logged_in();
  must(*d, {{"op", "open"}, {"window", "w_bj704_001"}});
  must(*d, {{"op", "click"}, {"window", "w_bj704_001"}, {"control", s.button}});
  long found = 0;
  double total = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    must(*d, {{"op", "text"}, {"window", "w_bj704_001"}, {"control", "sle_1"}, {"value", s.text}});
    json out = must(*d, {{"op", "key"}, {"window", "w_bj704_001"}, {"control", "sle_1"}, {"key", "enter"}});
    if (s.popup)
      out = must(*d, {{"op", "key"}, {"window", "w_bj704_002"}, {"control", "sle_1"}, {"key", "enter"}});
    total += ms_since(start);
    state.PauseTiming();
    const json& g = out["state"]["windows"][0]["controls"]["dw_edit"];
    if (g["filter"] != s.filter) state.SkipWithError(("unexpected filter " + g["filter"].dump()).c_str());
    found = g["rowcount"].get<long>();
    // Back to every row, so that each search starts from the same grid.
    must(*d, {{"op", "click"}, {"window", "w_bj704_001"}, {"control", s.button}});
    must(*d, {{"op", "key"}, {"window", "w_bj704_001"}, {"control", "sle_1"}, {"key", "enter"}});
    if (s.popup) must(*d, {{"op", "key"}, {"window", "w_bj704_002"}, {"control", "sle_1"}, {"key", "enter"}});
    state.ResumeTiming();
  }
  double protocol = total / static_cast<double>(state.iterations());

  // The references, on the same data in the same run.
  db::Transaction& t = reference_transaction();
  grid::Grid& g = reference_grid(t);
  double filter = mean_ms(20, [&] {
    g.setfilter(s.filter);
    g.filter();
  });
  if (g.rowcount() != found) state.SkipWithError("the grid and the form found different rows");
  g.setfilter("");
  g.filter();
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(stock_database(kRows).c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
    throw std::runtime_error("cannot open the stock database");
  long sql_found = 0;
  double sqlite = mean_ms(3, [&] { sql_found = sqlite_rows(db, std::string(kJoin) + "(" + s.sql + ")"); });
  sqlite3_close(db);
  if (sql_found != found) state.SkipWithError("SQLite and the form found different rows");

  state.SetLabel(std::string("mode ") + std::to_string(s.mode) + " '" + s.text + "'");
  state.counters["found"] = static_cast<double>(found);
  state.counters["protocol_ms"] = protocol;
  state.counters["grid_filter_ms"] = filter;
  state.counters["sqlite_ms"] = sqlite;
  state.counters["x_grid_filter"] = protocol / filter;
  state.counters["sqlite_x"] = sqlite / protocol;
}

BENCHMARK(BM_StockEnquiryOpen)->Name("StockEnquiryOpen")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StockEnquirySearch)->Name("StockEnquirySearch")->DenseRange(0, 1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sparestock::bench
