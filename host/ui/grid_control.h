#pragma once
// The grid control `uo_dw`: a control of a window holding a grid (host/grid) and raising the
// window's grid events. The form sets the handlers; the front end acts through the protocol's
// `grid`, `edit` and `rows` requests.
//
// What a user action raises, in order (as the original runtime did):
//   click on a row:        clicked(row), then the row becomes current (rowfocuschanged)
//   click on a band:       clicked(0) with the pointer in that band; nothing else
//   double-click on a row: clicked, rowfocuschanged, doubleclicked(row)
//   arrow keys:            the current row moves one up or down (rowfocuschanged)
//   Enter:                 rownotmove (the row stays where it is)
//   typing into a cell:    the row and column become current, then accepttext (itemchanged)

#include <functional>
#include <string>

#include "host/grid/grid.h"
#include "host/ui/controls.h"

namespace sparestock::ui {

class GridControl : public Control {
 public:
  GridControl(Window& parent, std::string name);

  grid::Grid grid;

  // Event handlers; unset ones do nothing. A handler's return value is its event's result.
  std::function<long(long row)> clicked;
  std::function<long(long row)> doubleclicked;
  std::function<long(long currentrow)> rowfocuschanged;
  // Returning 1 rejects the value (it stays in the cell for correction).
  std::function<long(long row, const std::string& column, const std::string& data)> itemchanged;
  std::function<long(long row, const std::string& column)> itemfocuschanged;
  std::function<long(long row, const std::string& column, const std::string& data)> editchanged;
  std::function<long()> rownotmove;
  std::function<long(const grid::DbErrorEvent&)> dberror;

  // Where the pointer was at the last click: "header", "detail", "summary", "footer",
  // "trailer.1", "header.1".
  std::string pointer_band = "detail";
  long pointer_row = 0;
  // "detail\t5" for a row of the detail band, "header\t0" and so on.
  std::string getbandatpointer() const;

  // User actions (from the front end). Each answers "" or a reason for refusing it.
  std::string user_click(long row, const std::string& band, bool double_click);
  std::string user_key(const std::string& key);
  std::string user_setrow(long row);
  std::string user_edit(long row, const std::string& column, const std::string& value);

  nlohmann::json state() const override;
};

}  // namespace sparestock::ui
