#include "app/grid_options.h"

#include "host/base/text.h"

namespace sparestock::app {

std::pair<CLI::Option*, CLI::Option*> add_grid_options(CLI::App* cmd, GridOptions& o) {
  cmd->add_option("--db", o.db, "SQLite file or postgresql:// URI")->required();
  cmd->add_option("--grid", o.grid, "grid definition, e.g. d_bj704_002")->required();
  cmd->add_option("--arg", o.args, "retrieval argument NAME=VALUE (repeatable)");
  auto* f = cmd->add_option("--filter", o.filter, "filter expression (replaces the grid's own)");
  auto* s = cmd->add_option("--sort", o.sort, "sort list, e.g. \"mid(dbj030_ccph,5,4) A\"");
  return {f, s};
}

std::string prepare_grid(const GridOptions& o, std::unique_ptr<grid::Grid>& g, std::vector<db::Value>& args) {
  const grid::GridDefinition* def = grid::find_definition(o.grid);
  if (!def) {
    std::string known;
    for (const auto& d : grid::all_definitions()) known += (known.empty() ? "" : ", ") + d.name;
    return "unknown grid '" + o.grid + "' (known: " + known + ")";
  }
  g = std::make_unique<grid::Grid>(*def);

  // Retrieval arguments by name, in the definition's order.
  args.assign(def->arguments.size(), db::Value());
  std::vector<bool> given(def->arguments.size(), false);
  for (const auto& a : o.args) {
    size_t eq = a.find('=');
    if (eq == std::string::npos || eq == 0) return "--arg takes NAME=VALUE, not '" + a + "'";
    std::string name = a.substr(0, eq);
    bool found = false;
    for (size_t i = 0; i < def->arguments.size(); ++i) {
      if (!text::iequals(def->arguments[i].name, name)) continue;
      args[i] = db::Value(a.substr(eq + 1));
      given[i] = found = true;
    }
    if (!found) return "grid " + def->name + " has no argument '" + name + "'";
  }
  for (size_t i = 0; i < given.size(); ++i)
    if (!given[i]) return "grid " + def->name + " needs --arg " + def->arguments[i].name + "=VALUE";

  // Expressions are checked before anything is read.
  if (o.has_filter && g->setfilter(o.filter) != 1) return "bad filter: " + g->last_error();
  if (o.has_sort && g->setsort(o.sort) != 1) return "bad sort: " + g->last_error();
  return {};
}

std::string retrieve_grid(const GridOptions& o, grid::Grid& g, const std::vector<db::Value>& args,
                          db::Transaction& sqlca, long& rows) {
  if (sqlca.connect(o.db) != 0) return "cannot connect to " + o.db + ": " + sqlca.sqlerrtext;
  g.settransobject(sqlca);
  rows = g.retrieve(args);
  if (rows < 0) return "retrieve failed: " + sqlca.sqlerrtext;
  return {};
}

}  // namespace sparestock::app
