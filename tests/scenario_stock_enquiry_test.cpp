// The stock enquiry form w_bj704_001 through the protocol: the open with and without a
// warehouse, each mode's filter and messages, the popup's part number, the monthly figures,
// the status line, the query and sort commands, and the row handed back to the opener.

#include "tests/scenario_stock_enquiry.h"

namespace sparestock::test {
namespace {

using Rows = std::vector<std::string>;

// The company's eight stock rows (JL04 0400 holds no stock, company 02's row is not ours), in
// the order of the main group (characters 5 to 8), stable over the grid's own order
// (warehouse, then main group).
const Rows kAll = {"01/JL03 0001", "01/NO01 0001", "01/JL01 0112", "01/JL01 0113",
                   "02/JL01 0112", "01/JL02 0200", "02/AB12 0300", "02/AB120300"};

using StockEnquiry = StockEnquiryScenario;

// 1. Opened without a parameter: every stock row of the company, mode 1, nothing hidden that
//    mode 1 shows, the grid read-only and sorted by the main group.
TEST_P(StockEnquiry, OpensOnEveryRowOfTheCompanyInModeOne) {
  json s = sc.open("w_bj704_001");
  EXPECT_EQ(s["frame"]["title"], "配件管理-一号店-库存查询");
  EXPECT_TRUE(s["messages"].empty());
  EXPECT_EQ(stock(), kAll);
  json g = grid("w_bj704_001");
  EXPECT_EQ(g["dataobject"], "d_bj704_002");
  EXPECT_EQ(g["filter"], "");
  EXPECT_EQ(g["sort"], "mid(dbj030_ccph,5,4) A");
  EXPECT_TRUE(g["readonly"].get<bool>());
  EXPECT_EQ(grid("w_bj704_001", "dw_display")["dataobject"], "d_bj704_001");

  json w = sc.window("w_bj704_001");
  EXPECT_EQ(w["focus"], "sle_1");
  const json& c = w["controls"];
  EXPECT_EQ(c["st_1"]["text"], "按备件号查询");
  EXPECT_EQ(c["sle_1"]["text"], "");
  EXPECT_EQ(c["sle_1"]["limit"], 20);
  EXPECT_TRUE(c["sle_1"]["uppercase"].get<bool>());
  EXPECT_FALSE(c["pb_1"]["visible"].get<bool>());
  EXPECT_FALSE(c["ddlb_1"]["visible"].get<bool>());
  EXPECT_FALSE(c["cb_10"]["visible"].get<bool>());
  EXPECT_TRUE(c["cb_6"]["enabled"].get<bool>());
  EXPECT_TRUE(c["rb_1"]["checked"].get<bool>());
  EXPECT_TRUE(c["rb_4"]["checked"].get<bool>());
  EXPECT_EQ(c["st_2"]["text"], "请双击数据窗口带回所需要的值");
  std::vector<std::string> captions;
  for (const char* b : {"cb_1", "cb_2", "cb_3", "cb_4", "cb_5", "cb_6", "cb_7"})
    captions.push_back(c[b]["text"]);
  EXPECT_EQ(captions,
            (std::vector<std::string>{"按备件号(&1)", "按备件名称(&2)", "按拼音码(&5)", "按常用件(&6)",
                                      "按备件分类(&3)", "按库号(&4)", "按车型(&7)"}));
  EXPECT_EQ(c["ddlb_1"]["items"], json({"常用", "不常用"}));
  EXPECT_EQ(form().i_bs, 0);
  EXPECT_EQ(form().xlh, 1);
}

// 2. Opened with " 01 " (blanks, any case): warehouse 01 only, searched in mode 6 without the
//    popup, the warehouse mode disabled, pb_1 shown, then mode 1 with an empty field; the
//    warehouse's own search leaves the received-warehouse flag at 0, so Enter in mode 2 asks
//    for a part number, and every search keeps the warehouse.
TEST_P(StockEnquiry, OpenedWithAWarehouseWorksOnThatWarehouse) {
  json s = open("w_bj704_001", " 01 ");
  EXPECT_TRUE(s["messages"].empty()) << s["messages"].dump();
  EXPECT_EQ(grid("w_bj704_001")["filter"], "dbj030_ckh = '01'");
  EXPECT_EQ(stock(), (Rows{"01/JL03 0001", "01/NO01 0001", "01/JL01 0112", "01/JL01 0113", "01/JL02 0200"}));
  json c = sc.window("w_bj704_001")["controls"];
  EXPECT_FALSE(c["cb_6"]["enabled"].get<bool>());
  EXPECT_TRUE(c["pb_1"]["visible"].get<bool>());
  EXPECT_EQ(c["st_1"]["text"], "按备件号查询");
  EXPECT_EQ(c["sle_1"]["text"], "");
  EXPECT_EQ(form().ls_parm, "01");
  EXPECT_EQ(form().i_bs, 0);
  EXPECT_EQ(form().xlh, 1);
  // pb_1 stays until mode 3 or 4 is chosen, then stays hidden.
  sc.click("w_bj704_001", "cb_5");
  EXPECT_TRUE(sc.control("w_bj704_001", "pb_1")["visible"].get<bool>());
  sc.click("w_bj704_001", "cb_3");
  EXPECT_FALSE(sc.control("w_bj704_001", "pb_1")["visible"].get<bool>());
  sc.click("w_bj704_001", "cb_1");
  EXPECT_FALSE(sc.control("w_bj704_001", "pb_1")["visible"].get<bool>());

  // Mode 1 keeps the warehouse; typed text is the number after the main group.
  search("w_bj704_001", "011");
  EXPECT_EQ(stock(), (Rows{"01/JL01 0112", "01/JL01 0113"}));
  // Mode 2 asks for a part number first and still keeps the warehouse.
  sc.click("w_bj704_001", "cb_2");
  sc.type("w_bj704_001", "sle_1", "活塞");
  sc.key("w_bj704_001", "sle_1", "enter");
  ASSERT_TRUE(popup_open());
  answer_popup("");
  EXPECT_EQ(grid("w_bj704_001")["filter"], "(dbj002_ccpmc like '%活塞%') and (dbj030_ckh = '01')");
  EXPECT_EQ(stock(), (Rows{"01/JL01 0112", "01/JL01 0113"}));

  // The query command keeps the warehouse as well: only its conditions are the user's.
  sc.ok({{"op", "event"}, {"window", "w_bj704_001"}, {"name", "ue_query"}});
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_1"}, {"value", "备件号"}});
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_2"}, {"value", "匹配"}});
  sc.type("w_cx", "sle_1", "JL01%");
  sc.click("w_cx", "cb_3");
  EXPECT_EQ(grid("w_bj704_001")["filter"], "dbj030_ckh = '01' and (dbj030_ccph like 'JL01%')");
  EXPECT_EQ(stock(), (Rows{"01/JL01 0112", "01/JL01 0113"}));
}

// 3. A warehouse the company cannot use is refused at open; the form then stays restricted to
//    it (no row), with the flag still 1 so that Enter searches at once, without the popup.
TEST_P(StockEnquiry, AnUnusableWarehouseAtOpenIsRefused) {
  json s = open("w_bj704_001", "09");
  EXPECT_EQ(texts(s["messages"]), (std::vector<std::string>{"库号不正确，请重新输入!"}));
  EXPECT_EQ(form().i_bs, 1);
  sc.click("w_bj704_001", "cb_2");
  s = search("w_bj704_001", "活塞");
  EXPECT_FALSE(popup_open());
  EXPECT_EQ(texts(s["messages"]), (std::vector<std::string>{"无满足条件的记录!"}));
  EXPECT_EQ(grid("w_bj704_001")["filter"], "(dbj002_ccpmc like '%活塞%') and (dbj030_ckh = '09')");
}

// 4. Each mode's filter, with the popup's answer in modes 2..7, and the messages of refused
//    codes (disabled, another company's) that leave the grid as it was.
TEST_P(StockEnquiry, EachModeFiltersAndRefusesCodesItCannotUse) {
  sc.open("w_bj704_001");
  // Mode 1, main-group rule: after the main group, with or without a blank fifth character.
  search("w_bj704_001", "03");
  EXPECT_EQ(stock(), (Rows{"02/AB12 0300", "02/AB120300"}));
  // Full-number rule (rb_3 also sorts by the whole number).
  sc.click("w_bj704_001", "rb_3");
  EXPECT_EQ(grid("w_bj704_001")["sort"], "CCPH A");
  search("w_bj704_001", " ab ");
  EXPECT_EQ(grid("w_bj704_001")["filter"], "mid(dbj030_ccph,1,20) like 'AB%'");
  EXPECT_EQ(stock(), (Rows{"02/AB12 0300", "02/AB120300"}));
  sc.click("w_bj704_001", "rb_4");
  EXPECT_EQ(grid("w_bj704_001")["sort"], "mid(dbj030_ccph,5,4) A");

  // From here on the rows of a main group are in part-number order (rb_3 sorted by it, rb_4's
  // sort by the main group is stable over that order).
  const Rows kPistons = {"01/JL01 0112", "02/JL01 0112", "01/JL01 0113"};

  // Mode 2: trimmed text anywhere in the name; the popup's part number narrows it, trimmed
  // and upper-cased like the search text.
  sc.click("w_bj704_001", "cb_2");
  EXPECT_EQ(sc.control("w_bj704_001", "sle_1")["limit"], 30);
  search("w_bj704_001", " 活塞 ", "");
  EXPECT_EQ(stock(), kPistons);
  search("w_bj704_001", "活塞", " 0113 ");
  EXPECT_EQ(grid("w_bj704_001")["filter"],
            "(dbj002_ccpmc like '%活塞%') and ((mid(dbj030_ccph,5,13) like '0113%') or "
            "(mid(dbj030_ccph,5,1)=' ' and (mid(dbj030_ccph,6,13) like '0113%')))");
  EXPECT_EQ(stock(), (Rows{"01/JL01 0113"}));

  // Mode 3: a fragment of the pinyin code, unchecked; nothing found is told.
  sc.click("w_bj704_001", "cb_3");
  search("w_bj704_001", "hs", "");
  EXPECT_EQ(stock(), kPistons);
  json s = search("w_bj704_001", "ZZZ", "");
  EXPECT_EQ(texts(s["messages"]), (std::vector<std::string>{"无满足条件的记录!"}));
  EXPECT_EQ(stock(), Rows{});

  // Mode 4: the list, not the field; "常用" is 1, anything else 0 (a part without a record
  // has no flag and is neither).
  sc.click("w_bj704_001", "cb_4");
  json c = sc.window("w_bj704_001")["controls"];
  EXPECT_FALSE(c["sle_1"]["visible"].get<bool>());
  EXPECT_TRUE(c["ddlb_1"]["visible"].get<bool>());
  sc.ok({{"op", "select"}, {"window", "w_bj704_001"}, {"control", "ddlb_1"}, {"value", "常用"}});
  answer_popup("");
  EXPECT_EQ(grid("w_bj704_001")["filter"], "dbj002_lcyjbs = 1");
  EXPECT_EQ(stock(), (Rows{"01/JL01 0112", "02/JL01 0112", "01/JL02 0200"}));
  sc.ok({{"op", "select"}, {"window", "w_bj704_001"}, {"control", "ddlb_1"}, {"value", "不常用"}});
  answer_popup("");
  EXPECT_EQ(stock(), (Rows{"01/JL03 0001", "01/JL01 0113", "02/AB12 0300", "02/AB120300"}));

  // Mode 5: a disabled category and another company's are refused; the grid stays.
  sc.click("w_bj704_001", "cb_5");
  for (const char* code : {"a02", "B01"}) {
    s = search("w_bj704_001", code, "");
    EXPECT_EQ(texts(s["messages"]), (std::vector<std::string>{"分类号不正确，请重新输入!"})) << code;
    EXPECT_EQ(grid("w_bj704_001")["filter"], "dbj002_lcyjbs = 0") << code;
  }
  search("w_bj704_001", "a01", "");
  EXPECT_EQ(grid("w_bj704_001")["filter"], "dbj002_cflh = 'A01'");
  EXPECT_EQ(stock(), kPistons);

  // Mode 6: a disabled warehouse is refused; a usable one filters.
  sc.click("w_bj704_001", "cb_6");
  s = search("w_bj704_001", "09", "");
  EXPECT_EQ(texts(s["messages"]), (std::vector<std::string>{"库号不正确，请重新输入!"}));
  search("w_bj704_001", "02", "");
  EXPECT_EQ(stock(), (Rows{"02/JL01 0112", "02/AB12 0300", "02/AB120300"}));

  // Mode 7: a disabled vehicle model is refused; a usable one filters.
  sc.click("w_bj704_001", "cb_7");
  s = search("w_bj704_001", "J9", "");
  EXPECT_EQ(texts(s["messages"]), (std::vector<std::string>{"车型号不正确，请重新输入!"}));
  EXPECT_EQ(grid("w_bj704_001")["filter"], "dbj030_ckh = '02'");
  search("w_bj704_001", "j1", "");
  EXPECT_EQ(stock(), kPistons);

  // Nothing typed in mode 1: every row again, no message.
  sc.click("w_bj704_001", "cb_1");
  s = search("w_bj704_001", "");
  EXPECT_TRUE(s["messages"].empty());
  EXPECT_EQ(grid("w_bj704_001")["filter"], "");
  EXPECT_EQ(stock(), (Rows{"01/JL03 0001", "01/NO01 0001", "01/JL01 0112", "02/JL01 0112", "01/JL01 0113",
                           "01/JL02 0200", "02/AB12 0300", "02/AB120300"}));
}

// 5. A quote typed into the search is searched for as text: it neither breaks the filter nor
//    adds a condition.
TEST_P(StockEnquiry, AQuoteInTheSearchTextIsPlainText) {
  sc.open("w_bj704_001");
  sc.click("w_bj704_001", "cb_2");
  json s = search("w_bj704_001", "X' or '1'='1", "");
  EXPECT_EQ(texts(s["messages"]), (std::vector<std::string>{"无满足条件的记录!"}));
  EXPECT_EQ(stock(), Rows{});
}

// 6. gg ends by restoring the mode saved before the search; a refused code leaves the mode,
//    the filter and the rows as they were.
TEST_P(StockEnquiry, TheModeIsRestoredAfterASearchButNotAfterARefusedCode) {
  sc.open("w_bj704_001");
  auto& w = form();
  sc.click("w_bj704_001", "cb_6");
  sc.type("w_bj704_001", "sle_1", "09");
  sc.session().post([&] {
    w.i_gdz = 2;
    w.gg();
  });
  EXPECT_EQ(texts(sc.state()["messages"]), (std::vector<std::string>{"库号不正确，请重新输入!"}));
  EXPECT_EQ(w.xlh, 6);
  EXPECT_EQ(stock(), kAll);

  sc.type("w_bj704_001", "sle_1", "02");
  sc.session().post([&] {
    w.i_gdz = 2;
    w.gg();
  });
  EXPECT_EQ(w.xlh, 2);
  EXPECT_EQ(stock(), (Rows{"02/JL01 0112", "02/AB12 0300", "02/AB120300"}));

  // In mode 1 a part number from the popup takes the place of the typed text.
  sc.click("w_bj704_001", "cb_1");
  sc.type("w_bj704_001", "sle_1", "03");
  sc.session().post([&] {
    w.ls_cph = "0113";
    w.i_gdz = 1;
    w.gg();
  });
  EXPECT_EQ(stock(), (Rows{"01/JL01 0113"}));
}

// 7. The monthly grid shows the current row's part for last year (rb_1) or this year (rb_2);
//    a row click and each radio button refresh it. Company 02's issues are not 01's.
TEST_P(StockEnquiry, TheMonthlyFiguresFollowTheRowAndTheYear) {
  sc.open("w_bj704_001");
  auto months = [&] {
    json r = sc.rows("w_bj704_001", "dw_display");
    std::string out;
    if (r.size() != 1) return std::string("rows: ") + std::to_string(r.size());
    for (int m = 1; m <= 12; ++m)
      out += (m > 1 ? " " : "") + std::to_string(r[0]["nbqck" + std::to_string(m)].get<int>());
    return out;
  };
  sc.ok({{"op", "grid"}, {"window", "w_bj704_001"}, {"control", "dw_edit"}, {"action", "click"}, {"row", 3}});
  EXPECT_EQ(months(), "0 0 3 0 0 0 0 0 0 0 0 0") << "last year: March";
  sc.click("w_bj704_001", "rb_2");
  EXPECT_EQ(months(), "4 0 0 0 0 0 0 0 0 0 0 0") << "this year: January, receipts and company 02 left out";
  sc.ok({{"op", "grid"}, {"window", "w_bj704_001"}, {"control", "dw_edit"}, {"action", "click"}, {"row", 4}});
  EXPECT_EQ(months(), "0 0 0 0 0 0 0 0 0 0 0 0") << "JL01 0113 was never issued";
  sc.ok(
      {{"op", "grid"}, {"window", "w_bj704_001"}, {"control", "dw_edit"}, {"action", "key"}, {"key", "down"}});
  EXPECT_EQ(months(), "4 0 0 0 0 0 0 0 0 0 0 0") << "the piston again, in warehouse 02";
  sc.click("w_bj704_001", "rb_1");
  EXPECT_EQ(months(), "0 0 3 0 0 0 0 0 0 0 0 0");

  // A search that leaves another row current: the figures and the status line follow it.
  search("w_bj704_001", "0113");
  EXPECT_EQ(months(), "0 0 0 0 0 0 0 0 0 0 0 0");
  EXPECT_EQ(sc.microhelp(), "行数1/1");
  search("w_bj704_001", "0112");
  EXPECT_EQ(months(), "0 0 3 0 0 0 0 0 0 0 0 0");
  EXPECT_EQ(sc.microhelp(), "行数1/2");
  search("w_bj704_001", "99");
  EXPECT_EQ(months(), "rows: 0");
  EXPECT_EQ(sc.microhelp(), "行数0/0");
}

// 8. The status line: the current row of the rows shown; a heading click leaves it; an empty
//    grid shows 行数 0 / 0.
TEST_P(StockEnquiry, TheStatusLineCountsTheRowsShown) {
  sc.open("w_bj704_001");
  sc.ok({{"op", "grid"}, {"window", "w_bj704_001"}, {"control", "dw_edit"}, {"action", "click"}, {"row", 2}});
  EXPECT_EQ(sc.microhelp(), "行数2/8");
  json g = grid("w_bj704_001");
  EXPECT_EQ(g["row"], 2);
  EXPECT_EQ(g["selected"], json({2}));
  sc.ok(
      {{"op", "grid"}, {"window", "w_bj704_001"}, {"control", "dw_edit"}, {"action", "key"}, {"key", "down"}});
  EXPECT_EQ(sc.microhelp(), "行数3/8");
  EXPECT_EQ(grid("w_bj704_001")["selected"], json({3}));
  sc.ok({{"op", "grid"},
         {"window", "w_bj704_001"},
         {"control", "dw_edit"},
         {"action", "click"},
         {"band", "header"}});
  EXPECT_EQ(sc.microhelp(), "行数3/8");
  search("w_bj704_001", "03");
  sc.ok({{"op", "grid"}, {"window", "w_bj704_001"}, {"control", "dw_edit"}, {"action", "click"}, {"row", 2}});
  EXPECT_EQ(sc.microhelp(), "行数2/2");
  search("w_bj704_001", "99");
  sc.ok({{"op", "grid"}, {"window", "w_bj704_001"}, {"control", "dw_edit"}, {"action", "click"}, {"row", 0}});
  EXPECT_EQ(sc.microhelp(), "行数 0 / 0");
}

// 9. A double-click hands the current row back as s_bj704_001 (thirteen fields) and closes the
//    form; quantities are whole numbers, prices exact; the frame's title is restored.
TEST_P(StockEnquiry, ADoubleClickHandsTheRowBack) {
  sc.open("w_bj704_001");
  json s = sc.ok({{"op", "grid"},
                  {"window", "w_bj704_001"},
                  {"control", "dw_edit"},
                  {"action", "doubleclick"},
                  {"row", 3}});
  ASSERT_EQ(s["closed"].size(), 1u) << s.dump();
  EXPECT_EQ(s["closed"][0]["class"], "w_bj704_001");
  EXPECT_EQ(s["closed"][0]["returned"], json({{"ccph", "JL01 0112"},
                                              {"ccpmc", "活塞"},
                                              {"cjldw", "个"},
                                              {"ckh", "01"},
                                              {"nkcsl", 7},
                                              {"nkykc", 6},
                                              {"nckdj", "12.50"},
                                              {"nwxdj", "15.00"},
                                              {"ndj", "10.00"},
                                              {"ncgdj", "10.00"},
                                              {"ncbgx", 20},
                                              {"ncbdx", 2},
                                              {"ccjh", "CJ-0112"}}));
  EXPECT_EQ(s["frame"]["title"], "配件管理-");
  EXPECT_TRUE(s["windows"].empty());
}

// 10. Enter in the grid hands the current row back like a double-click; a part without a
//     record comes back with empty part data, and a fractional stock rounded.
TEST_P(StockEnquiry, EnterInTheGridHandsTheRowBack) {
  sc.open("w_bj704_001");
  sc.ok({{"op", "grid"}, {"window", "w_bj704_001"}, {"control", "dw_edit"}, {"action", "setrow"}, {"row", 2}});
  json s = sc.ok(
      {{"op", "grid"}, {"window", "w_bj704_001"}, {"control", "dw_edit"}, {"action", "key"}, {"key", "enter"}});
  ASSERT_EQ(s["closed"].size(), 1u);
  json r = s["closed"][0]["returned"];
  EXPECT_EQ(r["ccph"], "NO01 0001");
  EXPECT_EQ(r["ccpmc"], "");
  EXPECT_EQ(r["nckdj"], "0.00");
  EXPECT_EQ(r["nkcsl"], 1);

  sc.open("w_bj704_001");
  s = sc.ok({{"op", "grid"},
             {"window", "w_bj704_001"},
             {"control", "dw_edit"},
             {"action", "doubleclick"},
             {"row", 6}});
  ASSERT_EQ(s["closed"].size(), 1u);
  EXPECT_EQ(s["closed"][0]["returned"]["ccph"], "JL02 0200");
  EXPECT_EQ(s["closed"][0]["returned"]["nkcsl"], 3) << "2.5 rounded";
}

// 11. Closed without choosing (close box, Escape): the structure of empty strings and zeros.
TEST_P(StockEnquiry, ClosingWithoutChoosingHandsBackAnEmptyRow) {
  const json empty = {{"ccph", ""}, {"ccpmc", ""},     {"cjldw", ""},     {"ckh", ""},     {"nkcsl", 0},
                      {"nkykc", 0}, {"nckdj", "0.00"}, {"nwxdj", "0.00"}, {"ndj", "0.00"}, {"ncgdj", "0.00"},
                      {"ncbgx", 0}, {"ncbdx", 0},      {"ccjh", ""}};
  sc.open("w_bj704_001");
  json s = sc.ok({{"op", "close"}, {"window", "w_bj704_001"}});
  ASSERT_EQ(s["closed"].size(), 1u) << s["closed"].dump();
  EXPECT_EQ(s["closed"][0]["returned"], empty);
  EXPECT_EQ(s["frame"]["title"], "配件管理-");

  sc.open("w_bj704_001");
  s = sc.key("w_bj704_001", "sle_1", "escape");
  ASSERT_EQ(s["closed"].size(), 1u);
  EXPECT_EQ(s["closed"][0]["returned"], empty);
}

// 12. F9 opens the pick list of the current mode, even while pb_1 is hidden; a chosen code goes
//     into the field (with the mode's caption for categories), a cancelled list keeps the text.
TEST_P(StockEnquiry, F9OpensThePickListOfTheMode) {
  sc.open("w_bj704_001");
  sc.type("w_bj704_001", "sle_1", "JL");
  sc.key("w_bj704_001", "sle_1", "f9");
  EXPECT_EQ(sc.window("w_pick_list")["title"], "选择备件");
  sc.pick("");
  EXPECT_EQ(sc.text("w_bj704_001", "sle_1"), "JL");

  sc.click("w_bj704_001", "cb_5");
  sc.key("w_bj704_001", "sle_1", "f9");
  EXPECT_EQ(sc.column("w_pick_list", "dw_1", "cflh"), (std::vector<std::string>{"A01", "A02"}));
  sc.pick("A01");
  EXPECT_EQ(sc.text("w_bj704_001", "sle_1"), "A01");
  EXPECT_EQ(sc.text("w_bj704_001", "st_1"), "按产品分类查询");
  EXPECT_TRUE(popup_open() == false);
}

// 13. The sort and help commands work on the stock list.
TEST_P(StockEnquiry, SortAndHelpCommands) {
  sc.open("w_bj704_001");
  sc.ok({{"op", "event"}, {"window", "w_bj704_001"}, {"name", "ue_sort"}});
  ASSERT_EQ(sc.window_classes(), (std::vector<std::string>{"w_bj704_001", "w_sort"}));
  sc.click("w_sort", "cb_4");
  EXPECT_EQ(form().is_tablename, "dbj002");
  sc.ok({{"op", "event"}, {"window", "w_bj704_001"}, {"name", "ue_help"}});
  EXPECT_EQ(sc.window_classes(), (std::vector<std::string>{"w_bj704_001", "w_help"}));
  EXPECT_EQ(sc.text("w_help", "st_1").rfind("库存查询", 0), 0u) << sc.text("w_help", "st_1");
}

// 14. A query with no result says so (titled with the form's title) and clears the filter.
TEST_P(StockEnquiry, AQueryWithoutResultClearsTheFilter) {
  sc.open("w_bj704_001");
  search("w_bj704_001", "03");
  sc.ok({{"op", "event"}, {"window", "w_bj704_001"}, {"name", "ue_query"}});
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_1"}, {"value", "库号"}});
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_2"}, {"value", "等于"}});
  sc.type("w_cx", "sle_1", "77");
  json s = sc.click("w_cx", "cb_3");
  ASSERT_EQ(s["messages"].size(), 1u);
  EXPECT_EQ(s["messages"][0]["title"], "库存查询");
  EXPECT_EQ(s["messages"][0]["text"], "没有符合条件的记录");
  EXPECT_EQ(grid("w_bj704_001")["filter"], "");
  EXPECT_EQ(stock().size(), 8u);
}

INSTANTIATE_TEST_SUITE_P(Backends, StockEnquiry, testing::ValuesIn(backends()), backend_name_of);

}  // namespace
}  // namespace sparestock::test
