#include "stock_enquiry/w_bj704_001.h"

#include "common/pick_button.h"
#include "common/row_count_status.h"
#include "host/base/text.h"
#include "host/db/clock.h"
#include "host/grid/expression.h"
#include "host/lib/global_functions.h"
#include "host/lib/help.h"
#include "host/lib/pick_list.h"
#include "host/lib/w_cx.h"
#include "host/lib/w_dw_print_options.h"
#include "host/lib/w_main.h"
#include "host/lib/w_sort.h"
#include "stock_enquiry/w_bj704_002.h"

namespace sparestock::stock_enquiry {

namespace {
constexpr const char* kMainGroupSort = "mid(dbj030_ccph,5,4) A";
// What each query mode searches, in the words of the filter in force.
constexpr const char* kModeWords[] = {"备件号", "备件名称", "拼音码", "常用件", "备件分类", "库号", "车型"};
}  // namespace

w_bj704_001::w_bj704_001(ui::Session& session) : w_bj704_001(session, "w_bj704_001") {}

w_bj704_001::w_bj704_001(ui::Session& session, std::string class_name)
    : w_spmm(session, std::move(class_name)) {
  build();
}

void w_bj704_001::build() {
  title = "库存查询";
  width = 3630;
  height = 2200;
  dw_edit.grid.set_dataobject("d_bj704_002");
  dw_display.grid.set_dataobject("d_bj704_001");

  int x = 20;
  for (ui::CommandButton* b : {&cb_1, &cb_2, &cb_3, &cb_4, &cb_5, &cb_6, &cb_7}) {
    b->place(x, 20, 420, 100);
    x += 435;
  }
  st_1.place(20, 160, 640, 72);
  sle_1.place(670, 148, 700, 92);
  ddlb_1.place(670, 148, 500, 400);
  ddlb_1.visible = false;
  pb_1.place(1380, 144, 101, 100);
  pb_1.picture = "locate.bmp";
  pb_1.visible = false;
  cb_10.place(0, 0, 0, 0);
  cb_10.visible = false;
  gb_2.place(1520, 124, 1060, 150);
  rb_1.place(1550, 180, 480, 64);
  rb_2.place(2060, 180, 480, 64);
  rb_1.group = rb_2.group = &gb_2;
  rb_3.place(2640, 140, 620, 64);
  rb_4.place(2640, 210, 620, 64);
  st_2.place(20, 290, 1600, 64);
  dw_edit.place(20, 370, 3570, 1280);
  gb_1.place(20, 1670, 3570, 330);
  dw_display.place(40, 1710, 3530, 270);
}

// ---- window events -------------------------------------------------------------------------

void w_bj704_001::open() {
  ui::Session& s = session();
  // Both grids on sqlca, and the frame's title.
  w_spmm::open();
  // Every stock row of the company: the only retrieve of dw_edit.
  dw_edit.grid.retrieve({db::Value(s.globals().gs_yhssgsh)});
  // Centred on the screen.
  cete();
  // The warehouse the form works on, received as the open parameter.
  std::string parm = s.windows().message.stringparm;
  sle_1.text = text::trim(text::upper(parm));
  ls_parm = sle_1.text;
  i_bs = ls_parm.empty() ? 0 : 1;
  // A warehouse received: searched at once in the warehouse mode.
  if (!sle_1.text.empty()) {
    xlh = 6;
    cb_6.enabled = false;
    st_1.text = "按库号查询";
    pb_1.visible = true;
    sle_1_ue_enter(ui::Key::Other);
  }
  // The list sorted by main group and made read-only.
  resort(kMainGroupSort);
  dw_edit.grid.modify("grid.readonly=yes");
  // Nothing chosen yet: the row handed back is empty.
  lstr_kcdata = s_bj704_001{};
  // Mode 1 current; the warehouse filter set above stays.
  sle_1.setfocus();
  cb_1_clicked();
}

void w_bj704_001::close() {
  w_spmm::close();
  cb_10_clicked();
}

void w_bj704_001::ue_query() {
  // The conditions replace the search's filter; a form opened for one warehouse keeps it.
  std::string standing;
  if (!ls_parm.empty()) standing = "dbj030_ckh = " + grid::quote_literal(ls_parm);
  if (lib::query_with_conditions(*this, dw_edit, standing, warehouse_words()) >= 0) follow_current_row();
}

void w_bj704_001::ue_sort() {
  is_tablename = "dbj002";
  if (lib::sort_with_dialog(*this, dw_edit, is_tablename) == 1) follow_current_row();
}

ui::GridControl& w_bj704_001::list_grid() { return dw_edit; }

void w_bj704_001::ue_help() { lib::f_open_help(session(), 201); }

// ---- mode buttons --------------------------------------------------------------------------

void w_bj704_001::enter_mode(int mode, const char* caption, int limit) {
  xlh = mode;
  sle_1.text.clear();
  st_1.text = caption;
  if (limit > 0) sle_1.limit = limit;
  sle_1.setfocus();
}

void w_bj704_001::cb_1_clicked() {
  ls_cph.clear();
  ddlb_1.visible = false;
  sle_1.visible = true;
  enter_mode(1, "按备件号查询", 20);
}

void w_bj704_001::cb_2_clicked() {
  ddlb_1.visible = false;
  sle_1.visible = true;
  enter_mode(2, "按备件名称查询", 30);
}

void w_bj704_001::cb_3_clicked() {
  pb_1.visible = false;
  ddlb_1.visible = false;
  sle_1.visible = true;
  enter_mode(3, "按拼音码查询", 12);
}

void w_bj704_001::cb_4_clicked() {
  pb_1.visible = false;
  sle_1.visible = false;
  ddlb_1.visible = true;
  enter_mode(4, "按常用件查询", 0);
}

void w_bj704_001::cb_5_clicked() {
  ddlb_1.visible = false;
  sle_1.visible = true;
  enter_mode(5, "按备件分类查询", 3);
}

void w_bj704_001::cb_6_clicked() {
  ddlb_1.visible = false;
  sle_1.visible = true;
  enter_mode(6, "按库号查询", 2);
}

void w_bj704_001::cb_7_clicked() {
  ddlb_1.visible = false;
  sle_1.visible = true;
  enter_mode(7, "按车型查询", 3);
}

// ---- search triggers -----------------------------------------------------------------------

std::string w_bj704_001::ask_part_number() {
  session().windows().open("w_bj704_002");
  return search_text(session().windows().message.stringparm);
}

void w_bj704_001::sle_1_ue_enter(ui::Key key) {
  // Escape closes the form.
  if (key == ui::Key::Escape) {
    session().windows().close(*this);
    return;
  }
  // F9 opens the pick list of the current mode; while the received warehouse is in force the
  // search follows at once, as for Enter.
  if (key == ui::Key::F9) pb_1_clicked();
  // The mode to restore after the search.
  i_gdz = xlh;
  // A search asked for with Enter; modes 2..7 first ask for a part number.
  if (i_bs == 0) {
    if (key != ui::Key::Enter) return;
    if (xlh >= 2 && xlh <= 7) ls_cph = ask_part_number();
    gg();
    lib::f_select_current_row(dw_edit);
    return;
  }
  // The warehouse received at open is still in force: search at once.
  gg();
  lib::f_select_current_row(dw_edit);
}

void w_bj704_001::ddlb_1_selectionchanged(int /*index*/) {
  i_gdz = xlh;
  ls_cph = ask_part_number();
  gg();
}

void w_bj704_001::pb_1_clicked() {
  const std::string& company = session().globals().gs_yhssgsh;
  switch (xlh) {
    case 1: common::pick_button(sle_1, common::parts_list(company, lib::f_cph_popcx)); break;
    case 5:
      if (common::pick_button(sle_1, common::category_list(company, false))) st_1.text = "按产品分类查询";
      break;
    case 6: common::pick_button(sle_1, common::warehouse_list(company, false)); break;
    case 7:
      if (common::pick_button(sle_1, common::vehicle_model_list(company, false))) st_1.text = "按车型查询";
      break;
    default: break;
  }
}

void w_bj704_001::gg() { search(Variant::A); }

void w_bj704_001::search(Variant variant) {
  ui::Session& s = session();
  SearchInputs in;
  in.xlh = xlh;
  in.text = sle_1.text;
  in.ls_cph = ls_cph;
  in.ls_parm = ls_parm;
  in.rb_4_checked = rb_4.checked;
  in.ddlb_1_text = ddlb_1.text;
  SearchOutcome out = build_search(variant, in, s.sqlca, s.globals().gs_yhssgsh);

  if (out.kind == SearchOutcome::Kind::Message) {
    s.messagebox(s.globals().gs_tsxx, out.message, ui::Icon::Information);
    return;
  }
  if (out.reset_i_bs) i_bs = 0;
  if (out.kind == SearchOutcome::Kind::SetFilter) {
    dw_edit.grid.setfilter(out.filter);
    dw_edit.grid.filter();
    condition = out.filter.empty() ? "" : out.step1 ? warehouse_words() : search_words();
    follow_current_row();
    if (out.step1) {
      dw_edit.setfocus();
      return;
    }
  }
  if (!out.restore_mode) return;
  xlh = i_gdz;
  if (dw_edit.grid.rowcount() == 0) {
    s.messagebox(s.globals().gs_tsxx, kNoRowsMessage, ui::Icon::Information);
    return;
  }
  dw_edit.setfocus();
}

std::string w_bj704_001::warehouse_words() const { return ls_parm.empty() ? "" : "库号：" + ls_parm; }

std::string w_bj704_001::search_words() const {
  std::vector<std::string> parts;
  std::string searched = xlh == 4 ? ddlb_1.text : std::string(text::trim(sle_1.text));
  if (xlh >= 1 && xlh <= 7 && !searched.empty())
    parts.push_back(std::string(kModeWords[xlh - 1]) + "：" + searched);
  if (xlh != 1 && !ls_cph.empty()) parts.push_back("备件号：" + ls_cph);
  if (!ls_parm.empty() && !(xlh == 6 && searched == ls_parm)) parts.push_back(warehouse_words());
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : "，") + p;
  return out;
}

