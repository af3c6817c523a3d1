// The host library: menus and the events their commands raise, the ancestors' frame title and
// record commands, the query-condition form, the stock status form, and the global functions
// on real grids and tables.

#include <gtest/gtest.h>

#include "common/menus.h"
#include "host/db/clock.h"
#include "host/db/transaction.h"
#include "host/grid/print.h"
#include "host/lib/global_functions.h"
#include "host/lib/help.h"
#include "host/lib/host_library.h"
#include "host/lib/menus.h"
#include "host/lib/module_loader.h"
#include "host/lib/w_cx.h"
#include "host/lib/w_spmm.h"
#include "tests/scenario.h"

namespace sparestock::lib {
namespace {

using nlohmann::json;
using test::Scenario;

// Logs every user event a menu can raise in st_1; opened with the class of the menu to attach.
class w_hl_probe : public ui::Window {
 public:
  explicit w_hl_probe(ui::Session& s) : Window(s, "w_hl_probe") {
    for (const char* e : {"ue_query", "ue_add", "ue_delete", "ue_save", "ue_cancel", "ue_sort",
                          "ue_help", "ue_getfocus", "ue_first", "ue_last", "ue_next", "ue_end"})
      on_user_event(e, [this, e] { st_1.text += (st_1.text.empty() ? "" : " ") + std::string(e); });
  }
  void open() override { menu = create_menu(session().windows().message.stringparm, *this); }
  ui::StaticText st_1{*this, "st_1", ""};
};

// An editing form on the company's stock records (d_bj701_001 in dw_edit), with printing to a
// recording service.
class w_hl_spmm : public w_spmm {
 public:
  explicit w_hl_spmm(ui::Session& s) : w_spmm(s, "w_hl_spmm") {
    title = "编辑测试";
    dw_edit.grid.set_dataobject("d_bj701_001");
    dw_edit.grid.set_print_service(&printer);
    is_retrievecolumnstring = "cgsh";
    is_primarykey = "cgsh , ckh , ccph";
    is_first_colname = "ckh";
  }
  void open() override {
    w_spmm::open();
    ia_retrievecolumnvalue = {db::Value(session().globals().gs_yhssgsh)};
    f_table_retrieve(is_retrievecolumnstring, ia_retrievecolumnvalue, dw_edit);
    f_primarykey_notchange(is_primarykey, false, dw_edit);
    session().globals().gd_print = &dw_edit.grid;
  }
  void close() override {
    w_spmm::close();
    session().globals().gd_print = nullptr;
  }
  static inline grid::RecordingPrintService printer;
};

[[maybe_unused]] const bool registered = [] {
  lib::load_module();
  register_host_library();
  ui::register_window_class("w_hl_probe", [](ui::Session& s) { return std::make_unique<w_hl_probe>(s); });
  ui::register_window_class("w_hl_spmm", [](ui::Session& s) { return std::make_unique<w_hl_spmm>(s); });
  return true;
}();

json item_of(const json& window, const std::string& name) {
  for (const auto& i : window["menu"]["items"])
    if (i["name"] == name) return i;
  ADD_FAILURE() << "no menu item " << name;
  return json::object();
}

json menu_click(Scenario& sc, const std::string& window, const std::string& item) {
  return sc.send({{"op", "menu"}, {"window", window}, {"item", item}});
}

// ---- menus (no database work: SQLite only) ----

class MenuTest : public testing::Test {
 protected:
  Scenario sc{db::Backend::Sqlite};
  void SetUp() override { sc.login(); }
  json open_with(const std::string& menu) {
    return sc.ok({{"op", "open"}, {"window", "w_hl_probe"}, {"parm", menu}});
  }
};

TEST_F(MenuTest, ModuleMenusHideTheirItemsFromMenuAndToolbar) {
  const std::vector<std::string> record_items{"m_change", "m_add", "m_delete", "m_cancel", "m_save"};
  struct Case {
    std::string menu;
    std::vector<std::string> hidden;
  } cases[] = {
      {"m_e", {}},
      {"m_module", {}},
      {"m_bj600_001", {"m_add", "m_delete", "m_cancel", "m_save"}},
      {"m_bj601_001", {"m_add", "m_delete"}},
      {"m_bj605_001", {}},
      {"m_e4", record_items},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.menu);
    open_with(c.menu);
    json w = sc.window("w_hl_probe");
    EXPECT_EQ(w["menu"]["class"], c.menu);
    for (const std::string name : {"m_change", "m_add", "m_delete", "m_cancel", "m_save"}) {
      bool hidden = std::find(c.hidden.begin(), c.hidden.end(), name) != c.hidden.end();
      json i = item_of(w, name);
      EXPECT_EQ(i["visible"], !hidden) << name;
      EXPECT_EQ(i["toolbaritemvisible"], !hidden) << name;
      EXPECT_EQ(i["parent"], "m_edit");
      json r = menu_click(sc, "w_hl_probe", name);
      EXPECT_EQ(r["ok"], !hidden) << name << " " << r.dump();
      if (hidden) {
        EXPECT_EQ(r["error"], "menu item " + name + " is hidden");
      }
    }
    sc.ok({{"op", "close"}, {"window", "w_hl_probe"}});
  }
}

TEST_F(MenuTest, TheModuleMenuAddsQueryAndBrowseItemsAfterTheInheritedOnes) {
  open_with("m_bj605_001");
  std::vector<std::string> names;
  json w = sc.window("w_hl_probe");
  for (const auto& i : w["menu"]["items"]) names.push_back(i["name"]);
  EXPECT_EQ(names, (std::vector<std::string>{"m_edit", "m_change", "m_add", "m_delete", "m_cancel",
                                             "m_save", "m_exit1", "m_print1", "m_preview", "m_print",
                                             "m_help1", "m_help", "m_2", "m_1", "m_4", "m_3", "m_",
                                             "m_5", "m_6", "m_7", "m_8"}));
}

TEST_F(MenuTest, CommandsRaiseTheirEvents) {
  open_with("m_module");
  const std::pair<const char*, const char*> cases[] = {
      {"m_change", "ue_getfocus"}, {"m_add", "ue_add"},     {"m_delete", "ue_delete"},
      {"m_cancel", "ue_cancel"},   {"m_save", "ue_save"},   {"m_help", "ue_help"},
      {"m_1", "ue_query"},         {"m_3", "ue_sort"},      {"m_5", "ue_first"},
      {"m_6", "ue_last"},          {"m_7", "ue_next"},      {"m_8", "ue_end"},
      {"m_edit.m_save", "ue_save"}, {"m_4.m_7", "ue_next"},
  };
  std::string expected;
  for (auto [item, event] : cases) {
    json r = menu_click(sc, "w_hl_probe", item);
    ASSERT_TRUE(r["ok"].get<bool>()) << item << " " << r.dump();
    expected += (expected.empty() ? "" : " ") + std::string(event);
    EXPECT_EQ(sc.text("w_hl_probe", "st_1"), expected) << item;
  }
  // m_exit1 closes the window.
  json s = sc.ok({{"op", "menu"}, {"window", "w_hl_probe"}, {"item", "m_exit1"}});
  EXPECT_TRUE(s["windows"].empty());
  EXPECT_EQ(s["closed"][0]["class"], "w_hl_probe");
}

TEST_F(MenuTest, ClicksThatCannotReachAnItemAreRefusedAndRunNothing) {
  open_with("m_module");
  const std::pair<const char*, const char*> cases[] = {
      {"m_nothing", "menu m_module has no item m_nothing"},
      {"m_print1.m_save", "menu m_module has no item m_print1.m_save"},
      {"m_edit", "menu item m_edit opens a submenu"},
      {"m_", "menu item m_ is a separator"},
      {"m_preview", "menu item m_preview is disabled"},
  };
  for (auto [item, message] : cases) EXPECT_EQ(sc.error({{"op", "menu"}, {"window", "w_hl_probe"}, {"item", item}}), message);
  EXPECT_EQ(sc.text("w_hl_probe", "st_1"), "");
  // A disabled submenu disables its items.
  sc.session().post([&] { menu_of(*sc.session().windows().find("w_hl_probe"))->item("m_4").enabled = false; });
  EXPECT_EQ(sc.error({{"op", "menu"}, {"window", "w_hl_probe"}, {"item", "m_5"}}), "menu item m_5 is disabled");
  // A hidden entry whose toolbar button shows is still reachable.
  sc.session().post([&] { menu_of(*sc.session().windows().find("w_hl_probe"))->item("m_help").visible = false; });
  sc.ok({{"op", "menu"}, {"window", "w_hl_probe"}, {"item", "m_help"}});
  EXPECT_EQ(sc.text("w_hl_probe", "st_1"), "ue_help");
}

TEST_F(MenuTest, AddOfM_bj605_001RunsTheInheritedActionThenStaysDisabled) {
  open_with("m_bj605_001");
  sc.ok({{"op", "menu"}, {"window", "w_hl_probe"}, {"item", "m_add"}});
  EXPECT_EQ(sc.text("w_hl_probe", "st_1"), "ue_add");
  EXPECT_EQ(item_of(sc.window("w_hl_probe"), "m_add")["enabled"], false);
  EXPECT_EQ(sc.error({{"op", "menu"}, {"window", "w_hl_probe"}, {"item", "m_add"}}), "menu item m_add is disabled");
  EXPECT_EQ(sc.text("w_hl_probe", "st_1"), "ue_add");
  // The other commands are untouched.
  sc.ok({{"op", "menu"}, {"window", "w_hl_probe"}, {"item", "m_delete"}});
  EXPECT_EQ(sc.text("w_hl_probe", "st_1"), "ue_add ue_delete");
  // A new instance starts enabled.
  sc.ok({{"op", "close"}, {"window", "w_hl_probe"}});
  open_with("m_bj605_001");
  EXPECT_EQ(item_of(sc.window("w_hl_probe"), "m_add")["enabled"], true);
}

// ---- help ----

TEST_F(MenuTest, HelpOpensOneModelessWindowShowingTheAskedTopic) {
  ui::Session& s = sc.session();
  int known = 0, unknown = 0;
  s.post([&] { known = f_open_help(s, 202); });
  json w = sc.window("w_help");
  EXPECT_EQ(known, 1);
  EXPECT_FALSE(w["modal"].get<bool>());
  EXPECT_EQ(w["controls"]["st_1"]["text"], "库存特殊调整");
  EXPECT_NE(w["controls"]["st_2"]["text"].get<std::string>().find("库存数据恢复"), std::string::npos);
  s.post([&] { unknown = f_open_help(s, 999); });
  EXPECT_EQ(unknown, -1);
  w = sc.window("w_help");
  EXPECT_EQ(w["controls"]["st_1"]["text"], "帮助目录");
  EXPECT_EQ(w["controls"]["st_2"]["text"].get<std::string>().rfind("没有编号为 999 的帮助主题。", 0), 0u);
  sc.ok({{"op", "select"}, {"window", "w_help"}, {"control", "ddlb_1"}, {"value", "204 查询库存超低储报警"}});
  EXPECT_EQ(sc.text("w_help", "st_1"), "查询库存超低储报警");
  json windows = sc.state()["windows"];
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_EQ(windows[0]["class"], "w_help");
}

// ---- the query-condition form's expressions ----

grid::ColumnDef column(const char* name, grid::GridType type, std::string heading = "标题") {
  grid::ColumnDef c;
  c.name = name;
  c.type = type;
  c.length = 20;
  c.scale = 2;
  c.heading = std::move(heading);
  return c;
}

TEST(QueryCondition, ValuesBecomeSafeLiteralsAndAreCheckedAgainstTheColumn) {
  using T = grid::GridType;
  struct Case {
    grid::ColumnDef col;
    const char* op;
    const char* value;
    const char* expression;
    const char* error;
  } cases[] = {
      {column("ccph", T::Char), "=", " JL01 ", "ccph = 'JL01'", ""},
      {column("ccph", T::Char), "=", "QT'1", "ccph = 'QT~'1'", ""},
      {column("ccph", T::Char), "<>", "a~'b", "ccph <> 'a~~~'b'", ""},
      {column("ccph", T::Char), "like", "JL%", "ccph like 'JL%'", ""},
      {column("ccph", T::Char), "包含", "0'1", "pos(ccph, '0~'1') > 0", ""},
      {column("ccph", T::Char), "=", "", "(isnull(ccph) or ccph = '')", ""},
      {column("ccph", T::Char), "<>", " ", "(not isnull(ccph) and ccph <> '')", ""},
      {column("ccph", T::Char, "备件号"), ">", "", "", "请输入“备件号”的值!"},
      {column("ccph", T::Char), "between", "a", "", "请选择运算符!"},
      {column("nkcsl", T::Decimal), ">=", "5", "nkcsl >= 5", ""},
      {column("nkcsl", T::Decimal), "<", "-1.50", "nkcsl < -1.50", ""},
      {column("nkcsl", T::Decimal, "库存数量"), "=", "5 or 1=1", "", "“库存数量”是数值列，请输入数字!"},
      {column("nkcsl", T::Decimal, "库存数量"), "like", "5%", "", "“库存数量”是数值列，不能使用 like!"},
      {column("ncbgx", T::Long), "=", "", "isnull(ncbgx)", ""},
      {column("dzhckrq", T::DateTime), "=", "2026-12-08", "date(dzhckrq) = date('2026-12-08')", ""},
      {column("dzhckrq", T::DateTime), ">", "2026-12-08 10:30:00",
       "dzhckrq > datetime('2026-12-08 10:30:00')", ""},
      {column("dzhckrq", T::DateTime, "日期"), "=", "2026-13-01", "", "“日期”是日期列，请输入日期，如 2026-12-08!"},
  };
  for (const auto& c : cases) {
    auto r = build_condition(c.col, c.op, c.value);
    EXPECT_EQ(r.expression, c.expression) << c.op << " " << c.value;
    EXPECT_EQ(r.error, c.error) << c.op << " " << c.value;
  }
}

TEST(QueryCondition, EveryBuiltExpressionIsAcceptedByTheGrid) {
  grid::GridDefinition def;
  def.name = "d_test";
  def.columns = {column("ccph", grid::GridType::Char, "备件号"), column("nkcsl", grid::GridType::Decimal),
                 column("dzhckrq", grid::GridType::DateTime, "日期")};
  grid::Grid g(def);
  for (const auto& col : def.columns)
    for (const auto& op : query_operators())
      for (const char* value : {"", "12", "2026-12-08", "a'~%_b"}) {
        auto r = build_condition(col, op, value);
        if (!r.error.empty()) continue;
        EXPECT_EQ(g.setfilter(r.expression), 1) << r.expression << ": " << g.last_error();
      }
}

TEST(QueryCondition, ColumnsAreOfferedByHeadingAndSharedHeadingsAreTold) {
  grid::GridDefinition def;
  def.columns = {column("dbj002_cjldw", grid::GridType::Char, "单位"), column("hidden", grid::GridType::Char),
                 column("dbj002_cjldw_1", grid::GridType::Char, "单位"), column("ckh", grid::GridType::Char, "")};
  def.columns[1].visible = false;
  std::vector<std::string> texts;
  for (const auto& c : column_choices(def)) texts.push_back(c.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"单位(dbj002_cjldw)", "单位(dbj002_cjldw_1)", "ckh"}));
}

