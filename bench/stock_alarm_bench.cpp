// The stock alarm form w_bj703_001 opened over the generated stock of 100,000 rows of company
// 01 (bench/stock_data.cpp), beside what its list costs at each layer, all in the same run on
// the same data:
//
//   open_ms       {"op":"open","window":"w_bj703_001"} through the protocol: the procedure
//                 sp_kcbj for alarm kind 1, its rows loaded into d_bj703_002 under the standing
//                 filter, the commit, the form's state as JSON (then the close box, not timed);
//   retrieve_ms   d_bj703_002 retrieved into a bare grid through a transaction object;
//   procedure_ms  "execute dbo.sp_kcbj;1 ..." opened on the transaction object and stepped
//                 through, reading no column (the procedure alone, no grid);
//   sqlite_ms     the reference: one SQLite statement computing the same list (stock summed per
//                 part over the warehouses, joined with the parts master and the last issue and
//                 first receipt, the kind's condition in HAVING), stepped through with sqlite3.
//
// Counters: x_retrieve = open / retrieve; retrieve_x_sqlite = retrieve / SQLite statement;
// procedure_x_sqlite = procedure / SQLite statement. The run checks that the form, the
// procedure and the statement find the same number of parts.

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

namespace sparestock::bench {
namespace {

using nlohmann::json;

constexpr long kRows = 100000;

// The list of kind `kind` as one statement: the same parts, columns and conditions as the
// procedure (a part missing from the master has no limits and never passes).
std::string alarm_statement(int kind) {
  const char* having = kind == 1 ? "SUM(s.nkcsl) > MAX(p.ncbgx) AND MAX(p.ncbgx) > 0"
                       : kind == 2
                           ? "SUM(s.nkcsl) < COALESCE(MAX(p.ncbdx), 0)"
                           : "SUM(s.nkcsl) > 0 AND COALESCE(julianday(date('now')) - "
                             "julianday(date(COALESCE(MAX(m.last_issue), MAX(m.first_receipt)))), 0) >= "
                             "COALESCE((SELECT ndzqx FROM dbj013 WHERE cgsh = '01'), 180)";
  return std::string(
             "SELECT s.cgsh, s.ccph, MAX(p.ccpmc), MAX(p.ncbgx), MAX(p.ncbdx), "
             "julianday(date('now')) - julianday(date(COALESCE(MAX(m.last_issue), MAX(m.first_receipt)))), "
             "SUM(s.nkcsl), MAX(p.ccxh), MAX(p.cflh), MAX(p.lcyjbs), MAX(m.last_issue) "
             "FROM dbj030 s LEFT JOIN dbj002 p ON p.cgsh = s.cgsh AND p.ccph = s.ccph "
             "LEFT JOIN (SELECT a.ccph, MAX(CASE WHEN b.clx = 'C' THEN b.drq END) AS last_issue, "
             "MIN(CASE WHEN b.clx = 'R' THEN b.drq END) AS first_receipt "
             "FROM dbj029 a JOIN dbj028 b ON a.crcdh = b.crcdh WHERE b.cgsh = '01' GROUP BY a.ccph) m "
             "ON m.ccph = s.ccph "
             "WHERE s.cgsh = '01' GROUP BY s.cgsh, s.ccph HAVING ") +
         having;
}

// The parts of kind `kind` that the grid shows: the procedure's rows under the standing filter.
long shown_by_grid(db::Transaction& t, int kind, double* ms) {
  long shown = 0;
  *ms = mean_ms(3, [&] {
    grid::Grid g;
    g.set_dataobject("d_bj703_002");
    g.settransobject(t);
    shown = g.retrieve({db::Value("01"), db::Value(static_cast<double>(kind))});
    t.commit();
  });
  return shown;
}

void BM_StockAlarmOpen(benchmark::State& state) {
  static const bool loaded = (lib::load_module(), true);
  (void)loaded;
  const std::string path = stock_database(kRows);
  driver::Driver d(path);
  must(d, {{"op", "host"}, {"globals", {{"gs_yhssgsh", "01"}, {"gs_tsxx", "提示信息"}}}});
  long shown = 0;
  double total = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    json out = must(d, {{"op", "open"}, {"window", "w_bj703_001"}});
    total += ms_since(start);
    state.PauseTiming();
    shown = out["state"]["windows"][0]["controls"]["dw_1"]["rowcount"].get<long>();
    must(d, {{"op", "close"}, {"window", "w_bj703_001"}});
    state.ResumeTiming();
  }
  double open = total / static_cast<double>(state.iterations());

  db::Transaction t("sqlca");
  if (t.connect(path) != 0) throw std::runtime_error(t.sqlerrtext);
  double retrieve = 0;
  if (shown_by_grid(t, 1, &retrieve) != shown)
    state.SkipWithError("the grid and the form show different rows");

  long returned = 0;
  double procedure = mean_ms(3, [&] {
    auto c = t.open_cursor("execute dbo.sp_kcbj;1 @gsh = :gsh, @num = :num", {{"gsh", "01"}, {"num", 1}});
    if (!c) throw std::runtime_error(t.sqlerrtext);
    returned = 0;
    while (c->next()) ++returned;
    t.commit();
  });

  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
    throw std::runtime_error("cannot open the stock database");
  long by_sql = 0;
  double sqlite = mean_ms(3, [&] { by_sql = sqlite_rows(db, alarm_statement(1)); });
  sqlite3_close(db);
  // Every part above its upper limit has that limit set, so the standing filter hides none.
  if (by_sql != returned || returned != shown)
    state.SkipWithError("the procedure, the statement and the form found different parts");

  state.counters["rows"] = static_cast<double>(shown);
  state.counters["open_ms"] = open;
  state.counters["retrieve_ms"] = retrieve;
  state.counters["procedure_ms"] = procedure;
  state.counters["sqlite_ms"] = sqlite;
  state.counters["x_retrieve"] = open / retrieve;
  state.counters["retrieve_x_sqlite"] = retrieve / sqlite;
  state.counters["procedure_x_sqlite"] = procedure / sqlite;
}

// Kinds 2 and 3 retrieved into the grid beside their statements (the generated stock has no
// documents, so kind 3 measures the procedure's reading of the stock and the masters).
void BM_StockAlarmKind(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const std::string path = stock_database(kRows);
  db::Transaction t("sqlca");
  if (t.connect(path) != 0) throw std::runtime_error(t.sqlerrtext);
  long shown = 0;
  double retrieve = 0;
  for (auto _ : state) shown = shown_by_grid(t, kind, &retrieve);

  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
    throw std::runtime_error("cannot open the stock database");
  long by_sql = 0;
  double sqlite = mean_ms(3, [&] { by_sql = sqlite_rows(db, alarm_statement(kind)); });
  sqlite3_close(db);
  state.counters["rows"] = static_cast<double>(shown);
  state.counters["statement_rows"] = static_cast<double>(by_sql);
  state.counters["retrieve_ms"] = retrieve;
  state.counters["sqlite_ms"] = sqlite;
  state.counters["retrieve_x_sqlite"] = retrieve / sqlite;
}

}  // namespace

BENCHMARK(BM_StockAlarmOpen)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StockAlarmKind)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace sparestock::bench
