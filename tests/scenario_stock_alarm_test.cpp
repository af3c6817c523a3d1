// The stock alarm form w_bj703_001 through the protocol: the three alarm kinds over a stock
// whose every part sits on one side of a limit, the search kinds and their controls, the
// filters that replace the grid's standing one, refused codes, the pick lists, the common-part
// choice, navigation and highlight, help, printing, and the lists following the database.
// "Now" is fixed at 2026-12-08; slow-moving means 180 days or more without an issue.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <string>
#include <vector>

#include "host/db/clock.h"
#include "host/lib/module_loader.h"
#include "stock_alarm/w_bj703_001.h"
#include "tests/scenario.h"

namespace sparestock::test {
namespace {

using Rows = std::vector<std::string>;

void seed_stock_alarm_data(db::Connection& conn) {
  conn.exec_script(R"sql(
    -- Categories: two usable, one disabled, one of company 02.
    INSERT INTO dbj001 (cgsh, cflh, cflmc, ltybs) VALUES ('01', 'A01', '发动机', 0);
    INSERT INTO dbj001 (cgsh, cflh, cflmc, ltybs) VALUES ('01', 'A03', '底盘', 0);
    INSERT INTO dbj001 (cgsh, cflh, cflmc, ltybs) VALUES ('01', 'A02', '旧分类', 1);
    INSERT INTO dbj001 (cgsh, cflh, cflmc, ltybs) VALUES ('02', 'B01', '别家分类', 0);
    -- Vehicle models: usable (one with a quote in its code), disabled, company 02's.
    INSERT INTO dxl002 (cgsh, ccxh, ccxmc, ltybs) VALUES ('01', 'J1', '解放', 0);
    INSERT INTO dxl002 (cgsh, ccxh, ccxmc, ltybs) VALUES ('01', 'J2', '东风', 0);
    INSERT INTO dxl002 (cgsh, ccxh, ccxmc, ltybs) VALUES ('01', 'Q''', '引号车', 0);
    INSERT INTO dxl002 (cgsh, ccxh, ccxmc, ltybs) VALUES ('01', 'J9', '旧车型', 1);
    INSERT INTO dxl002 (cgsh, ccxh, ccxmc, ltybs) VALUES ('02', 'D1', '别家车型', 0);

    -- Parts of company 01: upper limit ncbgx, lower limit ncbdx, category, model, common flag.
    -- A: 6 + 5 in two warehouses is above 10 (kind 1), though each warehouse alone is not.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ncbgx, ncbdx, cflh, ccxh, lcyjbs, ltybs) VALUES ('01', 'A', '活塞', 10, 0, 'A01', 'J1', 1, 0);
    -- B: exactly on its upper limit: no alarm (company 02's stock of B does not count).
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ncbgx, ncbdx, cflh, ccxh, lcyjbs, ltybs) VALUES ('01', 'B', '活塞环', 10, 0, 'A01', 'J2', 0, 0);
    -- C: 4 under its lower limit 5 (kind 2); D: exactly on it.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ncbgx, ncbdx, cflh, ccxh, lcyjbs, ltybs) VALUES ('01', 'C', '刹车片', 0, 5, 'A03', 'J2', 0, 0);
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ncbgx, ncbdx, cflh, ccxh, lcyjbs, ltybs) VALUES ('01', 'D', '火花塞', 0, 5, 'A03', 'J2', 0, 0);
    -- E: no limits, last issued 180 days ago: slow-moving, but hidden by the standing filter.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ncbgx, ncbdx, cflh, ccxh, lcyjbs, ltybs) VALUES ('01', 'E', '缸垫', 0, 0, 'A01', 'J1', 0, 0);
    -- F: no limits and issued below zero: under its lower limit 0 (kind 2), hidden as well.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ncbgx, ncbdx, cflh, ccxh, lcyjbs, ltybs) VALUES ('01', 'F', '水泵', 0, 0, 'A03', 'J2', 0, 0);
    -- G: last issued 180 days ago (kind 3); H: 179 days ago (no alarm).
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ncbgx, ncbdx, cflh, ccxh, lcyjbs, ltybs) VALUES ('01', 'G', '球头', 20, 0, 'A03', 'J2', 1, 0);
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ncbgx, ncbdx, cflh, ccxh, lcyjbs, ltybs) VALUES ('01', 'H', '门锁', 20, 0, 'A03', 'J2', 0, 0);
    -- I, J, L: above their upper limits (kind 1) in category A03; L has the model with a quote.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ncbgx, ncbdx, cflh, ccxh, lcyjbs, ltybs) VALUES ('01', 'I', '大灯', 5, 0, 'A03', 'J2', 0, 0);
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ncbgx, ncbdx, cflh, ccxh, lcyjbs, ltybs) VALUES ('01', 'J', '雨刮片', 1, 0, 'A03', 'J2', 1, 0);
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ncbgx, ncbdx, cflh, ccxh, lcyjbs, ltybs) VALUES ('01', 'L', '摆臂', 1, 0, 'A03', 'Q''', 0, 0);
    -- Company 02: K above its limit, never shown to company 01.
    INSERT INTO dbj002 (cgsh, ccph, ccpmc, ncbgx, ncbdx, cflh, ccxh, lcyjbs, ltybs) VALUES ('02', 'K', '别家件', 1, 0, 'B01', 'D1', 0, 0);

    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('01', '01', 'A', 6);
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('01', '02', 'A', 5);
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('01', '01', 'B', 10);
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('01', '01', 'C', 4);
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('01', '01', 'D', 5);
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('01', '01', 'E', 3);
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('01', '01', 'F', -2);
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('01', '01', 'G', 3);
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('01', '01', 'H', 3);
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('01', '01', 'I', 8);
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('01', '01', 'J', 2);
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('01', '01', 'L', 2);
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('02', '05', 'B', 5);
    INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('02', '05', 'K', 9);

    -- Issues: every part not meant to be slow-moving was issued a week ago.
    INSERT INTO dbj028 (crcdh, cgsh, ckh, drq, clx) VALUES ('C0611', '01', '01', '2026-06-11 09:00:00', 'C');
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('C0611', 1, 'E', 1);
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('C0611', 2, 'G', 1);
    INSERT INTO dbj028 (crcdh, cgsh, ckh, drq, clx) VALUES ('C0612', '01', '01', '2026-06-12 09:00:00', 'C');
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('C0612', 1, 'H', 1);
    INSERT INTO dbj028 (crcdh, cgsh, ckh, drq, clx) VALUES ('C1201', '01', '01', '2026-12-01 09:00:00', 'C');
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('C1201', 1, 'A', 1);
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('C1201', 2, 'B', 1);
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('C1201', 3, 'C', 1);
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('C1201', 4, 'D', 1);
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('C1201', 5, 'F', 3);
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('C1201', 6, 'I', 1);
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('C1201', 7, 'J', 1);
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('C1201', 8, 'L', 1);
  )sql");
}

