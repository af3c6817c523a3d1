#pragma once
// The stock enquiry forms (w_bj704_001 and its variants w_bj704_001_001, w_bj704_001_003)
// driven through the protocol on a small stock of their own. Every row has a purpose, noted
// beside it. "Now" is fixed at 2026-12-08, so this year is 2026 and last year 2025.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/db/clock.h"
#include "host/lib/module_loader.h"
#include "stock_enquiry/w_bj704_001.h"
#include "stock_enquiry/w_bj704_001_001.h"
#include "stock_enquiry/w_bj704_001_003.h"
#include "tests/scenario.h"

namespace sparestock::test {

inline void seed_stock_enquiry_data(db::Connection& conn) {
  conn.exec_script(R"sql(
    -- Categories: usable, disabled, another company's.
    INSERT INTO dbj001 (cgsh, cflh, cflmc, ltybs) VALUES ('01', 'A01', '发动机', 0);
    INSERT INTO dbj001 (cgsh, cflh, cflmc, ltybs) VALUES ('01', 'A02', '旧分类', 1);
    INSERT INTO dbj001 (cgsh, cflh, cflmc, ltybs) VALUES ('02', 'B01', '别家分类', 0);
    -- Warehouses: two usable, one disabled, one of company 02.
    INSERT INTO dbj003 (cgsh, ckh, ckmc, ltybs) VALUES ('01', '01', '一号库', 0);
    INSERT INTO dbj003 (cgsh, ckh, ckmc, ltybs) VALUES ('01', '02', '二号库', 0);
    INSERT INTO dbj003 (cgsh, ckh, ckmc, ltybs) VALUES ('01', '09', '停用库', 1);
    INSERT INTO dbj003 (cgsh, ckh, ckmc, ltybs) VALUES ('02', '05', '别家库', 0);
    -- Vehicle models: usable, disabled, another company's.
    INSERT INTO dxl002 (cgsh, ccxh, ccxmc, ltybs) VALUES ('01', 'J1', '解放', 0);
    INSERT INTO dxl002 (cgsh, ccxh, ccxmc, ltybs) VALUES ('01', 'J9', '旧车型', 1);
    INSERT INTO dxl002 (cgsh, ccxh, ccxmc, ltybs) VALUES ('02', 'D1', '东风', 0);

    -- Parts of company 01. The piston carries every field the picker hands back.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cjldw, cpym, lcyjbs, cflh, ccxh, nckdj, nwxdj, ncgdj, ncbgx, ncbdx, ccjh, ltybs)
      VALUES ('01', 'JL01 0112', '活塞', '个', 'HS', 1, 'A01', 'J1', 12.50, 15.00, 10.00, 20, 2, 'CJ-0112', 0);
    -- A second piston part: a name search finds both, the popup's part number keeps one.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cjldw, cpym, lcyjbs, cflh, ccxh, ltybs)
      VALUES ('01', 'JL01 0113', '活塞环', '个', 'HSH', 0, 'A01', 'J1', 0);
    -- A common part of another category and model, with a fractional stock.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cjldw, cpym, lcyjbs, cflh, ccxh, ltybs)
      VALUES ('01', 'JL02 0200', '机油滤清器', '只', 'JYLQQ', 1, 'A02', 'J9', 0);
    -- Main group 'AB12' with a blank fifth character, and the same digits without it.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, lcyjbs, ltybs) VALUES ('01', 'AB12 0300', '垫片', 'DP', 0, 0);
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, lcyjbs, ltybs) VALUES ('01', 'AB120300', '垫圈', 'DQ', 0, 0);
    -- Stock 0 but a locked quantity: available -1 keeps it in the stock list.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, lcyjbs, ltybs) VALUES ('01', 'JL03 0001', '锁定件', 'SDJ', 0, 0);
    -- All zero: only in the zero-stock list.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, lcyjbs, ltybs) VALUES ('01', 'JL04 0400', '零库存件', 'LKCJ', 0, 0);
    -- Company 02's piston: never shown to company 01, never on its labels.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, cpym, lcyjbs, ltybs) VALUES ('02', 'JL01 0112', '别家活塞', 'HS', 1, 0);

    -- Stock of company 01 (NO01 0001 has no part record: shown with empty part data).
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl, nsdsl, ndj) VALUES ('01', '01', 'JL01 0112', 'A1', 'A1-05', 7, 1, 10.00);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl, ndj) VALUES ('01', '02', 'JL01 0112', 'A1', 'A1-01', 5, 10.00);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl) VALUES ('01', '01', 'JL01 0113', 'A1', 'A1-02', 1);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl) VALUES ('01', '01', 'JL02 0200', 'B1', 'B1-03', 2.5);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl) VALUES ('01', '02', 'AB12 0300', 'B1', 'B1-07', 3);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl) VALUES ('01', '02', 'AB120300', 'B1', 'B1-08', 4);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl, nsdsl) VALUES ('01', '01', 'JL03 0001', 'A1', 'A1-09', 0, 1);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl) VALUES ('01', '01', 'JL04 0400', 'A1', 'A1-10', 0);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl) VALUES ('01', '01', 'NO01 0001', 'C1', 'C1-01', 1);
    INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl) VALUES ('02', '05', 'JL01 0112', 'B1', 'B1-01', 9);

    -- Issues of the piston: March last year (3), January this year (4) and a receipt this
    -- year that is no issue; company 02's issue of its own piston is not 01's.
    INSERT INTO dbj028 (crcdh, cgsh, ckh, drq, clx) VALUES ('C2503', '01', '01', '2025-03-10 09:00:00', 'C');
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('C2503', 1, 'JL01 0112', 3);
    INSERT INTO dbj028 (crcdh, cgsh, ckh, drq, clx) VALUES ('C2601', '01', '02', '2026-01-20 09:00:00', 'C');
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('C2601', 1, 'JL01 0112', 4);
    INSERT INTO dbj028 (crcdh, cgsh, ckh, drq, clx) VALUES ('R2602', '01', '01', '2026-02-01 09:00:00', 'R');
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('R2602', 1, 'JL01 0112', 50);
    INSERT INTO dbj028 (crcdh, cgsh, ckh, drq, clx) VALUES ('C2601B', '02', '05', '2026-01-05 09:00:00', 'C');
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('C2601B', 1, 'JL01 0112', 100);
  )sql");
}

