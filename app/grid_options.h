#pragma once
// What the commands that read a grid (`grid`, `export`) share: the options naming the database,
// the grid, its retrieval arguments, a filter and a sort, and their checking and retrieval.

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/db/transaction.h"
#include "host/db/value.h"
#include "host/grid/grid.h"

namespace sparestock::app {

struct GridOptions {
  std::string db;
  std::string grid;
  std::vector<std::string> args;
  std::string filter;
  std::string sort;
  std::string columns;
  bool has_filter = false;
  bool has_sort = false;
};

// Adds --db, --grid, --arg, --filter and --sort; answers the filter and sort options, whose
// count tells whether they were given (an empty filter removes the grid's own).
std::pair<CLI::Option*, CLI::Option*> add_grid_options(CLI::App* cmd, GridOptions& o);

// Makes the grid and checks the arguments by name (in the definition's order), the filter and
// the sort before anything is read. "" when all is well, else the reason.
std::string prepare_grid(const GridOptions& o, std::unique_ptr<grid::Grid>& g, std::vector<db::Value>& args);

// Connects and retrieves; `rows` the rows shown. "" when all is well, else the reason.
std::string retrieve_grid(const GridOptions& o, grid::Grid& g, const std::vector<db::Value>& args,
                          db::Transaction& sqlca, long& rows);

}  // namespace sparestock::app
