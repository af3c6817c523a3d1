// `sparestock export-tables` and `sparestock import`: the module's tables as one delimited file
// per table, to move a database between SQLite and PostgreSQL, to keep a readable backup, and to
// take over a dealer's data from an older system's exports.

#include <fmt/format.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "app/commands.h"
#include "host/base/text.h"
#include "host/db/connection.h"
#include "schema/init.h"
#include "schema/table_files.h"

namespace sparestock::app {

namespace {

struct TableFileArguments {
  std::string db;
  std::string folder;
  std::string encoding = "utf-8";
  std::string delimiter = ",";
  std::string company;
  bool dry_run = false;
  bool replace = false;
};

// "," "tab" "\t" "|" ";" as the one delimiter character.
std::optional<char> delimiter_of(const std::string& text) {
  if (text::iequals(text, "tab") || text == "\\t" || text == "\t") return '\t';
  if (text.size() == 1 && (text == "," || text == "|" || text == ";")) return text[0];
  return std::nullopt;
}

bool read_options(const char* command, const TableFileArguments& a, schema::TableFileOptions& o) {
  auto enc = text::parse_encoding(a.encoding);
  if (!enc) {
    std::cerr << "sparestock " << command << ": --encoding takes gbk or utf-8, not \"" << a.encoding << "\"\n";
    return false;
  }
  auto delim = delimiter_of(a.delimiter);
  if (!delim) {
    std::cerr << "sparestock " << command << ": --delimiter takes , tab | or ;, not \"" << a.delimiter
              << "\"\n";
    return false;
  }
  o.encoding = *enc;
  o.delimiter = *delim;
  o.company = std::string(text::trim(a.company));
  return true;
}

int run_export_tables(const TableFileArguments& a) {
  schema::TableFileOptions o;
  if (!read_options("export-tables", a, o)) return 1;
  try {
    auto conn = db::open_connection(a.db);
    auto report = schema::export_tables(*conn, a.folder, o);
    int64_t total = 0;
    for (const auto& t : report.tables) {
      std::cout << fmt::format("  {:<8} {:>9} rows  {}\n", t.table, t.rows, t.file);
      total += t.rows;
    }
    std::cout << fmt::format("exported {} rows of {} tables from {} ({})\n", total, report.tables.size(),
                             schema::shown_target(a.db), text::encoding_name(o.encoding));
  } catch (const std::exception& e) {
    std::cerr << "sparestock export-tables: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

int run_import(const TableFileArguments& a) {
  schema::ImportOptions o;
  if (!read_options("import", a, o)) return 1;
  o.dry_run = a.dry_run;
  o.replace = a.replace;
  auto started = std::chrono::steady_clock::now();
  // A progress line on a terminal only: a log or a pipe gets the report alone.
  bool terminal = isatty(STDERR_FILENO) != 0;
  auto last = started;
  if (terminal) {
    o.progress = [&](const schema::ImportProgress& p) {
      auto now = std::chrono::steady_clock::now();
      if (now - last < std::chrono::milliseconds(200) && p.bytes_read < p.bytes_total) return;
      last = now;
      double seconds = std::chrono::duration<double>(now - started).count();
      double percent = p.bytes_total
                           ? 100.0 * static_cast<double>(p.bytes_read) / static_cast<double>(p.bytes_total)
                           : 100.0;
      std::fprintf(stderr, "\r  %-8s %3.0f%% of the bytes read, %lld rows, %.0f rows/s   ", p.table.c_str(),
                   percent, static_cast<long long>(p.rows),
                   seconds > 0 ? static_cast<double>(p.rows) / seconds : 0.0);
      std::fflush(stderr);
    };
  }
  try {
    auto conn = db::open_connection(a.db);
    auto report = schema::import_tables(*conn, a.folder, o);
    if (terminal) std::fprintf(stderr, "\r%70s\r", "");
    int64_t total = 0;
    for (const auto& t : report.tables) {
      std::string extra;
      if (t.skipped) extra += fmt::format("  ({} skipped)", t.skipped);
      if (t.replaced) extra += fmt::format("  ({} replaced)", t.replaced);
      std::cout << fmt::format("  {:<8} {:>9} rows  {}{}\n", t.table, t.rows, t.file, extra);
      total += t.rows;
    }
    for (const auto& f : report.ignored_files)
      std::cout << "  ignored " << f << " (no table of the module)\n";
    if (report.missing_parts)
      std::cout << fmt::format("  {} stock records name a part missing from the parts master (kept)\n",
                               report.missing_parts);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cout << fmt::format("{} {} rows of {} tables into {} in {:.1f} s\n",
                             a.dry_run ? "dry run, nothing written: would import" : "imported", total,
                             report.tables.size(), schema::shown_target(a.db), seconds);
  } catch (const std::exception& e) {
    if (terminal) std::fprintf(stderr, "\r%70s\r", "");
    std::cerr << "sparestock import: " << e.what() << "; nothing was imported\n";
    return 1;
  }
  return 0;
}

void add_common(CLI::App* cmd, TableFileArguments& a) {
  cmd->add_option("--encoding", a.encoding, "gbk or utf-8 (default utf-8)");
  cmd->add_option("--delimiter", a.delimiter, "field delimiter: , (default), tab, | or ;");
  cmd->add_option("--company", a.company, "only this company's rows (tables without a company are shared)");
}

}  // namespace

void add_table_commands(CLI::App& app, int& exit_code) {
  auto ex = std::make_shared<TableFileArguments>();
  CLI::App* e = app.add_subcommand("export-tables",
                                   "Write every table into a folder, one delimited file each");
  e->add_option("--db", ex->db, "SQLite file or postgresql:// URI")->required();
  e->add_option("--to", ex->folder, "folder for the files (created when missing)")->required();
  add_common(e, *ex);
  e->callback([ex, &exit_code] { exit_code = run_export_tables(*ex); });

  auto im = std::make_shared<TableFileArguments>();
  CLI::App* i = app.add_subcommand("import", "Load tables from delimited files, all or nothing");
  i->add_option("--db", im->db, "SQLite file or postgresql:// URI holding the module's tables")->required();
  i->add_option("--from", im->folder, "folder of <table>.csv or <table>.txt files")->required();
  add_common(i, *im);
  i->add_flag("--dry-run", im->dry_run, "check and count everything, write nothing");
  i->add_flag("--replace", im->replace, "remove the rows the import covers first (in the same transaction)");
  i->callback([im, &exit_code] { exit_code = run_import(*im); });
}

}  // namespace sparestock::app