// ---- the monthly figures -------------------------------------------------------------------

std::string w_bj704_001::display_year() const {
  int year = db::today().year();
  return std::to_string(rb_1.checked ? year - 1 : year);
}

void w_bj704_001::refresh_display() {
  long row = dw_edit.grid.getrow();
  if (row < 1) return;
  std::string part = text::trim(dw_edit.grid.getitemstring(row, 1).value_or(""));
  dw_display.grid.retrieve(
      {db::Value(session().globals().gs_yhssgsh), db::Value(part), db::Value(display_year())});
}

void w_bj704_001::follow_current_row() {
  long row = lib::f_select_current_row(dw_edit);
  if (row < 1) dw_display.grid.reset();
  refresh_display();
  common::status_on_rowfocuschanged(dw_edit, row);
}

void w_bj704_001::resort(const char* sort) {
  dw_edit.grid.setsort(sort);
  dw_edit.grid.sort();
  follow_current_row();
}

void w_bj704_001::rb_1_clicked() { refresh_display(); }

void w_bj704_001::rb_2_clicked() { refresh_display(); }

void w_bj704_001::rb_3_clicked() { resort("CCPH A"); }

void w_bj704_001::rb_4_clicked() { resort(kMainGroupSort); }

// ---- the stock grid ------------------------------------------------------------------------