// ---- accounting period (no database) ----

TEST(AccountingPeriod, ThePeriodOfADateIsItsCalendarMonth) {
  ui::Session s;
  struct Case {
    const char* date;
    int result;
    const char* kjn;
    const char* kjy;
  } cases[] = {
      {"2026-12-08 10:00:00", 1, "2026", "12"},
      {"2027-01-01", 1, "2027", "01"},
      {"2026-02-28 23:59:59", 1, "2026", "02"},
  };
  for (const auto& c : cases) {
    int rc = 0;
    s.post([&] { rc = f_kjrqssny(s, "01", db::DateTime::parse(c.date)); });
    EXPECT_EQ(rc, c.result);
    EXPECT_EQ(s.globals().gs_kjn, c.kjn);
    EXPECT_EQ(s.globals().gs_kjy, c.kjy);
  }
  // Refusals change nothing.
  int rc = 0;
  s.post([&] { rc = f_kjrqssny(s, "", db::DateTime::parse("2020-05-05")); });
  EXPECT_EQ(rc, -1);
  s.post([&] { rc = f_kjrqssny(s, "01", std::nullopt); });
  EXPECT_EQ(rc, -1);
  EXPECT_EQ(s.globals().gs_kjn + s.globals().gs_kjy, "202602");
}

