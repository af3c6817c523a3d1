// `sparestock grid`: retrieves a grid from a database, applies a filter and a sort in the grid
// expression language, and prints the rows shown: a header of column names, one line per row
// with the values separated by tabs (decimals with their places, null as nothing), then
// "rows: N".
//
// `sparestock print`: retrieves, filters and sorts a grid the same way and prints its layout
// with the rows shown into a PDF file.

#include <fmt/format.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/commands.h"
#include "host/base/text.h"
#include "host/db/transaction.h"
#include "host/grid/grid.h"
#include "host/lib/pdf_print.h"

namespace sparestock::app {

namespace {

struct GridOptions {
  std::string db;
  std::string grid;
  std::vector<std::string> args;
  std::string filter;
  std::string sort;
  std::string columns;
  bool has_filter = false;
  bool has_sort = false;
  // print
  std::string out;
  int copies = 1;
  std::string pages;
  std::vector<std::string> texts;
  std::string label_sheet;
  std::string command = "grid";
};

std::string cell(const db::Value& v) {
  switch (v.kind()) {
    case db::ValueKind::Null: return {};
    case db::ValueKind::Real: return fmt::format("{}", v.real());
    default: return v.as_text();
  }
}

int fail(const GridOptions& o, const std::string& message) {
  std::cerr << "sparestock " << o.command << ": " << message << "\n";
  return 1;
}

// Places the definition in `g`, checks the arguments, filter and sort, connects `sqlca` and
// retrieves. 0, or the exit code after the reason was written.
int load_grid(const GridOptions& o, grid::Grid& g, db::Transaction& sqlca) {
  auto fail = [&o](const std::string& message) { return app::fail(o, message); };
  const grid::GridDefinition* def = grid::find_definition(o.grid);
  if (!def) {
    std::string known;
    for (const auto& d : grid::all_definitions()) known += (known.empty() ? "" : ", ") + d.name;
    return fail("unknown grid '" + o.grid + "' (known: " + known + ")");
  }
  g.set_definition(*def);

  // Retrieval arguments by name, in the definition's order.
  std::vector<db::Value> args(def->arguments.size());
  std::vector<bool> given(def->arguments.size(), false);
  for (const auto& a : o.args) {
    size_t eq = a.find('=');
    if (eq == std::string::npos || eq == 0) return fail("--arg takes NAME=VALUE, not '" + a + "'");
    std::string name = a.substr(0, eq);
    bool found = false;
    for (size_t i = 0; i < def->arguments.size(); ++i) {
      if (!text::iequals(def->arguments[i].name, name)) continue;
      args[i] = db::Value(a.substr(eq + 1));
      given[i] = found = true;
    }
    if (!found) return fail("grid " + def->name + " has no argument '" + name + "'");
  }
  for (size_t i = 0; i < given.size(); ++i)
    if (!given[i]) return fail("grid " + def->name + " needs --arg " + def->arguments[i].name + "=VALUE");

  // Expressions are checked before anything is read.
  if (o.has_filter && g.setfilter(o.filter) != 1) return fail("bad filter: " + g.last_error());
  if (o.has_sort && g.setsort(o.sort) != 1) return fail("bad sort: " + g.last_error());
  if (sqlca.connect(o.db) != 0) return fail("cannot connect to " + o.db + ": " + sqlca.sqlerrtext);
  g.settransobject(sqlca);
  if (g.retrieve(args) < 0) return fail("retrieve failed: " + sqlca.sqlerrtext);
  return 0;
}

int run_grid(const GridOptions& o) {
  auto fail = [&o](const std::string& message) { return app::fail(o, message); };
  grid::Grid g;
  db::Transaction sqlca;
  if (int rc = load_grid(o, g, sqlca)) return rc;
  const grid::GridDefinition* def = &g.definition();
  long rows = g.rowcount();
  std::vector<std::string> columns;
  if (text::trim(o.columns).empty()) {
    for (const auto& c : def->columns) columns.push_back(c.name);
  } else {
    for (const auto& name : text::split_list(o.columns)) {
      bool computed = false;
      for (const auto& c : def->computed) computed = computed || text::iequals(c.name, name);
      if (computed) {
        columns.push_back(name);
        continue;
      }
      int c = g.column_index(name);
      if (c < 0) return fail("bad column: " + g.last_error());
      columns.push_back(def->columns[c].name);
    }
  }

  std::string out;
  for (size_t k = 0; k < columns.size(); ++k) out += (k ? "\t" : "") + columns[k];
  out += '\n';
  for (long r = 1; r <= rows; ++r) {
    for (size_t k = 0; k < columns.size(); ++k) {
      if (k) out += '\t';
      out += cell(g.getitem(r, columns[k]).value_or(db::Value()));
    }
    out += '\n';
    if (out.size() > (1 << 16)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  out += "rows: " + std::to_string(rows) + "\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  sqlca.disconnect();
  return 0;
}

int run_print(const GridOptions& o) {
  auto fail = [&o](const std::string& message) { return app::fail(o, message); };
  lib::PdfOptions options;
  try {
    if (!o.label_sheet.empty()) options.labels = lib::LabelSheet::parse(o.label_sheet);
  } catch (const std::invalid_argument& e) {
    return fail(e.what());
  }
  if (o.copies < 1 || o.copies > 99) return fail("--copies takes 1 to 99");
  if (!grid::parse_page_range(o.pages, 1)) return fail("bad page range '" + o.pages + "'");
  grid::Grid g;
  for (const auto& t : o.texts) {
    size_t eq = t.find('=');
    if (eq == std::string::npos || eq == 0) return fail("--text takes NAME=TEXT, not '" + t + "'");
    g.print_settings().set_text(t.substr(0, eq), t.substr(eq + 1));
  }
  g.print_settings().copies = o.copies;
  g.print_settings().page_range = o.pages;
  db::Transaction sqlca;
  if (int rc = load_grid(o, g, sqlca)) return rc;
  try {
    int pages = lib::print_pdf(g, g.print_settings(), o.out, options);
    std::cout << "printed " << g.rowcount() << " rows on " << pages << " pages to " << o.out << "\n";
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  sqlca.disconnect();
  return 0;
}

// The options `grid` and `print` share.
void add_grid_options(CLI::App* cmd, GridOptions& o) {
  cmd->add_option("--db", o.db, "SQLite file or postgresql:// URI")->required();
  cmd->add_option("--grid", o.grid, "grid definition, e.g. d_bj704_002")->required();
  cmd->add_option("--arg", o.args, "retrieval argument NAME=VALUE (repeatable)");
}

}  // namespace

void add_print_command(CLI::App& app, int& exit_code) {
  auto o = std::make_shared<GridOptions>();
  o->command = "print";
  CLI::App* cmd = app.add_subcommand("print",
                                     "Retrieve a grid, filter and sort it, print its layout to a PDF file");
  add_grid_options(cmd, *o);
  auto* f = cmd->add_option("--filter", o->filter, "filter expression (replaces the grid's own)");
  auto* s = cmd->add_option("--sort", o->sort, "sort list, e.g. \"mid(dbj030_ccph,5,4) A\"");
  cmd->add_option("--out", o->out, "the PDF file to write")->required();
  cmd->add_option("--copies", o->copies, "number of copies (1 to 99)");
  cmd->add_option("--pages", o->pages, "page range, e.g. 1-3,5 (default: every page)");
  cmd->add_option("--text", o->texts, "text of the layout NAME=TEXT, e.g. t_1=张三 (repeatable)");
  cmd->add_option("--label-sheet", o->label_sheet,
                  "label sheet in mm, e.g. label_width=70,label_height=37,columns=3,rows=8");
  cmd->callback([o, f, s, &exit_code] {
    o->has_filter = f->count() > 0;
    o->has_sort = s->count() > 0;
    exit_code = run_print(*o);
  });
}

void add_grid_command(CLI::App& app, int& exit_code) {
  auto o = std::make_shared<GridOptions>();
  CLI::App* cmd = app.add_subcommand("grid", "Retrieve a grid, filter and sort it, print its rows");
  add_grid_options(cmd, *o);
  auto* f = cmd->add_option("--filter", o->filter, "filter expression (replaces the grid's own)");
  auto* s = cmd->add_option("--sort", o->sort, "sort list, e.g. \"mid(dbj030_ccph,5,4) A\"");
  cmd->add_option("--columns", o->columns, "columns to print, C1,C2,... (default: all)");
  cmd->callback([o, f, s, &exit_code] {
    o->has_filter = f->count() > 0;
    o->has_sort = s->count() > 0;
    exit_code = run_grid(*o);
  });
}

}  // namespace sparestock::app
