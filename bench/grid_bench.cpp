// Grid benchmarks on generated stock data (bench/stock_data.cpp), 100,000 and 1,000,000 rows:
// (registered with the prefix Stock: StockRetrieve, StockFilter/M/rows, ...)
//   Retrieve      d_bj704_002 for one company into the grid, through the transaction object;
//   SqliteStep    SQLite stepping through the same translated statement, reading nothing;
//   Filter/M      the search of mode M of the stock enquiry (variant A) set as the grid's filter
//                 and applied, on the grid as the form holds it (sorted by the definition);
//   HandScan/M    a hand-written loop over the same column arrays testing the same condition;
//   SqliteSearch/M  the same search re-run as a SQLite query (the join with the equivalent
//                 WHERE clause), stepping through its rows;
//   Sort          "mid(dbj030_ccph,5,4) A" on the retrieved grid.
// Every run checks first that the three ways of searching find the same number of rows, and
// ends with a table of ratios measured in that run (bench/README.md keeps one).

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstring>
#include <iostream>
#include <map>
#include <memory>

#include "bench/stock_data.h"
#include "grids/definitions.h"
#include "host/db/transaction.h"
#include "host/db/tsql.h"
#include "host/grid/grid.h"
#include "schema/procedures.h"

namespace sparestock::bench {
namespace {

using grid::Column;
using grid::Grid;

// The seven searches of variant A without warehouse or popup part number.
struct Mode {
  const char* name;
  const char* filter;  // the expression the form sets
  const char* sql;     // the same condition in SQLite over the joined tables s, p
};

const Mode kModes[] = {
    {"1_part_number",
     "(mid(dbj030_ccph,5,13) like '12%') or (mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,13) like '12%')",
     "(substr(s.ccph,5,13) LIKE '12%') OR (substr(s.ccph,5,1) = ' ' AND substr(s.ccph,6,13) LIKE '12%')"},
    {"2_part_name", "dbj002_ccpmc like '%滤清%'", "p.ccpmc LIKE '%滤清%'"},
    {"3_pinyin", "(dbj002_cpym like '%LQ%')", "(p.cpym LIKE '%LQ%')"},
    {"4_common", "dbj002_lcyjbs = 1", "p.lcyjbs = 1"},
    {"5_category", "dbj002_cflh = '005'", "p.cflh = '005'"},
    {"6_warehouse", "dbj030_ckh = '03'", "s.ckh = '03'"},
    {"7_model", "dbj002_ccxh = '07'", "p.ccxh = '07'"},
};

constexpr const char* kJoin =
    "SELECT s.ccph, p.ccpmc, p.cjldw, s.ckh, s.nkcsl, s.nkcsl - s.nsqsl - s.nykps - s.nsdsl, "
    "p.nckdj, p.nwxdj, s.ndj, p.ncgdj, p.ncbgx, p.ncbdx, p.ccjh, p.ccxh, p.cpym, p.lcyjbs, "
    "p.cflh, s.ckqh, s.ckwh, p.cjldw, s.ndj, s.ndj*(s.nkcsl - s.njcsl), s.njcsl "
    "FROM dbj030 s LEFT JOIN dbj002 p ON p.cgsh = s.cgsh AND p.ccph = s.ccph "
    "WHERE s.cgsh = '01' AND (s.nkcsl <> 0 OR s.nkcsl - s.nsqsl - s.nykps - s.nsdsl <> 0) AND ";

int column(const Grid& g, const char* name) {
  int c = g.column_index(name);
  if (c < 0) throw std::runtime_error(std::string("no column ") + name);
  return c;
}

// ---- Hand-written scans over the column arrays, in storage order ----

bool starts(std::string_view v, std::string_view p) {
  return v.size() >= p.size() && std::memcmp(v.data(), p.data(), p.size()) == 0;
}

size_t hand_scan(const Grid& g, int mode, std::vector<uint32_t>& out) {
  const auto& cols = g.data().columns;
  size_t n = cols[0].size();
  out.clear();
  auto text_eq = [&](const Column& c, std::string_view lit) {
    const auto* spans = c.spans().data();
    const char* arena = c.arena().data();
    for (uint32_t i = 0; i < n; ++i) {
      if (c.is_null(i)) continue;
      if (spans[i].length == lit.size() && std::memcmp(arena + spans[i].offset, lit.data(), lit.size()) == 0)
        out.push_back(i);
    }
  };
  auto text_contains = [&](const Column& c, std::string_view lit) {
    const auto* spans = c.spans().data();
    const char* arena = c.arena().data();
    for (uint32_t i = 0; i < n; ++i) {
      if (c.is_null(i)) continue;
      std::string_view v(arena + spans[i].offset, spans[i].length);
      if (v.find(lit) != std::string_view::npos) out.push_back(i);
    }
  };
  switch (mode) {
    case 0: {
      const Column& c = cols[column(g, "dbj030_ccph")];
      const auto* spans = c.spans().data();
      const char* arena = c.arena().data();
      for (uint32_t i = 0; i < n; ++i) {
        std::string_view v(arena + spans[i].offset, spans[i].length);
        if (v.size() <= 4) continue;
        std::string_view rest = v.substr(4, 13);
        if (starts(rest, "12") || (rest[0] == ' ' && starts(v.substr(5, 13), "12"))) out.push_back(i);
      }
      break;
    }
    case 1: text_contains(cols[column(g, "dbj002_ccpmc")], "滤清"); break;
    case 2: text_contains(cols[column(g, "dbj002_cpym")], "LQ"); break;
    case 3: {
      const Column& c = cols[column(g, "dbj002_lcyjbs")];
      const double* v = c.reals().data();
      for (uint32_t i = 0; i < n; ++i)
        if (!c.is_null(i) && v[i] == 1.0) out.push_back(i);
      break;
    }
    case 4: text_eq(cols[column(g, "dbj002_cflh")], "005"); break;
    case 5: text_eq(cols[column(g, "dbj030_ckh")], "03"); break;
    case 6: text_eq(cols[column(g, "dbj002_ccxh")], "07"); break;
  }
  return out.size();
}

// ---- Shared state per data size ----

struct Fixture {
  long rows = 0;
  std::string path;
  std::string translated;  // d_bj704_002's statement as SQLite runs it
  db::Transaction sqlca;
  Grid grid;
  sqlite3* raw = nullptr;
  ~Fixture() {
    if (raw) sqlite3_close(raw);
  }
};

long sqlite_count(sqlite3* db, const std::string& sql, const char* arg, bool read_columns = false) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
    throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(db) + " in " + sql);
  if (arg) sqlite3_bind_text(st, 1, arg, -1, SQLITE_STATIC);
  long n = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    ++n;
    if (read_columns)
      for (int c = 0; c < sqlite3_column_count(st); ++c) benchmark::DoNotOptimize(sqlite3_column_text(st, c));
  }
  sqlite3_finalize(st);
  return n;
}

