#pragma once
// w_bj704_001: the stock enquiry form, and a stock picker. It shows every stock row of the
// user's company (d_bj704_002 in dw_edit, retrieved once at open), narrows them by one of seven
// query modes (the search gg), shows the twelve monthly figures of the current row's part for
// last year or this year (d_bj704_001 in dw_display), and hands a row back to the form that
// opened it: a double-click (or Enter in the grid) closes the window with the row as the
// structure s_bj704_001; any other close hands back the structure as it stands (empty strings
// and zeros when no row was chosen).
//
// Opened with a warehouse number (the string parameter, blanks and case ignored) it works on
// that warehouse: the number is searched in mode 6 at once, the warehouse mode is disabled and
// every later search keeps the warehouse.
//
// The descendants w_bj704_001_001 and w_bj704_001_003 (and the cost revision form) override the
// virtual handlers below: an override that extends a handler calls this class's first.

#include <string>

#include "host/lib/w_spmm.h"
#include "host/ui/controls.h"
#include "host/ui/grid_control.h"
#include "host/ui/session.h"
#include "stock_enquiry/filter_builder.h"
#include "stock_enquiry/s_bj704_001.h"

namespace sparestock::stock_enquiry {

class w_bj704_001 : public lib::w_spmm {
 public:
  explicit w_bj704_001(ui::Session& session);

  // ---- controls, in the order of the window's control list (dw_edit, dw_display and gb_1
  //      come from w_spmm) ----
  ui::CommandButton cb_1{*this, "cb_1", "按备件号(&1)"};
  ui::CommandButton cb_2{*this, "cb_2", "按备件名称(&2)"};
  ui::CommandButton cb_3{*this, "cb_3", "按拼音码(&5)"};
  ui::CommandButton cb_4{*this, "cb_4", "按常用件(&6)"};
  ui::CommandButton cb_5{*this, "cb_5", "按备件分类(&3)"};
  ui::CommandButton cb_6{*this, "cb_6", "按库号(&4)"};
  ui::CommandButton cb_7{*this, "cb_7", "按车型(&7)"};
  ui::SingleLineEdit sle_1{*this, "sle_1", 20, /*uppercase=*/true};
  ui::CommandButton cb_10{*this, "cb_10", ""};
  ui::StaticText st_1{*this, "st_1", "请选择查询类别"};
  ui::CommandButton pb_1{*this, "pb_1", "", ui::ControlKind::PictureButton};
  ui::StaticText st_2{*this, "st_2", "请双击数据窗口带回所需要的值"};
  ui::DropDownListBox ddlb_1{*this, "ddlb_1", {"常用", "不常用"}};
  ui::GroupBox gb_2{*this, "gb_2", ""};
  ui::RadioButton rb_1{*this, "rb_1", "上年同期比", true};
  ui::RadioButton rb_2{*this, "rb_2", "本年各期比"};
  ui::RadioButton rb_3{*this, "rb_3", "按备件号(第一位)"};
  ui::RadioButton rb_4{*this, "rb_4", "按备件号(主组号)", true};

  // ---- instance variables ----
  int xlh = 0;  // query mode 1..7
  int ii_id = 0, ii_backid = 0;
  s_bj704_001 lstr_kcdata;  // the row handed back
  std::string ls_parm;      // warehouse received at open; empty: all warehouses
  int i_bs = 0;             // 1 while the warehouse received at open is in force
  int i_gdz = 0;            // mode saved before a search, restored by gg
  std::string ls_cph;       // part number from the part-number popup

  // ---- window events ----
  void open() override;
  void close() override;
  void ue_query() override;
  void ue_sort() override;
  void ue_help() override;

  // ---- control events ----
  void cb_1_clicked();
  void cb_2_clicked();
  void cb_3_clicked();
  void cb_4_clicked();
  virtual void cb_5_clicked();
  void cb_6_clicked();
  void cb_7_clicked();
  // Key-down in the search field: Escape closes, F9 opens the current mode's pick list, Enter
  // searches (after the part-number popup in modes 2..7). Key::Other stands for the event
  // triggered without a key (as the open does).
  void sle_1_ue_enter(ui::Key key);
  void ddlb_1_selectionchanged(int index);
  void pb_1_clicked();
  void rb_1_clicked();
  void rb_2_clicked();
  virtual void rb_3_clicked();
  virtual void rb_4_clicked();
  virtual void dw_edit_rowfocuschanged(long currentrow);
  virtual void dw_edit_clicked(long row);
  virtual void dw_edit_doubleclicked(long row);
  virtual void dw_edit_rownotmove();
  void cb_10_clicked();

  // ---- window functions ----
  // Centres the window on the screen.
  int cete();
  // The search (variant A of the stock search).
  virtual void gg();

 protected:
  // For descendants: the class name they are registered under.
  w_bj704_001(ui::Session& session, std::string class_name);

  // The search with the expressions of `variant`: the existence check, the filter, the mode
  // restored and the empty-result message.
  void search(Variant variant);
  // The year dw_display shows, four digits: last year while rb_1 is checked, else this year.
  std::string display_year() const;
  // dw_display retrieved for the part of dw_edit's current row, when there is one.
  void refresh_display();
  // After a filter or a sort: the row that is now current is highlighted alone, and the
  // monthly figures and the status line follow it (neither moves it with a row-focus event);
  // no row empties the figures.
  void follow_current_row();
  // dw_edit sorted by `sort`, the current row followed.
  void resort(const char* sort);
  // Query, sort and the navigation commands act on the stock list.
  ui::GridControl& list_grid() override;
  // The words of the search just made (the window's condition): the mode and its text, the
  // popup's part number, the warehouse received at open.
  std::string search_words() const;
  // The words of the warehouse received at open ("" when none).
  std::string warehouse_words() const;
  // The mode buttons' shared steps: the mode, the caption, the field's limit (0: unchanged).
  void enter_mode(int mode, const char* caption, int limit);
  // The part number from the part-number popup, trimmed and upper-cased like the search text.
  std::string ask_part_number();
  // What the descendants' grid events add: the current row scrolled to and highlighted alone,
  // and the status line written again.
  void highlight_current_row(long currentrow);
  // The print service's globals for `g` (gd_print, gi_dwtype 1, empty gs_syntax).
  void set_print_globals(grid::Grid& g);
  // The print dialog on gd_print, then print() when the user answers 1; a print the service
  // refuses is told ("打印失败!").
  void print_through_dialog();

 private:
  void build();
};

}  // namespace sparestock::stock_enquiry