TEST(AccountingPeriod, TheCurrentPeriodFollowsTheSystemDate) {
  ui::Globals g;
  g.gd_xtrq = db::DateTime::parse("2026-12-08 10:00:00");
  ui::Session s(g);
  int rc = 0;
  s.post([&] { rc = f_kjrqjy(s, "01"); });
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(s.globals().gd_zxrq->iso(), "2026-12-01 00:00:00");
  EXPECT_EQ(s.globals().gs_kjn + "/" + s.globals().gs_kjy, "2026/12");
  // Without a system date the clock's date is the system date.
  db::set_fixed_now(db::DateTime::parse("2027-03-31 23:00:00"));
  s.post([&] {
    s.globals().gd_xtrq.reset();
    rc = f_kjrqjy(s, "01");
  });
  db::set_fixed_now(std::nullopt);
  EXPECT_EQ(s.globals().gd_zxrq->iso(), "2027-03-01 00:00:00");
  EXPECT_EQ(s.globals().gs_kjy, "03");
  s.post([&] { rc = f_kjrqjy(s, " "); });
  EXPECT_EQ(rc, -1);
  EXPECT_EQ(s.globals().gs_kjy, "03");
}

// ---- on both backends ----

class HostLibScenario : public test::ScenarioTest {
 protected:
  std::unique_ptr<db::Connection> conn = sc.database().connect();
  long count(const std::string& sql) {
    auto c = conn->query(sql);
    return c->next() ? static_cast<long>(c->integer(0)) : -1;
  }
  std::string frame() { return sc.state()["frame"]["title"]; }
};

