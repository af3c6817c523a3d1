#pragma once
// w_bj703_001: the stock alarm list. It shows the parts of the user's company that are above
// their upper reserve limit (alarm kind 1), below their lower reserve limit (kind 2) or that
// have not been issued for long (kind 3), as the procedure sp_kcbj behind d_bj703_002 computes
// them. The radio buttons choose the kind and retrieve again; the search buttons choose what
// the list is narrowed by (vehicle model, category, common-part flag), and Enter in sle_1 or a
// choice in ddlb_1 narrows it in memory. The form only reads: each retrieval is followed by a
// commit that ends its read transaction.
//
// The filter: at open the grid holds d_bj703_002's standing filter (parts with a reserve limit
// set). Every search replaces it, so that after a search parts without limits show too; the
// filter in force stays through a retrieval for another kind, which applies it to the new rows.
//
// Derives from the host's list form w_large (menu m_e4, whose navigation commands raise
// ue_first, ue_last, ue_next and ue_end).

#include <string>

#include "host/lib/w_large.h"
#include "host/ui/controls.h"
#include "host/ui/grid_control.h"
#include "host/ui/session.h"

namespace sparestock::stock_alarm {

class w_bj703_001 : public lib::w_large {
 public:
  explicit w_bj703_001(ui::Session& session);
  ~w_bj703_001() override;

  // ---- controls, in the order of the window's control list ----
  ui::RadioButton rb_1{*this, "rb_1", "超高储备报警"};
  ui::RadioButton rb_2{*this, "rb_2", "超低储备报警"};
  ui::RadioButton rb_3{*this, "rb_3", "呆滞备件报警"};
  ui::GridControl dw_1{*this, "dw_1"};
  ui::CommandButton cb_4{*this, "cb_4", "按车型号(&1)"};
  ui::CommandButton cb_5{*this, "cb_5", "按分类号(&2)"};
  ui::CommandButton cb_6{*this, "cb_6", "按常用件(&3)"};
  ui::SingleLineEdit sle_1{*this, "sle_1"};
  ui::StaticText st_1{*this, "st_1", "请选择查询类别"};
  ui::CommandButton pb_1{*this, "pb_1", "", ui::ControlKind::PictureButton};
  ui::DropDownListBox ddlb_1{*this, "ddlb_1", {"常用", "非常用"}};
  ui::GroupBox gb_1{*this, "gb_1", ""};

  // ---- instance variables ----
  // The search kind: 0 before any search button, 1 vehicle model, 2 category, 3 common part.
  int xlh = 0;

  // ---- window events ----
  void open() override;
  void close() override;
  void ue_help() override;
  void ue_first() override;
  void ue_last() override;  // the previous row
  void ue_next() override;
  void ue_end() override;  // the last row

  // ---- control events ----
  void rb_1_clicked();
  void rb_2_clicked();
  void rb_3_clicked();
  void cb_4_clicked();
  void cb_5_clicked();
  void cb_6_clicked();
  // Key-down in the search field: F9 opens the pick list of the search kind, Enter searches.
  void sle_1_ue_enter(ui::Key key);
  void pb_1_clicked();
  void ddlb_1_selectionchanged(int index);
  void dw_1_rowfocuschanged(long currentrow);
  void dw_1_itemfocuschanged(long row, const std::string& column);

 private:
  // The list of alarm kind `kind` for the company, then a commit to end the read. A failed
  // retrieval is rolled back and told, so that an empty list never stands for "no alarm" when
  // the database could not answer.
  void retrieve(int kind);
  // The search buttons' shared steps: the kind, the caption, and which entry control is shown.
  void choose_search(int kind, const char* caption, bool by_code);
  // Sets `filter` on the list (replacing the one in force, "" for none) and applies it.
  void set_filter(const std::string& filter);
  // "无满足条件的记录!" when the list shows no row.
  void tell_when_empty();
  // Scrolls to the current row and highlights it alone.
  void highlight_current_row();
};

}  // namespace sparestock::stock_alarm
