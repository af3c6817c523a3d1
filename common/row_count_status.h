#pragma once
// The row-count status line: "行数" + current row + "/" + row count on the frame's status bar,
// written by the main grids of the forms when their current row changes or they are clicked.
//
//   dw_edit.rowfocuschanged = [this](long row) { ...own work...; common::status_on_rowfocuschanged(dw_edit, row); return 0L; };
//   dw_edit.clicked = [this](long row) { ...own work...; common::status_on_clicked(dw_edit, row); return 0L; };

#include <string>

#include "host/ui/grid_control.h"

namespace sparestock::common {

// "行数3/120": numbers in plain decimal.
std::string row_count_text(long row, long rowcount);
// What an empty grid shows when clicked.
inline constexpr const char* kEmptyGridStatus = "行数 0 / 0";

// rowfocuschanged(currentrow): the status shows the new current row of the grid's rows.
void status_on_rowfocuschanged(ui::GridControl& grid, long currentrow);
// clicked(row): a grid without rows shows kEmptyGridStatus; otherwise a click in the header
// band (or a group header) or the summary band leaves the status as it is, and any other click
// shows `row` of the row count.
void status_on_clicked(ui::GridControl& grid, long row);

// Wraps the grid's rowfocuschanged and clicked handlers so that the status is written after
// the handler's own work (handlers set later replace this; call it last).
void attach_row_count_status(ui::GridControl& grid);

}  // namespace sparestock::common
