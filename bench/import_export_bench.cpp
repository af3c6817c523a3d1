// Import and export beside the databases' own tools, in one run on the same data:
//
//   TableImport/sqlite, TableImport/postgres: `import` of a legacy export of the generated stock
//     (100,000 stock records of company 01, a few of 02, their parts and warehouses: files
//     dbj002.csv, dbj030.csv and dbj003.csv in GBK) into an empty database, against the database's own bulk loader reading
//     the same rows (sqlite3's .import, PostgreSQL's COPY through psql's \copy) into another empty
//     database with the same tables and rules. PostgreSQL runs when SPARESTOCK_BENCH_PG or
//     SPARESTOCK_TEST_PG holds a server URI.
//   GridExport: d_bj704_002 retrieved for company 01 and saved as XLSX, against saving the same
//     rows as CSV.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "bench/measure.h"
#include "bench/stock_data.h"
#include "host/base/encoding.h"
#include "host/db/connection.h"
#include "host/db/transaction.h"
#include "host/grid/export.h"
#include "host/grid/grid.h"
#include "schema/schema.h"
#include "schema/table_files.h"

namespace sparestock::bench {

namespace {

namespace fs = std::filesystem;

constexpr long kRows = 100000;

fs::path work_folder() {
  fs::path p = fs::temp_directory_path() / ("sparestock_import_bench_" + std::to_string(getpid()));
  fs::create_directories(p);
  return p;
}

// The legacy export: the parts and stock records of the generated database, in GBK.
fs::path legacy_export(const fs::path& work) {
  fs::path all = work / "all", legacy = work / "legacy";
  if (fs::exists(legacy / "dbj030.csv")) return legacy;
  auto conn = db::open_connection(stock_database(kRows));
  schema::TableFileOptions o;
  o.encoding = text::Encoding::Gbk;
  schema::export_tables(*conn, all.string(), o);
  fs::create_directories(legacy);
  for (const char* t : {"dbj002.csv", "dbj030.csv"}) fs::copy_file(all / t, legacy / t);
  // The generated data has no warehouse master; the import checks that stock records name a
  // warehouse, so the export brings the warehouses the records use.
  std::string warehouses = "cgsh,ckh,ckmc\r\n";
  auto c = conn->query("SELECT DISTINCT cgsh, ckh FROM dbj030 ORDER BY cgsh, ckh");
  while (c->next()) warehouses += std::string(c->text(0)) + "," + std::string(c->text(1)) + ",库\r\n";
  std::ofstream(legacy / "dbj003.csv", std::ios::binary) << text::utf8_to_gbk(warehouses);
  return legacy;
}

int run_shell(const std::string& command) {
  int rc = std::system(command.c_str());
  if (rc != 0) throw std::runtime_error("failed (" + std::to_string(rc) + "): " + command);
  return rc;
}

std::string shell_quoted(const std::string& s) { return "'" + s + "'"; }

// An empty schema on the server, reached through the search path of the URI.
std::string postgres_target(const std::string& uri, const std::string& schema) {
  auto conn = db::open_connection(uri);
  conn->exec_script("DROP SCHEMA IF EXISTS " + schema + " CASCADE; CREATE SCHEMA " + schema);
  std::string target = uri + (uri.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" +
                       schema;
  auto in = db::open_connection(target);
  schema::create_schema(*in);
  return target;
}

int64_t stock_rows(const std::string& target) {
  auto conn = db::open_connection(target);
  auto c = conn->query("SELECT COUNT(*) FROM dbj030");
  return c->next() ? c->integer(0) : -1;
}

double import_ms(const std::string& target, const fs::path& folder) {
  auto conn = db::open_connection(target);
  schema::ImportOptions o;
  o.encoding = text::Encoding::Gbk;
  auto start = std::chrono::steady_clock::now();
  schema::import_tables(*conn, folder.string(), o);
  return ms_since(start);
}

void BM_TableImport(benchmark::State& state) {
  const bool postgres = state.range(0) == 1;
  const char* pg_env = std::getenv("SPARESTOCK_BENCH_PG");
  if (!pg_env || !*pg_env) pg_env = std::getenv("SPARESTOCK_TEST_PG");
  if (postgres && (!pg_env || !*pg_env)) {
    state.SkipWithError("no PostgreSQL server (SPARESTOCK_BENCH_PG)");
    return;
  }
  fs::path work = work_folder();
  fs::path legacy = legacy_export(work);
  // The loaders read UTF-8: the same files converted once, outside the timing.
  fs::path utf8 = work / "utf8";
  fs::create_directories(utf8);
  for (const char* t : {"dbj003.csv", "dbj002.csv", "dbj030.csv"}) {
    std::ifstream in(legacy / t, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(utf8 / t, std::ios::binary) << text::gbk_to_utf8(bytes);
  }

  double ours = 0, loader = 0;
  int64_t ours_rows = 0, loader_rows = 0;
  for (auto _ : state) {
    std::string ours_target, loader_target;
    if (postgres) {
      ours_target = postgres_target(pg_env, "bench_import_ours");
      loader_target = postgres_target(pg_env, "bench_import_copy");
    } else {
      ours_target = (work / "ours.db").string();
      loader_target = (work / "loader.db").string();
      for (const auto& t : {ours_target, loader_target}) {
        fs::remove(t);
        auto conn = db::open_connection(t, true);
        schema::create_schema(*conn);
      }
    }
    ours = import_ms(ours_target, legacy);
    auto start = std::chrono::steady_clock::now();
    if (postgres) {
      std::string copy;
      for (const char* t : {"dbj003", "dbj002", "dbj030"}) {
        // The header names the columns in the file's order.
        std::ifstream in(utf8 / (std::string(t) + ".csv"));
        std::string header;
        std::getline(in, header);
        if (!header.empty() && header.back() == '\r') header.pop_back();
        copy += " -c \"\\copy " + std::string(t) + " (" + header + ") FROM " +
                shell_quoted((utf8 / (std::string(t) + ".csv")).string()) +
                " WITH (FORMAT csv, HEADER true)\"";
      }
      run_shell("psql -q -v ON_ERROR_STOP=1 " + shell_quoted(loader_target) + " -1" + copy + " >/dev/null");
    } else {
      run_shell("sqlite3 " + shell_quoted(loader_target) + " \".import --csv --skip 1 " +
                (utf8 / "dbj003.csv").string() + " dbj003\" \".import --csv --skip 1 " +
                (utf8 / "dbj002.csv").string() + " dbj002\" \".import --csv --skip 1 " +
                (utf8 / "dbj030.csv").string() + " dbj030\"");
    }
    loader = ms_since(start);
    ours_rows = stock_rows(ours_target);
    loader_rows = stock_rows(loader_target);
  }
  if (ours_rows != loader_rows) state.SkipWithError("the import and the loader loaded different rows");
  state.counters["stock_rows"] = static_cast<double>(ours_rows);
  state.counters["import_ms"] = ours;
  state.counters["loader_ms"] = loader;
  state.counters["import_x_loader"] = ours / loader;
  fs::remove_all(work);
}

void BM_GridExport(benchmark::State& state) {
  db::Transaction t("sqlca");
  if (t.connect(stock_database(kRows)) != 0) throw std::runtime_error(t.sqlerrtext);
  grid::Grid g(*grid::find_definition("d_bj704_002"));
  g.settransobject(t);
  long rows = g.retrieve({db::Value("01")});
  fs::path work = work_folder();
  double xlsx = 0, csv = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    grid::export_grid(g, (work / "stock.xlsx").string(), {grid::ExportFormat::Xlsx});
    xlsx = ms_since(start);
    start = std::chrono::steady_clock::now();
    grid::export_grid(g, (work / "stock.csv").string(), {grid::ExportFormat::Csv});
    csv = ms_since(start);
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["xlsx_ms"] = xlsx;
  state.counters["csv_ms"] = csv;
  state.counters["xlsx_x_csv"] = xlsx / csv;
  fs::remove_all(work);
}

}  // namespace

BENCHMARK(BM_TableImport)->Name("TableImport")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_GridExport)->Name("GridExport")->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace sparestock::bench