TEST_P(HostLibScenario, OpeningAFormTitlesTheFrameAndClosingRestoresIt) {
  sc.ok({{"op", "host"}, {"globals", {{"gs_yhssgsh", "01"}, {"gs_title", "备件管理-"}, {"gs_dq", "[总部]"}}}});
  sc.open("w_hl_spmm");
  EXPECT_EQ(frame(), "备件管理-[总部]编辑测试");
  sc.open("w_bj418_001");
  EXPECT_EQ(frame(), "备件管理-[总部]库存状态");
  sc.ok({{"op", "close"}, {"window", "w_bj418_001"}});
  EXPECT_EQ(frame(), "备件管理-");
  sc.ok({{"op", "close"}, {"window", "w_hl_spmm"}});
  EXPECT_EQ(frame(), "备件管理-");
}

TEST_P(HostLibScenario, QueryFormFiltersTheListWithQuotedValues) {
  conn->exec("INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('01', '02', 'QT''1~X', 3)");
  login();
  sc.open("w_hl_spmm");
  ASSERT_EQ(sc.control("w_hl_spmm", "dw_edit")["rowcount"], 5);

  // A number column refuses text; nothing is added.
  sc.ok({{"op", "event"}, {"window", "w_hl_spmm"}, {"name", "ue_query"}});
  EXPECT_TRUE(sc.window("w_cx")["modal"].get<bool>());
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_1"}, {"value", "库存数量"}});
  sc.type("w_cx", "sle_1", "5 or 1=1");
  json s = sc.click("w_cx", "cb_1");
  EXPECT_EQ(s["messages"][0]["text"], "“库存数量”是数值列，请输入数字!");
  EXPECT_EQ(sc.text("w_cx", "st_4"), "");

  // A part number with a quote and a tilde is searched for as typed.
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_1"}, {"value", "备件号"}});
  sc.type("w_cx", "sle_1", "QT'1~X");
  s = sc.click("w_cx", "cb_3");
  EXPECT_EQ(s["closed"][0]["returned"], "ccph = 'QT~'1~~X'");
  EXPECT_EQ(sc.control("w_hl_spmm", "dw_edit")["filter"], "ccph = 'QT~'1~~X'");
  EXPECT_EQ(sc.column("w_hl_spmm", "dw_edit", "ccph"), std::vector<std::string>{"QT'1~X"});

  // Two conditions joined by or.
  sc.ok({{"op", "event"}, {"window", "w_hl_spmm"}, {"name", "ue_query"}});
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_1"}, {"value", "库号"}});
  sc.type("w_cx", "sle_1", "01");
  sc.click("w_cx", "cb_1");
  sc.click("w_cx", "rb_2");
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_1"}, {"value", "库存数量"}});
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_2"}, {"value", ">="}});
  sc.type("w_cx", "sle_1", "5");
  sc.click("w_cx", "cb_3");
  EXPECT_EQ(sc.control("w_hl_spmm", "dw_edit")["filter"], "ckh = '01' or nkcsl >= 5");
  EXPECT_EQ(sc.control("w_hl_spmm", "dw_edit")["rowcount"], 4);

  // Nothing matches: the user is told and the filter is cleared; cancelling changes nothing.
  sc.ok({{"op", "event"}, {"window", "w_hl_spmm"}, {"name", "ue_query"}});
  sc.type("w_cx", "sle_1", "不存在");
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_1"}, {"value", "备件号"}});
  s = sc.click("w_cx", "cb_3");
  EXPECT_EQ(s["messages"][0]["title"], "编辑测试");
  EXPECT_EQ(s["messages"][0]["text"], "没有符合条件的记录");
  EXPECT_EQ(sc.control("w_hl_spmm", "dw_edit")["filter"], "");
  sc.ok({{"op", "event"}, {"window", "w_hl_spmm"}, {"name", "ue_query"}});
  s = sc.click("w_cx", "cb_4");
  EXPECT_EQ(s["closed"][0]["returned"], "");
  EXPECT_EQ(sc.control("w_hl_spmm", "dw_edit")["rowcount"], 5);
}

