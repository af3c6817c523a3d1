#include "common/row_count_status.h"

#include "host/ui/session.h"
#include "host/ui/window.h"

namespace sparestock::common {

std::string row_count_text(long row, long rowcount) {
  return "行数" + std::to_string(row) + "/" + std::to_string(rowcount);
}

namespace {
ui::Session& session_of(ui::GridControl& grid) { return grid.parent().session(); }
}  // namespace

void status_on_rowfocuschanged(ui::GridControl& grid, long currentrow) {
  session_of(grid).setmicrohelp(row_count_text(currentrow, grid.grid.rowcount()));
}

void status_on_clicked(ui::GridControl& grid, long row) {
  long rowcount = grid.grid.rowcount();
  if (rowcount == 0) {
    session_of(grid).setmicrohelp(kEmptyGridStatus);
    return;
  }
  std::string band = grid.getbandatpointer();
  band = band.substr(0, band.find('\t'));
  // A group header is a heading too: it names no row.
  if (band == "header" || band.rfind("header.", 0) == 0 || band == "summary") return;
  session_of(grid).setmicrohelp(row_count_text(row, rowcount));
}

void attach_row_count_status(ui::GridControl& grid) {
  auto own_focus = grid.rowfocuschanged;
  grid.rowfocuschanged = [&grid, own_focus](long row) {
    long rc = own_focus ? own_focus(row) : 0;
    status_on_rowfocuschanged(grid, row);
    return rc;
  };
  auto own_click = grid.clicked;
  grid.clicked = [&grid, own_click](long row) {
    long rc = own_click ? own_click(row) : 0;
    status_on_clicked(grid, row);
    return rc;
  };
}

}  // namespace sparestock::common
