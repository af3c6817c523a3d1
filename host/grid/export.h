#pragma once
// Saving what a grid shows as a file: CSV for any program, XLSX for spreadsheets. The file holds
// the rows shown, in the order shown (filter and sort applied), the visible columns and the
// computed fields of the detail band under their headings, and after the rows the group
// trailers and the summary band where the definition has them.
//
// CSV holds the texts the grid shows (display formats and code tables applied), UTF-8 with a
// byte-order mark (so that spreadsheet programs read the Chinese headings) or GBK. XLSX keeps
// numbers as numbers under the display format turned into a number format, and date-times as
// dates; code-table columns and texts are text.

#include <optional>
#include <string>
#include <string_view>

#include "host/base/encoding.h"

namespace sparestock::grid {

class Grid;

enum class ExportFormat { Csv, Xlsx };

// "csv", "xlsx" in any case; nullopt for anything else.
std::optional<ExportFormat> export_format_of(std::string_view name);
std::string_view export_extension(ExportFormat f);  // ".csv", ".xlsx"

struct ExportOptions {
  ExportFormat format = ExportFormat::Csv;
  text::Encoding encoding = text::Encoding::Utf8;  // CSV only
  char delimiter = ',';                            // CSV only
};

// Writes the file at `path` (replacing it) and answers the number of grid rows written. The
// file is written beside `path` and renamed when complete. Throws std::runtime_error with the
// reason (a folder that cannot be written, a text GBK cannot hold).
long export_grid(const Grid& grid, const std::string& path, const ExportOptions& options);

// The display format of a grid column as a spreadsheet number format ("#,##0.00"), or "" for
// the spreadsheet's general format.
std::string spreadsheet_number_format(std::string_view display_format);

}  // namespace sparestock::grid