TEST_P(HostLibScenario, SortFormSortsTheListByTheChosenKeys) {
  login();
  sc.open("w_hl_spmm");
  sc.ok({{"op", "menu"}, {"window", "w_hl_spmm"}, {"item", "m_3"}});
  sc.ok({{"op", "select"}, {"window", "w_sort"}, {"control", "ddlb_1"}, {"value", "库位号"}});
  sc.click("w_sort", "rb_2");
  sc.click("w_sort", "cb_1");
  EXPECT_EQ(sc.text("w_sort", "st_2"), "库位号 降序");
  sc.click("w_sort", "cb_3");
  EXPECT_EQ(sc.control("w_hl_spmm", "dw_edit")["sort"], "ckwh D");
  EXPECT_EQ(sc.column("w_hl_spmm", "dw_edit", "ckwh"),
            (std::vector<std::string>{"B1-03", "A1-05", "A1-02", "A1-01"}));
}

TEST_P(HostLibScenario, SaveAndChangeStoreTheEditGridCancelDropsTheChanges) {
  login();
  sc.open("w_hl_spmm");
  auto locked = [&] {
    auto c = conn->query("SELECT nsdsl FROM dbj030 WHERE cgsh = '01' AND ckh = '01' AND ccph = 'JL02 0200'");
    return c->next() ? c->decimal(0, 2)->to_string() : std::string("none");
  };
  auto row_of = [&](const std::string& part, const std::string& warehouse) {
    json rows = sc.rows("w_hl_spmm", "dw_edit");
    for (size_t i = 0; i < rows.size(); ++i)
      if (rows[i]["ccph"] == part && rows[i]["ckh"] == warehouse) return static_cast<long>(i + 1);
    return 0L;
  };
  long row = row_of("JL02 0200", "01");
  ASSERT_GT(row, 0);
  // The key columns are protected, the others take values.
  EXPECT_EQ(sc.error({{"op", "edit"}, {"window", "w_hl_spmm"}, {"control", "dw_edit"}, {"row", row},
                      {"column", "ckh"}, {"value", "02"}}),
            "the column ckh cannot be changed");
  sc.ok({{"op", "edit"}, {"window", "w_hl_spmm"}, {"control", "dw_edit"}, {"row", row},
         {"column", "nsdsl"}, {"value", "1.5"}});
  sc.ok({{"op", "menu"}, {"window", "w_hl_spmm"}, {"item", "m_save"}});
  EXPECT_EQ(locked(), "1.50");
  sc.ok({{"op", "edit"}, {"window", "w_hl_spmm"}, {"control", "dw_edit"}, {"row", row},
         {"column", "nsdsl"}, {"value", "2"}});
  sc.ok({{"op", "menu"}, {"window", "w_hl_spmm"}, {"item", "m_change"}});
  EXPECT_EQ(locked(), "2.00");

  // Cancel: the grid shows the stored records again.
  sc.ok({{"op", "edit"}, {"window", "w_hl_spmm"}, {"control", "dw_edit"}, {"row", row},
         {"column", "nsdsl"}, {"value", "9"}});
  sc.ok({{"op", "menu"}, {"window", "w_hl_spmm"}, {"item", "m_cancel"}});
  EXPECT_EQ(sc.rows("w_hl_spmm", "dw_edit")[row_of("JL02 0200", "01") - 1]["nsdsl"], 2.0);
  EXPECT_EQ(locked(), "2.00");

  // Close with unsaved changes asks; "no" closes without writing.
  sc.ok({{"op", "edit"}, {"window", "w_hl_spmm"}, {"control", "dw_edit"}, {"row", row},
         {"column", "nsdsl"}, {"value", "3"}});
  json s = sc.ok({{"op", "close"}, {"window", "w_hl_spmm"}});
  ASSERT_FALSE(s["pending"].is_null());
  EXPECT_EQ(s["pending"]["text"], "数据已修改，是否保存？");
  s = sc.ok({{"op", "answer"}, {"button", 2}});
  EXPECT_TRUE(s["windows"].empty());
  EXPECT_EQ(locked(), "2.00");
}