const bool forms_registered = [] {
  lib::load_module();
  return true;
}();

constexpr const char* W = "w_bj703_001";
constexpr const char* kStanding = " ncbgx <> 0 or  ncbdx <> 0";
const Rows kKind1 = {"A", "I", "J", "L"};

class StockAlarm : public testing::TestWithParam<db::Backend> {
 protected:
  void SetUp() override {
    db::set_fixed_now(db::DateTime::parse("2026-12-08 10:00:00"));
    conn = sc.database().connect();
    seed_stock_alarm_data(*conn);
    login("01");
  }
  void TearDown() override { db::set_fixed_now(std::nullopt); }

  void login(const std::string& company) {
    sc.ok(
        {{"op", "host"},
         {"globals",
          {{"gs_yhssgsh", company}, {"gs_tsxx", "提示信息"}, {"gs_title", "配件管理-"}, {"gs_dq", "一号店-"}}}});
  }
  json ok(const json& r) { return sc.ok(r); }
  std::string error(const json& r) { return sc.error(r); }
  // The parts the list shows, in order.
  Rows parts() { return sc.column(W, "dw_1", "ccph"); }
  json grid() { return sc.control(W, "dw_1"); }
  std::string filter() { return grid()["filter"]; }
  json search(const std::string& text) {
    sc.type(W, "sle_1", text);
    return sc.key(W, "sle_1", "enter");
  }
  json choose(const std::string& item) {
    return ok({{"op", "select"}, {"window", W}, {"control", "ddlb_1"}, {"value", item}});
  }
  json event(const std::string& name) { return ok({{"op", "event"}, {"window", W}, {"name", name}}); }
  static Rows texts(const json& messages) {
    Rows out;
    for (const auto& m : messages) out.push_back(m["text"]);
    return out;
  }
  // The form itself, read while the session waits (for the search kind, which the protocol
  // does not show).
  stock_alarm::w_bj703_001& form() {
    stock_alarm::w_bj703_001* w = nullptr;
    sc.session().read([&] { w = dynamic_cast<stock_alarm::w_bj703_001*>(sc.session().windows().find(W)); });
    if (!w) throw std::runtime_error("the alarm form is not open");
    return *w;
  }
  long count(const std::string& sql) {
    auto c = conn->query(sql);
    return c->next() ? static_cast<long>(c->integer(0)) : -1;
  }

