#pragma once
// The cost price revision w_bj902_001 driven through the protocol on a small ledger of its own.
// Every row has a purpose, noted beside it. "Now" is 2026-12-08 10:00:00, the accounting month
// December 2026, whose highest voucher number under the word 记 is 12.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cost_revision/w_bj902_001.h"
#include "host/db/clock.h"
#include "host/db/transaction.h"
#include "host/lib/module_loader.h"
#include "tests/scenario.h"

namespace sparestock::test {

inline void seed_cost_revision_data(db::Connection& conn) {
  conn.exec_script(R"sql(
    -- Company 01 posts to the ledgers under the word 记 and does not reuse vacant numbers.
    INSERT INTO dxt002 (cgsh, lcwaz) VALUES ('01', 1);
    INSERT INTO dbj013 (cgsh, cqspzz) VALUES ('01', '记');
    INSERT INTO dzz001 (cgsh, lkhly) VALUES ('01', 0);
    INSERT INTO dzz007 VALUES ('01', '2026', '12', '记', 12);
    -- Account groups: two sound ones, one without an inventory account, one that books both
    -- sides on one account (G9, named by a part, has no row at all).
    INSERT INTO dzz006 (cgsh, ckmz, cchkm, cxscbkm) VALUES ('01', 'G1', '1243', '5401');
    INSERT INTO dzz006 (cgsh, ckmz, cchkm, cxscbkm) VALUES ('01', 'G2', '1244', '5402');
    INSERT INTO dzz006 (cgsh, ckmz, cchkm, cxscbkm) VALUES ('01', 'G3', '', '5403');
    INSERT INTO dzz006 (cgsh, ckmz, cchkm, cxscbkm) VALUES ('01', 'G4', '1245', '1245');

    -- Parts, in the grid's order (main group, then part number).
    -- The worked example: 10.00, stock 3 + 1 in two warehouses.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ckmzh) VALUES ('01', 'JL01 0112', '活塞', 'HS', 'G1');
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl, ndj) VALUES ('01', '01', 'JL01 0112', 3, 10.00);
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl, ndj) VALUES ('01', '02', 'JL01 0112', 1, 10.00);
    -- Shares G1 with the piston.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ckmzh) VALUES ('01', 'JL01 0113', '活塞环', 'HSH', 'G1');
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl, ndj) VALUES ('01', '01', 'JL01 0113', 2, 5.00);
    -- G2, a fractional stock: its price falls, or rises against the piston's.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ckmzh) VALUES ('01', 'JL02 0200', '机油滤清器', 'JYLQQ', 'G2');
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl, ndj) VALUES ('01', '01', 'JL02 0200', 2.5, 8.00);
    -- No stock.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ckmzh) VALUES ('01', 'JL03 0300', '零库存件', 'LKCJ', 'G1');
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl, ndj) VALUES ('01', '01', 'JL03 0300', 0, 7.00);
    -- The account group refusals: no dzz006 row, no inventory account, one account, no group.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ckmzh) VALUES ('01', 'JL05 0500', '无科目件', 'WKMJ', 'G9');
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl, ndj) VALUES ('01', '01', 'JL05 0500', 1, 1.00);
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ckmzh) VALUES ('01', 'JL06 0600', '缺科目件', 'QKMJ', 'G3');
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl, ndj) VALUES ('01', '01', 'JL06 0600', 1, 1.00);
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ckmzh) VALUES ('01', 'JL07 0700', '同科目件', 'TKMJ', 'G4');
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl, ndj) VALUES ('01', '01', 'JL07 0700', 1, 1.00);
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ckmzh) VALUES ('01', 'JL08 0800', '无科目组件', 'WKMZJ', '');
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl, ndj) VALUES ('01', '01', 'JL08 0800', 1, 1.00);
    -- Price x stock with four places: 0.02 x 1.25 = 0.025, a cent after rounding.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ckmzh) VALUES ('01', 'JL09 0900', '垫片', 'DP', 'G2');
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl, ndj) VALUES ('01', '01', 'JL09 0900', 1.25, 3.33);

    -- Company 02's piston at the same price: never touched by 01's revisions.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, ckmzh) VALUES ('02', 'JL01 0112', '别家活塞', 'HS', 'G1');
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl, ndj) VALUES ('02', '05', 'JL01 0112', 9, 10.00);
  )sql");
}

inline const bool cost_revision_forms_registered = [] {
  lib::load_module();
  return true;
}();

class CostRevisionScenario : public testing::TestWithParam<db::Backend> {
 protected:
  static constexpr const char* W = "w_bj902_001";

  void SetUp() override {
    db::set_fixed_now(db::DateTime::parse("2026-12-08 10:00:00"));
    conn = sc.database().connect();
    seed_cost_revision_data(*conn);
    reader.connect(sc.database().target());
    host(json::object());
  }
  void TearDown() override { db::set_fixed_now(std::nullopt); }

  // Logs in as 张三 (001) of company 01 on 2026-12-08 10:00, in the date range of December;
  // `changes` replaces any of these globals.
  json host(const json& changes) {
    json globals = {{"gs_yhssgsh", "01"},
                    {"gs_yhdm", "001"},
                    {"gs_yhmc", "张三"},
                    {"gs_tsxx", "提示信息"},
                    {"gs_title", "配件管理-"},
                    {"gs_dq", "一号店-"},
                    {"gs_dqn", "2026"},
                    {"gs_dqy", "12"},
                    {"gd_xtrq", "2026-12-08 10:00:00"},
                    {"gd_qsrq", "2026-12-01 00:00:00"},
                    {"gd_jzrq", "2026-12-31 23:59:59"}};
    for (auto& [k, v] : changes.items()) globals[k] = v;
    return sc.ok({{"op", "host"}, {"globals", globals}});
  }