TEST_P(HostLibScenario, AddAndDeleteWriteThroughTheEditGrid) {
  login();
  sc.open("w_hl_spmm");
  sc.ok({{"op", "menu"}, {"window", "w_hl_spmm"}, {"item", "m_add"}});
  json g = sc.control("w_hl_spmm", "dw_edit");
  long row = g["row"];
  EXPECT_EQ(row, 5);
  for (auto [column, value] : {std::pair{"cgsh", "01"}, {"ckh", "02"}, {"ccph", "NEW-1"}, {"nkcsl", "4"}})
    sc.ok({{"op", "edit"}, {"window", "w_hl_spmm"}, {"control", "dw_edit"}, {"row", row},
           {"column", column}, {"value", value}});
  sc.ok({{"op", "menu"}, {"window", "w_hl_spmm"}, {"item", "m_save"}});
  EXPECT_EQ(count("SELECT count(*) FROM dbj030 WHERE cgsh = '01' AND ckh = '02' AND ccph = 'NEW-1'"), 1);
  // Stored: the key is protected again.
  EXPECT_EQ(sc.error({{"op", "edit"}, {"window", "w_hl_spmm"}, {"control", "dw_edit"}, {"row", row},
                      {"column", "ccph"}, {"value", "NEW-2"}}),
            "the column ccph cannot be changed");

  // Delete asks first; "no" keeps the record, "yes" removes it.
  json s = sc.ok({{"op", "menu"}, {"window", "w_hl_spmm"}, {"item", "m_delete"}});
  EXPECT_EQ(s["pending"]["text"], "确定要删除当前记录吗？");
  sc.ok({{"op", "answer"}, {"button", 2}});
  EXPECT_EQ(count("SELECT count(*) FROM dbj030 WHERE ccph = 'NEW-1'"), 1);
  sc.ok({{"op", "menu"}, {"window", "w_hl_spmm"}, {"item", "m_delete"}});
  sc.ok({{"op", "answer"}, {"button", 1}});
  EXPECT_EQ(count("SELECT count(*) FROM dbj030 WHERE ccph = 'NEW-1'"), 0);
  EXPECT_EQ(sc.control("w_hl_spmm", "dw_edit")["rowcount"], 4);
}

