// What exact decimals cost on SQLite: the stock list d_bj704_002 of 100,000 rows retrieved into
// a grid, and a search of the stock enquiry on it, with the data layer's decimal handling as
// it runs ("after": decimal comparisons at their scale, computed decimal columns typed) and
// turned off ("before": the statement as it was translated before). The two variants run in
// turn within one benchmark, nine times each, and the medians of the thread's CPU time (which
// other processes on a shared machine disturb far less than the wall clock) and their ratio
// are reported:
//   ExactDecimalsCost/100000  counters retrieve_before_ms, retrieve_after_ms, retrieve_ratio,
//                             step_before_ms, step_after_ms, step_ratio (the statement alone:
//                             its rows stepped through, no column read),
//                             search_before_ms, search_after_ms, search_ratio
// Both variants must retrieve and find the same rows, or the run stops with an error.

#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <vector>

#include "bench/stock_data.h"
#include "host/db/transaction.h"
#include "host/db/tsql.h"
#include "host/grid/grid.h"

namespace sparestock::bench {
namespace {

// The search of mode 1 (part number '12', variant A) and of mode 2 (part name 滤清), as the
// stock enquiry sets them.
constexpr const char* kSearches[] = {
    "(mid(dbj030_ccph,5,13) like '12%') or (mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,13) like '12%')",
    "dbj002_ccpmc like '%滤清%'",
};

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// CPU time of the calling thread, in milliseconds.
double cpu_ms() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void BM_ExactDecimalsCost(benchmark::State& state) {
  const long rows = state.range(0);
  std::string path = stock_database(rows);
  db::Transaction before("before"), after("after");
  if (before.connect(path) != 0 || after.connect(path) != 0) {
    state.SkipWithError("cannot open the stock database");
    return;
  }
  before.set_exact_decimals(false);
  const grid::GridDefinition* def = grid::find_definition("d_bj704_002");
  db::TranslateOptions off;
  off.exact_decimals = false;
  if (db::translate(def->statement, db::Backend::Sqlite, after.catalog(), off).sql ==
      db::translate(def->statement, db::Backend::Sqlite, after.catalog()).sql) {
    state.SkipWithError("the two variants run the same statement");
    return;
  }

  std::vector<double> retrieve[2], step[2], search[2];
  long found[2] = {0, 0};
  for (auto _ : state) {
    for (int round = 0; round < 9; ++round) {
      for (int variant = 0; variant < 2; ++variant) {
        db::Transaction& tx = variant == 0 ? before : after;
        double start = cpu_ms();
        grid::Grid g(*def);
        g.settransobject(tx);
        long got = g.retrieve({db::Value("01")});
        retrieve[variant].push_back(cpu_ms() - start);
        if (got != rows) {
          state.SkipWithError("retrieve failed");
          return;
        }
        start = cpu_ms();
        auto cursor = tx.open_cursor(def->statement, {{"gsh", db::Value("01")}});
        long stepped = 0;
        while (cursor && cursor->next()) ++stepped;
        step[variant].push_back(cpu_ms() - start);
        if (stepped != rows) {
          state.SkipWithError("stepping failed");
          return;
        }
        start = cpu_ms();
        long hits = 0;
        for (const char* filter : kSearches) {
          g.setfilter(filter);
          g.filter();
          hits += g.rowcount();
        }
        search[variant].push_back(cpu_ms() - start);
        found[variant] = hits;
      }
    }
  }
  if (found[0] != found[1]) {
    state.SkipWithError("the two variants found different rows");
    return;
  }
  double rb = median(retrieve[0]), ra = median(retrieve[1]);
  double tb = median(step[0]), ta = median(step[1]);
  double sb = median(search[0]), sa = median(search[1]);
  state.counters["retrieve_before_ms"] = rb;
  state.counters["retrieve_after_ms"] = ra;
  state.counters["retrieve_ratio"] = ra / rb;
  state.counters["step_before_ms"] = tb;
  state.counters["step_after_ms"] = ta;
  state.counters["step_ratio"] = ta / tb;
  state.counters["search_before_ms"] = sb;
  state.counters["search_after_ms"] = sa;
  state.counters["search_ratio"] = sa / sb;
}

BENCHMARK(BM_ExactDecimalsCost)
    ->Name("ExactDecimalsCost")
    ->Arg(100000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace sparestock::bench
