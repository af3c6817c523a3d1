// The stock enquiry as a stock keeper uses it day to day, through the protocol: a popup closed
// without a value, F9 while a received warehouse is in force, the print command, row
// navigation and the editing commands, the status line and the frame title, and the launcher
// bringing an open window to the front.

#include <gtest/gtest.h>

#include "tests/scenario_stock_enquiry.h"

namespace sparestock::test {
namespace {

using Rows = std::vector<std::string>;

class EnquiryFaults : public StockEnquiryScenario {
 protected:
  json menu_item(const std::string& window, const std::string& name) {
    json w = sc.window(window);
    for (const auto& i : w["menu"]["items"])
      if (i["name"] == name) return i;
    ADD_FAILURE() << window << " has no menu item " << name;
    return json();
  }
  bool enabled(const std::string& window, const std::string& name) {
    return menu_item(window, name)["enabled"].get<bool>();
  }
  json menu(const std::string& window, const std::string& item) {
    return ok({{"op", "menu"}, {"window", window}, {"item", item}});
  }
  json activate(const std::string& window) { return ok({{"op", "activate"}, {"window", window}}); }
  // The current row of dw_edit, the rows highlighted and the status line agree.
  void expect_current_row_shown(long row, long rowcount, const std::string& when) {
    EXPECT_GE(row, 1) << when << ": a list with rows has a current row";
    json g = grid("w_bj704_001");
    EXPECT_EQ(g["row"], row) << when;
    EXPECT_EQ(g["selected"], json({row})) << when;
    EXPECT_EQ(sc.microhelp(), "行数" + std::to_string(row) + "/" + std::to_string(rowcount)) << when;
  }
  std::string frame_title() { return sc.state()["frame"]["title"]; }
};

// A popup closed with its close box after a part was picked into it hands back nothing: the
// pick list's answer left in the message object is not the popup's.
TEST_P(EnquiryFaults, APopupClosedWithoutAValueHandsBackNothing) {
  sc.open("w_bj704_001");
  sc.click("w_bj704_001", "cb_2");
  sc.type("w_bj704_001", "sle_1", "活塞");
  sc.key("w_bj704_001", "sle_1", "enter");
  ASSERT_TRUE(popup_open());
  sc.key("w_bj704_002", "sle_1", "f9");
  sc.pick("JL01 0113");
  ASSERT_EQ(sc.text("w_bj704_002", "sle_1"), "JL01 0113");
  json s = ok({{"op", "close"}, {"window", "w_bj704_002"}});
  EXPECT_FALSE(popup_open());
  EXPECT_EQ(form().ls_cph, "");
  EXPECT_EQ(stock(), (Rows{"01/JL01 0112", "01/JL01 0113", "02/JL01 0112"}))
      << "the search is not narrowed by the cancelled part";
  ASSERT_EQ(s["closed"].size(), 1u);
  EXPECT_TRUE(s["closed"][0]["returned"].is_null());

  // The same for a response window of the host: the sort dialog closed after the query dialog
  // answered leaves no stale answer either.
  sc.ok({{"op", "event"}, {"window", "w_bj704_001"}, {"name", "ue_query"}});
  ok({{"op", "close"}, {"window", "w_cx"}});
  EXPECT_EQ(stock().size(), 3u) << "a query closed with its close box changes nothing";
}

// F9 while the warehouse received at open is still in force opens the pick list and then
// searches, as Enter does.
TEST_P(EnquiryFaults, F9WithAReceivedWarehouseGoesOnToTheSearch) {
  open("w_bj704_001", "09");
  ASSERT_EQ(form().i_bs, 1);
  sc.key("w_bj704_001", "sle_1", "f9");
  ASSERT_EQ(sc.window("w_pick_list")["title"], "选择备件");
  json s = sc.pick("JL01 0112");
  EXPECT_EQ(sc.text("w_bj704_001", "sle_1"), "JL01 0112");
  EXPECT_EQ(grid("w_bj704_001")["filter"].get<std::string>().find("dbj030_ckh = '09'") != std::string::npos,
            true);
  EXPECT_NE(grid("w_bj704_001")["filter"], "dbj030_ckh = '09'") << "the search ran after the pick";
  EXPECT_EQ(texts(s["messages"]), (std::vector<std::string>{"无满足条件的记录!"}));

  // Without a received warehouse F9 only picks.
  sc.ok({{"op", "close"}, {"window", "w_bj704_001"}});
  sc.open("w_bj704_001");
  sc.key("w_bj704_001", "sle_1", "f9");
  sc.pick("JL01 0112");
  EXPECT_EQ(grid("w_bj704_001")["filter"], "");
  EXPECT_EQ(stock().size(), 8u);
}

// The print command is enabled only on a window that registered a grid to print, and follows
// the window in front.
TEST_P(EnquiryFaults, ThePrintCommandFollowsTheActiveWindowsGrid) {
  sc.open("w_bj704_001");
  EXPECT_FALSE(enabled("w_bj704_001", "m_print"));
  EXPECT_FALSE(sc.error({{"op", "menu"}, {"window", "w_bj704_001"}, {"item", "m_print"}}).empty());

  sc.open("w_bj418_001");
  EXPECT_TRUE(enabled("w_bj418_001", "m_print"));
  sc.open("w_bj704_001_003");
  EXPECT_FALSE(enabled("w_bj704_001_003", "m_print")) << "no grid registered yet";

  // Back in front, the stock status prints its own grid again.
  activate("w_bj418_001");
  EXPECT_TRUE(enabled("w_bj418_001", "m_print"));
  menu("w_bj418_001", "m_print");
  json s = sc.click("w_dw_print_options", "cb_1");
  ASSERT_EQ(s["printed"].size(), 1u) << s.dump();
  EXPECT_EQ(s["printed"][0]["window"], "w_bj418_001");

  // Closing the window in front hands the command to the one behind.
  sc.ok({{"op", "close"}, {"window", "w_bj418_001"}});
  EXPECT_FALSE(enabled("w_bj704_001_003", "m_print"));
}

// 第一条, 上一条, 下一条 and 最后一条 move the current row of the list; the editing commands are
// disabled on the read-only stock list.
TEST_P(EnquiryFaults, RowNavigationMovesTheListsCurrentRow) {
  sc.open("w_bj704_001");
  menu("w_bj704_001", "m_8");
  expect_current_row_shown(8, 8, "最后一条");
  menu("w_bj704_001", "m_6");
  expect_current_row_shown(7, 8, "上一条");
  menu("w_bj704_001", "m_5");
  expect_current_row_shown(1, 8, "第一条");
  menu("w_bj704_001", "m_6");
  expect_current_row_shown(1, 8, "上一条 on the first row");
  menu("w_bj704_001", "m_7");
  expect_current_row_shown(2, 8, "下一条");
  // The monthly figures follow the row.
  EXPECT_EQ(sc.control("w_bj704_001", "dw_display")["rowcount"], 1);

  for (const char* item : {"m_change", "m_add", "m_delete", "m_save", "m_cancel"}) {
    EXPECT_FALSE(enabled("w_bj704_001", item)) << item;
    EXPECT_FALSE(sc.error({{"op", "menu"}, {"window", "w_bj704_001"}, {"item", item}}).empty()) << item;
  }
}

// After open, sort, search and query the status line shows the highlighted current row.
TEST_P(EnquiryFaults, TheStatusLineShowsTheHighlightedRow) {
  sc.open("w_bj704_001");
  expect_current_row_shown(1, 8, "open");
  sc.ok({{"op", "grid"}, {"window", "w_bj704_001"}, {"control", "dw_edit"}, {"action", "setrow"}, {"row", 4}});
  expect_current_row_shown(4, 8, "setrow");
  search("w_bj704_001", "011");
  expect_current_row_shown(grid("w_bj704_001")["row"], 3, "search");
  sc.ok({{"op", "grid"}, {"window", "w_bj704_001"}, {"control", "dw_edit"}, {"action", "setrow"}, {"row", 3}});
  sc.click("w_bj704_001", "rb_3");
  json g = grid("w_bj704_001");
  expect_current_row_shown(g["row"], 3, "sort");
  sc.ok({{"op", "event"}, {"window", "w_bj704_001"}, {"name", "ue_query"}});
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_1"}, {"value", "库号"}});
  sc.type("w_cx", "sle_1", "02");
  sc.click("w_cx", "cb_3");
  expect_current_row_shown(grid("w_bj704_001")["row"], 3, "query");

  // Opened for a warehouse: the warehouse's rows, the first highlighted.
  sc.ok({{"op", "close"}, {"window", "w_bj704_001"}});
  open("w_bj704_001", "01");
  expect_current_row_shown(1, 5, "open for a warehouse");
}

// The frame's title is the active window's, and the next window's when one closes.
TEST_P(EnquiryFaults, TheFrameTitleFollowsTheActiveWindow) {
  sc.open("w_bj704_001");
  EXPECT_EQ(frame_title(), "配件管理-一号店-库存查询");
  sc.open("w_bj418_001");
  EXPECT_EQ(frame_title(), "配件管理-一号店-库存状态");
  activate("w_bj704_001");
  EXPECT_EQ(frame_title(), "配件管理-一号店-库存查询");
  EXPECT_EQ(sc.state()["active"], sc.window("w_bj704_001")["id"]);
  sc.ok({{"op", "close"}, {"window", "w_bj704_001"}});
  EXPECT_EQ(frame_title(), "配件管理-一号店-库存状态");
  sc.ok({{"op", "close"}, {"window", "w_bj418_001"}});
  EXPECT_EQ(frame_title(), "配件管理-");
  EXPECT_TRUE(sc.state()["active"].is_null());
}

// Opening a form that is already open brings it to the front; a copy opened by another form
// as a picker is a window of its own.
TEST_P(EnquiryFaults, TheLauncherBringsAnOpenWindowToTheFront) {
  sc.open("w_bj704_001");
  search("w_bj704_001", "011");
  sc.open("w_bj418_001");
  json s = sc.open("w_bj704_001");
  ASSERT_EQ(sc.window_classes(), (Rows{"w_bj418_001", "w_bj704_001"})) << "no second copy";
  EXPECT_EQ(s["active"], sc.window("w_bj704_001")["id"]);
  EXPECT_EQ(s["frame"]["title"], "配件管理-一号店-库存查询");
  EXPECT_EQ(stock().size(), 3u) << "the window is as the user left it";

  // A form that opens another form for its own use gets a copy of its own; the launcher's
  // copy is the one brought to the front.
  sc.open("w_bj704_001_003");
  json first = sc.window("w_bj704_001_003")["id"];
  sc.open("w_bj704_001_001");
  sc.click("w_bj704_001_001", "cb_12");
  ASSERT_EQ(sc.window_classes(),
            (Rows{"w_bj418_001", "w_bj704_001", "w_bj704_001_003", "w_bj704_001_001", "w_bj704_001_003"}));
  s = sc.open("w_bj704_001_003");
  EXPECT_EQ(s["active"], first);
  EXPECT_EQ(s["windows"].size(), 5u);
}

// The query dialog offers its operators and connectives in words; a refusal tells the user in
// words too, beside the detail for developers.
TEST_P(EnquiryFaults, NoInternalNamesOnScreen) {
  sc.open("w_bj704_001");
  sc.ok({{"op", "event"}, {"window", "w_bj704_001"}, {"name", "ue_query"}});
  json cx = sc.window("w_cx")["controls"];
  EXPECT_EQ(cx["ddlb_2"]["items"],
            json({"等于", "不等于", "大于", "大于等于", "小于", "小于等于", "匹配", "包含"}));
  EXPECT_EQ(cx["ddlb_2"]["text"], "等于");
  EXPECT_EQ(cx["rb_1"]["text"], "并且");
  EXPECT_EQ(cx["rb_2"]["text"], "或者");
  json refused = sc.send({{"op", "click"}, {"window", "w_bj704_001"}, {"control", "cb_1"}});
  EXPECT_EQ(refused["message"], "请先完成或关闭“条件查询”");
  refused = sc.send({{"op", "open"}, {"window", "w_bj418_001"}});
  EXPECT_EQ(refused["message"], "请先完成或关闭“条件查询”");
  sc.click("w_cx", "cb_4");
  refused = sc.send({{"op", "menu"}, {"window", "w_bj704_001"}, {"item", "m_add"}});
  EXPECT_FALSE(refused["ok"].get<bool>());
  EXPECT_EQ(refused["message"], "该命令现在不能使用");
  EXPECT_EQ(refused["error"], "menu item m_add is disabled");

  // A printout of a grid without a report title carries its window's title.
  sc.open("w_bj704_001_001");
  sc.click("w_bj704_001_001", "cb_11");
  EXPECT_EQ(sc.text("w_dw_print_options", "st_1"), "打印：查询备件库存情况");
  json s = sc.click("w_dw_print_options", "cb_1");
  ASSERT_EQ(s["printed"].size(), 1u);
  EXPECT_EQ(s["printed"][0]["title"], "查询备件库存情况");
  sc.click("w_bj704_001_001", "cb_9");
  EXPECT_EQ(sc.text("w_dw_print_options", "st_1"), "打印：库 存 清 单");
}

// A search or a query that replaces the filter shows the filter in force in words.
TEST_P(EnquiryFaults, TheWindowTellsTheFilterInForce) {
  auto condition = [&] { return sc.window("w_bj704_001")["condition"].get<std::string>(); };
  open("w_bj704_001", "01");
  EXPECT_EQ(condition(), "库号：01");
  search("w_bj704_001", "011");
  EXPECT_EQ(condition(), "备件号：011，库号：01");
  sc.click("w_bj704_001", "cb_2");
  search("w_bj704_001", "活塞", "jl01 0113");
  EXPECT_EQ(condition(), "备件名称：活塞，备件号：JL01 0113，库号：01");

  sc.ok({{"op", "event"}, {"window", "w_bj704_001"}, {"name", "ue_query"}});
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_1"}, {"value", "备件号"}});
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_2"}, {"value", "包含"}});
  sc.type("w_cx", "sle_1", "JL01");
  sc.click("w_cx", "cb_1");
  sc.click("w_cx", "rb_2");
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_2"}, {"value", "等于"}});
  sc.type("w_cx", "sle_1", "AB12 0300");
  sc.click("w_cx", "cb_3");
  EXPECT_EQ(condition(), "库号：01，备件号 包含 JL01 或者 备件号 等于 AB12 0300");
  EXPECT_EQ(stock().size(), 2u);

  // A query without result goes back to the standing warehouse, and says so.
  sc.ok({{"op", "event"}, {"window", "w_bj704_001"}, {"name", "ue_query"}});
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_1"}, {"value", "备件号"}});
  sc.type("w_cx", "sle_1", "NONE");
  sc.click("w_cx", "cb_3");
  EXPECT_EQ(condition(), "库号：01");
}

INSTANTIATE_TEST_SUITE_P(Backends, EnquiryFaults, testing::ValuesIn(backends()), backend_name_of);

}  // namespace
}  // namespace sparestock::test
