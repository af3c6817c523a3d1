#pragma once
// The PDF print service: renders a grid's layout with its rows as they stand into a PDF file,
// through cairo (PDF surface) and pango (text shaping; the CJK font is embedded as a subset, so
// any viewer shows it). The same page layout renders to a PNG picture for previews.
//
// A list layout prints on each page the title, the page header, the column headings, then the
// rows (group headers, detail rows, group trailers), the summary band after the last row and
// the page text ("第 1 页") at the foot. A page break never splits a line. Grouped layouts print
// in group order: rows sorted by the group columns first, keeping the shown order inside each
// group, so that each group's trailer sums the whole group once.
//
// A layout with rows across (labels, `GridDefinition::across` > 1) prints one label per row on
// a sheet of labels (LabelSheet), each with the definition's label items and the part number as
// a Code 128 barcode.

#include <string>
#include <string_view>
#include <vector>

#include "host/grid/grid.h"
#include "host/grid/print.h"
#include "host/ui/session.h"

namespace sparestock::lib {

// A sheet of labels, in millimetres. The default is A4 with two columns of five labels of
// 95 x 54 mm.
struct LabelSheet {
  double page_width = 210, page_height = 297;
  double margin_left = 10, margin_top = 13.5;
  double label_width = 95, label_height = 54;
  double gap_x = 0, gap_y = 0;
  int columns = 2, rows = 5;
  // The defaults changed by "key=value,..." (keys as the members above: "label_width=70,
  // columns=3"). Throws std::invalid_argument for an unknown key, a value that is not a
  // number, or a sheet whose labels do not fit on the page.
  static LabelSheet parse(std::string_view settings);
};

struct PdfOptions {
  LabelSheet labels;
  std::string font = "WenQuanYi Micro Hei";
};

// Renders `grid` (its shown rows) with `settings` (copies, page range, texts) into a PDF at
// `path`. Returns the number of pages of one copy of the layout. Throws std::runtime_error
// when the file cannot be written or the page range selects no page.
int print_pdf(const grid::Grid& grid, const grid::PrintSettings& settings, const std::string& path,
              const PdfOptions& options = {});

// The page `page` (1-based) of the layout as a PNG picture at `dpi`. Throws
// std::runtime_error for a page that does not exist.
std::string render_page_png(const grid::Grid& grid, const grid::PrintSettings& settings, int page,
                            double dpi = 96, const PdfOptions& options = {});

// Number of pages of one copy of the layout.
int page_count(const grid::Grid& grid, const grid::PrintSettings& settings, const PdfOptions& options = {});

// Makes the session's print service write each job as a PDF into `directory` (created when
// missing): "<n>-<dataobject>.pdf", n counting the session's jobs from 1; the job's `file`
// names it. The label sheet comes from the environment variable SPARESTOCK_LABEL_SHEET
// (LabelSheet::parse) when set.
void install_pdf_printer(ui::Session& session, std::string directory);

}  // namespace sparestock::lib