  Scenario sc{GetParam(), false};
  std::unique_ptr<db::Connection> conn;
};

// Open: kind 1 with the standing filter, rb_1 checked, no search kind, the frame's title, the
// focus in the field, a read-only grid with its first row highlighted, the list registered for
// printing, the menu m_e4.
TEST_P(StockAlarm, OpensOnTheFirstAlarmKind) {
  json s = sc.open(W);
  EXPECT_TRUE(s["messages"].empty()) << s["messages"].dump();
  EXPECT_EQ(s["frame"]["title"], "配件管理-一号店-查询库存超低储报警");
  EXPECT_EQ(parts(), kKind1);
  json g = grid();
  EXPECT_EQ(g["dataobject"], "d_bj703_002");
  EXPECT_EQ(g["filter"], kStanding);
  EXPECT_TRUE(g["readonly"].get<bool>());
  EXPECT_EQ(g["row"], 1);
  EXPECT_EQ(g["selected"], json({1}));

  json w = sc.window(W);
  EXPECT_EQ(w["focus"], "sle_1");
  EXPECT_EQ(w["menu"]["class"], "m_e4");
  const json& c = w["controls"];
  EXPECT_TRUE(c["rb_1"]["checked"].get<bool>());
  EXPECT_FALSE(c["rb_2"]["checked"].get<bool>());
  EXPECT_FALSE(c["rb_3"]["checked"].get<bool>());
  Rows captions;
  for (const char* b : {"rb_1", "rb_2", "rb_3", "cb_4", "cb_5", "cb_6", "st_1"})
    captions.push_back(c[b]["text"]);
  EXPECT_EQ(captions, (Rows{"超高储备报警", "超低储备报警", "呆滞备件报警", "按车型号(&1)", "按分类号(&2)",
                            "按常用件(&3)", "请选择查询类别"}));
  EXPECT_EQ(c["ddlb_1"]["items"], json({"常用", "非常用"}));
  EXPECT_TRUE(c["sle_1"]["visible"].get<bool>());
  EXPECT_EQ(c["sle_1"]["limit"], 0);
  EXPECT_FALSE(c["ddlb_1"]["visible"].get<bool>());
  EXPECT_EQ(form().xlh, 0);

  // The menu's print command prints the list as shown.
  ok({{"op", "menu"}, {"window", W}, {"item", "m_print"}});
  s = sc.click("w_dw_print_options", "cb_1");
  ASSERT_EQ(s["printed"].size(), 1u) << s.dump();
  EXPECT_EQ(s["printed"][0]["dataobject"], "d_bj703_002");
  EXPECT_EQ(s["printed"][0]["rows"], 4);
}

// The save-as command saves the list as shown as a spreadsheet and reports the file.
TEST_P(StockAlarm, SaveAsSavesTheListAsShown) {
  sc.open(W);
  json s = ok({{"op", "menu"}, {"window", W}, {"item", "m_saveas"}});
  ASSERT_EQ(s["saved"].size(), 1u) << s.dump();
  EXPECT_EQ(s["saved"][0]["window"], W);
  EXPECT_EQ(s["saved"][0]["dataobject"], "d_bj703_002");
  EXPECT_EQ(s["saved"][0]["rows"], 4);
  EXPECT_EQ(s["saved"][0]["format"], "xlsx");
  std::string file = s["saved"][0]["file"];
  std::ifstream in(file, std::ios::binary);
  std::string magic(2, '\0');
  in.read(magic.data(), 2);
  EXPECT_EQ(magic, "PK") << file;  // a zip container, as every XLSX file
  std::filesystem::remove(file);
}

