#pragma once
// w_bj701_001_001: clearing empty locations (清除空库位), opened from the stock adjustment form.
// dw_1 (d_bj701_003) lists the company's stock records whose quantities are all zero and that
// no stock document mentions; the user narrows the list, selects rows (a click toggles a row,
// 全选 / 取消全选 all of them) and clears them.
//
// Clearing the selected rows is one unit of work: for each, the listed part's record at that
// location is deleted, but only while all nine of its quantities are still zero, and the
// location is marked free when no stock record is left on it. A failure on any row rolls back
// every row before it and is told; after a clearing the list is retrieved again without filter
// or selection.
//
// The filter fields are visited in the order warehouse, zone, location, part: Enter checks the
// code typed and moves on to the next field, then to the query button; F9 opens the field's
// pick list.

#include <string>

#include "host/ui/controls.h"
#include "host/ui/grid_control.h"
#include "host/ui/session.h"
#include "host/ui/window.h"

namespace sparestock::stock_adjustment {

class w_bj701_001_001 : public ui::Window {
 public:
  explicit w_bj701_001_001(ui::Session& session);

  // ---- controls, in the order of the window's control list ----
  ui::StaticText st_1{*this, "st_1", "库号"};
  ui::SingleLineEdit sle_1{*this, "sle_1", 2, /*uppercase=*/true};
  ui::CommandButton pb_1{*this, "pb_1", "", ui::ControlKind::PictureButton};
  ui::StaticText st_3{*this, "st_3", "库区"};
  ui::SingleLineEdit sle_3{*this, "sle_3", 2, /*uppercase=*/true};
  ui::CommandButton pb_3{*this, "pb_3", "", ui::ControlKind::PictureButton};
  ui::StaticText st_4{*this, "st_4", "库位"};
  ui::SingleLineEdit sle_4{*this, "sle_4", 10, /*uppercase=*/true};
  ui::CommandButton pb_4{*this, "pb_4", "", ui::ControlKind::PictureButton};
  ui::StaticText st_2{*this, "st_2", "备件号"};
  ui::SingleLineEdit sle_2{*this, "sle_2", 20, /*uppercase=*/true};
  ui::CommandButton pb_2{*this, "pb_2", "", ui::ControlKind::PictureButton};
  ui::CommandButton cb_5{*this, "cb_5", "查询"};
  ui::CommandButton cb_2{*this, "cb_2", "全选"};
  ui::CommandButton cb_3{*this, "cb_3", "取消全选"};
  ui::CommandButton cb_1{*this, "cb_1", "清除所选空库位"};
  ui::CommandButton cb_4{*this, "cb_4", "返回"};
  ui::GridControl dw_1{*this, "dw_1"};
  ui::GroupBox gb_1{*this, "gb_1", ""};

  // ---- events ----
  void open() override;
  void cb_5_clicked();
  void cb_2_clicked();
  void cb_3_clicked();
  void cb_4_clicked();
  void cb_1_clicked();
  long dw_1_clicked(long row);
  // Key-down in the filter fields: F9 opens the pick list; Enter checks the code and moves on.
  void sle_1_ue_enter(ui::Key key);
  void sle_3_ue_press(ui::Key key);
  void sle_4_ue_press(ui::Key key);
  void sle_2_ue_enter(ui::Key key);
  void pb_1_clicked();
  void pb_3_clicked();
  void pb_4_clicked();
  void pb_2_clicked();

 private:
  // The clearing of the selected rows, not yet committed; "" when done, else the message.
  std::string clear_selected();
  const std::string& company();
};

}  // namespace sparestock::stock_adjustment