Fixture& fixture(long rows) {
  static std::map<long, std::unique_ptr<Fixture>> cache;
  auto& f = cache[rows];
  if (f) return *f;
  f = std::make_unique<Fixture>();
  f->rows = rows;
  f->path = stock_database(rows);
  if (f->sqlca.connect(f->path) != 0) throw std::runtime_error(f->sqlca.sqlerrtext);
  const grid::GridDefinition* def = grid::find_definition("d_bj704_002");
  f->translated = db::translate(def->statement, db::Backend::Sqlite, f->sqlca.catalog()).sql;
  f->grid.set_definition(*def);
  f->grid.settransobject(f->sqlca);
  long got = f->grid.retrieve({db::Value("01")});
  if (got != rows)
    throw std::runtime_error("retrieved " + std::to_string(got) + " rows, not " + std::to_string(rows));
  sqlite3_open_v2(f->path.c_str(), &f->raw, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_exec(f->raw, "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr);

  // The three ways of searching must agree before anything is timed.
  for (size_t m = 0; m < std::size(kModes); ++m) {
    std::vector<uint32_t> hand;
    hand_scan(f->grid, static_cast<int>(m), hand);
    f->grid.setfilter(kModes[m].filter);
    f->grid.filter();
    long sql = sqlite_count(f->raw, std::string(kJoin) + "(" + kModes[m].sql + ")", nullptr);
    if (static_cast<long>(hand.size()) != f->grid.rowcount() || sql != f->grid.rowcount())
      throw std::runtime_error(std::string("mode ") + kModes[m].name + ": grid " +
                               std::to_string(f->grid.rowcount()) + ", hand " + std::to_string(hand.size()) +
                               ", sqlite " + std::to_string(sql));
    std::cerr << "mode " << kModes[m].name << ": " << hand.size() << " rows of " << rows << ", "
              << f->grid.compiled_filter()->plan() << "\n";
  }
  f->grid.setfilter("");
  f->grid.filter();
  return *f;
}

// ---- Benchmarks ----

void BM_Retrieve(benchmark::State& state) {
  Fixture& f = fixture(state.range(0));
  const grid::GridDefinition* def = grid::find_definition("d_bj704_002");
  size_t bytes = 0;
  for (auto _ : state) {
    Grid g(*def);
    g.settransobject(f.sqlca);
    if (g.retrieve({db::Value("01")}) != f.rows) state.SkipWithError("retrieve failed");
    bytes = g.memory_bytes();
  }
  state.counters["bytes_per_row"] = static_cast<double>(bytes) / static_cast<double>(f.rows);
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}

void BM_SqliteStep(benchmark::State& state) {
  Fixture& f = fixture(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(sqlite_count(f.raw, f.translated, "01"));
}

void BM_SqliteStepRead(benchmark::State& state) {
  Fixture& f = fixture(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(sqlite_count(f.raw, f.translated, "01", true));
}

void BM_Filter(benchmark::State& state) {
  Fixture& f = fixture(state.range(1));
  const Mode& m = kModes[state.range(0)];
  for (auto _ : state) {
    f.grid.setfilter(m.filter);
    f.grid.filter();
    benchmark::DoNotOptimize(f.grid.rowcount());
  }
  state.counters["rows_found"] = static_cast<double>(f.grid.rowcount());
  f.grid.setfilter("");
  f.grid.filter();
}

void BM_HandScan(benchmark::State& state) {
  Fixture& f = fixture(state.range(1));
  std::vector<uint32_t> out;
  out.reserve(static_cast<size_t>(f.rows));
  for (auto _ : state) benchmark::DoNotOptimize(hand_scan(f.grid, static_cast<int>(state.range(0)), out));
}

void BM_SqliteSearch(benchmark::State& state) {
  Fixture& f = fixture(state.range(1));
  std::string sql = std::string(kJoin) + "(" + kModes[state.range(0)].sql + ")";
  for (auto _ : state) benchmark::DoNotOptimize(sqlite_count(f.raw, sql, nullptr));
}

void BM_Sort(benchmark::State& state) {
  Fixture& f = fixture(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    f.grid.setsort("dbj030_ckh D");
    f.grid.sort();
    state.ResumeTiming();
    f.grid.setsort("mid(dbj030_ccph,5,4) A");
    f.grid.sort();
  }
  f.grid.setsort(grid::find_definition("d_bj704_002")->sort);
  f.grid.sort();
}

// Keeps every result so that the ratios can be printed at the end of the run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& r : runs)
      if (r.run_type == Run::RT_Iteration) times_[r.benchmark_name()] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }

  void print_ratios() const {
    for (long rows : {100000L, 1000000L}) {
      std::string n = std::to_string(rows);
      auto t = [&](const std::string& name) {
        auto it = times_.find(name);
        return it == times_.end() ? -1.0 : it->second;
      };
      double retrieve = t("StockRetrieve/" + n), step = t("StockSqliteStep/" + n);
      if (retrieve < 0) continue;
      std::cout << "\n" << rows << " rows (times in ms)\n";
      std::cout << "| search | grid filter | hand scan | SQLite query | grid / hand | SQLite / grid |\n";
      std::cout << "|---|---:|---:|---:|---:|---:|\n";
      for (size_t m = 0; m < std::size(kModes); ++m) {
        std::string k = std::to_string(m) + "/" + n;
        double g = t("StockFilter/" + k), h = t("StockHandScan/" + k), s = t("StockSqliteSearch/" + k);
        std::printf("| %s | %.3f | %.3f | %.1f | %.2f | %.0f |\n", kModes[m].name, g, h, s, g / h, s / g);
      }
      std::printf("retrieve %.1f ms, SQLite step %.1f ms: %.2f x; sort %.2f ms\n", retrieve, step,
                  retrieve / step, t("StockSort/" + n));
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace
}  // namespace sparestock::bench

int main(int argc, char** argv) {
  using namespace sparestock::bench;
  sparestock::schema::register_procedures();
  sparestock::grids::register_definitions();
  for (long rows : {100000L, 1000000L}) {
    benchmark::RegisterBenchmark("StockRetrieve", BM_Retrieve)->Arg(rows)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("StockSqliteStep", BM_SqliteStep)->Arg(rows)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("StockSqliteStepRead", BM_SqliteStepRead)
        ->Arg(rows)
        ->Unit(benchmark::kMillisecond);
    for (int m = 0; m < static_cast<int>(std::size(kModes)); ++m) {
      benchmark::RegisterBenchmark("StockFilter", BM_Filter)->Args({m, rows})->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark("StockHandScan", BM_HandScan)->Args({m, rows})->Unit(benchmark::kMillisecond);
      benchmark::RegisterBenchmark("StockSqliteSearch", BM_SqliteSearch)
          ->Args({m, rows})
          ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("StockSort", BM_Sort)->Arg(rows)->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_ratios();
  benchmark::Shutdown();
  return 0;
}
