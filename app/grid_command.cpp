// `sparestock grid`: retrieves a grid from a database, applies a filter and a sort in the grid
// expression language, and prints the rows shown: a header of column names, one line per row
// with the values separated by tabs (decimals with their places, null as nothing), then
// "rows: N".

#include <fmt/format.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/grid_options.h"
#include "host/base/text.h"
#include "host/db/transaction.h"
#include "host/grid/grid.h"

namespace sparestock::app {

namespace {

std::string cell(const db::Value& v) {
  switch (v.kind()) {
    case db::ValueKind::Null: return {};
    case db::ValueKind::Real: return fmt::format("{}", v.real());
    default: return v.as_text();
  }
}

int fail(const std::string& message) {
  std::cerr << "sparestock grid: " << message << "\n";
  return 1;
}

int run_grid(const GridOptions& o) {
  std::unique_ptr<grid::Grid> owned;
  std::vector<db::Value> args;
  if (std::string failed = prepare_grid(o, owned, args); !failed.empty()) return fail(failed);
  grid::Grid& g = *owned;
  const grid::GridDefinition* def = &g.definition();
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

  db::Transaction sqlca;
  long rows = 0;
  if (std::string failed = retrieve_grid(o, g, args, sqlca, rows); !failed.empty()) return fail(failed);

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

}  // namespace

void add_grid_command(CLI::App& app, int& exit_code) {
  auto o = std::make_shared<GridOptions>();
  CLI::App* cmd = app.add_subcommand("grid", "Retrieve a grid, filter and sort it, print its rows");
  auto [f, s] = add_grid_options(cmd, *o);
  cmd->add_option("--columns", o->columns, "columns to print, C1,C2,... (default: all)");
  cmd->callback([o, f, s, &exit_code] {
    o->has_filter = f->count() > 0;
    o->has_sort = s->count() > 0;
    exit_code = run_grid(*o);
  });
}

}  // namespace sparestock::app