TEST_P(HostLibScenario, PrintGoesThroughTheDialogAndOnlyTheAnswerOnePrints) {
  login();
  // Nothing registered for printing.
  sc.ok({{"op", "open"}, {"window", "w_hl_probe"}, {"parm", "m_e"}});
  json s = sc.ok({{"op", "menu"}, {"window", "w_hl_probe"}, {"item", "m_print"}});
  EXPECT_EQ(s["messages"][0]["text"], "没有可打印的数据!");

  sc.open("w_hl_spmm");
  w_hl_spmm::printer.take_jobs();
  sc.ok({{"op", "menu"}, {"window", "w_hl_spmm"}, {"item", "m_print"}});
  EXPECT_EQ(sc.text("w_dw_print_options", "st_2"), "共 4 行");
  sc.click("w_dw_print_options", "cb_2");
  EXPECT_TRUE(w_hl_spmm::printer.jobs().empty());
  sc.ok({{"op", "menu"}, {"window", "w_hl_spmm"}, {"item", "m_print"}});
  s = sc.click("w_dw_print_options", "cb_1");
  EXPECT_EQ(s["closed"][0]["returned"], 1.0);
  auto jobs = w_hl_spmm::printer.take_jobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].dataobject, "d_bj701_001");
  EXPECT_EQ(jobs[0].rows, 4);
}

TEST_P(HostLibScenario, StockStatusShowsOnlyTheCompanyAndNavigates) {
  // A company code with a quote must stay a value of the filter.
  conn->exec("INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('''1', '01', 'Q1', 4)");
  login();
  sc.open("w_bj418_001");
  json g = sc.control("w_bj418_001", "dw_1");
  EXPECT_EQ(g["filter"], "cgsh = '01'");
  EXPECT_TRUE(g["readonly"].get<bool>());
  EXPECT_EQ(sc.column("w_bj418_001", "dw_1", "cgsh"), (std::vector<std::string>{"01", "01", "01", "01"}));
  EXPECT_EQ(sc.window("w_bj418_001")["menu"]["class"], "m_e4");

  // Navigation through the menu: last, previous, first, next.
  const std::pair<const char*, long> moves[] = {{"m_8", 4}, {"m_6", 3}, {"m_5", 1}, {"m_6", 1}, {"m_7", 2}};
  for (auto [item, row] : moves) {
    sc.ok({{"op", "menu"}, {"window", "w_bj418_001"}, {"item", item}});
    g = sc.control("w_bj418_001", "dw_1");
    EXPECT_EQ(g["row"], row) << item;
    EXPECT_EQ(g["selected"], json::array({row})) << item;
  }
  sc.ok({{"op", "close"}, {"window", "w_bj418_001"}});

  sc.ok({{"op", "host"}, {"globals", {{"gs_yhssgsh", "'1"}}}});
  sc.open("w_bj418_001");
  EXPECT_EQ(sc.control("w_bj418_001", "dw_1")["filter"], "cgsh = '~'1'");
  EXPECT_EQ(sc.column("w_bj418_001", "dw_1", "ccph"), std::vector<std::string>{"Q1"});
  // The user's query keeps the company condition.
  sc.ok({{"op", "menu"}, {"window", "w_bj418_001"}, {"item", "m_1"}});
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_1"}, {"value", "库号"}});
  sc.type("w_cx", "sle_1", "01");
  sc.click("w_cx", "cb_3");
  EXPECT_EQ(sc.control("w_bj418_001", "dw_1")["filter"], "cgsh = '~'1' and (ckh = '01')");
  EXPECT_EQ(sc.column("w_bj418_001", "dw_1", "ccph"), std::vector<std::string>{"Q1"});
  // Its help is topic 418.
  sc.ok({{"op", "menu"}, {"window", "w_bj418_001"}, {"item", "m_help"}});
  EXPECT_EQ(sc.text("w_help", "st_1"), "库存状态");
}

