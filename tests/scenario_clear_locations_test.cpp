// The clearing of empty locations w_bj701_001_001 through the protocol: the list, selection,
// the filter fields, and the clearing as one unit of work that never removes stock.

#include "tests/scenario_stock_adjustment.h"

namespace sparestock::test {
namespace {

using Strings = std::vector<std::string>;

class ClearLocations : public StockAdjustmentScenario {
 protected:
  json open_dialog() {
    open_form();
    return desk.click("cb_3");
  }
  Strings parts() { return desk.column("dw_1", "ccph", D); }
  json selected() { return desk.control("dw_1", D)["selected"]; }
  json click_row(long row, const std::string& band = "detail") {
    return desk.ok(
        {{"op", "grid"}, {"window", D}, {"control", "dw_1"}, {"action", "click"}, {"row", row}, {"band", band}});
  }
  json type(const std::string& field, const std::string& text) {
    return desk.ok({{"op", "text"}, {"window", D}, {"control", field}, {"value", text}});
  }
  json enter(const std::string& field) {
    return desk.ok({{"op", "key"}, {"window", D}, {"control", field}, {"key", "enter"}});
  }
  // The company's records of warehouse 02: "part@location".
  std::string warehouse_02() {
    return query("SELECT ccph || '@' || ckwh AS r FROM dbj030 WHERE cgsh = '01' AND ckh = '02' ORDER BY ccph");
  }
};

// 1. The empty records of the company that no document lists, by warehouse and zone; E300
//    holds stock, E500 is on a receipt, company 02's E100 is not ours.
TEST_P(ClearLocations, ListsTheEmptyRecordsNoDocumentMentions) {
  json s = open_dialog();
  EXPECT_TRUE(s["messages"].empty()) << s["messages"].dump();
  json w = desk.window(D);
  ASSERT_FALSE(w.is_null());
  EXPECT_EQ(w["title"], "清除空库位");
  EXPECT_EQ(w["focus"], "sle_1");
  EXPECT_TRUE(w["controls"]["dw_1"]["readonly"].get<bool>());
  EXPECT_EQ(w["controls"]["dw_1"]["dataobject"], "d_bj701_003");
  EXPECT_EQ(parts(), (Strings{"E100", "E200", "E400"}));
  EXPECT_EQ(desk.column("dw_1", "ckwh", D), (Strings{"E-01", "E-02", "E-03"}));
  Strings captions;
  for (const char* b : {"cb_5", "cb_2", "cb_3", "cb_1", "cb_4"}) captions.push_back(w["controls"][b]["text"]);
  EXPECT_EQ(captions, (Strings{"查询", "全选", "取消全选", "清除所选空库位", "返回"}));
  desk.click("cb_4", D);
  EXPECT_TRUE(desk.window(D).is_null());
}

// 2. Clicks toggle single rows; the header band changes nothing; 全选 / 取消全选 all rows.
TEST_P(ClearLocations, ClicksToggleRowsAndTheHeaderChangesNothing) {
  open_dialog();
  click_row(2);
  EXPECT_EQ(selected(), json({2}));
  click_row(3);
  EXPECT_EQ(selected(), json({2, 3}));
  click_row(2);
  EXPECT_EQ(selected(), json({3}));
  click_row(0, "header");
  EXPECT_EQ(selected(), json({3}));
  desk.click("cb_2", D);
  EXPECT_EQ(selected(), json({1, 2, 3}));
  desk.click("cb_3", D);
  EXPECT_EQ(selected(), json::array());
}

// 3. Every row selected and cleared in one commit: the list is empty afterwards, the freed
//    locations are free, and E300 (not empty) keeps its record and its location occupied.
TEST_P(ClearLocations, ClearingEverySelectedRowInOneCommit) {
  open_dialog();
  desk.click("cb_2", D);
  json s = desk.click("cb_1", D);
  EXPECT_TRUE(s["messages"].empty()) << s["messages"].dump();
  EXPECT_EQ(desk.control("dw_1", D)["rowcount"], 0);
  EXPECT_EQ(warehouse_02(), "E300@E-02; E500@E-04");
  EXPECT_EQ(lzt("02", "B1", "E-01"), "0");
  EXPECT_EQ(lzt("02", "B2", "E-02"), "1");
  EXPECT_EQ(lzt("02", "B3", "E-03"), "0");
  EXPECT_EQ(lzt("02", "B3", "E-04"), "1");
  EXPECT_EQ(query("SELECT count(*) AS c FROM dbj030 WHERE cgsh = '02'"), "1");
}

// 4. A failure on the third selected row leaves the first two uncleared; the list stays.
TEST_P(ClearLocations, AFailureOnTheThirdRowLeavesTheFirstTwo) {
  refuse_in_trigger("refuse_clear", "dbj030", "DELETE", "OLD.ccph = 'E400'", "record in use");
  open_dialog();
  desk.click("cb_2", D);
  json s = desk.click("cb_1", D);
  EXPECT_EQ(texts(s), Strings{"清除备件零库存数据时，更改信息失败!"});
  EXPECT_EQ(warehouse_02(), "E100@E-01; E200@E-02; E300@E-02; E400@E-03; E500@E-04");
  EXPECT_EQ(lzt("02", "B1", "E-01"), "1");
  EXPECT_EQ(parts(), (Strings{"E100", "E200", "E400"}));
  EXPECT_EQ(selected(), json({1, 2, 3}));

  // Freeing a location refused: the other message, everything rolled back as well.
  exec(GetParam() == db::Backend::Sqlite ? "DROP TRIGGER refuse_clear"
                                         : "DROP TRIGGER refuse_clear ON dbj030");
  refuse_in_trigger("refuse_free", "dbj005", "UPDATE", "NEW.ckwh = 'E-03' AND NEW.lzt = 0",
                    "location audited");
  s = desk.click("cb_1", D);
  EXPECT_EQ(texts(s), Strings{"清除备件零库存数据时，更改库位信息失败!"});
  EXPECT_EQ(warehouse_02(), "E100@E-01; E200@E-02; E300@E-02; E400@E-03; E500@E-04");
}

// 5. The clearing deletes only the listed part's record, and only while all its quantities
//    are still zero: a record that received stock after the list was read is kept with its
//    location occupied.
TEST_P(ClearLocations, AClearingNeverRemovesStock) {
  open_dialog();
  exec("UPDATE dbj030 SET nbqrk = 1, nkcsl = 1 WHERE cgsh = '01' AND ccph = 'E100'");
  click_row(1);
  click_row(2);
  json s = desk.click("cb_1", D);
  EXPECT_TRUE(s["messages"].empty()) << s["messages"].dump();
  EXPECT_EQ(warehouse_02(), "E100@E-01; E300@E-02; E400@E-03; E500@E-04");
  EXPECT_EQ(lzt("02", "B1", "E-01"), "1");
  EXPECT_EQ(lzt("02", "B2", "E-02"), "1");
  // Retrieved again: E100 now holds stock and is not listed; no filter, no selection.
  EXPECT_EQ(parts(), Strings{"E400"});
  EXPECT_EQ(selected(), json::array());
}

// 6. The filter fields: Enter checks and moves on (warehouse, zone, location, part, then the
//    query button); a code not found keeps the focus; the filter narrows the list and is gone
//    after a clearing.
TEST_P(ClearLocations, FilterFieldsMoveOnAndTheFilterIsGoneAfterAClearing) {
  open_dialog();
  type("sle_1", "09");
  EXPECT_EQ(texts(enter("sle_1")), Strings{"库号不正确，请重新输入!"});
  EXPECT_EQ(desk.window(D)["focus"], "sle_1");
  type("sle_1", "02");
  EXPECT_TRUE(enter("sle_1")["messages"].empty());
  EXPECT_EQ(desk.window(D)["focus"], "sle_3");
  type("sle_3", "ZZ");
  EXPECT_EQ(texts(enter("sle_3")), Strings{"库区号不正确，请重新输入!"});
  EXPECT_EQ(desk.window(D)["focus"], "sle_3");
  type("sle_3", "b2");
  enter("sle_3");
  EXPECT_EQ(desk.window(D)["focus"], "sle_4");
  enter("sle_4");  // empty: not checked, the focus moves on
  EXPECT_EQ(desk.window(D)["focus"], "sle_2");
  enter("sle_2");
  EXPECT_EQ(desk.window(D)["focus"], "cb_5");
  desk.click("cb_5", D);
  EXPECT_EQ(desk.control("dw_1", D)["filter"], " 1=1  and ckh=\"02\" and ckqh=\"B2\"");
  EXPECT_EQ(parts(), Strings{"E200"});
  EXPECT_EQ(selected(), json({1}));

  type("sle_2", "Z900");
  EXPECT_EQ(texts(desk.click("cb_5", D)), Strings{"备件号不正确，请重新输入!"});
  EXPECT_EQ(parts(), Strings{"E200"});

  desk.click("cb_1", D);
  EXPECT_EQ(desk.control("dw_1", D)["filter"], "");
  EXPECT_EQ(parts(), (Strings{"E100", "E400"}));
  EXPECT_EQ(selected(), json::array());
}

// 7. The location list of this dialog heads its four columns with three headings from the
//    left and is not narrowed by the warehouse typed.
TEST_P(ClearLocations, TheLocationListHeadsItsColumnsFromTheLeft) {
  open_dialog();
  type("sle_1", "02");
  desk.ok({{"op", "key"}, {"window", D}, {"control", "sle_4"}, {"key", "f9"}});
  json list = desk.control("dw_1", "w_pick_list");
  Strings headings;
  for (const auto& col : list["columns"])
    if (col["visible"].get<bool>()) headings.push_back(col["heading"]);
  EXPECT_EQ(headings, (Strings{"库号", "库区", "库位", "lzt"}));
  Strings warehouses = desk.column("dw_1", "ckh", "w_pick_list");
  EXPECT_NE(std::find(warehouses.begin(), warehouses.end(), "01"), warehouses.end());
  desk.ok({{"op", "pick"}, {"value", "E-02"}});
  EXPECT_EQ(desk.control("sle_4", D)["text"], "E-02");
  EXPECT_EQ(desk.window(D)["focus"], "sle_4");
}

INSTANTIATE_TEST_SUITE_P(Backends, ClearLocations, testing::ValuesIn(backends()), backend_name_of);

}  // namespace
}  // namespace sparestock::test