// The three kinds, each retrieved again; the columns of a slow-moving part.
TEST_P(StockAlarm, EachAlarmKindListsItsParts) {
  sc.open(W);
  sc.click(W, "rb_2");
  EXPECT_EQ(parts(), Rows{"C"});
  EXPECT_TRUE(sc.control(W, "rb_2")["checked"].get<bool>());
  EXPECT_FALSE(sc.control(W, "rb_1")["checked"].get<bool>());
  sc.click(W, "rb_3");
  EXPECT_EQ(parts(), Rows{"G"});
  json g = sc.rows(W, "dw_1")[0];
  EXPECT_EQ(g["ccpmc"], "球头");
  EXPECT_EQ(g["ndzts"], 180);
  EXPECT_EQ(g["nkcsl"], 3);
  EXPECT_EQ(g["ncbgx"], 20);
  EXPECT_EQ(g["lcyjbs"], 1);
  EXPECT_EQ(g["dzhckrq"].get<std::string>().substr(0, 10), "2026-06-11");
  sc.click(W, "rb_1");
  EXPECT_EQ(parts(), kKind1);
  EXPECT_EQ(filter(), kStanding);
}

// Changing the kind keeps the search kind, the typed text, the common-part choice and the
// filter in force, which applies to the new kind's rows.
TEST_P(StockAlarm, ChangingTheKindKeepsTheSearch) {
  sc.open(W);
  sc.click(W, "cb_5");
  search("A01");
  EXPECT_EQ(parts(), Rows{"A"});
  sc.click(W, "rb_3");
  EXPECT_EQ(filter(), "cflh = 'A01'");
  // E has no limits: the search replaced the standing filter, so it shows now.
  EXPECT_EQ(parts(), Rows{"E"});
  EXPECT_EQ(form().xlh, 2);
  EXPECT_EQ(sc.text(W, "sle_1"), "A01");
  EXPECT_EQ(sc.text(W, "st_1"), "按分类号查询");

  sc.click(W, "cb_6");
  choose("非常用");
  sc.click(W, "rb_1");
  EXPECT_EQ(filter(), "lcyjbs = 0");
  EXPECT_EQ(parts(), (Rows{"I", "L"}));
  json c = sc.window(W)["controls"];
  EXPECT_EQ(c["ddlb_1"]["text"], "非常用");
  EXPECT_EQ(c["sle_1"]["text"], "A01");
  EXPECT_EQ(form().xlh, 3);
}

// Enter on blanks removes every filter, the standing one included, without a message: rows
// without limits show in each kind from then on.
TEST_P(StockAlarm, BlankTextRemovesTheFilter) {
  sc.open(W);
  sc.click(W, "rb_3");
  EXPECT_EQ(parts(), Rows{"G"});
  json s = search("   ");
  EXPECT_TRUE(s["messages"].empty());
  EXPECT_EQ(filter(), "");
  EXPECT_EQ(parts(), (Rows{"E", "G"}));
  sc.click(W, "rb_2");
  EXPECT_EQ(parts(), (Rows{"C", "F"}));
  sc.click(W, "rb_1");
  EXPECT_EQ(parts(), kKind1);

  // The same after a search button, and with nothing typed at all.
  sc.click(W, "cb_5");
  search("A03");
  EXPECT_EQ(parts(), (Rows{"I", "J", "L"}));
  s = search("");
  EXPECT_TRUE(s["messages"].empty());
  EXPECT_EQ(parts(), kKind1);
}

// Before any search button a code changes no filter; the message comes only over an empty list.
TEST_P(StockAlarm, EnterBeforeASearchButtonChangesNoFilter) {
  sc.open(W);
  json s = search("A03");
  EXPECT_TRUE(s["messages"].empty());
  EXPECT_EQ(filter(), kStanding);
  EXPECT_EQ(parts(), kKind1);

  // Company 03 has no stock: the empty list is told, the filter stays.
  sc.ok({{"op", "close"}, {"window", W}});
  login("03");
  sc.open(W);
  EXPECT_EQ(grid()["rowcount"], 0);
  s = search("A03");
  EXPECT_EQ(texts(s["messages"]), Rows{"无满足条件的记录!"});
  EXPECT_EQ(s["messages"][0]["title"], "提示信息");
  EXPECT_EQ(filter(), kStanding);
  // Navigation over an empty list does nothing.
  for (const char* e : {"ue_first", "ue_last", "ue_next", "ue_end"}) event(e);
  EXPECT_EQ(grid()["row"], 0);
}

