#pragma once
// The save-as command of the host menus: the grid the print command would print (gd_print,
// the active window's list) saved as a file in the host's export folder, and reported to the
// front end (the session's `saved` reports: window, dataobject, rows, format, file), which
// hands it to the user (the browser downloads it).

#include <string>

#include "host/grid/export.h"
#include "host/grid/grid.h"
#include "host/ui/session.h"
#include "host/ui/window.h"

namespace sparestock::lib {

// Where saved files go: $SPARESTOCK_EXPORT_DIR, else "sparestock-exports" under the temporary
// folder (created when missing).
std::string export_folder();

// Saves `grid` as shown, for the command of `window`. 1 when saved; -1 when there is nothing to save (no grid:
// "没有可保存的数据!") or the file cannot be written ("保存失败!" with the reason); the user is
// told.
int save_grid_as(ui::Window& window, const grid::Grid* grid,
                 grid::ExportFormat format = grid::ExportFormat::Xlsx);

}  // namespace sparestock::lib
