#include "stock_adjustment/w_bj701_001_001.h"

#include "common/code_check.h"
#include "common/pick_button.h"
#include "host/base/text.h"
#include "host/db/transaction.h"
#include "host/lib/pick_list.h"
#include "stock_adjustment/locations.h"

namespace sparestock::stock_adjustment {

namespace {

inline constexpr const char* kLocationFailed = "清除备件零库存数据时，更改库位信息失败!";
inline constexpr const char* kRecordFailed = "清除备件零库存数据时，更改信息失败!";

// The listed part's record at the location, deleted only while every quantity is still zero.
inline constexpr const char* kDeleteEmptyRecord =
    "delete from dbj030 where cgsh = :gsh and ckh = :kh and ckqh = :kqh and ckwh = :kwh and "
    "ccph = :cph and nqcsl = 0 and nbqrk = 0 and nbqck = 0 and nkcsl = 0 and nsqsl = 0 and "
    "ntzs = 0 and nykps = 0 and njcsl = 0 and nsdsl = 0";

}  // namespace

w_bj701_001_001::w_bj701_001_001(ui::Session& session)
    : Window(session, "w_bj701_001_001", ui::WindowType::Popup) {
  title = "清除空库位";
  width = 2600;
  height = 1700;
  dw_1.grid.set_dataobject("d_bj701_003");

  gb_1.place(20, 8, 2550, 250);
  int x = place_filter_field(st_1, sle_1, pb_1, 50, 50, 130, 150);
  x = place_filter_field(st_3, sle_3, pb_3, x, 50, 130, 150);
  place_filter_field(st_4, sle_4, pb_4, x, 50, 130, 440);
  place_filter_field(st_2, sle_2, pb_2, 50, 150, 200, 700);
  cb_5.place(1650, 44, 300, 100);
  cb_2.place(20, 280, 300, 100);
  cb_3.place(340, 280, 360, 100);
  cb_1.place(720, 280, 560, 100);
  cb_4.place(1300, 280, 300, 100);
  dw_1.place(20, 400, 2550, 1270);
}

const std::string& w_bj701_001_001::company() { return session().globals().gs_yhssgsh; }

void w_bj701_001_001::open() {
  dw_1.grid.settransobject(session().sqlca);
  dw_1.grid.retrieve({db::Value(company())});
  dw_1.grid.modify("grid.readonly=yes");
  sle_1.setfocus();
}

// ---- filter --------------------------------------------------------------------------------

void w_bj701_001_001::cb_5_clicked() {
  std::string part = std::string(text::trim(sle_2.text));
  if (!common::check_code(session(), common::CodeKind::Part, part)) return;
  grid::Grid& g = dw_1.grid;
  g.setfilter(location_filter(std::string(text::trim(sle_1.text)), std::string(text::trim(sle_3.text)),
                              std::string(text::trim(sle_4.text)), part));
  g.filter();
  g.scrolltorow(1);
  g.selectrow(1, true);
}

// After a code that passed (or an empty one) the focus moves to the next field.
void w_bj701_001_001::sle_1_ue_enter(ui::Key key) {
  if (filter_field_key(
          session(), key, [this] { pb_1_clicked(); }, common::CodeKind::Warehouse, sle_1.text))
    sle_3.setfocus();
}

void w_bj701_001_001::sle_3_ue_press(ui::Key key) {
  if (filter_field_key(
          session(), key, [this] { pb_3_clicked(); }, common::CodeKind::Zone, sle_3.text))
    sle_4.setfocus();
}

void w_bj701_001_001::sle_4_ue_press(ui::Key key) {
  if (filter_field_key(
          session(), key, [this] { pb_4_clicked(); }, common::CodeKind::Location, sle_4.text))
    sle_2.setfocus();
}

void w_bj701_001_001::sle_2_ue_enter(ui::Key key) {
  if (key == ui::Key::F9) pb_2_clicked();
  if (key == ui::Key::Enter) cb_5.setfocus();
}

void w_bj701_001_001::pb_1_clicked() { common::pick_button(sle_1, common::warehouse_list(company(), true)); }

void w_bj701_001_001::pb_3_clicked() { common::pick_button(sle_3, common::zone_list()); }

// Unlike the adjustment form's, this list is not narrowed by the warehouse and zone typed.
void w_bj701_001_001::pb_4_clicked() {
  common::pick_button(sle_4, location_list(company(), "库号,库区,库位"));
}

void w_bj701_001_001::pb_2_clicked() {
  common::pick_button(sle_2, common::parts_list(company(), lib::f_cph_popcx));
}

// ---- selection -----------------------------------------------------------------------------

void w_bj701_001_001::cb_2_clicked() { dw_1.grid.selectrow(0, true); }

void w_bj701_001_001::cb_3_clicked() { dw_1.grid.selectrow(0, false); }

long w_bj701_001_001::dw_1_clicked(long row) {
  // A click on a heading or below the rows (row 0) changes no selection.
  if (row == 0) return 0;
  dw_1.grid.selectrow(row, !dw_1.grid.isselected(row));
  return 0;
}

void w_bj701_001_001::cb_4_clicked() { session().windows().close(*this); }

// ---- clearing ------------------------------------------------------------------------------

std::string w_bj701_001_001::clear_selected() {
  db::Transaction& t = session().sqlca;
  grid::Grid& g = dw_1.grid;
  for (long row = 1; row <= g.rowcount(); ++row) {
    if (!g.isselected(row)) continue;
    Place place{g.getitemstring(row, "ckh").value_or(""), g.getitemstring(row, "ckqh").value_or(""),
                g.getitemstring(row, "ckwh").value_or("")};
    std::string part = g.getitemstring(row, "ccph").value_or("");
    if (lock_locations(t, company(), {place}) != 0) return kLocationFailed;
    t.execute(kDeleteEmptyRecord, {{"gsh", db::Value(company())},
                                   {"kh", db::Value(place.ckh)},
                                   {"kqh", db::Value(place.ckqh)},
                                   {"kwh", db::Value(place.ckwh)},
                                   {"cph", db::Value(part)}});
    if (t.sqlcode != 0) return kRecordFailed;
    if (free_location_if_empty(t, company(), place) != 0) return kLocationFailed;
  }
  return {};
}

void w_bj701_001_001::cb_1_clicked() {
  ui::Session& s = session();
  db::Transaction& t = s.sqlca;
  std::string refused = clear_selected();
  if (refused.empty() && t.commit() != 0) refused = "数据库错误：" + t.sqlerrtext;
  if (!refused.empty()) {
    // Told before the rollback; the list stays as it was.
    s.messagebox(s.globals().gs_tsxx, refused);
    t.rollback();
    return;
  }
  // The cleared records are gone; the retrieval would re-apply a filter, so it goes first.
  grid::Grid& g = dw_1.grid;
  g.setfilter("");
  g.retrieve({db::Value(company())});
  g.selectrow(0, false);
}

}  // namespace sparestock::stock_adjustment