// The search buttons: search kind, caption, which control is shown and has the focus, the
// field's limit; none of them searches and the typed text stays.
TEST_P(StockAlarm, SearchButtonsChooseTheSearchKind) {
  sc.open(W);
  sc.type(W, "sle_1", "A0");
  struct Case {
    const char* button;
    int xlh;
    const char* caption;
    bool by_code;
  };
  const Case cases[] = {{"cb_4", 1, "按车型号查询", true},
                        {"cb_6", 3, "按常用件查询", false},
                        {"cb_5", 2, "按分类号查询", true}};
  for (const Case& k : cases) {
    json s = sc.click(W, k.button);
    EXPECT_TRUE(s["messages"].empty()) << k.button;
    json w = sc.window(W);
    const json& c = w["controls"];
    EXPECT_EQ(form().xlh, k.xlh) << k.button;
    EXPECT_EQ(c["st_1"]["text"], k.caption) << k.button;
    EXPECT_EQ(c["pb_1"]["visible"], k.by_code) << k.button;
    EXPECT_EQ(c["sle_1"]["visible"], k.by_code) << k.button;
    EXPECT_EQ(c["ddlb_1"]["visible"], !k.by_code) << k.button;
    EXPECT_EQ(w["focus"], "sle_1") << k.button;
    EXPECT_EQ(c["sle_1"]["text"], "A0") << k.button;
    EXPECT_EQ(c["dw_1"]["filter"], kStanding) << k.button;
  }
  EXPECT_EQ(sc.control(W, "pb_1")["picture"], "locate.bmp");
}

// After the vehicle-model button the field takes 3 characters, and keeps that limit for the
// category search.
TEST_P(StockAlarm, VehicleModelButtonLimitsTheFieldToThreeCharacters) {
  sc.open(W);
  sc.type(W, "sle_1", "ABCDEF");
  sc.click(W, "cb_4");
  EXPECT_EQ(sc.control(W, "sle_1")["limit"], 3);
  sc.type(W, "sle_1", "ABC");
  error({{"op", "text"}, {"window", W}, {"control", "sle_1"}, {"value", "ABCD"}});
  EXPECT_EQ(sc.text(W, "sle_1"), "ABC");
  sc.click(W, "cb_5");
  EXPECT_EQ(sc.control(W, "sle_1")["limit"], 3);
  error({{"op", "text"}, {"window", W}, {"control", "sle_1"}, {"value", "A011"}});
  sc.type(W, "sle_1", "A01");
  sc.click(W, "cb_6");
  sc.click(W, "cb_5");
  EXPECT_EQ(sc.control(W, "sle_1")["limit"], 3);
}

// Codes are checked against their masters: disabled codes, another company's and unknown ones
// are refused with the master's message and change nothing; a usable code filters, trimmed,
// and a quote in it stays part of the value.
TEST_P(StockAlarm, SearchByCodeChecksTheCodeAndFilters) {
  sc.open(W);
  struct Case {
    const char* button;
    const char* code;
    const char* message;  // "" when accepted
    const char* filter;
    Rows rows;
  };
  const Case cases[] = {
      {"cb_4", "J9", "车型号不正确，请重新输入!", kStanding, kKind1},
      {"cb_4", "D1", "车型号不正确，请重新输入!", kStanding, kKind1},
      {"cb_4", "ZZ", "车型号不正确，请重新输入!", kStanding, kKind1},
      {"cb_4", " J1", "", "ccxh = 'J1'", {"A"}},
      {"cb_4", "Q'", "", "ccxh = 'Q~''", {"L"}},
      {"cb_5", "A02", "分类号不正确，请重新输入!", "ccxh = 'Q~''", {"L"}},
      {"cb_5", "B01", "分类号不正确，请重新输入!", "ccxh = 'Q~''", {"L"}},
      {"cb_5", "A03", "", "cflh = 'A03'", {"I", "J", "L"}},
      {"cb_5", "A01", "", "cflh = 'A01'", {"A"}},
  };
  for (const Case& k : cases) {
    sc.click(W, k.button);
    json s = search(k.code);
    Rows expected_messages;
    if (*k.message) expected_messages.push_back(k.message);
    EXPECT_EQ(texts(s["messages"]), expected_messages) << k.code;
    EXPECT_EQ(filter(), k.filter) << k.code;
    EXPECT_EQ(parts(), k.rows) << k.code;
    EXPECT_EQ(sc.text(W, "sle_1"), k.code) << "the typed text stays for correction";
  }

  // No row left: the message, and the empty list stays on screen.
  sc.click(W, "rb_2");
  EXPECT_EQ(parts(), Rows{});
  json s = search("A03");
  EXPECT_EQ(parts(), (Rows{"C", "F"}));
  sc.click(W, "cb_4");
  s = search("J1");
  EXPECT_EQ(texts(s["messages"]), Rows{"无满足条件的记录!"});
  EXPECT_EQ(filter(), "ccxh = 'J1'");
  EXPECT_EQ(grid()["rowcount"], 0);
}