void w_bj704_001::dw_edit_rowfocuschanged(long currentrow) {
  refresh_display();
  highlight_current_row(currentrow);
}

void w_bj704_001::dw_edit_clicked(long row) {
  refresh_display();
  common::status_on_clicked(dw_edit, row);
}

void w_bj704_001::dw_edit_doubleclicked(long /*row*/) {
  long current = dw_edit.grid.getrow();
  if (current < 1) return;
  lstr_kcdata = stock_row(dw_edit.grid, current);
  session().windows().closewithreturn(*this, lstr_kcdata);
}

// Enter in the grid hands the current row back, as a double-click does.
void w_bj704_001::dw_edit_rownotmove() { dw_edit_doubleclicked(dw_edit.grid.getrow()); }

void w_bj704_001::cb_10_clicked() { session().windows().closewithreturn(*this, lstr_kcdata); }

int w_bj704_001::cete() { return lib::f_aotocenter(*this); }

// ---- for the descendants -------------------------------------------------------------------

void w_bj704_001::highlight_current_row(long currentrow) {
  if (currentrow > 0) {
    dw_edit.grid.scrolltorow(currentrow);
    dw_edit.grid.selectrow(0, false);
    dw_edit.grid.selectrow(currentrow, true);
  }
  common::status_on_rowfocuschanged(dw_edit, currentrow);
}

void w_bj704_001::set_print_globals(grid::Grid& g) {
  ui::Globals& gl = session().globals();
  gl.gd_print = &g;
  gl.gi_dwtype = 1;
  gl.gs_syntax.clear();
}

void w_bj704_001::print_through_dialog() {
  ui::Session& s = session();
  grid::Grid* g = s.globals().gd_print;
  s.windows().openwithparm(lib::kPrintOptionsClass, g);
  if (s.windows().message.doubleparm != 1) return;
  if (g->print() != 1) s.messagebox(s.globals().gs_tsxx, "打印失败!", ui::Icon::StopSign);
}

}  // namespace sparestock::stock_enquiry
