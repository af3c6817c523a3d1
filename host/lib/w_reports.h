#pragma once
// w_reports: the host window 报表 for the stocktaking reports, which no form of the module
// places. The user chooses a report (rb_1 盘点清单 r_bj600_001, rb_2 盘点表 r_bj600_002 without
// the book quantity, rb_3 备件盘盈(亏)表 r_bj606_001), types the stocktaking date into sle_1
// ("yyyy/mm/dd"; today when opened) and, optionally, the counter's name into sle_2; the company
// is the session's. 预览 (cb_1) retrieves the report into the hidden grid dw_1 for that company
// and day and shows its first page as a picture (p_1) with the row and page count (st_4);
// 打印 (cb_2) retrieves likewise and prints through the print dialog; 退出 (cb_3) closes.
//
// The report's texts: t_2 (公司) is the session's company number, t_1 (清点人) the name typed
// into sle_2, blank when none (the counter signs the sheet).

#include "host/ui/controls.h"
#include "host/ui/grid_control.h"
#include "host/ui/session.h"
#include "host/ui/window.h"

namespace sparestock::lib {

inline constexpr const char* kReportsClass = "w_reports";

class w_reports : public ui::Window {
 public:
  explicit w_reports(ui::Session& session);

  void open() override;

  ui::GroupBox gb_1{*this, "gb_1", "报表"};
  ui::RadioButton rb_1{*this, "rb_1", "盘点清单", true};
  ui::RadioButton rb_2{*this, "rb_2", "盘点表(不打印库存数量)"};
  ui::RadioButton rb_3{*this, "rb_3", "备件盘盈(亏)表"};
  ui::StaticText st_1{*this, "st_1", "盘点日期："};
  ui::SingleLineEdit sle_1{*this, "sle_1", 10};
  ui::StaticText st_2{*this, "st_2", "清点人："};
  ui::SingleLineEdit sle_2{*this, "sle_2", 8};
  ui::CommandButton cb_1{*this, "cb_1", "预览(&V)"};
  ui::CommandButton cb_2{*this, "cb_2", "打印(&P)"};
  ui::CommandButton cb_3{*this, "cb_3", "退出(&X)"};
  ui::StaticText st_4{*this, "st_4", ""};
  ui::Picture p_1{*this, "p_1"};
  ui::GridControl dw_1{*this, "dw_1"};

 private:
  // Retrieves the chosen report for the company and the typed date into dw_1. False (the user
  // told) for a bad date, a failed retrieval or no row.
  bool retrieve();
  void preview();
  void print();
};

}  // namespace sparestock::lib