// The common-part list: "常用" keeps flag 1, "非常用" flag 0, replacing any other filter.
TEST_P(StockAlarm, CommonPartChoiceFilters) {
  sc.open(W);
  sc.click(W, "cb_6");
  json s = choose("常用");
  EXPECT_TRUE(s["messages"].empty());
  EXPECT_EQ(filter(), "lcyjbs = 1");
  EXPECT_EQ(parts(), (Rows{"A", "J"}));
  choose("非常用");
  EXPECT_EQ(filter(), "lcyjbs = 0");
  EXPECT_EQ(parts(), (Rows{"I", "L"}));
  // Kind 3 under "非常用": E (no limits) shows, G (common) does not.
  sc.click(W, "rb_3");
  EXPECT_EQ(parts(), Rows{"E"});
  s = choose("常用");
  EXPECT_EQ(parts(), Rows{"G"});
  // Kind 2 holds no common part.
  sc.click(W, "rb_2");
  s = choose("常用");
  EXPECT_EQ(texts(s["messages"]), Rows{"无满足条件的记录!"});
}

// F9 and the picture button open the pick list of the search kind (usable codes of the
// company only); the chosen code goes into the field with the caption, and nothing is searched
// until Enter. A cancelled list keeps the text. Before a search button there is no list.
TEST_P(StockAlarm, PickListsOfTheSearchKind) {
  sc.open(W);
  json s = sc.key(W, "sle_1", "f9");
  EXPECT_EQ(s["windows"].size(), 1u);

  sc.click(W, "cb_4");
  s = sc.key(W, "sle_1", "f9");
  ASSERT_EQ(s["windows"].back()["class"], "w_pick_list");
  EXPECT_EQ(sc.column("w_pick_list", "dw_1", "ccxh"), (Rows{"J1", "J2", "Q'"}));
  sc.pick("J2");
  EXPECT_EQ(sc.text(W, "sle_1"), "J2");
  EXPECT_EQ(sc.text(W, "st_1"), "按车型号查询");
  EXPECT_EQ(sc.window(W)["focus"], "sle_1");
  EXPECT_EQ(filter(), kStanding);
  sc.key(W, "sle_1", "enter");
  EXPECT_EQ(parts(), (Rows{"I", "J"}));

  sc.click(W, "cb_5");
  sc.click(W, "pb_1");
  EXPECT_EQ(sc.column("w_pick_list", "dw_1", "cflh"), (Rows{"A01", "A03"}));
  sc.pick("");
  EXPECT_EQ(sc.text(W, "sle_1"), "J2");
  sc.key(W, "sle_1", "f9");
  sc.pick("A01");
  EXPECT_EQ(sc.text(W, "sle_1"), "A01");
  EXPECT_EQ(sc.text(W, "st_1"), "按分类号查询");
  EXPECT_EQ(filter(), "ccxh = 'J2'");
}

// Navigation from the menu and the grid's events: the current row moves and is the only row
// highlighted; the last row is reached whatever the number of rows.
TEST_P(StockAlarm, NavigationMovesAndHighlightsTheCurrentRow) {
  sc.open(W);
  auto at = [&](long row) {
    json g = grid();
    EXPECT_EQ(g["row"], row);
    EXPECT_EQ(g["selected"], json({row}));
  };
  event("ue_end");
  at(4);
  event("ue_last");
  at(3);
  event("ue_next");
  at(4);
  event("ue_next");
  at(4);
  event("ue_first");
  at(1);
  event("ue_last");
  at(1);
  ok({{"op", "menu"}, {"window", W}, {"item", "m_8"}});
  at(4);
  ok({{"op", "menu"}, {"window", W}, {"item", "m_6"}});
  at(3);
  ok({{"op", "grid"}, {"window", W}, {"control", "dw_1"}, {"action", "click"}, {"row", 2}, {"band", "detail"}});
  at(2);
  ok({{"op", "grid"}, {"window", W}, {"control", "dw_1"}, {"action", "key"}, {"key", "down"}});
  at(3);

  // A search leaves the new current row highlighted alone.
  sc.click(W, "cb_5");
  search("A01");
  at(1);
  EXPECT_EQ(parts(), Rows{"A"});

  // The item-focus event highlights the current row as well (a read-only grid takes no typing,
  // so the protocol cannot move the column; the event is raised as the runtime would).
  search("");
  ui::GridControl& dw_1 = form().dw_1;
  sc.session().post([&] {
    dw_1.grid.setrow(3);
    dw_1.grid.selectrow(0, false);
    dw_1.grid.selectrow(1, true);
    dw_1.itemfocuschanged(3, "ccph");
  });
  at(3);
}

