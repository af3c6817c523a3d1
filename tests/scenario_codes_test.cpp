// Code fields through the protocol: the pick-list button (a modal list suspending the handler,
// searching, choosing, cancelling) and the existence checks with their messages.

#include <gtest/gtest.h>

#include "common/code_check.h"
#include "common/pick_button.h"
#include "host/base/text.h"
#include "host/lib/pick_list.h"
#include "tests/scenario.h"

namespace sparestock::test {
namespace {

using common::CodeKind;

// A code field as the forms have them: ddlb_1 says which code sle_1 holds, pb_1 opens its
// list, Enter checks it. st_1 tells what the handler did after the list or the check.
class CodeForm : public ui::Window {
 public:
  explicit CodeForm(ui::Session& s) : Window(s, "w_test_codes") {
    pb_1.clicked = [this] {
      st_1.text = "picking";
      const std::string& gsh = session().globals().gs_yhssgsh;
      common::PickCall call;
      if (ddlb_1.text == "备件号")
        call = common::parts_list(gsh, lib::f_cph_popcx);
      else if (ddlb_1.text == "分类号")
        call = common::category_list(gsh, false);
      else if (ddlb_1.text == "库号")
        call = common::warehouse_list(gsh, true);
      else if (ddlb_1.text == "库区号")
        call = common::zone_list();
      else if (ddlb_1.text == "车型号")
        call = common::vehicle_model_list(gsh, true);
      else if (ddlb_1.text == "坏表")
        call = {lib::f_popcx, "dbj999", "ckh", "库号", "ckh", "", ""};
      else if (ddlb_1.text == "坏列")
        call = {lib::f_popcx, "dbj003", "ckh,ckmc;delete from dbj003", "库号", "ckh", "", ""};
      else if (ddlb_1.text == "坏条件")
        call = {lib::f_popcx, "dbj003", "ckh", "库号", "ckh", "", "cgsh ="};
      else
        return;
      bool chosen = common::pick_button(sle_1, call);
      st_1.text = chosen ? "went on: chosen" : "went on: cancelled";
    };
    sle_1.ue_enter = [this] {
      st_1.text = "checking";
      if (!common::check_code(session(), kind(), std::string(text::trim(sle_1.text)))) return;
      st_1.text = "passed";
    };
  }
  CodeKind kind() const {
    static const std::pair<const char*, CodeKind> kinds[] = {
        {"备件号", CodeKind::Part},  {"分类号", CodeKind::Category}, {"库号", CodeKind::Warehouse},
        {"库区号", CodeKind::Zone},  {"库位号", CodeKind::Location}, {"车型号", CodeKind::VehicleModel},
        {"拼音码", CodeKind::Pinyin}};
    for (auto& [name, k] : kinds)
      if (ddlb_1.text == name) return k;
    return CodeKind::Part;
  }
  ui::DropDownListBox ddlb_1{
      *this,
      "ddlb_1",
      {"备件号", "分类号", "库号", "库区号", "库位号", "车型号", "拼音码", "坏表", "坏列", "坏条件"}};
  ui::SingleLineEdit sle_1{*this, "sle_1", 20, true};
  ui::CommandButton pb_1{*this, "pb_1", "", ui::ControlKind::PictureButton};
  ui::StaticText st_1{*this, "st_1", ""};
};

[[maybe_unused]] const bool registered = [] {
  ui::register_window_class("w_test_codes", [](ui::Session& s) { return std::make_unique<CodeForm>(s); });
  return true;
}();

class CodeScenario : public ScenarioTest {
 protected:
  void SetUp() override {
    login();
    sc.open("w_test_codes");
  }
  void choose(const std::string& list) {
    ok({{"op", "select"}, {"window", "w_test_codes"}, {"control", "ddlb_1"}, {"value", list}});
  }
  // Opens the list of a code kind from the button.
  void open_list(const std::string& list) {
    choose(list);
    json s = sc.click("w_test_codes", "pb_1");
    ASSERT_FALSE(s["windows"].empty()) << s.dump();
    ASSERT_EQ(s["windows"].back()["class"], "w_pick_list") << s["messages"].dump();
    ASSERT_EQ(sc.text("w_test_codes", "st_1"), "picking") << "the handler waits for the list";
  }
  std::string st_1() { return sc.text("w_test_codes", "st_1"); }
  std::string sle_1() { return sc.text("w_test_codes", "sle_1"); }
  std::vector<std::string> listed(const std::string& column) {
    return sc.column("w_pick_list", "dw_1", column);
  }
};

TEST_P(CodeScenario, EachListShowsItsRowsUnderItsHeadings) {
  struct Case {
    const char* list;
    const char* column;                 // the return column
    std::vector<std::string> rows;      // its values, in the list's order
    std::vector<std::string> headings;  // of the shown columns
  } cases[] = {
      // Disabled warehouse 09 and company 02's warehouse are left out.
      {"库号", "ckh", {"01", "02"}, {"库号", "库名称"}},
      // Two columns under three headings: the company heading falls off the front. The
      // category list of the stock enquiry keeps disabled categories.
      {"分类号", "cflh", {"A01", "A02"}, {"产品分类号", "产品分类名称"}},
      {"库区号", "ckqh", {"A1", "B1"}, {"库区号", "库区名称"}},
      {"车型号", "ccxh", {"J1"}, {"公司号", "车型号", "车型名称"}},
      {"备件号",
       "ccph",
       {"JL01 0112", "JL01 01123", "JL01 0113", "JL02 0200", "QT'1", "XX99", "jx-7"},
       {"公司号", "产品号", "产品名称"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.list);
    open_list(c.list);
    EXPECT_EQ(listed(c.column), c.rows);
    std::vector<std::string> headings;
    json columns = sc.control("w_pick_list", "dw_1")["columns"];
    for (const auto& col : columns)
      if (col["visible"].get<bool>()) headings.push_back(col["heading"]);
    EXPECT_EQ(headings, c.headings);
    sc.pick("");
    EXPECT_EQ(st_1(), "went on: cancelled");
  }
}

TEST_P(CodeScenario, ChoosingPutsTheCodeIntoTheFieldAndTheHandlerGoesOn) {
  sc.type("w_test_codes", "sle_1", "OLD");
  open_list("库号");
  json s = sc.ok(
      {{"op", "grid"}, {"window", "w_pick_list"}, {"control", "dw_1"}, {"action", "doubleclick"}, {"row", 2}});
  EXPECT_EQ(s["closed"][0]["returned"], "02");
  EXPECT_EQ(sle_1(), "02");
  EXPECT_EQ(sc.window("w_test_codes")["focus"], "sle_1");
  EXPECT_EQ(st_1(), "went on: chosen");
  // A chosen code is not checked until the user confirms it.
  EXPECT_TRUE(s["messages"].empty());
}

TEST_P(CodeScenario, CancellingLeavesTheFieldsTextAndGivesItTheFocus) {
  for (const char* how : {"escape", "cb_2", "close", "pick"}) {
    SCOPED_TRACE(how);
    sc.type("w_test_codes", "sle_1", "A01");
    open_list("分类号");
    std::string h = how;
    if (h == "escape") sc.key("w_pick_list", "sle_1", "escape");
    if (h == "cb_2") sc.click("w_pick_list", "cb_2");
    if (h == "close") ok({{"op", "close"}, {"window", "w_pick_list"}});
    if (h == "pick") sc.pick("");
    EXPECT_EQ(sc.window_classes(), std::vector<std::string>{"w_test_codes"});
    EXPECT_EQ(sle_1(), "A01");
    EXPECT_EQ(sc.window("w_test_codes")["focus"], "sle_1");
    EXPECT_EQ(st_1(), "went on: cancelled");
  }
}

TEST_P(CodeScenario, TheSearchFieldNarrowsTheListAndEnterChooses) {
  open_list("备件号");
  EXPECT_EQ(sc.window("w_pick_list")["title"], "选择备件");
  // Three parts contain the text: the list narrows and stays open.
  sc.type("w_pick_list", "sle_1", "jl01 011");
  sc.key("w_pick_list", "sle_1", "enter");
  EXPECT_EQ(listed("ccph"), (std::vector<std::string>{"JL01 0112", "JL01 01123", "JL01 0113"}));
  // Searching the names: one row left is chosen at once.
  sc.type("w_pick_list", "sle_1", "滤清");
  json s = sc.key("w_pick_list", "sle_1", "enter");
  EXPECT_EQ(s["closed"][0]["returned"], "JL02 0200");
  EXPECT_EQ(sle_1(), "JL02 0200");

  // A text that is a whole part number chooses that part, though a longer one contains it.
  open_list("备件号");
  sc.type("w_pick_list", "sle_1", "JL01 0112");
  s = sc.key("w_pick_list", "sle_1", "enter");
  EXPECT_EQ(s["closed"][0]["returned"], "JL01 0112");

  // Enter again on the same text chooses the current row.
  open_list("备件号");
  sc.type("w_pick_list", "sle_1", "JL01 011");
  sc.key("w_pick_list", "sle_1", "enter");
  ok({{"op", "grid"}, {"window", "w_pick_list"}, {"control", "dw_1"}, {"action", "setrow"}, {"row", 3}});
  s = sc.key("w_pick_list", "sle_1", "enter");
  EXPECT_EQ(s["closed"][0]["returned"], "JL01 0113");

  // Lower-case data is found by upper-case text; quotes and wildcard characters are plain text.
  for (auto [typed, part] : {std::pair{"JX-", "jx-7"}, {"qt'", "QT'1"}}) {
    open_list("备件号");
    sc.type("w_pick_list", "sle_1", typed);
    s = sc.key("w_pick_list", "sle_1", "enter");
    EXPECT_EQ(s["closed"][0]["returned"], part) << typed;
  }
  for (const char* typed : {"%", "_", "JL01%", "~"}) {
    open_list("备件号");
    sc.type("w_pick_list", "sle_1", typed);
    sc.key("w_pick_list", "sle_1", "enter");
    EXPECT_EQ(sc.control("w_pick_list", "dw_1")["rowcount"], 0) << typed;
    sc.pick("");
  }
}

TEST_P(CodeScenario, EnterInTheGridAndTheOkButtonChooseTheCurrentRow) {
  open_list("库区号");
  ok({{"op", "grid"}, {"window", "w_pick_list"}, {"control", "dw_1"}, {"action", "key"}, {"key", "down"}});
  json s = ok(
      {{"op", "grid"}, {"window", "w_pick_list"}, {"control", "dw_1"}, {"action", "key"}, {"key", "enter"}});
  EXPECT_EQ(s["closed"][0]["returned"], "B1");
  open_list("库区号");
  s = sc.click("w_pick_list", "cb_1");
  EXPECT_EQ(s["closed"][0]["returned"], "A1");
  EXPECT_EQ(sle_1(), "A1");
}

TEST_P(CodeScenario, PickChoosesARowHiddenByTheSearchButNoRowOutsideTheList) {
  open_list("备件号");
  sc.type("w_pick_list", "sle_1", "JL01 011");
  sc.key("w_pick_list", "sle_1", "enter");
  ASSERT_EQ(listed("ccph"), (std::vector<std::string>{"JL01 0112", "JL01 01123", "JL01 0113"}));
  EXPECT_EQ(error({{"op", "pick"}, {"value", "ZZ01"}}), "the pick list has no row with ccph = ZZ01");
  EXPECT_EQ(error({{"op", "pick"}}), "field \"value\" (a string) is missing");
  sc.pick("QT'1");
  EXPECT_EQ(sle_1(), "QT'1");
  EXPECT_EQ(error({{"op", "pick"}, {"value", "JL01 0112"}}), "no pick list is open");
}

TEST_P(CodeScenario, ThePickListCannotBeOpenedWithoutARequest) {
  EXPECT_EQ(error({{"op", "open"}, {"window", "w_pick_list"}}),
            "the pick list opens only from a pick-list button");
  EXPECT_EQ(sc.window_classes(), std::vector<std::string>{"w_test_codes"});
}

TEST_P(CodeScenario, UnknownTablesAndColumnsAreRefusedBeforeAnyStatement) {
  choose("坏表");
  json s = sc.click("w_test_codes", "pb_1");
  ASSERT_EQ(s["messages"].size(), 1u);
  EXPECT_EQ(s["messages"][0]["title"], "系统错误");
  EXPECT_EQ(s["messages"][0]["text"], "pick list: table dbj999 is not in the database");
  choose("坏列");
  s = sc.click("w_test_codes", "pb_1");
  ASSERT_EQ(s["messages"].size(), 1u);
  EXPECT_EQ(s["messages"][0]["text"], "pick list: table dbj003 has no column ckmc;delete from dbj003");
  EXPECT_EQ(sc.window_classes(), std::vector<std::string>{"w_test_codes"});
  // Nothing ran: the warehouses are all still there.
  open_list("库号");
  EXPECT_EQ(listed("ckh"), (std::vector<std::string>{"01", "02"}));
}

TEST_P(CodeScenario, AListThatCannotBeReadIsReportedAndCountsAsCancelled) {
  sc.type("w_test_codes", "sle_1", "KEEP");
  choose("坏条件");
  json s = sc.click("w_test_codes", "pb_1");
  ASSERT_EQ(s["messages"].size(), 1u);
  EXPECT_EQ(s["messages"][0]["title"], "提示信息");
  EXPECT_EQ(s["messages"][0]["text"].get<std::string>().rfind("读取列表失败：", 0), 0u)
      << s["messages"].dump();
  EXPECT_EQ(sc.window_classes(), std::vector<std::string>{"w_test_codes"});
  EXPECT_EQ(st_1(), "went on: cancelled");
  EXPECT_EQ(sle_1(), "KEEP");
}

TEST_P(CodeScenario, ACompanyNumberCannotWidenTheList) {
  ok({{"op", "host"}, {"globals", {{"gs_yhssgsh", "01' or cgsh<>'"}}}});
  open_list("备件号");
  EXPECT_EQ(sc.control("w_pick_list", "dw_1")["rowcount"], 0);
}

TEST_P(CodeScenario, ExistenceChecksTellUnknownDisabledAndForeignCodesApart) {
  struct Case {
    const char* kind;
    const char* code;
    const char* message;  // "" when the code passes
  } cases[] = {
      {"备件号", "JL01 0112", ""},
      {"备件号", "NOPE", "备件号不正确，请重新输入!"},
      {"备件号", "XX99", "备件号不正确，请重新输入!"},  // disabled
      {"备件号", "ZZ01", "备件号不正确，请重新输入!"},  // company 02's
      {"分类号", "A01", ""},
      {"分类号", "A02", "分类号不正确，请重新输入!"},
      {"分类号", "B01", "分类号不正确，请重新输入!"},
      {"库号", "01", ""},
      {"库号", "09", "库号不正确，请重新输入!"},
      {"库号", "05", "库号不正确，请重新输入!"},
      {"库区号", "B1", ""},  // zones belong to no company
      {"库区号", "C1", "库区号不正确，请重新输入!"},
      {"库位号", "A1-01", ""},
      {"库位号", "A1-02", "库位号不正确，请重新输入!"},
      {"库位号", "B1-01", "库位号不正确，请重新输入!"},
      {"车型号", "J1", ""},
      {"车型号", "J9", "车型号不正确，请重新输入!"},
      {"车型号", "D1", "车型号不正确，请重新输入!"},
      {"拼音码", "HS", ""},
      {"拼音码", "TYJ", "拼音码不正确，请重新输入!"},
      {"拼音码", "BJJ", "拼音码不正确，请重新输入!"},
      {"备件号", "", ""},  // nothing typed: no look-up
      {"库号", "01' OR '1'='1", "库号不正确，请重新输入!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.kind) + " " + c.code);
    choose(c.kind);
    sc.type("w_test_codes", "sle_1", c.code);
    json s = sc.key("w_test_codes", "sle_1", "enter");
    if (*c.message) {
      ASSERT_EQ(s["messages"].size(), 1u);
      EXPECT_EQ(s["messages"][0]["title"], "提示信息");
      EXPECT_EQ(s["messages"][0]["text"], c.message);
      EXPECT_EQ(st_1(), "checking") << "the handler ends at the message";
      EXPECT_EQ(sle_1(), c.code) << "the text stays for correction";
    } else {
      EXPECT_TRUE(s["messages"].empty()) << s["messages"].dump();
      EXPECT_EQ(st_1(), "passed");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, CodeScenario, testing::ValuesIn(backends()), backend_name_of);

}  // namespace
}  // namespace sparestock::test
