#include "stock_adjustment/w_bj701_001.h"

#include "common/code_check.h"
#include "common/pick_button.h"
#include "common/row_count_status.h"
#include "host/base/text.h"
#include "host/grid/expression.h"
#include "host/grid/text.h"
#include "host/lib/global_functions.h"
#include "host/lib/help.h"
#include "host/lib/menus.h"
#include "host/lib/pick_list.h"
#include "host/lib/w_cx.h"
#include "host/lib/w_main.h"
#include "stock_adjustment/stock_restore.h"

namespace sparestock::stock_adjustment {

namespace {

bool is_blank(const std::optional<std::string>& v) { return !v || std::string(text::trim(*v)).empty(); }

// A warehouse, zone or location differs from the one retrieved; a null on either side counts
// as no difference.
bool differs(const std::optional<std::string>& now, const std::optional<std::string>& before) {
  return now && before && *now != *before;
}

db::Decimal quantity(const db::Value& v) { return v.as_decimal(2).value_or(db::Decimal(0, 2)); }

}  // namespace

w_bj701_001::w_bj701_001(ui::Session& session) : w_spmm(session, "w_bj701_001") {
  title = "库存特殊调整";
  width = 3420;
  height = 2040;
  menu = std::make_unique<lib::me_yshx>(*this);
  dw_edit.grid.set_dataobject("d_bj701_001");
  dw_display.grid.set_dataobject("d_bj701_002");

  gb_2.place(20, 8, 3370, 150);
  int x = place_filter_field(st_1, sle_1, pb_1, 50, 50, 130, 150);
  x = place_filter_field(st_2, sle_2, pb_2, x, 50, 200, 700);
  x = place_filter_field(st_3, sle_3, pb_3, x, 50, 130, 150);
  place_filter_field(st_4, sle_4, pb_4, x, 50, 130, 440);
  cb_1.place(20, 180, 440, 100);
  cb_2.place(480, 180, 600, 100);
  cb_3.place(1100, 180, 440, 100);
  gb_1.place(20, 300, 3370, 330);
  dw_edit.place(40, 340, 3330, 270);
  dw_display.place(20, 650, 3370, 1370);
}

const std::string& w_bj701_001::company() const { return session().globals().gs_yhssgsh; }

// ---- open ----------------------------------------------------------------------------------

void w_bj701_001::open() {
  ui::Session& s = session();
  ui::Globals& gl = s.globals();
  // Both grids on sqlca and the frame's title (gs_title + gs_dq + 库存特殊调整).
  w_spmm::open();
  f_aotocenter();

  is_retrievecolumnstring = "cgsh";
  ia_retrievecolumnvalue = {db::Value(gl.gs_yhssgsh)};
  ib_issynchrosave = false;
  is_primarykey = "cgsh , ckh , ccph";
  is_first_colname = "ckqh";
  is_last_colname = "nsdsl";

  lib::f_table_retrieve(is_retrievecolumnstring, ia_retrievecolumnvalue, dw_edit);
  if (dw_edit.grid.sharedata(dw_display.grid) != 1) s.messagebox(gl.gs_tsxx, "共享失败！");

  lib::Menu& m = *lib::menu_of(*this);
  if (dw_edit.grid.rowcount() == 0) {
    m.item("m_edit.m_change").enabled = false;
    ue_add();
  } else {
    dw_display.grid.modify("grid.readonly=yes");
    dw_display.setfocus();
    lib::f_primarykey_notchange(is_primarykey, false, dw_edit);
  }
  // The stock quantity follows the stock documents; this form only reads it.
  dw_edit.grid.modify("nkcsl.protect=1");

  m.item("m_2.m_1").enabled = false;
  m.item("m_4").enabled = false;
  sle_1.setfocus();
  gl.gd_print = &dw_display.grid;
  gl.gi_dwtype = 1;
  gl.gs_syntax.clear();
}

// ---- storing -------------------------------------------------------------------------------

void w_bj701_001::ue_getfocus() {
  ui::Session& s = session();
  grid::Grid& g = dw_edit.grid;
  db::Transaction& t = s.sqlca;

  // The text being typed becomes its item (through the edit checks); a refused text ends it.
  if (g.accepttext() != 1) return;

  // A new row is never stored by this form: it is dropped.
  long row = g.getrow();
  if (row > 0) {
    auto status = g.getitemstatus(row, 0);
    if (status && (*status == grid::ItemStatus::New || *status == grid::ItemStatus::NewModified)) {
      ue_cancel();
      return;
    }
  }

  // A required column left empty in any row, changed or not.
  long ll_row = 0;
  int li_colnbr = 0;
  std::string ls_colname;
  if (g.findrequired(grid::Buffer::Primary, ll_row, li_colnbr, ls_colname, false) < 1) return;
  if (ll_row > 0) {
    ib_haveempty = true;
    std::string ls_textname = g.describe(ls_colname + "_t.Text");
    s.messagebox("数据错误！", "请在第 " + std::to_string(ll_row) + " 行 " + ls_textname + " 列输入数据！",
                 ui::Icon::Information);
    dw_edit.setfocus();
    g.scrolltorow(ll_row);
    g.setcolumn(ls_colname);
    return;
  }
  ib_haveempty = false;
  if (row == 0) return;

  // Every record the update will write is checked, not only the one in view.
  std::vector<Record> records = records_to_store();
  for (Record& r : records) {
    if (!check_record(r)) {
      t.rollback();
      return;
    }
  }

  // The records and the location states are written in one unit of work. The grid keeps its
  // changes until the commit succeeded, so that a rolled-back store can be corrected and
  // stored again.
  if (g.update(true, false) != 1) {
    // The database's refusal has been told through dberror.
    t.rollback();
    ib_savesuccess = false;
    lib::f_select_current_row(dw_display);
    return;
  }
  if (std::string refused = follow_moves(records); !refused.empty()) {
    t.rollback();
    ib_savesuccess = false;
    s.messagebox(s.globals().gs_tsxx, refused);
    return;
  }
  if (t.commit() != 0) {
    t.rollback();
    ib_savesuccess = false;
    s.messagebox(s.globals().gs_tsxx, "表更新不正确!");
    return;
  }
  g.resetupdate();
  ib_savesuccess = true;
  ii_dberrorcode = 0;

  // A new record copied to the list (never the case here: ib_issynchrosave is false).
  if (ib_add && ib_issynchrosave) {
    for (int i = 1; i <= g.column_count(); ++i) {
      if (text::lower(g.describe("#" + std::to_string(i) + ".Name")) != "cgsh") continue;
      ib_synchrosavedone = true;
      mf_synchro_save(dw_edit);
      ib_synchrosavedone = false;
      break;
    }
  }
  mm(true);
  lib::menu_of(*this)->item("m_edit.m_change").enabled = true;
}

std::vector<w_bj701_001::Record> w_bj701_001::records_to_store() {
  grid::Grid& g = dw_edit.grid;
  auto changed = [&g](long row, grid::Buffer buffer) {
    auto status = g.getitemstatus(row, 0, buffer);
    return status && *status != grid::ItemStatus::NotModified;
  };
  std::vector<Record> out;
  long current = g.getrow();
  for (long r = 1; r <= g.rowcount(); ++r)
    if (r == current || changed(r, grid::Buffer::Primary)) out.push_back({grid::Buffer::Primary, r, {}, {}});
  for (long r = 1; r <= g.filteredcount(); ++r)
    if (changed(r, grid::Buffer::Filter)) out.push_back({grid::Buffer::Filter, r, {}, {}});
  return out;
}

bool w_bj701_001::check_record(Record& rec) {
  ui::Session& s = session();
  grid::Grid& g = dw_edit.grid;
  db::Transaction& t = s.sqlca;
  auto text = [&](const char* column, bool original) {
    return g.getitemstring(rec.row, column, rec.buffer, original);
  };
  std::optional<db::Decimal> li_sdsl = g.getitemdecimal(rec.row, "nsdsl", rec.buffer);
  std::optional<db::Decimal> li_sdsl_old = g.getitemdecimal(rec.row, "nsdsl", rec.buffer, true);
  std::optional<std::string> ls_kh = text("ckh", false), ls_kqh = text("ckqh", false),
                             ls_kwh = text("ckwh", false);
  std::optional<std::string> ls_kh_old = text("ckh", true), ls_kqh_old = text("ckqh", true),
                             ls_kwh_old = text("ckwh", true);
  std::string ls_cph = text("ccph", true).value_or("");

  if (li_sdsl && li_sdsl->sign() < 0) {
    refuse(rec, "nsdsl", "锁定数量小于0 !!");
    return false;
  }
  if (is_blank(ls_kh)) {
    refuse(rec, "ckh", "请输入库号！");
    return false;
  }
  if (is_blank(ls_kwh)) {
    refuse(rec, "ckwh", "请输入库位号！");
    return false;
  }
  if (is_blank(ls_kqh)) {
    refuse(rec, "ckqh", "请输入库区号！");
    return false;
  }

  // The location must exist; it need not be free or enabled.
  auto counted = t.select_row(
      "select count(*) from dbj005 where cgsh = :gsh and ckh = :kh and ckqh = :kqh and ckwh = :kwh",
      {{"gsh", db::Value(company())},
       {"kh", db::Value(*ls_kh)},
       {"kqh", db::Value(*ls_kqh)},
       {"kwh", db::Value(*ls_kwh)}});
  if (t.sqlcode < 0) {
    database_failed(t.sqlerrtext);
    return false;
  }
  long li_sl = counted && !counted->empty() ? (*counted)[0].as_integer().value_or(0) : 0;
  if (li_sl == 0) {
    refuse(rec, "", "此公司，此仓库，此库区，此库位不存在!");
    return false;
  }

  if (differs(ls_kh, ls_kh_old) || differs(ls_kqh, ls_kqh_old) || differs(ls_kwh, ls_kwh_old)) {
    rec.moved_from = Place{ls_kh_old.value_or(""), ls_kqh_old.value_or(""), ls_kwh_old.value_or("")};
    rec.moved_to = Place{*ls_kh, *ls_kqh, *ls_kwh};
  }

  // A changed locked quantity may take up to what the stored record can spare; an unchanged
  // one is not checked again.
  bool lock_changed = li_sdsl && (!li_sdsl_old || *li_sdsl != *li_sdsl_old);
  if (!lock_changed) return true;
  auto stored = t.select_row(
      "select nkcsl, nsqsl, nykps from dbj030 where cgsh = :gsh and ccph = :cph and ckh = :kh",
      {{"gsh", db::Value(company())}, {"cph", db::Value(ls_cph)}, {"kh", db::Value(ls_kh_old.value_or(""))}});
  if (t.sqlcode < 0) {
    database_failed(t.sqlerrtext);
    return false;
  }
  // A record no longer stored is left to the update, which reports it.
  if (!stored) return true;
  db::Decimal available = lockable_quantity(quantity((*stored)[0]), quantity((*stored)[1]),
                                            quantity((*stored)[2]));
  if (*li_sdsl > available) {
    refuse(rec, "nsdsl", "锁定数量应小于库存可用数量!");
    return false;
  }
  return true;
}

std::string w_bj701_001::follow_moves(const std::vector<Record>& records) {
  db::Transaction& t = session().sqlca;
  std::vector<Place> places;
  for (const Record& r : records) {
    if (!r.moved_from) continue;
    places.push_back(*r.moved_from);
    places.push_back(*r.moved_to);
  }
  // A store that moves nothing leaves dbj005 untouched.
  if (places.empty()) return {};
  if (lock_locations(t, company(), places) != 0) return "更新库位状态有误1!";
  for (const Record& r : records) {
    if (!r.moved_from) continue;
    if (free_location_if_empty(t, company(), *r.moved_from) != 0) return "更新库位状态有误1!";
    if (occupy_location(t, company(), *r.moved_to) != 0) return "更新库位状态有误2!";
  }
  return {};
}

void w_bj701_001::refuse(const Record& rec, const std::string& column, const std::string& message) {
  ui::Session& s = session();
  bool shown = rec.buffer == grid::Buffer::Primary;
  if (shown && dw_edit.grid.getrow() != rec.row) {
    dw_display.grid.scrolltorow(rec.row);
    dw_edit.grid.scrolltorow(rec.row);
  }
  s.messagebox(s.globals().gs_tsxx, message);
  if (shown && !column.empty()) dw_edit.grid.setcolumn(column);
}

void w_bj701_001::database_failed(const std::string& text) {
  session().messagebox(session().globals().gs_tsxx, "数据库错误：" + text, ui::Icon::StopSign);
}

void w_bj701_001::mm(bool ab) {
  dw_display.enabled = ab;
  if (!ab) lib::menu_of(*this)->item("m_edit.m_change").enabled = false;
  lib::f_primarykey_notchange(is_primarykey, !ab, dw_edit);
  ib_add = !ab;
}

// ---- other window events -------------------------------------------------------------------

void w_bj701_001::ue_add() {}

void w_bj701_001::ue_delete() {}

void w_bj701_001::ue_sort() {
  is_tablename = "dbj030";
  w_spmm::ue_sort();
}

void w_bj701_001::ue_help() { lib::f_open_help(session(), 202); }

void w_bj701_001::ue_query() {
  ui::Session& s = session();
  s.windows().openwithparm(lib::kQueryFormClass, &dw_display);
  std::string ls_setfilter = s.windows().message.stringparm;
  // The warehouse of the filter field narrows the answer; the answer is one condition, kept
  // whole in parentheses whatever connectives it holds.
  std::string ls_kh = std::string(text::trim(sle_1.text));
  if (!ls_kh.empty()) {
    std::string warehouse = "ckh = " + grid::quote_literal(ls_kh);
    ls_setfilter = ls_setfilter.empty() ? warehouse : "(" + ls_setfilter + ") and " + warehouse;
  }
  grid::Grid& d = dw_display.grid;
  if (d.setfilter(ls_setfilter) != 1) {
    s.messagebox(title, "查询条件不正确：" + d.last_error(), ui::Icon::StopSign);
    return;
  }
  d.filter();
  if (d.rowcount() < 1) {
    s.messagebox(title, "没有符合条件的记录", ui::Icon::Information);
    d.setfilter("");
    d.filter();
  }
  d.selectrow(0, false);
  lib::f_select_current_row(d);
}

// ---- the grids -----------------------------------------------------------------------------

long w_bj701_001::dw_edit_itemchanged(long row, const std::string& column, const std::string& data) {
  ui::Session& s = session();
  grid::Grid& g = dw_edit.grid;
  const std::string& gs_tsxx = s.globals().gs_tsxx;
  if (column == "ckh") {
    if (data.empty()) return 0;
    if (!common::code_found(s.sqlca, common::CodeKind::Warehouse, data, company())) {
      s.messagebox(gs_tsxx, common::code_rule(common::CodeKind::Warehouse).message);
      g.setitem(row, "ckh", db::Value(""));
      g.setcolumn("ckh");
      return 1;
    }
    ib_modify = true;
  } else if (column == "ckqh") {
    if (data.empty()) return 0;
    if (!common::code_found(s.sqlca, common::CodeKind::Zone, data, company())) {
      s.messagebox(gs_tsxx, common::code_rule(common::CodeKind::Zone).message);
      g.setitem(row, "ckqh", db::Value(""));
      g.setcolumn("ckqh");
      return 1;
    }
  } else if (column == "nsdsl") {
    ib_modify = true;
    auto value = db::Decimal::parse(data);
    // A negative locked quantity becomes 0 without a message (the text typed is dropped).
    if (value && value->sign() < 0) {
      g.setitem(row, "nsdsl", db::Value(db::Decimal(0, 2)));
      return 2;
    }
  }
  return 0;
}

long w_bj701_001::dw_display_clicked(long row) {
  common::status_on_clicked(dw_display, row);
  return 0;
}

long w_bj701_001::dw_display_rowfocuschanged(long currentrow) {
  grid::Grid& d = dw_display.grid;
  if (currentrow > 0) {
    d.scrolltorow(currentrow);
    d.selectrow(0, false);
    d.selectrow(currentrow, true);
  }
  common::status_on_rowfocuschanged(dw_display, currentrow);
  return 0;
}

// ---- filter fields and pick lists ----------------------------------------------------------

void w_bj701_001::sle_1_ue_enter(ui::Key key) {
  filter_field_key(
      session(), key, [this] { pb_1_clicked(); }, common::CodeKind::Warehouse, sle_1.text);
}

// The part field checks nothing on Enter; the filter button checks the part.
void w_bj701_001::sle_2_ue_enter(ui::Key key) {
  if (key == ui::Key::F9) pb_2_clicked();
}

void w_bj701_001::sle_3_ue_press(ui::Key key) {
  filter_field_key(
      session(), key, [this] { pb_3_clicked(); }, common::CodeKind::Zone, sle_3.text);
}

void w_bj701_001::sle_4_ue_press(ui::Key key) {
  filter_field_key(
      session(), key, [this] { pb_4_clicked(); }, common::CodeKind::Location, sle_4.text);
}

void w_bj701_001::pb_1_clicked() { common::pick_button(sle_1, common::warehouse_list(company(), true)); }

void w_bj701_001::pb_2_clicked() {
  common::pick_button(sle_2, common::parts_list(company(), lib::f_cph_popcx));
}

void w_bj701_001::pb_3_clicked() { common::pick_button(sle_3, common::zone_list()); }

void w_bj701_001::pb_4_clicked() {
  common::pick_button(sle_4, location_list(company(), "库号,库区号,库位号,库位状态",
                                           std::string(text::trim(sle_1.text)),
                                           std::string(text::trim(sle_3.text))));
}

// ---- buttons -------------------------------------------------------------------------------

void w_bj701_001::cb_1_clicked() {
  std::string part = std::string(text::trim(sle_2.text));
  if (!common::check_code(session(), common::CodeKind::Part, part)) return;
  std::string filter = location_filter(std::string(text::trim(sle_1.text)),
                                       std::string(text::trim(sle_3.text)),
                                       std::string(text::trim(sle_4.text)), part);
  lib::f_table_retrieve(is_retrievecolumnstring, ia_retrievecolumnvalue, dw_edit);
  grid::Grid& d = dw_display.grid;
  d.setfilter(filter);
  d.filter();
  d.scrolltorow(1);
  d.selectrow(1, true);
}

void w_bj701_001::cb_2_clicked() {
  if (restore_stock(session())) session().windows().close(*this);
}

void w_bj701_001::cb_3_clicked() { session().windows().open("w_bj701_001_001"); }

}  // namespace sparestock::stock_adjustment