// Help topic 204; the close restores the frame's title.
TEST_P(StockAlarm, HelpAndClose) {
  sc.open(W);
  json s = event("ue_help");
  EXPECT_EQ(s["windows"].back()["class"], "w_help");
  EXPECT_EQ(sc.text("w_help", "st_1"), "查询库存超低储报警");
  ok({{"op", "menu"}, {"window", W}, {"item", "m_help"}});
  EXPECT_EQ(sc.text("w_help", "st_1"), "查询库存超低储报警");
  s = ok({{"op", "close"}, {"window", W}});
  EXPECT_EQ(s["frame"]["title"], "配件管理-");
  ASSERT_EQ(s["closed"].size(), 1u);
  EXPECT_EQ(s["closed"][0]["class"], W);
}

// The lists follow the database: a part moves between them when its stock or its last issue
// changes, or when time passes, and the next retrieval of its kind shows it.
TEST_P(StockAlarm, ListsFollowTheDatabase) {
  sc.open(W);
  EXPECT_EQ(parts(), kKind1);
  conn->exec("UPDATE dbj030 SET nkcsl = 12 WHERE cgsh = '01' AND ccph = 'B'");
  conn->exec("UPDATE dbj030 SET nkcsl = 1 WHERE cgsh = '01' AND ccph = 'I'");
  sc.click(W, "rb_1");
  EXPECT_EQ(parts(), (Rows{"A", "B", "J", "L"}));

  sc.click(W, "rb_2");
  EXPECT_EQ(parts(), Rows{"C"});
  conn->exec("UPDATE dbj030 SET nkcsl = 6 WHERE cgsh = '01' AND ccph = 'C'");
  conn->exec("UPDATE dbj030 SET nkcsl = 4.5 WHERE cgsh = '01' AND ccph = 'D'");
  sc.click(W, "rb_2");
  EXPECT_EQ(parts(), Rows{"D"});

  sc.click(W, "rb_3");
  EXPECT_EQ(parts(), Rows{"G"});
  conn->exec_script(R"sql(
    INSERT INTO dbj028 (crcdh, cgsh, ckh, drq, clx) VALUES ('C1207', '01', '01', '2026-12-07 09:00:00', 'C');
    INSERT INTO dbj029 (crcdh, nhh, ccph, nsl) VALUES ('C1207', 1, 'G', 1);
  )sql");
  sc.click(W, "rb_3");
  EXPECT_EQ(parts(), Rows{});
  // A day later H has gone 180 days without an issue.
  db::set_fixed_now(db::DateTime::parse("2026-12-09 08:00:00"));
  sc.click(W, "rb_3");
  EXPECT_EQ(parts(), Rows{"H"});
  EXPECT_EQ(sc.rows(W, "dw_1")[0]["ndzts"], 180);

  // The form wrote nothing: the stock is as the test left it.
  EXPECT_EQ(count("SELECT count(*) FROM dbj030"), 14);
}

// A retrieval the database cannot answer is told, not shown as an empty alarm list.
TEST_P(StockAlarm, AFailedRetrievalIsTold) {
  sc.open(W);
  conn->exec("DROP TABLE dbj013");
  json s = sc.click(W, "rb_2");
  ASSERT_EQ(s["messages"].size(), 1u) << s.dump();
  EXPECT_EQ(s["messages"][0]["text"].get<std::string>().rfind("读取报警列表失败：", 0), 0u)
      << s["messages"][0]["text"];
  EXPECT_EQ(s["messages"][0]["icon"], "stopsign");
  EXPECT_EQ(grid()["rowcount"], 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, StockAlarm, testing::ValuesIn(backends()), backend_name_of);

}  // namespace
}  // namespace sparestock::test
