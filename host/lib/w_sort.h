#pragma once
// w_sort: the sort form of the host's ue_sort. Opened with a SortRequest (or just a grid), it
// lets the user list sort keys, each a column chosen by its heading (ddlb_1) and a direction
// (rb_1 升序 ascending, rb_2 降序 descending), added with cb_1 and cleared with cb_2; cb_3
// answers the sort list ("dbj030_ckh A, dbj030_ccph D") in message.stringparm, cb_4 cancels
// (""). The grid's current sort is the starting list. Columns of the request's table come
// first in the list.

#include <string>
#include <vector>

#include "host/grid/grid.h"
#include "host/lib/w_cx.h"
#include "host/ui/controls.h"
#include "host/ui/session.h"
#include "host/ui/window.h"

namespace sparestock::lib {

inline constexpr const char* kSortFormClass = "w_sort";

struct SortRequest {
  grid::Grid* grid = nullptr;
  std::string tablename;  // is_tablename of the form; may be empty
};

// The sort command on a list grid: w_sort on `list`, then its answer as the grid's sort; the
// current row is highlighted alone. Cancelling changes nothing. 1, or -1 when cancelled.
int sort_with_dialog(ui::Window& window, ui::GridControl& list, const std::string& tablename);

class w_sort : public ui::Window {
 public:
  explicit w_sort(ui::Session& session);

  void open() override;
  // Adds the key in the fields; "" or the reason it was refused (also shown).
  std::string add_key();
  const std::string& sort_list() const { return sort_list_; }

  ui::StaticText st_1{*this, "st_1", "列名"};
  ui::DropDownListBox ddlb_1{*this, "ddlb_1", {}};
  ui::GroupBox gb_1{*this, "gb_1", "顺序"};
  ui::RadioButton rb_1{*this, "rb_1", "升序", true};
  ui::RadioButton rb_2{*this, "rb_2", "降序"};
  ui::CommandButton cb_1{*this, "cb_1", "加入(&A)"};
  ui::CommandButton cb_2{*this, "cb_2", "清除(&R)"};
  ui::StaticText st_2{*this, "st_2", ""};  // the keys so far, by heading
  ui::CommandButton cb_3{*this, "cb_3", "确定(&O)"};
  ui::CommandButton cb_4{*this, "cb_4", "取消(&C)"};

 private:
  void show_keys();

  std::vector<ColumnChoice> choices_;
  std::vector<std::pair<const grid::ColumnDef*, bool>> keys_;  // column, descending
  std::string sort_list_;
};

}  // namespace sparestock::lib
