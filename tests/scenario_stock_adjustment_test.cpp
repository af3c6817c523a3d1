// The stock adjustment form w_bj701_001 through the protocol: the open, storing a record with
// every check and message, the location states that follow a move, the filters, the menu's
// record commands and the list's status line.

#include <map>

#include "tests/scenario_stock_adjustment.h"

namespace sparestock::test {
namespace {

using Strings = std::vector<std::string>;
using StockAdjustment = StockAdjustmentScenario;

// 1. Opened on the company's ten records, in browse state: the list read-only and current,
//    the frame titled, 条件查询 and 浏览 disabled, the focus in the warehouse field, and the
//    user types only into zone, location and locked quantity.
TEST_P(StockAdjustment, OpensOnTheCompanysRecordsInBrowseState) {
  json s = open_form();
  EXPECT_TRUE(s["messages"].empty()) << s["messages"].dump();
  EXPECT_EQ(s["frame"]["title"], "配件管理-一号店-库存特殊调整");
  json w = desk.window();
  EXPECT_EQ(w["focus"], "sle_1");
  const json& c = w["controls"];
  EXPECT_EQ(c["dw_display"]["dataobject"], "d_bj701_002");
  EXPECT_TRUE(c["dw_display"]["readonly"].get<bool>());
  EXPECT_TRUE(c["dw_display"]["enabled"].get<bool>());
  EXPECT_EQ(c["dw_display"]["rowcount"], 10);
  EXPECT_EQ(c["dw_edit"]["dataobject"], "d_bj701_001");
  EXPECT_EQ(c["dw_edit"]["rowcount"], 10);
  Strings editable;
  for (const auto& col : c["dw_edit"]["columns"])
    if (col["editable"].get<bool>()) editable.push_back(col["name"]);
  EXPECT_EQ(editable, (Strings{"ckqh", "nsdsl", "ckwh"}));
  for (const char* b : {"pb_1", "pb_2", "pb_3", "pb_4"}) EXPECT_EQ(c[b]["picture"], "locate.bmp");
  EXPECT_EQ((Strings{c["cb_1"]["text"], c["cb_2"]["text"], c["cb_3"]["text"]}),
            (Strings{"查询(&1)", "库存数据恢复(&2)", "清除空库位"}));
  EXPECT_EQ((Strings{c["st_1"]["text"], c["st_2"]["text"], c["st_3"]["text"], c["st_4"]["text"]}),
            (Strings{"库号", "备件号", "库区", "库位"}));

  std::map<std::string, bool> enabled;
  for (const auto& item : w["menu"]["items"])
    enabled[item["name"].get<std::string>()] = item["enabled"].get<bool>();
  EXPECT_EQ(w["menu"]["class"], "me_yshx");
  EXPECT_TRUE(enabled["m_change"]);
  EXPECT_FALSE(enabled["m_1"]);
  EXPECT_FALSE(enabled["m_4"]);

  sc.session().read([&] {
    auto& form = *dynamic_cast<stock_adjustment::w_bj701_001*>(sc.session().windows().find(W));
    EXPECT_EQ(form.is_primarykey, "cgsh , ckh , ccph");
    EXPECT_EQ(form.is_retrievecolumnstring, "cgsh");
    EXPECT_EQ(form.is_first_colname, "ckqh");
    EXPECT_EQ(form.is_last_colname, "nsdsl");
    EXPECT_FALSE(form.ib_issynchrosave);
    EXPECT_FALSE(form.ib_add);
    EXPECT_TRUE(form.dw_edit.grid.shares_with(form.dw_display.grid));
    EXPECT_EQ(sc.session().globals().gd_print, &form.dw_display.grid);
    EXPECT_EQ(sc.session().globals().gi_dwtype, 1);
  });
}

// 2. A company without stock records: 修改 disabled, nothing added.
TEST_P(StockAdjustment, ACompanyWithoutRecordsCannotStore) {
  exec("DELETE FROM dbj030");
  open_form();
  json w = desk.window();
  EXPECT_EQ(w["controls"]["dw_edit"]["rowcount"], 0);
  for (const auto& item : w["menu"]["items"]) {
    if (item["name"] == "m_change") {
      EXPECT_FALSE(item["enabled"].get<bool>());
    }
  }
}

// 3. A move with a locked quantity: A200 leaves L-02, where A300 still lies, for the free
//    L-03. The new location becomes occupied and the old one stays occupied, committed
//    together. Then A100 leaves L-01, where nothing else lies: L-01 becomes free.
TEST_P(StockAdjustment, AMoveOccupiesTheNewLocationAndFreesTheOldOneOnlyWhenEmpty) {
  open_form();
  desk.choose("A200");
  desk.edit("ckwh", "L-03");
  desk.edit("nsdsl", "3");
  json s = desk.store();
  EXPECT_TRUE(s["messages"].empty()) << s["messages"].dump();
  EXPECT_EQ(record("A200"), "01/A1/L-03|3.00");
  EXPECT_EQ(lzt("01", "A1", "L-03"), "1");
  EXPECT_EQ(lzt("01", "A1", "L-02"), "1");  // A300 still lies there

  desk.choose("A100");
  desk.edit("ckqh", "B1");
  s = desk.store();
  EXPECT_TRUE(s["messages"].empty()) << s["messages"].dump();
  EXPECT_EQ(record("A100"), "01/B1/L-01|1.00");
  EXPECT_EQ(lzt("01", "B1", "L-01"), "1");
  EXPECT_EQ(lzt("01", "A1", "L-01"), "0");
  // Browse state again.
  json w = desk.window();
  EXPECT_TRUE(w["controls"]["dw_display"]["enabled"].get<bool>());
}

// 4. A record whose place is unchanged is stored without touching dbj005 (even a location
//    state that does not match is left as it is).
TEST_P(StockAdjustment, AnUnchangedPlaceLeavesTheLocationsAlone) {
  exec("UPDATE dbj005 SET lzt = 0 WHERE cgsh = '01' AND ckwh = 'L-01'");
  open_form();
  desk.choose("A100");
  desk.edit("nsdsl", "2");
  json s = desk.store();
  EXPECT_TRUE(s["messages"].empty()) << s["messages"].dump();
  EXPECT_EQ(record("A100"), "01/A1/L-01|2.00");
  EXPECT_EQ(lzt("01", "A1", "L-01"), "0");
}

// 5. A100 can lock 10 - 2 - 3 = 5: exactly 5 is stored; one cent more is refused together
//    with the move in the same store, and nothing is written.
TEST_P(StockAdjustment, ALockedQuantityMayTakeUpToTheAvailableQuantity) {
  open_form();
  desk.choose("A100");
  desk.edit("nsdsl", "5");
  EXPECT_TRUE(desk.store()["messages"].empty());
  EXPECT_EQ(record("A100"), "01/A1/L-01|5.00");

  desk.edit("ckwh", "L-03");
  desk.edit("nsdsl", "5.01");
  json s = desk.store();
  EXPECT_EQ(texts(s), Strings{"锁定数量应小于库存可用数量!"});
  EXPECT_EQ(s["messages"][0]["title"], "提示信息");
  EXPECT_EQ(record("A100"), "01/A1/L-01|5.00");
  EXPECT_EQ(lzt("01", "A1", "L-03"), "0");
  EXPECT_EQ(lzt("01", "A1", "L-01"), "1");
}

// 6. A300 holds 6 locked with only 4 available; its locked quantity unchanged, it moves
//    without a message.
TEST_P(StockAdjustment, AnUnchangedLockedQuantityAboveTheAvailableIsNotCheckedAgain) {
  open_form();
  desk.choose("A300");
  desk.edit("ckwh", "L-03");
  json s = desk.store();
  EXPECT_TRUE(s["messages"].empty()) << s["messages"].dump();
  EXPECT_EQ(record("A300"), "01/A1/L-03|6.00");
  EXPECT_EQ(lzt("01", "A1", "L-02"), "1");  // A200 still lies there
}

// 7. The store's refusals: each leaves the record as stored.
TEST_P(StockAdjustment, EmptyCodesUnknownLocationsAndNegativeQuantitiesAreRefused) {
  open_form();
  struct Case {
    std::vector<std::pair<const char*, const char*>> edits;
    const char* message;
  } cases[] = {
      {{{"ckwh", ""}}, "请输入库位号！"},
      {{{"ckqh", ""}}, "请输入库区号！"},
      {{{"ckwh", "X-99"}}, "此公司，此仓库，此库区，此库位不存在!"},
      // Zone B1 holds an L-01 but no L-02; company 02's L-03 in A1 of warehouse 01 is not ours.
      {{{"ckqh", "B1"}}, "此公司，此仓库，此库区，此库位不存在!"},
  };
  for (const auto& c : cases) {
    desk.choose("A200");
    for (const auto& [column, value] : c.edits) desk.edit(column, value);
    json s = desk.store();
    EXPECT_EQ(texts(s), Strings{c.message}) << c.edits[0].first << "=" << c.edits[0].second;
    EXPECT_EQ(record("A200"), "01/A1/L-02|0.00");
    desk.ok({{"op", "event"}, {"window", W}, {"name", "ue_cancel"}});
  }
  exec("DELETE FROM dbj005 WHERE cgsh = '01' AND ckwh = 'L-03'");
  desk.choose("A200");
  desk.edit("ckwh", "L-03");
  EXPECT_EQ(texts(desk.store()), Strings{"此公司，此仓库，此库区，此库位不存在!"});
  desk.ok({{"op", "event"}, {"window", W}, {"name", "ue_cancel"}});

  // The warehouse is the record's key and cannot be typed; emptied by other means it is
  // refused all the same.
  long row = desk.row_of("A200");
  sc.session().post([&] {
    auto* form = dynamic_cast<stock_adjustment::w_bj701_001*>(sc.session().windows().find(W));
    form->dw_edit.grid.setitem(row, "ckh", db::Value(""));
  });
  desk.choose("A200");
  EXPECT_EQ(texts(desk.store()), Strings{"请输入库号！"});
  desk.ok({{"op", "event"}, {"window", W}, {"name", "ue_cancel"}});

  // A negative locked quantity typed becomes 0 without a message; one already stored is
  // refused by the store.
  desk.choose("A300");
  json s = desk.edit("nsdsl", "-3");
  EXPECT_TRUE(s["messages"].empty());
  EXPECT_EQ(desk.rows("dw_edit")[desk.row_of("A300") - 1]["nsdsl"], 0);
  desk.ok({{"op", "event"}, {"window", W}, {"name", "ue_cancel"}});
  desk.choose("N100");
  s = desk.store();
  EXPECT_EQ(texts(s), Strings{"锁定数量小于0 !!"});
  EXPECT_EQ(record("N100"), "01/A1/L-06|-1.00");

  // A location present but disabled is a place a record may move to.
  desk.ok({{"op", "event"}, {"window", W}, {"name", "ue_cancel"}});
  desk.choose("A200");
  desk.edit("ckwh", "L-05");
  EXPECT_TRUE(desk.store()["messages"].empty());
  EXPECT_EQ(record("A200"), "01/A1/L-05|0.00");
  EXPECT_EQ(lzt("01", "A1", "L-05"), "1");
}

// 8. The edit checks of the grid: an unknown zone is refused at once; a zone of any company
//    is accepted.
TEST_P(StockAdjustment, TheGridRefusesAnUnknownZoneAsItIsTyped) {
  open_form();
  desk.choose("A200");
  json s = desk.edit("ckqh", "ZZ");
  EXPECT_EQ(texts(s), Strings{"库区号不正确，请重新输入!"});
  // The text stays for correction: the store cannot go on until it is corrected.
  EXPECT_EQ(texts(desk.store()), Strings{"库区号不正确，请重新输入!"});
  desk.edit("ckqh", "B1");
  desk.edit("ckwh", "L-01");
  EXPECT_TRUE(desk.store()["messages"].empty());
  EXPECT_EQ(record("A200"), "01/B1/L-01|0.00");
}

// 9. A required column left empty names the row and the column's heading.
TEST_P(StockAdjustment, ARequiredColumnLeftEmptyIsNamed) {
  open_form();
  desk.choose("A300");
  long row = desk.row_of("A300");
  desk.edit("nsdsl", "");
  json s = desk.store();
  ASSERT_EQ(s["messages"].size(), 1u);
  EXPECT_EQ(s["messages"][0]["title"], "数据错误！");
  EXPECT_EQ(s["messages"][0]["text"], "请在第 " + std::to_string(row) + " 行 锁定数量 列输入数据！");
  EXPECT_EQ(record("A300"), "01/A1/L-02|6.00");
}

// 10. Every record the store writes is checked, not only the current one: A100 given more
//     than it can lock, then A200 chosen and stored, is refused on A100's row.
TEST_P(StockAdjustment, EveryChangedRecordIsCheckedBeforeAnyIsWritten) {
  open_form();
  desk.choose("A100");
  desk.edit("nsdsl", "9");
  desk.choose("A200");
  desk.edit("ckwh", "L-03");
  json s = desk.store();
  EXPECT_EQ(texts(s), Strings{"锁定数量应小于库存可用数量!"});
  EXPECT_EQ(record("A100"), "01/A1/L-01|1.00");
  EXPECT_EQ(record("A200"), "01/A1/L-02|0.00");
  EXPECT_EQ(lzt("01", "A1", "L-03"), "0");
  // The refused record is the one in view now.
  EXPECT_EQ(desk.control("dw_edit")["row"], desk.row_of("A100"));
  EXPECT_EQ(desk.control("dw_display")["row"], desk.row_of("A100"));
  // Corrected, both are stored together.
  desk.edit("nsdsl", "4");
  EXPECT_TRUE(desk.store()["messages"].empty());
  EXPECT_EQ(record("A100"), "01/A1/L-01|4.00");
  EXPECT_EQ(record("A200"), "01/A1/L-03|0.00");
}

// 11. A store the database refuses is told with the database's text and writes nothing; a
//     refusal while the locations follow rolls the record back as well.
TEST_P(StockAdjustment, AStoreTheDatabaseRefusesIsShownAndWritesNothing) {
  refuse_in_trigger("refuse_lock", "dbj030", "UPDATE", "NEW.nsdsl = 4", "locked by stocktaking");
  refuse_in_trigger("refuse_occupy", "dbj005", "UPDATE", "NEW.ckwh = 'L-05' AND NEW.lzt = 1",
                    "location under repair");
  open_form();
  desk.choose("A200");
  desk.edit("ckwh", "L-03");
  desk.edit("nsdsl", "4");
  json s = desk.store();
  ASSERT_EQ(s["messages"].size(), 1u) << s["messages"].dump();
  EXPECT_EQ(s["messages"][0]["icon"], "stopsign");
  EXPECT_NE(s["messages"][0]["text"].get<std::string>().find("locked by stocktaking"), std::string::npos)
      << s["messages"][0]["text"];
  EXPECT_EQ(record("A200"), "01/A1/L-02|0.00");
  EXPECT_EQ(lzt("01", "A1", "L-03"), "0");

  desk.edit("nsdsl", "2");
  desk.edit("ckwh", "L-05");
  s = desk.store();
  EXPECT_EQ(texts(s), Strings{"更新库位状态有误2!"});
  EXPECT_EQ(record("A200"), "01/A1/L-02|0.00");
  EXPECT_EQ(lzt("01", "A1", "L-05"), "0");
  // Stored elsewhere once the refusal is out of the way.
  desk.edit("ckwh", "L-03");
  EXPECT_TRUE(desk.store()["messages"].empty());
  EXPECT_EQ(record("A200"), "01/A1/L-03|2.00");
}

// 12. The menu's 删除 and 增加 do nothing on this form.
TEST_P(StockAdjustment, TheMenusDeleteAndAddDoNothing) {
  open_form();
  desk.choose("A100");
  json s = desk.ok({{"op", "menu"}, {"window", W}, {"item", "m_delete"}});
  EXPECT_TRUE(s["messages"].empty());
  EXPECT_EQ(s["pending"], nullptr);
  s = desk.ok({{"op", "menu"}, {"window", W}, {"item", "m_add"}});
  EXPECT_EQ(desk.control("dw_edit")["rowcount"], 10);
  desk.store();
  EXPECT_EQ(query("SELECT count(*) AS c FROM dbj030 WHERE cgsh = '01'"), "10");
  EXPECT_EQ(record("A100"), "01/A1/L-01|1.00");
}

// 13. The filter button: warehouse and zone; a part that cannot be used; typed quotes are
//     values, so a part number with a quote is found and a location text shaped like a
//     condition matches nothing.
TEST_P(StockAdjustment, TheFilterButtonTakesTypedTextAsValues) {
  open_form();
  desk.ok({{"op", "text"}, {"window", W}, {"control", "sle_1"}, {"value", "01"}});
  desk.ok({{"op", "text"}, {"window", W}, {"control", "sle_3"}, {"value", "a1"}});
  desk.click("cb_1");
  json list = desk.control("dw_display");
  EXPECT_EQ(list["filter"], " 1=1  and ckh=\"01\" and ckqh=\"A1\"");
  EXPECT_EQ(desk.column("dw_display", "ccph"), (Strings{"A100", "A200", "A300", "N100", "Q\"1"}));
  EXPECT_EQ(list["row"], 1);
  EXPECT_EQ(list["selected"], json({1}));

  desk.ok({{"op", "text"}, {"window", W}, {"control", "sle_2"}, {"value", "Z900"}});
  json s = desk.click("cb_1");
  EXPECT_EQ(texts(s), Strings{"备件号不正确，请重新输入!"});
  EXPECT_EQ(desk.control("dw_display")["filter"], " 1=1  and ckh=\"01\" and ckqh=\"A1\"");

  desk.ok({{"op", "text"}, {"window", W}, {"control", "sle_2"}, {"value", "Q\"1"}});
  desk.click("cb_1");
  EXPECT_EQ(desk.column("dw_display", "ccph"), Strings{"Q\"1"});

  desk.ok({{"op", "text"}, {"window", W}, {"control", "sle_2"}, {"value", ""}});
  desk.ok({{"op", "text"}, {"window", W}, {"control", "sle_4"}, {"value", "\" or \"\"=\""}});
  desk.click("cb_1");
  EXPECT_EQ(desk.control("dw_display")["rowcount"], 0);

  // All fields empty: every record.
  for (const char* f : {"sle_1", "sle_3", "sle_4"})
    desk.ok({{"op", "text"}, {"window", W}, {"control", f}, {"value", ""}});
  desk.click("cb_1");
  EXPECT_EQ(desk.control("dw_display")["filter"], " 1=1 ");
  EXPECT_EQ(desk.control("dw_display")["rowcount"], 10);
}

// 14. The query command: the warehouse field narrows the query form's answer, kept whole.
TEST_P(StockAdjustment, TheQueryKeepsTheWarehouseOfTheFilterField) {
  open_form();
  desk.ok({{"op", "text"}, {"window", W}, {"control", "sle_1"}, {"value", "01"}});
  // Cancelled (or empty): the warehouse alone.
  desk.ok({{"op", "event"}, {"window", W}, {"name", "ue_query"}});
  desk.click("cb_4", "w_cx");
  EXPECT_EQ(desk.control("dw_display")["filter"], "ckh = '01'");
  EXPECT_EQ(desk.control("dw_display")["rowcount"], 5);

  // Two zones joined by or: still only warehouse 01 (B2 and B1 lie in warehouse 02).
  desk.ok({{"op", "event"}, {"window", W}, {"name", "ue_query"}});
  for (const char* zone : {"A1", "B2"}) {
    desk.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_1"}, {"value", "库区号"}});
    desk.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_2"}, {"value", "等于"}});
    desk.ok({{"op", "text"}, {"window", "w_cx"}, {"control", "sle_1"}, {"value", zone}});
    desk.click("rb_2", "w_cx");
    desk.click("cb_1", "w_cx");
  }
  desk.click("cb_3", "w_cx");
  std::string filter = desk.control("dw_display")["filter"];
  EXPECT_TRUE(filter.starts_with("(") && filter.ends_with(") and ckh = '01'")) << filter;
  EXPECT_NE(filter.find(" or "), std::string::npos) << filter;
  for (const auto& ckh : desk.column("dw_display", "ckh")) EXPECT_EQ(ckh, "01");
  EXPECT_EQ(desk.control("dw_display")["rowcount"], 5);

  // Nothing matches: told with the form's title, and the filter is cleared.
  desk.ok({{"op", "text"}, {"window", W}, {"control", "sle_1"}, {"value", "05"}});
  desk.ok({{"op", "event"}, {"window", W}, {"name", "ue_query"}});
  json s = desk.click("cb_4", "w_cx");
  ASSERT_EQ(texts(s), Strings{"没有符合条件的记录"});
  EXPECT_EQ(s["messages"][0]["title"], "库存特殊调整");
  EXPECT_EQ(desk.control("dw_display")["filter"], "");
  EXPECT_EQ(desk.control("dw_display")["rowcount"], 10);
}

// 15. The filter fields' checks on Enter, and the pick lists.
TEST_P(StockAdjustment, FilterFieldsCheckTheirCodesAndOpenTheirPickLists) {
  open_form();
  struct Case {
    const char* field;
    const char* text;
    const char* message;  // nullptr: accepted
  } cases[] = {
      {"sle_1", "09", "库号不正确，请重新输入!"},  // disabled
      {"sle_1", "05", "库号不正确，请重新输入!"},  // company 02's
      {"sle_1", "02", nullptr},
      {"sle_3", "ZZ", "库区号不正确，请重新输入!"},
      {"sle_3", "B3", nullptr},
      {"sle_4", "L-05", "库位号不正确，请重新输入!"},  // disabled
      {"sle_4", "L-03", nullptr},
      {"sle_2", "NOSUCH", nullptr},  // the part field checks nothing on Enter
  };
  for (const auto& c : cases) {
    desk.ok({{"op", "text"}, {"window", W}, {"control", c.field}, {"value", c.text}});
    json s = desk.ok({{"op", "key"}, {"window", W}, {"control", c.field}, {"key", "enter"}});
    EXPECT_EQ(texts(s), c.message ? Strings{c.message} : Strings{}) << c.field << " " << c.text;
    EXPECT_EQ(desk.window()["focus"], c.field);  // these fields keep the focus
  }

  // The location list is narrowed by the warehouse and zone typed.
  desk.ok({{"op", "text"}, {"window", W}, {"control", "sle_1"}, {"value", "01"}});
  desk.ok({{"op", "text"}, {"window", W}, {"control", "sle_3"}, {"value", "A1"}});
  desk.ok({{"op", "key"}, {"window", W}, {"control", "sle_4"}, {"key", "f9"}});
  json list = desk.control("dw_1", "w_pick_list");
  Strings headings;
  for (const auto& col : list["columns"])
    if (col["visible"].get<bool>()) headings.push_back(col["heading"]);
  EXPECT_EQ(headings, (Strings{"库号", "库区号", "库位号", "库位状态"}));
  EXPECT_EQ(desk.column("dw_1", "ckwh", "w_pick_list"), (Strings{"L-01", "L-02", "L-03", "L-06"}));
  desk.ok({{"op", "pick"}, {"value", "L-03"}});
  EXPECT_EQ(desk.control("sle_4")["text"], "L-03");
  EXPECT_EQ(desk.window()["focus"], "sle_4");
  // A cancelled list leaves the text.
  desk.ok({{"op", "key"}, {"window", W}, {"control", "sle_1"}, {"key", "f9"}});
  desk.ok({{"op", "pick"}, {"value", ""}});
  EXPECT_EQ(desk.control("sle_1")["text"], "01");
}

// 16. The list's status line and highlight follow the chosen row; the headings change
//     nothing.
TEST_P(StockAdjustment, TheListShowsTheChosenRowInTheStatusLine) {
  open_form();
  json s = desk.ok(
      {{"op", "grid"}, {"window", W}, {"control", "dw_display"}, {"action", "click"}, {"row", 3}});
  EXPECT_EQ(s["frame"]["microhelp"], "行数3/10");
  EXPECT_EQ(desk.control("dw_display")["selected"], json({3}));
  EXPECT_EQ(desk.control("dw_edit")["row"], 3);
  s = desk.ok(
      {{"op", "grid"}, {"window", W}, {"control", "dw_display"}, {"action", "click"}, {"band", "header"}});
  EXPECT_EQ(s["frame"]["microhelp"], "行数3/10");
  s = desk.ok({{"op", "grid"}, {"window", W}, {"control", "dw_display"}, {"action", "key"}, {"key", "down"}});
  EXPECT_EQ(s["frame"]["microhelp"], "行数4/10");
  EXPECT_EQ(desk.control("dw_display")["selected"], json({4}));
  EXPECT_EQ(desk.control("dw_edit")["row"], 4);
}

INSTANTIATE_TEST_SUITE_P(Backends, StockAdjustment, testing::ValuesIn(backends()), backend_name_of);

}  // namespace
}  // namespace sparestock::test
