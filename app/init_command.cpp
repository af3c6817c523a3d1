// `sparestock init`: creates the database (SQLite file or PostgreSQL schema), optionally with
// demo data, and prints how many rows the main tables hold.

#include <fmt/format.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "app/commands.h"
#include "host/db/connection.h"
#include "host/db/value.h"
#include "schema/init.h"
#include "web/crypto.h"

namespace sparestock::app {

namespace {

struct InitArguments {
  std::string target;
  bool demo = false;
  int parts = 2000;
  uint64_t seed = 1;
  std::string today;
  bool force = false;
};

void print_summary(db::Connection& conn, const InitArguments& a) {
  struct Line {
    const char* table;
    const char* what;
  };
  static const Line lines[] = {
      {"dbj003", "warehouses"},       {"dbj005", "locations"},       {"dbj002", "parts"},
      {"dbj030", "stock records"},    {"dbj028", "stock documents"}, {"dbj029", "document lines"},
      {"dbj032", "stocktaking rows"}, {"dbj060", "cost revisions"},  {"DXT004", "users"},
  };
  std::cout << fmt::format("created the spare-parts stock database at {} ({}){}\n",
                           schema::shown_target(a.target), db::backend_name(conn.backend()),
                           a.demo ? " with demo data" : "");
  for (const auto& line : lines) {
    auto cursor = conn.query(std::string("SELECT COUNT(*) FROM ") + line.table);
    int64_t rows = cursor->next() ? cursor->integer(0) : 0;
    std::cout << fmt::format("  {:<8} {:<18} {:>9}\n", line.table, line.what, rows);
  }
  if (a.demo) std::cout << "  demo users: 001 (company 01), 002 (company 02)\n";
}

// Messages of the database client may span lines; the command reports on one.
std::string one_line(std::string_view text) {
  std::string out;
  bool blank = false;
  for (char c : text) {
    bool space = c == '\n' || c == '\t' || c == '\r' || c == ' ';
    if (space) {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

int run_init(const InitArguments& a) {
  if (!a.today.empty() && (a.today.size() != 10 || !db::DateTime::parse(a.today))) {
    std::cerr << "sparestock init: --today \"" << a.today << "\" is not a date of the form YYYY-MM-DD\n";
    return 1;
  }
  auto started = std::chrono::steady_clock::now();
  std::unique_ptr<db::Connection> conn;
  try {
    schema::InitOptions options;
    options.demo = a.demo;
    options.demo_options = {a.parts, a.seed, a.today, web::hash_password};
    options.force = a.force;
    conn = schema::initialize(a.target, options);
    print_summary(*conn, a);
  } catch (const std::exception& e) {
    std::cerr << "sparestock init: " << one_line(e.what()) << "\n";
    return 1;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::cout << fmt::format("  done in {:.1f} s\n", seconds);
  return 0;
}

}  // namespace

void add_init_command(CLI::App& app, int& exit_code) {
  auto options = std::make_shared<InitArguments>();
  CLI::App* cmd = app.add_subcommand("init", "Create the database, optionally with demo data");
  cmd->add_option("--db", options->target, "SQLite file (created if missing) or postgresql:// URI")->required();
  CLI::Option* demo = cmd->add_flag("--demo", options->demo, "Load deterministic demo data");
  cmd->add_option("--parts", options->parts, "Demo parts per company")
      ->check(CLI::Range(1, 500000))
      ->needs(demo);
  cmd->add_option("--seed", options->seed, "Demo data seed: the same seed gives the same data")->needs(demo);
  cmd->add_option("--today", options->today, "Date the demo documents lead up to (YYYY-MM-DD; default today)")
      ->needs(demo);
  cmd->add_flag("--force", options->force, "Replace the module's tables when the target already has them");
  cmd->callback([options, &exit_code] { exit_code = run_init(*options); });
}

}  // namespace sparestock::app