  json open(const std::string& parm = "") { return sc.ok({{"op", "open"}, {"window", W}, {"parm", parm}}); }

  // The row of dw_edit that shows `part` (0 when none).
  long row_of(const std::string& part) {
    json rows = sc.rows(W, "dw_edit");
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i]["dbj030_ccph"] == part) return static_cast<long>(i) + 1;
    return 0;
  }
  // Types a new price into the part's row.
  json price(const std::string& part, const std::string& value) {
    long row = row_of(part);
    EXPECT_GT(row, 0) << part << " is not shown";
    return sc.ok({{"op", "edit"},
                  {"window", W},
                  {"control", "dw_edit"},
                  {"row", row},
                  {"column", "nxcbdj"},
                  {"value", value}});
  }
  json confirm() { return sc.click(W, "cb_8"); }

  // The rows of a query, one string per row with the values joined by '|'; decimals with two
  // places on both backends, date-times in ISO form.
  std::vector<std::string> table(const std::string& tsql) {
    std::vector<std::string> out;
    auto c = reader.open_cursor(tsql);
    if (!c) {
      ADD_FAILURE() << tsql << ": " << reader.sqlerrtext;
      return out;
    }
    while (c->next()) {
      std::string row;
      for (int i = 0; i < c->column_count(); ++i) {
        db::Value v = c->value(i);
        std::string text = v.kind() == db::ValueKind::Real || v.kind() == db::ValueKind::Decimal
                               ? v.as_decimal(2)->to_string()
                               : v.as_text();
        row += (i ? "|" : "") + text;
      }
      out.push_back(row);
    }
    return out;
  }
  // Every row of both journals, headers and lines, and the numbering of December.
  std::vector<std::string> journals() {
    std::vector<std::string> out;
    for (const auto& r : table("select cpzz, npzh, dpzrq, dxtrq, czdr from dzz0031 order by npzh"))
      out.push_back("dzz0031 " + r);
    for (const auto& r : table("select cpzz, npzbh, dpzrq, dczrq, cczr, crcdh from dch002 order by npzbh"))
      out.push_back("dch002 " + r);
    for (const auto& r : table("select npzh, nhh, czy, ckm, nje, ljdbs from dzz0032 order by npzh, nhh"))
      out.push_back("dzz0032 " + r);
    for (const auto& r : table("select npzbh, nhh, czy, ckm, nje, ljdbs from dch003 order by npzbh, nhh"))
      out.push_back("dch003 " + r);
    return out;
  }
  // What a revision writes besides the stock prices: both journals and the log.
  std::vector<std::string> posted() {
    std::vector<std::string> out = journals();
    for (const auto& r : log_rows()) out.push_back("dbj060 " + r);
    return out;
  }
  std::vector<std::string> numbering() {
    std::vector<std::string> out;
    for (const auto& r : table("select ckjn, ckjy, cpzz, nzdpzh from dzz007 order by ckjn, ckjy"))
      out.push_back("dzz007 " + r);
    for (const auto& r : table("select ckjn, ckjy, cpzz, npzh from dzz008 order by npzh"))
      out.push_back("dzz008 " + r);
    return out;
  }
  std::vector<std::string> log_rows() {
    return table(
        "select cgsh, drq, cczr, ckh, ccph, ntzje, cbs, nydj, nxdj, cny, lbs from dbj060 order by nsxh");
  }
  std::vector<std::string> prices() {
    return table("select cgsh, ckh, ccph, ndj from dbj030 order by cgsh, ccph, ckh");
  }
  // The typed prices as the grid holds them, row by row, with two places ("" for none).
  std::vector<std::string> typed() {
    std::vector<std::string> out;
    for (const auto& row : sc.rows(W, "dw_edit"))
      out.push_back(row["nxcbdj"].is_number() ? fmt::format("{:.2f}", row["nxcbdj"].get<double>()) : "");
    return out;
  }
  static std::vector<std::string> texts(const json& messages) {
    std::vector<std::string> out;
    for (const auto& m : messages) out.push_back(m["text"]);
    return out;
  }
  cost_revision::w_bj902_001& form() {
    cost_revision::w_bj902_001* w = nullptr;
    sc.session().read([&] { w = dynamic_cast<cost_revision::w_bj902_001*>(sc.session().windows().find(W)); });
    if (!w) throw std::runtime_error("the revision form is not open");
    return *w;
  }
  // A statement that fails whenever `event` (INSERT, UPDATE) touches `table`, on either backend.
  void refuse(const std::string& table, const std::string& event) {
    if (GetParam() == db::Backend::Sqlite) {
      conn->exec_script("CREATE TRIGGER refuse_" + table + " BEFORE " + event + " ON " + table +
                        " BEGIN SELECT RAISE(ABORT, 'refused by the test'); END;");
    } else {
      conn->exec_script(
          "CREATE OR REPLACE FUNCTION refuse_write() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION "
          "'refused by the test'; END $$ LANGUAGE plpgsql;"
          "CREATE TRIGGER refuse_" +
          table + " BEFORE " + event + " ON " + table + " FOR EACH ROW EXECUTE FUNCTION refuse_write();");
    }
  }

  Scenario sc{GetParam(), false};
  std::unique_ptr<db::Connection> conn;
  db::Transaction reader{"reader"};
};

}  // namespace sparestock::test
