// The host's ancestors and windows on both backends: the frame title, the query and sort forms,
// the record commands of an editing form, printing, the stock status form, vacant voucher
// numbers and the global functions on real grids and tables.

#include <gtest/gtest.h>

#include "host/db/clock.h"
#include "host/db/transaction.h"
#include "host/lib/w_cx.h"
#include "tests/host_test_windows.h"

namespace sparestock::lib {
namespace {

using nlohmann::json;
using test::Scenario;
using namespace testing_windows;

[[maybe_unused]] const bool registered = (register_host_test_windows(), true);

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
  // The form behind comes to the front with its title.
  sc.ok({{"op", "close"}, {"window", "w_bj418_001"}});
  EXPECT_EQ(frame(), "备件管理-[总部]编辑测试");
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
  sc.ok({{"op", "select"}, {"window", "w_cx"}, {"control", "ddlb_2"}, {"value", "大于等于"}});
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
  EXPECT_EQ(sc.error({{"op", "edit"},
                      {"window", "w_hl_spmm"},
                      {"control", "dw_edit"},
                      {"row", row},
                      {"column", "ckh"},
                      {"value", "02"}}),
            "the column ckh cannot be changed");
  sc.ok({{"op", "edit"},
         {"window", "w_hl_spmm"},
         {"control", "dw_edit"},
         {"row", row},
         {"column", "nsdsl"},
         {"value", "1.5"}});
  sc.ok({{"op", "menu"}, {"window", "w_hl_spmm"}, {"item", "m_save"}});
  EXPECT_EQ(locked(), "1.50");
  sc.ok({{"op", "edit"},
         {"window", "w_hl_spmm"},
         {"control", "dw_edit"},
         {"row", row},
         {"column", "nsdsl"},
         {"value", "2"}});
  sc.ok({{"op", "menu"}, {"window", "w_hl_spmm"}, {"item", "m_change"}});
  EXPECT_EQ(locked(), "2.00");

  // Cancel: the grid shows the stored records again.
  sc.ok({{"op", "edit"},
         {"window", "w_hl_spmm"},
         {"control", "dw_edit"},
         {"row", row},
         {"column", "nsdsl"},
         {"value", "9"}});
  sc.ok({{"op", "menu"}, {"window", "w_hl_spmm"}, {"item", "m_cancel"}});
  EXPECT_EQ(sc.rows("w_hl_spmm", "dw_edit")[row_of("JL02 0200", "01") - 1]["nsdsl"], 2.0);
  EXPECT_EQ(locked(), "2.00");

  // Close with unsaved changes asks; "no" closes without writing.
  sc.ok({{"op", "edit"},
         {"window", "w_hl_spmm"},
         {"control", "dw_edit"},
         {"row", row},
         {"column", "nsdsl"},
         {"value", "3"}});
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
    sc.ok({{"op", "edit"},
           {"window", "w_hl_spmm"},
           {"control", "dw_edit"},
           {"row", row},
           {"column", column},
           {"value", value}});
  sc.ok({{"op", "menu"}, {"window", "w_hl_spmm"}, {"item", "m_save"}});
  EXPECT_EQ(count("SELECT count(*) FROM dbj030 WHERE cgsh = '01' AND ckh = '02' AND ccph = 'NEW-1'"), 1);
  // Stored: the key is protected again.
  EXPECT_EQ(sc.error({{"op", "edit"},
                      {"window", "w_hl_spmm"},
                      {"control", "dw_edit"},
                      {"row", row},
                      {"column", "ccph"},
                      {"value", "NEW-2"}}),
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
  // Nothing registered for printing: the command is disabled.
  sc.ok({{"op", "open"}, {"window", "w_hl_probe"}, {"parm", "m_e"}});
  EXPECT_EQ(sc.error({{"op", "menu"}, {"window", "w_hl_probe"}, {"item", "m_print"}}),
            "menu item m_print is disabled");
  json s;

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
    auto c = conn->query(
        "SELECT npzh FROM dzz008 WHERE cgsh = '01' AND ckjn = '2026' AND ckjy = '12' AND cpzz = 'JZ' ORDER BY npzh");
    while (c->next()) out.push_back(static_cast<long>(c->integer(0)));
    return out;
  };
  EXPECT_EQ(fxpzh("2026-12-08 10:00:00", "JZ", 5), 1);
  EXPECT_EQ(fxpzh("2026-12-20", "JZ", 3), 1);
  EXPECT_EQ(fxpzh("2026-12-20", "JZ", 3), 1);      // already vacant: kept once
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
