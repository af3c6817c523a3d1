#include "stock_alarm/w_bj703_001.h"

#include "common/code_check.h"
#include "common/pick_button.h"
#include "host/base/text.h"
#include "host/grid/expression.h"
#include "host/lib/global_functions.h"
#include "host/lib/help.h"
#include "host/lib/w_main.h"

namespace sparestock::stock_alarm {

namespace {
constexpr const char* kTitle = "查询库存超低储报警";
constexpr const char* kNoRowsMessage = "无满足条件的记录!";
constexpr int kHelpTopic = 204;
// Asking for a row far past any list's end scrolls to its last row.
constexpr long kLastRow = 99999999;
}  // namespace

w_bj703_001::w_bj703_001(ui::Session& session) : w_large(session, "w_bj703_001") {
  title = kTitle;
  width = 4800;
  height = 2640;
  dw_1.grid.set_dataobject("d_bj703_002");

  gb_1.place(20, 10, 4740, 250);
  rb_1.place(60, 60, 460, 64);
  rb_2.place(60, 130, 460, 64);
  rb_3.place(60, 200, 460, 64);
  cb_4.place(560, 40, 400, 100);
  cb_5.place(975, 40, 400, 100);
  cb_6.place(1390, 40, 400, 100);
  st_1.place(560, 170, 560, 72);
  sle_1.place(1130, 160, 500, 92);
  ddlb_1.place(1130, 160, 500, 300);
  pb_1.place(1640, 156, 101, 100);
  pb_1.picture = "locate.bmp";
  dw_1.place(20, 290, 4740, 2250);

  // Until a search button chooses, there is no pick list to open and no flag to choose.
  pb_1.visible = false;
  ddlb_1.visible = false;
}

w_bj703_001::~w_bj703_001() {
  // The print command must not reach the grid of a window that is gone.
  grid::Grid*& printing = session().globals().gd_print;
  if (printing == &dw_1.grid) printing = nullptr;
}

// ---- window events -------------------------------------------------------------------------

void w_bj703_001::open() {
  ui::Session& s = session();
  w_large::open();

  // The list of kind 1; its grid keeps the standing filter of its definition.
  dw_1.grid.settransobject(s.sqlca);
  retrieve(1);
  rb_1.checked = true;

  lib::w_main(s).title(s.globals().gs_title + s.globals().gs_dq + kTitle);
  sle_1.setfocus();
  dw_1.grid.modify("grid.readonly=yes");

  // The host's print command prints this list.
  ui::Globals& g = s.globals();
  g.gi_dwtype = 1;
  g.gs_syntax.clear();
  g.gd_print = &dw_1.grid;
}

void w_bj703_001::close() {
  w_large::close();
  lib::w_main(session()).title(session().globals().gs_title);
}

void w_bj703_001::ue_help() { lib::f_open_help(session(), kHelpTopic); }

void w_bj703_001::ue_first() { dw_1.grid.scrolltorow(1); }

void w_bj703_001::ue_last() { lib::scrollpriorrow(dw_1.grid); }

void w_bj703_001::ue_next() { lib::scrollnextrow(dw_1.grid); }

void w_bj703_001::ue_end() { dw_1.grid.scrolltorow(kLastRow); }

// ---- alarm kinds ---------------------------------------------------------------------------

void w_bj703_001::retrieve(int kind) {
  ui::Session& s = session();
  if (dw_1.grid.retrieve({db::Value(s.globals().gs_yhssgsh), db::Value(static_cast<double>(kind))}) < 0) {
    std::string reason = s.sqlca.sqlerrtext;
    s.sqlca.rollback();
    s.messagebox(s.globals().gs_tsxx, "读取报警列表失败：" + reason, ui::Icon::StopSign);
    return;
  }
  s.sqlca.commit();
}

// The search kind, the search text and the common-part choice stay as they are.
void w_bj703_001::rb_1_clicked() { retrieve(1); }

void w_bj703_001::rb_2_clicked() { retrieve(2); }

void w_bj703_001::rb_3_clicked() { retrieve(3); }

// ---- search kinds --------------------------------------------------------------------------

void w_bj703_001::choose_search(int kind, const char* caption, bool by_code) {
  xlh = kind;
  st_1.text = caption;
  pb_1.visible = by_code;
  sle_1.visible = by_code;
  ddlb_1.visible = !by_code;
  sle_1.setfocus();
}

void w_bj703_001::cb_4_clicked() {
  choose_search(1, "按车型号查询", true);
  sle_1.limit = 3;
}

// The field keeps the limit a vehicle-model search may have set.
void w_bj703_001::cb_5_clicked() { choose_search(2, "按分类号查询", true); }

void w_bj703_001::cb_6_clicked() { choose_search(3, "按常用件查询", false); }

// ---- searches ------------------------------------------------------------------------------

void w_bj703_001::sle_1_ue_enter(ui::Key key) {
  if (key == ui::Key::F9) pb_1_clicked();
  if (key != ui::Key::Enter) return;

  // Nothing typed: every retrieved row, without a message.
  std::string code = std::string(text::trim(sle_1.text));
  if (code.empty()) {
    set_filter("");
    return;
  }

  // A code that is not usable is told and changes nothing; before a search button is chosen a
  // code changes no filter.
  ui::Session& s = session();
  switch (xlh) {
    case 1:
      if (!common::check_code(s, common::CodeKind::VehicleModel, code)) return;
      set_filter("ccxh = " + grid::quote_literal(code));
      break;
    case 2:
      if (!common::check_code(s, common::CodeKind::Category, code)) return;
      set_filter("cflh = " + grid::quote_literal(code));
      break;
    default: break;
  }
  tell_when_empty();
}

void w_bj703_001::pb_1_clicked() {
  const std::string& company = session().globals().gs_yhssgsh;
  switch (xlh) {
    case 1:
      if (common::pick_button(sle_1, common::vehicle_model_list(company, true))) st_1.text = "按车型号查询";
      break;
    case 2:
      if (common::pick_button(sle_1, common::category_list(company, true))) st_1.text = "按分类号查询";
      break;
    default: break;
  }
}

void w_bj703_001::ddlb_1_selectionchanged(int /*index*/) {
  set_filter(ddlb_1.text == "常用" ? "lcyjbs = 1" : "lcyjbs = 0");
  tell_when_empty();
}

// The filter moves the current row without a row-focus event, so the highlight follows here.
void w_bj703_001::set_filter(const std::string& filter) {
  dw_1.grid.setfilter(filter);
  dw_1.grid.filter();
  highlight_current_row();
}

void w_bj703_001::tell_when_empty() {
  if (dw_1.grid.rowcount() > 0) return;
  ui::Session& s = session();
  s.messagebox(s.globals().gs_tsxx, kNoRowsMessage, ui::Icon::Information);
}

// ---- the list ------------------------------------------------------------------------------

void w_bj703_001::highlight_current_row() { lib::f_select_current_row(dw_1); }

void w_bj703_001::dw_1_rowfocuschanged(long /*currentrow*/) { highlight_current_row(); }

void w_bj703_001::dw_1_itemfocuschanged(long /*row*/, const std::string& /*column*/) {
  highlight_current_row();
}

}  // namespace sparestock::stock_alarm
