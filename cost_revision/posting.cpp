// The window functions of w_bj902_001 that build and post the voucher of a revision: its lines
// (wf_scpz), its number (wf_scpzh) and its rows in both journals (wf_save).

#include "cost_revision/w_bj902_001.h"
#include "host/base/text.h"
#include "host/grid/expression.h"
#include "host/lib/global_functions.h"

namespace sparestock::cost_revision {

namespace {

constexpr const char* kLineSummary = "修改成本单价";
constexpr const char* kJournalSummary = "修改备件成本单价";
// How often a voucher number is drawn again after other revisions took the one read.
constexpr int kDrawAttempts = 50;

// Adds `amount` to column `side` (njfje or ndfje) of the line of `account`, appending the line
// when there is none. Only a line whose other side is 0 takes it: an account that is the
// cost-of-sales account of one group and the inventory account of another gets a debit and a
// credit line, never one line with both sides, which the journals could not hold.
void add_to_line(grid::Grid& lines, const std::string& account, const char* side, const db::Decimal& amount) {
  const db::Decimal zero(0, 2);
  const char* other = std::string_view(side) == "njfje" ? "ndfje" : "njfje";
  long row = lines.find("ckm = " + grid::quote_literal(account) + " and " + other + " = 0", 1,
                        lines.rowcount());
  if (row > 0) {
    lines.setitem(row, side, lines.getitemdecimal(row, side).value_or(zero) + amount);
    return;
  }
  row = lines.insertrow(0);
  lines.setitem(row, 1, kLineSummary);
  lines.setitem(row, 2, "");
  lines.setitem(row, 3, "");
  lines.setitem(row, 4, std::string_view(side) == "njfje" ? amount : zero);
  lines.setitem(row, 5, std::string_view(side) == "ndfje" ? amount : zero);
  lines.setitem(row, 6, account);
}

}  // namespace

bool w_bj902_001::wf_scpz(const db::Decimal& adc_je, const std::string& as_cph) {
  ui::Session& s = session();
  const std::string& company = s.globals().gs_yhssgsh;
  auto group = s.sqlca.select_row("select ckmzh from dbj002 where cgsh = :gsh and ccph = :cph",
                                  {{"gsh", company}, {"cph", as_cph}});
  std::string ls_kmzh = group ? text::trim((*group)[0].as_text()) : std::string();
  if (ls_kmzh.empty()) {
    tell("请先维护科目组。");
    return false;
  }
  auto accounts = s.sqlca.select_row("select cchkm, cxscbkm from dzz006 where cgsh = :gsh and ckmz = :kmz",
                                     {{"gsh", company}, {"kmz", ls_kmzh}});
  // A stock value change the ledger cannot take is refused rather than posted half.
  const std::string named = "备件" + as_cph + "的科目组" + ls_kmzh;
  if (!accounts) {
    tell(named + "未设置科目，请先维护科目组。");
    return false;
  }
  std::string ls_chkm = text::trim((*accounts)[0].as_text());
  std::string ls_cbkm = text::trim((*accounts)[1].as_text());
  if (ls_chkm.empty() || ls_cbkm.empty()) {
    tell(named + "缺少存货科目或销售成本科目，请先维护科目组。");
    return false;
  }
  if (ls_chkm == ls_cbkm) {
    tell(named + "的存货科目与销售成本科目相同，请先维护科目组。");
    return false;
  }
  add_to_line(dw_scpz.grid, ls_cbkm, "njfje", adc_je);
  add_to_line(dw_scpz.grid, ls_chkm, "ndfje", adc_je);
  return true;
}

bool w_bj902_001::wf_save() {
  ui::Session& s = session();
  const ui::Globals& g = s.globals();
  db::Transaction& t = s.sqlca;
  const db::DateTime now = system_time();
  const db::Value number(static_cast<int64_t>(g.gi_pzh));
  auto failed = [&](const char* text) {
    tell(text);
    abandon("");
    return false;
  };

  const db::HostVariables header{
      {"gsh", g.gs_yhssgsh}, {"rq", now}, {"pzz", is_qspzz}, {"pzh", number}, {"yh", g.gs_yhdm}};
  t.execute(
      "insert into dzz0031 (cgsh, dpzrq, cpzz, npzh, dxtrq, czdr) "
      "values (:gsh, :rq, :pzz, :pzh, :rq, :yh)",
      header);
  if (t.sqlcode != 0) return failed("更改总帐序时主失败。");
  t.execute(
      "insert into dch002 (cgsh, dpzrq, cpzz, npzbh, dczrq, cczr, crcdh) "
      "values (:gsh, :rq, :pzz, :pzh, :rq, :yh, '')",
      header);
  if (t.sqlcode != 0) return failed("更改存货序时主失败。");

  grid::Grid& lines = dw_scpz.grid;
  const db::Decimal zero(0, 2);
  for (long i = 1; i <= lines.rowcount(); ++i) {
    std::string account = lines.getitemstring(i, 6).value_or("");
    db::Decimal debit = lines.getitemdecimal(i, 4).value_or(zero);
    db::Decimal credit = lines.getitemdecimal(i, 5).value_or(zero);
    // 0 marks a debit, 1 a credit; a line with both sides 0 is a debit of 0.
    int ljdbs = debit.is_zero() && !credit.is_zero() ? 1 : 0;
    db::Decimal amount = ljdbs == 1 ? credit : debit;
    const db::HostVariables line{{"gsh", g.gs_yhssgsh}, {"rq", now},    {"pzz", is_qspzz},
                                 {"pzh", number},       {"hh", i},      {"zy", kJournalSummary},
                                 {"km", account},       {"je", amount}, {"jd", ljdbs}};
    t.execute(
        "insert into dzz0032 (cgsh, dpzrq, cpzz, npzh, nhh, czy, ckm, nje, ljdbs) "
        "values (:gsh, :rq, :pzz, :pzh, :hh, :zy, :km, :je, :jd)",
        line);
    if (t.sqlcode != 0) return failed("更改总帐序时子失败。");
    t.execute(
        "insert into dch003 (cgsh, dpzrq, cpzz, npzbh, nhh, czy, ckm, nje, ljdbs) "
        "values (:gsh, :rq, :pzz, :pzh, :hh, :zy, :km, :je, :jd)",
        line);
    if (t.sqlcode != 0) return failed("更改存货序时子失败。");
  }
  return true;
}

bool w_bj902_001::wf_scpzh(const db::DateTime& ad_pzrq) {
  ui::Session& s = session();
  ui::Globals& g = s.globals();
  db::Transaction& read = s.sqlca;
  db::Transaction& write = s.sqlls;
  lib::f_kjrqssny(s, g.gs_yhssgsh, ad_pzrq);
  const db::HostVariables period{
      {"gsh", g.gs_yhssgsh}, {"kjn", g.gs_kjn}, {"kjy", g.gs_kjy}, {"pzz", is_qspzz}};
  auto with = [&](std::initializer_list<std::pair<std::string, db::Value>> more) {
    db::HostVariables vars = period;
    vars.insert(vars.end(), more.begin(), more.end());
    return vars;
  };

  auto reuse = read.select_row("select lkhly from dzz001 where cgsh = :gsh", {{"gsh", g.gs_yhssgsh}});
  if (read.sqlcode == -1) return false;
  const bool li_khly = reuse && (*reuse)[0].as_integer().value_or(0) == 1;

  // Each way of taking a number is checked to have changed exactly one row: when another
  // revision took the number in between, the row is gone or moved on, and the draw starts over.
  for (int attempt = 0; attempt < kDrawAttempts; ++attempt) {
    int64_t number = 0;
    if (li_khly) {
      auto vacant = read.select_row(
          "select npzh from dzz008 where cgsh = :gsh and ckjn = :kjn and ckjy = :kjy and cpzz = :pzz "
          "order by npzh asc",
          period);
      if (read.sqlcode == -1) return false;
      number = vacant ? (*vacant)[0].as_integer().value_or(0) : 0;
      if (number != 0) {
        write.execute(
            "delete from dzz008 where cgsh = :gsh and ckjn = :kjn and ckjy = :kjy and "
            "cpzz = :pzz and npzh = :pzh",
            with({{"pzh", db::Value(number)}}));
        if (write.sqlcode != 0 || write.sqlnrows != 1 || write.commit() != 0) {
          write.rollback();
          continue;
        }
        g.gi_pzh = static_cast<long>(number);
        return true;
      }
    }
    auto highest = read.select_row(
        "select nzdpzh from dzz007 where cgsh = :gsh and ckjn = :kjn and ckjy = :kjy and cpzz = :pzz", period);
    if (read.sqlcode == -1) return false;
    bool taken = false;
    if (!highest) {
      // A period's first number; another revision inserting first makes the key refuse this.
      number = 1;
      write.execute("insert into dzz007 values (:gsh, :kjn, :kjy, :pzz, 1)", period);
      taken = write.sqlcode == 0;
    } else {
      int64_t li_pzh = (*highest)[0].as_integer().value_or(0);
      number = li_pzh + 1;
      write.execute(
          "update dzz007 set nzdpzh = :next where cgsh = :gsh and ckjn = :kjn and "
          "ckjy = :kjy and cpzz = :pzz and nzdpzh = :pzh",
          with({{"next", db::Value(number)}, {"pzh", db::Value(li_pzh)}}));
      taken = write.sqlcode == 0 && write.sqlnrows == 1;
    }
    if (!taken || write.commit() != 0) {
      write.rollback();
      continue;
    }
    g.gi_pzh = static_cast<long>(number);
    return true;
  }
  return false;
}

}  // namespace sparestock::cost_revision
