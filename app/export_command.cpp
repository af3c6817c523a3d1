// `sparestock export`: what a grid shows (after its filter and sort) saved as CSV or XLSX, as
// the save-as command of a window saves it.

#include <fmt/format.h>

#include <iostream>
#include <memory>
#include <string>

#include "app/commands.h"
#include "app/grid_options.h"
#include "host/base/encoding.h"
#include "host/grid/export.h"

namespace sparestock::app {

namespace {

struct ExportArguments : GridOptions {
  std::string format;
  std::string encoding = "utf-8";
  std::string out;
};

int fail(const std::string& message) {
  std::cerr << "sparestock export: " << message << "\n";
  return 1;
}

int run_export(const ExportArguments& o) {
  grid::ExportOptions options;
  auto format = grid::export_format_of(o.format);
  if (!format) return fail("--format takes csv or xlsx, not \"" + o.format + "\"");
  options.format = *format;
  auto encoding = text::parse_encoding(o.encoding);
  if (!encoding) return fail("--encoding takes utf-8 or gbk, not \"" + o.encoding + "\"");
  if (*encoding != text::Encoding::Utf8 && options.format != grid::ExportFormat::Csv)
    return fail("--encoding applies to csv only (an xlsx file is always Unicode)");
  options.encoding = *encoding;

  std::unique_ptr<grid::Grid> g;
  std::vector<db::Value> args;
  if (std::string failed = prepare_grid(o, g, args); !failed.empty()) return fail(failed);
  db::Transaction sqlca;
  long rows = 0;
  if (std::string failed = retrieve_grid(o, *g, args, sqlca, rows); !failed.empty()) return fail(failed);
  try {
    rows = grid::export_grid(*g, o.out, options);
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  sqlca.disconnect();
  std::cout << fmt::format("exported {} rows of {} to {}\n", rows, g->definition().name, o.out);
  return 0;
}

}  // namespace

void add_export_command(CLI::App& app, int& exit_code) {
  auto o = std::make_shared<ExportArguments>();
  CLI::App* cmd = app.add_subcommand("export", "Save what a grid shows as a CSV or XLSX file");
  auto [f, s] = add_grid_options(cmd, *o);
  cmd->add_option("--format", o->format, "csv or xlsx")->required();
  cmd->add_option("--encoding", o->encoding, "csv only: utf-8 (with a byte-order mark, default) or gbk");
  cmd->add_option("--out", o->out, "file to write (replaced)")->required();
  cmd->callback([o, f, s, &exit_code] {
    o->has_filter = f->count() > 0;
    o->has_sort = s->count() > 0;
    exit_code = run_export(*o);
  });
}

}  // namespace sparestock::app
