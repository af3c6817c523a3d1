// `sparestock print`: retrieves, filters and sorts a grid as `sparestock grid` does and prints its
// layout with the rows shown into a PDF file.

#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/grid_options.h"
#include "host/db/transaction.h"
#include "host/grid/grid.h"
#include "host/lib/pdf_print.h"

namespace sparestock::app {

namespace {

struct PrintOptions {
  std::string out;
  int copies = 1;
  std::string pages;
  std::vector<std::string> texts;
  std::string label_sheet;
};

int fail(const std::string& message) {
  std::cerr << "sparestock print: " << message << "\n";
  return 1;
}

int run_print(const GridOptions& o, const PrintOptions& p) {
  lib::PdfOptions options;
  try {
    if (!p.label_sheet.empty()) options.labels = lib::LabelSheet::parse(p.label_sheet);
  } catch (const std::invalid_argument& e) {
    return fail(e.what());
  }
  if (p.copies < 1 || p.copies > 99) return fail("--copies takes 1 to 99");
  if (!grid::parse_page_range(p.pages, 1)) return fail("bad page range '" + p.pages + "'");

  std::unique_ptr<grid::Grid> owned;
  std::vector<db::Value> args;
  if (std::string failed = prepare_grid(o, owned, args); !failed.empty()) return fail(failed);
  grid::Grid& g = *owned;
  for (const auto& t : p.texts) {
    size_t eq = t.find('=');
    if (eq == std::string::npos || eq == 0) return fail("--text takes NAME=TEXT, not '" + t + "'");
    g.print_settings().set_text(t.substr(0, eq), t.substr(eq + 1));
  }
  g.print_settings().copies = p.copies;
  g.print_settings().page_range = p.pages;

  db::Transaction sqlca;
  long rows = 0;
  if (std::string failed = retrieve_grid(o, g, args, sqlca, rows); !failed.empty()) return fail(failed);
  try {
    int pages = lib::print_pdf(g, g.print_settings(), p.out, options);
    std::cout << "printed " << g.rowcount() << " rows on " << pages << " pages to " << p.out << "\n";
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  sqlca.disconnect();
  return 0;
}

}  // namespace

void add_print_command(CLI::App& app, int& exit_code) {
  auto o = std::make_shared<GridOptions>();
  auto p = std::make_shared<PrintOptions>();
  CLI::App* cmd = app.add_subcommand("print",
                                     "Retrieve a grid, filter and sort it, print its layout to a PDF file");
  auto [f, s] = add_grid_options(cmd, *o);
  cmd->add_option("--out", p->out, "the PDF file to write")->required();
  cmd->add_option("--copies", p->copies, "number of copies (1 to 99)");
  cmd->add_option("--pages", p->pages, "page range, e.g. 1-3,5 (default: every page)");
  cmd->add_option("--text", p->texts, "text of the layout NAME=TEXT, e.g. t_1=张三 (repeatable)");
  cmd->add_option("--label-sheet", p->label_sheet,
                  "label sheet in mm, e.g. label_width=70,label_height=37,columns=3,rows=8");
  cmd->callback([o, p, f, s, &exit_code] {
    o->has_filter = f->count() > 0;
    o->has_sort = s->count() > 0;
    exit_code = run_print(*o, *p);
  });
}

}  // namespace sparestock::app