inline const bool stock_enquiry_forms_registered = [] {
  lib::load_module();
  return true;
}();

class StockEnquiryScenario : public testing::TestWithParam<db::Backend> {
 protected:
  void SetUp() override {
    db::set_fixed_now(db::DateTime::parse("2026-12-08 10:00:00"));
    seed_stock_enquiry_data(*sc.database().connect());
    sc.ok(
        {{"op", "host"},
         {"globals",
          {{"gs_yhssgsh", "01"}, {"gs_tsxx", "提示信息"}, {"gs_title", "配件管理-"}, {"gs_dq", "一号店-"}}}});
  }
  void TearDown() override { db::set_fixed_now(std::nullopt); }

  json ok(const json& r) { return sc.ok(r); }
  json open(const std::string& window, const std::string& parm) {
    return ok({{"op", "open"}, {"window", window}, {"parm", parm}});
  }
  // Rows of dw_edit as "warehouse/part".
  std::vector<std::string> stock(const std::string& window = "w_bj704_001") {
    std::vector<std::string> out;
    for (const auto& r : sc.rows(window, "dw_edit"))
      out.push_back(r["dbj030_ckh"].get<std::string>() + "/" + r["dbj030_ccph"].get<std::string>());
    return out;
  }
  json grid(const std::string& window, const std::string& control = "dw_edit") {
    return sc.control(window, control);
  }
  // Types into the search field and presses Enter; in modes 2..7 the part-number popup opens
  // and is answered with `popup` (Enter on that text).
  json search(const std::string& window, const std::string& text, const char* popup = nullptr) {
    sc.type(window, "sle_1", text);
    json s = sc.key(window, "sle_1", "enter");
    if (popup) s = answer_popup(popup);
    return s;
  }
  json answer_popup(const std::string& text) {
    EXPECT_TRUE(popup_open()) << "the part-number popup was expected";
    sc.type("w_bj704_002", "sle_1", text);
    return sc.key("w_bj704_002", "sle_1", "enter");
  }
  bool popup_open() {
    for (const auto& c : sc.window_classes())
      if (c == "w_bj704_002") return true;
    return false;
  }
  static std::vector<std::string> texts(const json& messages) {
    std::vector<std::string> out;
    for (const auto& m : messages) out.push_back(m["text"]);
    return out;
  }
  // The form object itself, read while the session waits (for state the protocol does not
  // show: the query mode, the warehouse flag).
  template <class W = stock_enquiry::w_bj704_001>
  W& form(const std::string& window = "w_bj704_001") {
    W* w = nullptr;
    sc.session().read([&] { w = dynamic_cast<W*>(sc.session().windows().find(window)); });
    if (!w) throw std::runtime_error("no form " + window);
    return *w;
  }

  Scenario sc{GetParam(), false};
};

}  // namespace sparestock::test