TEST_P(HostLibScenario, VacantVoucherNumbersGoBackToDzz008) {
  conn->exec("INSERT INTO dzz007 (cgsh, ckjn, ckjy, cpzz, nzdpzh) VALUES ('01', '2026', '12', 'JZ', 5)");
  conn->exec("INSERT INTO dzz0031 (cgsh, dpzrq, cpzz, npzh) VALUES ('01', '2026-12-03 00:00:00', 'JZ', 4)");
  login();
  ui::Session& s = sc.session();
  auto fxpzh = [&](const char* date, const char* word, long number) {
    int rc = 0;
    s.post([&] { rc = f_fxpzh(s, db::DateTime::parse(date), word, number); });
    return rc;
  };
  auto vacant = [&] {
    std::vector<long> out;
    auto c = conn->query("SELECT npzh FROM dzz008 WHERE cgsh = '01' AND ckjn = '2026' AND ckjy = '12' AND cpzz = 'JZ' ORDER BY npzh");
    while (c->next()) out.push_back(static_cast<long>(c->integer(0)));
    return out;
  };
  EXPECT_EQ(fxpzh("2026-12-08 10:00:00", "JZ", 5), 1);
  EXPECT_EQ(fxpzh("2026-12-20", "JZ", 3), 1);
  EXPECT_EQ(fxpzh("2026-12-20", "JZ", 3), 1);  // already vacant: kept once
  EXPECT_EQ(vacant(), (std::vector<long>{3, 5}));  // committed: another connection sees them
  // Refused: never issued, carried by a stored voucher, not a number, another period.
  EXPECT_EQ(fxpzh("2026-12-08", "JZ", 6), -1);
  EXPECT_EQ(fxpzh("2026-12-08", "JZ", 4), -1);
  EXPECT_EQ(fxpzh("2026-12-08", "JZ", 0), -1);
  EXPECT_EQ(fxpzh("2026-12-08", "", 2), -1);
  EXPECT_EQ(fxpzh("2026-11-30", "JZ", 2), -1);
  EXPECT_EQ(vacant(), (std::vector<long>{3, 5}));
  EXPECT_EQ(count("SELECT count(*) FROM dzz008"), 2);
  // The caller's accounting period is left alone.
  EXPECT_EQ(s.globals().gs_kjn, "");
}

TEST_P(HostLibScenario, GlobalFunctionsOnARealGrid) {
  db::Transaction t;
  ASSERT_EQ(t.connect(sc.database().target()), 0) << t.sqlerrtext;
  grid::Grid g;
  ASSERT_EQ(g.set_dataobject("d_bj701_001"), 1);
  g.settransobject(t);

  // f_table_retrieve: names, values and the grid's arguments must pair up.
  EXPECT_EQ(f_table_retrieve("cgsh", {db::Value("01")}, g), 4);
  EXPECT_EQ(f_table_retrieve(" cgsh ", {db::Value("02")}, g), 1);
  EXPECT_EQ(f_table_retrieve("cgsh, ckh", {db::Value("01")}, g), -1);
  EXPECT_EQ(f_table_retrieve("cgsh", {}, g), -1);
  EXPECT_EQ(f_table_retrieve("nothing", {db::Value("01")}, g), -1);
  EXPECT_EQ(g.rowcount(), 1);  // refused calls left the rows as they were
  EXPECT_EQ(f_table_retrieve("cgsh", {db::Value("01")}, g), 4);

  // f_primarykey_notchange: false protects the keys of a stored record, true releases them.
  auto protected_columns = [&] {
    std::string out;
    for (int c = 0; c < g.column_count(); ++c)
      if (g.is_protected(c)) out += (out.empty() ? "" : ",") + g.definition().columns[c].name;
    return out;
  };
  EXPECT_EQ(f_primarykey_notchange("cgsh , ckh , ccph", false, g), 1);
  EXPECT_EQ(protected_columns(), "cgsh,ckh,ccph");
  g.setrow(1);
  EXPECT_EQ(g.setcolumn("ckh"), 1);
  EXPECT_EQ(g.settext("09"), -1);
  EXPECT_EQ(f_primarykey_notchange("cgsh, ckqh, nothing", true, g), -1);
  EXPECT_EQ(protected_columns(), "cgsh,ckh,ccph");  // a bad list changes nothing
  EXPECT_EQ(f_primarykey_notchange("CGSH,ckh,ccph", true, g), 1);
  EXPECT_EQ(protected_columns(), "");
  EXPECT_EQ(g.settext("09"), 1);

  // f_select_current_row: the current row alone is selected.
  g.selectrow(1, true);
  g.selectrow(2, true);
  g.setrow(3);
  EXPECT_EQ(f_select_current_row(g), 3);
  EXPECT_EQ(g.getselectedrow(0), 3);
  EXPECT_EQ(g.getselectedrow(3), 0);
  g.setfilter("ckh = 'none'");
  g.filter();
  EXPECT_EQ(f_select_current_row(g), 0);
  EXPECT_EQ(g.getselectedrow(0), 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, HostLibScenario, testing::ValuesIn(test::backends()),
                         test::backend_name_of);

}  // namespace
}  // namespace sparestock::lib
