#include "cost_revision/w_bj902_001.h"

#include "common/row_count_status.h"
#include "host/base/text.h"
#include "host/db/clock.h"
#include "host/lib/d_yfscpz.h"
#include "host/lib/global_functions.h"
#include "host/lib/help.h"
#include "host/lib/menus.h"
#include "host/lib/w_main.h"

namespace sparestock::cost_revision {

namespace {

constexpr const char* kFormName = "修改备件成本单价";
constexpr const char* kNoVoucherWord = "请先维护备件参数设置中的缺省凭证组。";
constexpr const char* kBeforeAccountingMonth = "系统日期小于当前会计月起始日。";
constexpr const char* kNegativePrice = "成本单价必须大于0,请重试";
constexpr const char* kRevised = "修改成功。";
constexpr const char* kUpdateFailed = "更新失败 ";
constexpr int kHelpTopic = 211;

constexpr const char* kNewPrice = "nxcbdj";

// A part whose price another user revised since the grid was retrieved: the grid's prices stay
// stale until the form is opened again.
std::string price_changed(const std::string& part) {
  return "备件" + part + "的成本单价已被他人修改，请关闭本窗口后重新打开再修改。";
}
constexpr const char* kMainGroupSort = "mid(dbj030_ccph,5,4) A";

}  // namespace

w_bj902_001::w_bj902_001(ui::Session& session) : w_bj704_001(session, "w_bj902_001") { build(); }

void w_bj902_001::build() {
  title = kFormName;
  menu = std::make_unique<lib::m_e3>(*this);
  dw_edit.grid.set_dataobject("d_bj902_002");
  dw_scpz.grid.set_dataobject(lib::kVoucherLinesGrid);
  dw_1.grid.set_dataobject("d_bj902_004");
  dw_scpz.visible = false;
  dw_1.visible = false;

  cb_3.text = "按拼音码(&4)";
  cb_4.text = "按常用件(&5)";
  cb_6.text = "按库号";
  cb_7.text = "按车型(&6)";
  // The parts carry no warehouse and no monthly figures: the warehouse search, the figures and
  // their year choice, and the hint to double-click a row are not shown.
  for (ui::Control* c :
       std::initializer_list<ui::Control*>{&cb_6, &dw_display, &gb_1, &st_2, &gb_2, &rb_1, &rb_2})
    c->visible = false;
  // Wider than the enquiry, so that the prices and the new-price column show beside the part.
  width = 4950;
  dw_edit.place(20, 300, 4890, 1620);
  cb_8.place(20, 1950, 420, 100);
}

db::DateTime w_bj902_001::system_time() const {
  const auto& g = session().globals();
  return g.gd_xtrq ? *g.gd_xtrq : db::now();
}

void w_bj902_001::tell(const std::string& text) {
  session().messagebox(session().globals().gs_tsxx, text, ui::Icon::Information);
}

void w_bj902_001::refuse_open(const std::string& text) {
  tell(text);
  session().windows().close(*this);
}

// ---- window events -------------------------------------------------------------------------

void w_bj902_001::open() {
  ui::Session& s = session();
  ui::Globals& g = s.globals();
  const db::DateTime now = system_time();

  // The ledger link and, with it, the voucher word and the accounting month.
  auto link = s.sqlca.select_row("select lcwaz from dxt002 where cgsh = :gsh", {{"gsh", g.gs_yhssgsh}});
  ii_cwaz = link ? static_cast<int>((*link)[0].as_integer().value_or(0)) : 0;
  if (ii_cwaz == 1) {
    auto word = s.sqlca.select_row("select cqspzz from dbj013 where cgsh = :gsh", {{"gsh", g.gs_yhssgsh}});
    is_qspzz = word ? (*word)[0].as_text() : std::string();
    if (text::trim(is_qspzz).empty()) return refuse_open(kNoVoucherWord);
    lib::f_kjrqjy(s, g.gs_yhssgsh);
    if (g.gd_zxrq && now < *g.gd_zxrq) return refuse_open(kBeforeAccountingMonth);
  }
  // The host's date range, for every company; a limit the host has not set does not apply.
  if ((g.gd_qsrq && now < *g.gd_qsrq) || (g.gd_jzrq && now > *g.gd_jzrq)) {
    auto day = [](const std::optional<db::DateTime>& d) { return d ? d->iso_date() : std::string(); };
    return refuse_open("系统日期" + now.iso_date() + "不在当前日期范围" + day(g.gd_qsrq) + " , " +
                       day(g.gd_jzrq));
  }

  f_center();
  dw_edit.grid.settransobject(s.sqlca);
  dw_display.grid.settransobject(s.sqlca);
  dw_edit.grid.retrieve({db::Value(g.gs_yhssgsh)});
  dw_1.grid.settransobject(s.sqlca);
  // The new price is the only column that takes typing.
  std::string protect;
  for (const auto& column : dw_edit.grid.definition().columns)
    if (column.name != kNewPrice) protect += (protect.empty() ? "" : " ") + column.name + ".protect=1";
  dw_edit.grid.modify(protect);

  // The open parameter is kept, although the mode-1 button below empties the field again.
  ls_parm = s.windows().message.stringparm;
  sle_1.text = ls_parm;
  i_bs = ls_parm.empty() ? 0 : 1;

  dw_edit.grid.setsort(kMainGroupSort);
  dw_edit.grid.sort();
  lstr_kcdata = stock_enquiry::s_bj704_001{};
  sle_1.setfocus();
  cb_1_clicked();
  dw_edit.grid.setrow(1);
  dw_edit.grid.selectrow(0, false);
  dw_edit.grid.selectrow(1, true);
  lib::w_main(s).title(g.gs_title + g.gs_dq + kFormName);
}

void w_bj902_001::ue_help() { lib::f_open_help(session(), kHelpTopic); }

int w_bj902_001::f_center() { return lib::f_aotocenter(*this); }

// ---- the grid ------------------------------------------------------------------------------

void w_bj902_001::dw_edit_rowfocuschanged(long currentrow) { highlight_current_row(currentrow); }

void w_bj902_001::dw_edit_clicked(long row) { common::status_on_clicked(dw_edit, row); }

void w_bj902_001::dw_edit_doubleclicked(long) {}

void w_bj902_001::dw_edit_rownotmove() {}

void w_bj902_001::dw_edit_editchanged(long, const std::string&, const std::string&) {}

void w_bj902_001::rb_3_clicked() {
  w_bj704_001::rb_3_clicked();
  dw_edit.grid.setsort("dbj030_ccph A");
  dw_edit.grid.sort();
}

void w_bj902_001::rb_4_clicked() {
  w_bj704_001::rb_4_clicked();
  dw_edit.grid.setsort(kMainGroupSort);
  dw_edit.grid.sort();
}

// ---- the revision --------------------------------------------------------------------------

void w_bj902_001::cb_8_clicked() {
  ui::Session& s = session();
  grid::Grid& g = dw_edit.grid;
  if (g.accepttext() != 1) return;
  const long ll_rown = g.rowcount();

  // Only the rows the filter shows count; the first negative price stops everything.
  for (long i = 1; i <= ll_rown; ++i) {
    auto price = g.getitemdecimal(i, kNewPrice);
    if (price && price->sign() < 0) {
      tell(kNegativePrice);
      g.setrow(i);
      g.selectrow(0, false);
      g.selectrow(i, true);
      return;
    }
  }

  dw_scpz.grid.reset();
  drawn_number_ = 0;
  auto revisions = read_revisions();
  if (!revisions) return abandon("");

  // Voucher lines first: they only read, so a refused account group leaves nothing behind.
  if (ii_cwaz == 1)
    for (const Revision& r : *revisions)
      if (r.changed() && !wf_scpz(r.amount, r.part)) return abandon("");

  // The number is committed on sqlls before sqlca writes anything.
  const db::DateTime now = system_time();
  const bool voucher = ii_cwaz == 1 && voucher_needed();
  if (voucher) {
    if (!wf_scpzh(now.date())) return abandon("凭证号分配失败，请重试。");
    drawn_number_ = s.globals().gi_pzh;
  }

  for (const Revision& r : *revisions)
    if (r.changed() && !write_price(r)) return;
  if (voucher && !wf_save()) return abandon(kUpdateFailed);

  fill_log(*revisions);
  if (dw_1.grid.update() != 1) return abandon(kUpdateFailed);
  if (s.sqlca.commit() != 0) return abandon(kUpdateFailed);
  drawn_number_ = 0;

  tell(kRevised);
  g.retrieve({db::Value(s.globals().gs_yhssgsh)});
  const db::Decimal zero(0, 2);
  for (long j = 1; j <= g.rowcount(); ++j) g.setitem(j, kNewPrice, zero);
}

std::optional<std::vector<w_bj902_001::Revision>> w_bj902_001::read_revisions() {
  ui::Session& s = session();
  grid::Grid& g = dw_edit.grid;
  std::vector<Revision> out;
  for (long i = 1; i <= g.rowcount(); ++i) {
    auto typed = g.getitemdecimal(i, kNewPrice);
    if (!typed || typed->is_zero()) continue;
    Revision r;
    r.part = g.getitemstring(i, "dbj030_ccph").value_or("");
    r.new_price = *typed;
    r.old_price = g.getitemdecimal(i, "ndj").value_or(db::Decimal(0, 2));

    auto figures = s.sqlca.select_row(
        "select count(*), sum(nkcsl), min(ndj), max(ndj) from dbj030 where cgsh = :gsh and ccph = :cph",
        {{"gsh", s.globals().gs_yhssgsh}, {"cph", r.part}});
    if (s.sqlca.sqlcode != 0 || !figures) {
      tell(kUpdateFailed);
      return std::nullopt;
    }
    const auto& f = *figures;
    auto lowest = f[2].as_decimal(2), highest = f[3].as_decimal(2);
    if (f[0].as_integer().value_or(0) == 0 || !lowest || !highest || *lowest != r.old_price ||
        *highest != r.old_price) {
      tell(price_changed(r.part));
      return std::nullopt;
    }
    r.quantity = f[1].as_decimal(2).value_or(db::Decimal(0, 2));
    r.amount = ((r.new_price - r.old_price) * r.quantity).rescale(2);
    out.push_back(std::move(r));
  }
  return out;
}

bool w_bj902_001::write_price(const Revision& r) {
  ui::Session& s = session();
  db::Transaction& t = s.sqlca;
  const db::HostVariables part{{"gsh", s.globals().gs_yhssgsh}, {"cph", r.part}};
  // Only records still at the price the grid showed change; they stay locked until the end.
  db::HostVariables prices = part;
  prices.emplace_back("xj", r.new_price);
  prices.emplace_back("yj", r.old_price);
  t.execute("update dbj030 set ndj = :xj where cgsh = :gsh and ccph = :cph and ndj = :yj", prices);
  if (t.sqlcode != 0) {
    abandon(kUpdateFailed);
    return false;
  }
  const long changed = t.sqlnrows;
  auto figures = t.select_row("select count(*), sum(nkcsl) from dbj030 where cgsh = :gsh and ccph = :cph",
                              part);
  if (t.sqlcode != 0 || !figures) {
    abandon(kUpdateFailed);
    return false;
  }
  if ((*figures)[0].as_integer().value_or(-1) != changed) {
    abandon(price_changed(r.part));
    return false;
  }
  if ((*figures)[1].as_decimal(2).value_or(db::Decimal(0, 2)) != r.quantity) {
    abandon("备件" + r.part + "的库存数量已变动，请重新确定。");
    return false;
  }
  return true;
}

void w_bj902_001::fill_log(const std::vector<Revision>& revisions) {
  const ui::Globals& g = session().globals();
  grid::Grid& log = dw_1.grid;
  log.reset();
  const db::DateTime day = system_time().date();
  for (const Revision& r : revisions) {
    long row = log.insertrow(0);
    log.setitem(row, "drq", day);
    log.setitem(row, "cczr", g.gs_yhmc);
    log.setitem(row, "ccph", r.part);
    log.setitem(row, "ntzje", -r.amount);
    log.setitem(row, "cbs", "3");
    log.setitem(row, "nydj", r.old_price);
    log.setitem(row, "nxdj", r.new_price);
    log.setitem(row, "cgsh", g.gs_yhssgsh);
    log.setitem(row, "cny", g.gs_dqn + g.gs_dqy);
    log.setitem(row, "lbs", "0");
  }
}

bool w_bj902_001::voucher_needed() {
  grid::Grid& lines = dw_scpz.grid;
  for (long i = 1; i <= lines.rowcount(); ++i)
    for (const char* side : {"njfje", "ndfje"})
      if (!lines.getitemdecimal(i, side).value_or(db::Decimal(0, 2)).is_zero()) return true;
  return false;
}

void w_bj902_001::abandon(const std::string& text) {
  ui::Session& s = session();
  // sqlca first: on SQLite its uncommitted writes would keep sqlls from handing the number back.
  s.sqlca.rollback();
  if (drawn_number_ > 0) {
    lib::f_fxpzh(s, system_time().date(), is_qspzz, drawn_number_);
    drawn_number_ = 0;
  }
  if (!text.empty()) tell(text);
}

}  // namespace sparestock::cost_revision
