// The cost price revision w_bj902_001 through the protocol: the open and its refusals, the
// validation of typed prices, and what a revision writes (stock prices, both journals, the
// voucher numbering, the log), or leaves untouched when any step fails.

#include "tests/scenario_cost_revision.h"

namespace sparestock::test {
namespace {

using Rows = std::vector<std::string>;
using CostRevision = CostRevisionScenario;

const Rows kUntouchedPrices = {"01|01|JL01 0112|10.00", "01|02|JL01 0112|10.00", "01|01|JL01 0113|5.00",
                               "01|01|JL02 0200|8.00",  "01|01|JL03 0300|7.00",  "01|01|JL05 0500|1.00",
                               "01|01|JL06 0600|1.00",  "01|01|JL07 0700|1.00",  "01|01|JL08 0800|1.00",
                               "01|01|JL09 0900|3.33",  "02|05|JL01 0112|10.00"};
const Rows kDecember12 = {"dzz007 2026|12|记|12"};
// Number 13 drawn for a revision that failed, and back among the vacant numbers.
const Rows kNumberHandedBack = {"dzz007 2026|12|记|13", "dzz008 2026|12|记|13"};

// ---- the open ----

// The form as it opens: every part of the company sorted by main group, no search, row 1
// selected, only the new price typed, the captions and controls of the revision, the menu.
TEST_P(CostRevision, OpensOnEveryPartWithOnlyTheNewPriceToType) {
  json s = open("JL01");
  EXPECT_TRUE(s["messages"].empty()) << s["messages"].dump();
  EXPECT_EQ(s["frame"]["title"], "配件管理-一号店-修改备件成本单价");
  EXPECT_EQ(sc.column(W, "dw_edit", "dbj030_ccph"),
            (Rows{"JL01 0112", "JL01 0113", "JL02 0200", "JL03 0300", "JL05 0500", "JL06 0600", "JL07 0700",
                  "JL08 0800", "JL09 0900"}));
  EXPECT_EQ(typed(), Rows(9, "0.00"));
  json w = sc.window(W);
  const json& c = w["controls"];
  EXPECT_EQ(c["dw_edit"]["dataobject"], "d_bj902_002");
  EXPECT_EQ(c["dw_edit"]["sort"], "mid(dbj030_ccph,5,4) A");
  EXPECT_EQ(c["dw_edit"]["filter"], "");
  EXPECT_EQ(c["dw_edit"]["row"], 1);
  EXPECT_EQ(c["dw_edit"]["selected"], json({1}));
  EXPECT_EQ(c["dw_scpz"]["dataobject"], "d_yfscpz");
  EXPECT_EQ(c["dw_1"]["dataobject"], "d_bj902_004");
  Rows editable;
  for (const auto& col : c["dw_edit"]["columns"])
    if (col["editable"].get<bool>()) editable.push_back(col["name"]);
  EXPECT_EQ(editable, Rows{"nxcbdj"});
  EXPECT_NE(sc.error({{"op", "edit"},
                      {"window", W},
                      {"control", "dw_edit"},
                      {"row", 1},
                      {"column", "ndj"},
                      {"value", "1"}}),
            "");

  Rows captions;
  for (const char* b : {"cb_3", "cb_4", "cb_6", "cb_7", "cb_8"}) captions.push_back(c[b]["text"]);
  EXPECT_EQ(captions, (Rows{"按拼音码(&4)", "按常用件(&5)", "按库号", "按车型(&6)", "确定(&7)"}));
  for (const char* hidden : {"dw_display", "cb_6", "st_2", "rb_1", "rb_2", "dw_scpz", "dw_1"})
    EXPECT_FALSE(c[hidden]["visible"].get<bool>()) << hidden;
  EXPECT_TRUE(c["cb_8"]["visible"].get<bool>());
  // The parameter is kept, the mode-1 button empties the field again.
  EXPECT_EQ(c["sle_1"]["text"], "");
  EXPECT_EQ(c["st_1"]["text"], "按备件号查询");
  EXPECT_EQ(w["focus"], "sle_1");
  EXPECT_EQ(form().ls_parm, "JL01");
  EXPECT_EQ(form().i_bs, 1);
  EXPECT_EQ(form().ii_cwaz, 1);
  EXPECT_EQ(form().is_qspzz, "记");
  ASSERT_TRUE(w["menu"].is_object()) << w.dump();
  EXPECT_EQ(w["menu"]["class"], "m_e3");

  // The matching-rule buttons re-sort the list.
  sc.click(W, "rb_3");
  EXPECT_EQ(sc.control(W, "dw_edit")["sort"], "dbj030_ccph A");
  sc.click(W, "rb_4");
  EXPECT_EQ(sc.control(W, "dw_edit")["sort"], "mid(dbj030_ccph,5,4) A");

  // Double-click and Enter hand nothing back; the form stays.
  s = sc.ok({{"op", "grid"}, {"window", W}, {"control", "dw_edit"}, {"action", "doubleclick"}, {"row", 2}});
  EXPECT_TRUE(s["closed"].empty());
  sc.ok({{"op", "grid"}, {"window", W}, {"control", "dw_edit"}, {"action", "key"}, {"key", "enter"}});
  EXPECT_EQ(sc.window_classes(), Rows{W});
  // Help is topic 211.
  sc.ok({{"op", "event"}, {"window", W}, {"name", "ue_help"}});
  EXPECT_EQ(sc.text("w_help", "st_1"), "修改备件成本单价");
}

TEST_P(CostRevision, AnEmptyParameterLeavesTheSearchFlagDown) {
  open();
  EXPECT_EQ(form().ls_parm, "");
  EXPECT_EQ(form().i_bs, 0);
}

// The open's refusals, each closing the form: the voucher word, the accounting month kept in
// the ledger settings, the host's date range (both limits included).
TEST_P(CostRevision, TheOpenRefusesWithItsExactTexts) {
  struct Case {
    const char* what;
    const char* setup;
    json globals;
    const char* message;  // "" when the form opens
  } cases[] = {
      {"no voucher word", "UPDATE dbj013 SET cqspzz = '' WHERE cgsh = '01'", json::object(),
       "请先维护备件参数设置中的缺省凭证组。"},
      {"no settings row", "DELETE FROM dbj013", json::object(), "请先维护备件参数设置中的缺省凭证组。"},
      {"no voucher word, no ledger link", "UPDATE dbj013 SET cqspzz = ''; UPDATE dxt002 SET lcwaz = 0",
       json::object(), ""},
      {"accounting month ahead", "UPDATE dzz001 SET cdqkjny = '202701'", json::object(),
       "系统日期小于当前会计月起始日。"},
      {"accounting month ahead, no ledger link",
       "UPDATE dzz001 SET cdqkjny = '202701'; UPDATE dxt002 SET lcwaz = 0", json::object(), ""},
      {"accounting month behind", "UPDATE dzz001 SET cdqkjny = '202611'", json::object(), ""},
      {"on the first second of the month",
       "UPDATE dzz001 SET cdqkjny = '202612'",
       {{"gd_xtrq", "2026-12-01 00:00:00"}},
       ""},
      {"before the range",
       "",
       {{"gd_qsrq", "2026-12-08 10:00:01"}},
       "系统日期2026-12-08不在当前日期范围2026-12-08 , 2026-12-31"},
      {"after the range",
       "",
       {{"gd_jzrq", "2026-12-08 09:59:59"}},
       "系统日期2026-12-08不在当前日期范围2026-12-01 , 2026-12-08"},
      {"on the start", "", {{"gd_qsrq", "2026-12-08 10:00:00"}}, ""},
      {"on the end", "", {{"gd_jzrq", "2026-12-08 10:00:00"}}, ""},
      {"out of range without the ledger link",
       "UPDATE dxt002 SET lcwaz = 0",
       {{"gd_jzrq", "2026-12-07 00:00:00"}},
       "系统日期2026-12-08不在当前日期范围2026-12-01 , 2026-12-07"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    conn->exec_script(
        "DELETE FROM dbj013; INSERT INTO dbj013 (cgsh, cqspzz) VALUES ('01', '记');"
        "UPDATE dxt002 SET lcwaz = 1; UPDATE dzz001 SET cdqkjny = ''");
    if (*c.setup) conn->exec_script(c.setup);
    host(c.globals);
    json s = open();
    if (*c.message) {
      EXPECT_EQ(texts(s["messages"]), Rows{c.message});
      EXPECT_EQ(s["messages"][0]["title"], "提示信息");
      ASSERT_EQ(s["closed"].size(), 1u);
      EXPECT_EQ(s["closed"][0]["class"], W);
      EXPECT_TRUE(sc.window_classes().empty());
    } else {
      EXPECT_TRUE(s["messages"].empty()) << s["messages"].dump();
      EXPECT_EQ(sc.window_classes(), Rows{W});
      sc.ok({{"op", "close"}, {"window", W}});
    }
  }
}

// ---- what a revision writes ----

// Old 10.00, new 12.50, stock 4 over two warehouses.
TEST_P(CostRevision, TheWorkedExamplePostsStockVoucherAndLog) {
  open();
  price("JL01 0112", "12.5");
  json s = confirm();
  EXPECT_EQ(texts(s["messages"]), Rows{"修改成功。"});
  Rows expected = kUntouchedPrices;
  expected[0] = "01|01|JL01 0112|12.50";
  expected[1] = "01|02|JL01 0112|12.50";
  EXPECT_EQ(prices(), expected);
  EXPECT_EQ(journals(),
            (Rows{"dzz0031 记|13|2026-12-08 10:00:00|2026-12-08 10:00:00|001",
                  "dch002 记|13|2026-12-08 10:00:00|2026-12-08 10:00:00|001|",
                  "dzz0032 13|1|修改备件成本单价|5401|10.00|0", "dzz0032 13|2|修改备件成本单价|1243|10.00|1",
                  "dch003 13|1|修改备件成本单价|5401|10.00|0", "dch003 13|2|修改备件成本单价|1243|10.00|1"}));
  EXPECT_EQ(numbering(), Rows{"dzz007 2026|12|记|13"});
  EXPECT_EQ(log_rows(), Rows{"01|2026-12-08 00:00:00|张三||JL01 0112|-10.00|3|10.00|12.50|202612|0"});
  long gi_pzh = 0;
  sc.session().read([&] { gi_pzh = sc.session().globals().gi_pzh; });
  EXPECT_EQ(gi_pzh, 13);
  // The grid shows the new price and no pending prices.
  EXPECT_EQ(sc.column(W, "dw_edit", "ndj")[0], "12.5");
  EXPECT_EQ(typed(), Rows(9, "0.00"));
}

TEST_P(CostRevision, VouchersFollowTheAccountsOfEveryRevisedPart) {
  struct Case {
    const char* what;
    std::vector<std::pair<const char*, const char*>> typed;
    Rows lines;  // dzz0032 of voucher 13 (dch003 must be the same)
    Rows log;    // part|ntzje|nydj|nxdj
  } cases[] = {
      {"two parts of one group: one line per side with both amounts",
       {{"JL01 0112", "12.50"}, {"JL01 0113", "6.00"}},
       {"13|1|修改备件成本单价|5401|12.00|0", "13|2|修改备件成本单价|1243|12.00|1"},
       {"JL01 0112|-10.00|10.00|12.50", "JL01 0113|-2.00|5.00|6.00"}},
      {"a falling price: negative amounts on their usual sides",
       {{"JL02 0200", "6"}},
       {"13|1|修改备件成本单价|5402|-5.00|0", "13|2|修改备件成本单价|1244|-5.00|1"},
       {"JL02 0200|5.00|8.00|6.00"}},
      {"opposite changes in two groups: one voucher of four lines although the debits net to 0",
       {{"JL01 0112", "12.50"}, {"JL02 0200", "4"}},
       {"13|1|修改备件成本单价|5401|10.00|0", "13|2|修改备件成本单价|1243|10.00|1",
        "13|3|修改备件成本单价|5402|-10.00|0", "13|4|修改备件成本单价|1244|-10.00|1"},
       {"JL01 0112|-10.00|10.00|12.50", "JL02 0200|10.00|8.00|4.00"}},
      {"0.02 x 1.25 rounds once to 0.03 in the log and both journals",
       {{"JL09 0900", "3.35"}},
       {"13|1|修改备件成本单价|5402|0.03|0", "13|2|修改备件成本单价|1244|0.03|1"},
       {"JL09 0900|-0.03|3.33|3.35"}},
      {"two parts of 0.025 each: each rounded once, so the line is the sum of the logged cents",
       {{"JL02 0200", "8.01"}, {"JL09 0900", "3.35"}},
       {"13|1|修改备件成本单价|5402|0.06|0", "13|2|修改备件成本单价|1244|0.06|1"},
       {"JL02 0200|-0.03|8.00|8.01", "JL09 0900|-0.03|3.33|3.35"}},
      {"a part without stock beside one with: its lines carry 0",
       {{"JL01 0112", "12.50"}, {"JL03 0300", "9"}},
       {"13|1|修改备件成本单价|5401|10.00|0", "13|2|修改备件成本单价|1243|10.00|1"},
       {"JL01 0112|-10.00|10.00|12.50", "JL03 0300|0.00|7.00|9.00"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    conn->exec_script(
        "DELETE FROM dzz0031; DELETE FROM dzz0032; DELETE FROM dch002; DELETE FROM dch003; DELETE FROM dbj060;"
        "UPDATE dzz007 SET nzdpzh = 12; UPDATE dbj030 SET ndj = 10.00 WHERE ccph = 'JL01 0112';"
        "UPDATE dbj030 SET ndj = 5.00 WHERE ccph = 'JL01 0113'; UPDATE dbj030 SET ndj = 8.00 WHERE ccph = 'JL02 0200';"
        "UPDATE dbj030 SET ndj = 7.00 WHERE ccph = 'JL03 0300'; UPDATE dbj030 SET ndj = 3.33 WHERE ccph = 'JL09 0900'");
    open();
    for (const auto& [part, value] : c.typed) price(part, value);
    json s = confirm();
    EXPECT_EQ(texts(s["messages"]), Rows{"修改成功。"});
    Rows lines = table("select npzh, nhh, czy, ckm, nje, ljdbs from dzz0032 order by nhh");
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(table("select npzbh, nhh, czy, ckm, nje, ljdbs from dch003 order by nhh"), lines);
    EXPECT_EQ(table("select count(*) from dzz0031"), Rows{"1"});
    EXPECT_EQ(table("select ccph, ntzje, nydj, nxdj from dbj060 order by nsxh"), c.log);
    EXPECT_EQ(numbering(), Rows{"dzz007 2026|12|记|13"});
    sc.ok({{"op", "close"}, {"window", W}});
  }
}

// An account that is one group's cost-of-sales account and another's inventory account gets a
// debit line and a credit line, so the voucher stays balanced.
TEST_P(CostRevision, AnAccountOnBothSidesOfTwoGroupsGetsALinePerSide) {
  conn->exec_script(
      "INSERT INTO dzz006 (cgsh, ckmz, cchkm, cxscbkm) VALUES ('01', 'G5', '5401', '5405');"
      "UPDATE dbj002 SET ckmzh = 'G5' WHERE cgsh = '01' AND ccph = 'JL02 0200'");
  open();
  price("JL01 0112", "12.5");
  price("JL02 0200", "10");
  EXPECT_EQ(texts(confirm()["messages"]), Rows{"修改成功。"});
  Rows lines = table("select ckm, nje, ljdbs from dzz0032 order by nhh");
  EXPECT_EQ(lines, (Rows{"5401|10.00|0", "1243|10.00|1", "5405|5.00|0", "5401|5.00|1"}));
  EXPECT_EQ(table("select ckm, nje, ljdbs from dch003 order by nhh"), lines);
}

// Revisions that need no voucher: the log and the prices, no number drawn.
TEST_P(CostRevision, WithoutAnAmountToPostNoVoucherAndNoNumber) {
  struct Case {
    const char* what;
    const char* setup;
    const char* part;
    const char* value;
    const char* log;    // ccph|ntzje|nydj|nxdj
    const char* price;  // the part's price afterwards
  } cases[] = {
      {"an unchanged price: only the log row", "", "JL01 0112", "10", "JL01 0112|0.00|10.00|10.00", "10.00"},
      {"no stock: price and log, the lines are 0", "", "JL03 0300", "9", "JL03 0300|0.00|7.00|9.00", "9.00"},
      {"no ledger link", "UPDATE dxt002 SET lcwaz = 0", "JL01 0112", "12.5", "JL01 0112|-10.00|10.00|12.50",
       "12.50"},
      {"no ledger link, a part without accounts", "UPDATE dxt002 SET lcwaz = 0", "JL05 0500", "2",
       "JL05 0500|-1.00|1.00|2.00", "2.00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    conn->exec_script(
        "DELETE FROM dbj060; UPDATE dxt002 SET lcwaz = 1; UPDATE dbj030 SET ndj = 10.00 WHERE ccph = 'JL01 0112';"
        "UPDATE dbj030 SET ndj = 7.00 WHERE ccph = 'JL03 0300'; UPDATE dbj030 SET ndj = 1.00 WHERE ccph = 'JL05 0500'");
    if (*c.setup) conn->exec_script(c.setup);
    open();
    price(c.part, c.value);
    json s = confirm();
    EXPECT_EQ(texts(s["messages"]), Rows{"修改成功。"});
    EXPECT_EQ(table("select ccph, ntzje, nydj, nxdj from dbj060"), Rows{c.log});
    EXPECT_EQ(
        table("select distinct ndj from dbj030 where cgsh = '01' and ccph = '" + std::string(c.part) + "'"),
        Rows{c.price});
    EXPECT_TRUE(journals().empty());
    EXPECT_EQ(numbering(), kDecember12);
    sc.ok({{"op", "close"}, {"window", W}});
  }
}

TEST_P(CostRevision, VoucherNumbersComeFromTheNumberingTables) {
  struct Case {
    const char* what;
    const char* setup;
    long number;
    Rows numbering;
  } cases[] = {
      {"the period's first number", "DELETE FROM dzz007", 1, {"dzz007 2026|12|记|1"}},
      {"vacant numbers 3 and 7, reused: 3 is taken",
       "UPDATE dzz001 SET lkhly = 1; INSERT INTO dzz008 VALUES ('01', '2026', '12', '记', 3);"
       "INSERT INTO dzz008 VALUES ('01', '2026', '12', '记', 7)",
       3,
       {"dzz007 2026|12|记|12", "dzz008 2026|12|记|7"}},
      {"vacant numbers not reused",
       "INSERT INTO dzz008 VALUES ('01', '2026', '12', '记', 3)",
       13,
       {"dzz007 2026|12|记|13", "dzz008 2026|12|记|3"}},
      {"another period's row and vacancy do not count",
       "DELETE FROM dzz007; INSERT INTO dzz007 VALUES ('01', '2026', '11', '记', 40);"
       "UPDATE dzz001 SET lkhly = 1; INSERT INTO dzz008 VALUES ('01', '2026', '11', '记', 5)",
       1,
       {"dzz007 2026|11|记|40", "dzz007 2026|12|记|1", "dzz008 2026|11|记|5"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    conn->exec_script(
        "DELETE FROM dzz0031; DELETE FROM dzz0032; DELETE FROM dch002; DELETE FROM dch003; DELETE FROM dzz008;"
        "DELETE FROM dzz007; INSERT INTO dzz007 VALUES ('01', '2026', '12', '记', 12); UPDATE dzz001 SET lkhly = 0;"
        "UPDATE dbj030 SET ndj = 10.00 WHERE ccph = 'JL01 0112'");
    conn->exec_script(c.setup);
    open();
    price("JL01 0112", "12.5");
    EXPECT_EQ(texts(confirm()["messages"]), Rows{"修改成功。"});
    EXPECT_EQ(table("select npzh from dzz0031"), Rows{std::to_string(c.number)});
    EXPECT_EQ(table("select distinct npzbh from dch003"), Rows{std::to_string(c.number)});
    EXPECT_EQ(numbering(), c.numbering);
    sc.ok({{"op", "close"}, {"window", W}});
  }
}

// ---- refusals ----

// -0.01 on row 7 stops everything, even with sound prices above it; 0 and an emptied price
// pass and revise nothing.
TEST_P(CostRevision, ANegativePriceStopsTheRevisionOnItsRow) {
  open();
  for (const char* part : {"JL01 0112", "JL01 0113", "JL02 0200", "JL03 0300"}) price(part, "20");
  price("JL05 0500", "0");
  price("JL06 0600", "");
  price("JL07 0700", "-0.01");
  price("JL09 0900", "-5");
  sc.ok({{"op", "grid"}, {"window", W}, {"control", "dw_edit"}, {"action", "setrow"}, {"row", 1}});
  json s = confirm();
  EXPECT_EQ(texts(s["messages"]), Rows{"成本单价必须大于0,请重试"});
  json g = sc.control(W, "dw_edit");
  EXPECT_EQ(g["row"], 7);
  EXPECT_EQ(g["selected"], json({7}));
  EXPECT_EQ(prices(), kUntouchedPrices);
  EXPECT_TRUE(log_rows().empty());
  EXPECT_EQ(numbering(), kDecember12);
  EXPECT_EQ(typed(), (Rows{"20.00", "20.00", "20.00", "20.00", "0.00", "", "-0.01", "0.00", "-5.00"}));

  // Once corrected, 0 and the empty price leave their parts alone.
  price("JL07 0700", "0");
  price("JL09 0900", "0");
  EXPECT_EQ(texts(confirm()["messages"]), Rows{"修改成功。"});
  EXPECT_EQ(table("select ccph from dbj060 order by nsxh"),
            (Rows{"JL01 0112", "JL01 0113", "JL02 0200", "JL03 0300"}));
  EXPECT_EQ(
      table("select ndj from dbj030 where ccph in ('JL05 0500', 'JL06 0600', 'JL07 0700') order by ccph"),
      (Rows{"1.00", "1.00", "1.00"}));
}

// Rows the search hides are neither validated nor revised.
TEST_P(CostRevision, RowsHiddenByTheSearchAreLeftAlone) {
  open();
  price("JL01 0112", "-1");
  price("JL01 0113", "6");
  price("JL02 0200", "9");
  sc.type(W, "sle_1", "020");
  sc.key(W, "sle_1", "enter");
  ASSERT_EQ(sc.column(W, "dw_edit", "dbj030_ccph"), Rows{"JL02 0200"});
  json s = confirm();
  EXPECT_EQ(texts(s["messages"]), Rows{"修改成功。"});
  EXPECT_EQ(table("select ccph, ntzje from dbj060"), Rows{"JL02 0200|-2.50"});
  EXPECT_EQ(
      table(
          "select ndj from dbj030 where cgsh = '01' and ccph in ('JL01 0112', 'JL01 0113') order by ccph, ckh"),
      (Rows{"10.00", "10.00", "5.00"}));
  EXPECT_EQ(table("select ckm, nje from dzz0032 order by nhh"), (Rows{"5402|2.50", "1244|2.50"}));
}

// Each account group that cannot take the change refuses the whole revision, naming the part
// and the group; the piston revised with it is not posted either.
TEST_P(CostRevision, PartsWhoseAccountsCannotTakeTheChangeAreRefused) {
  struct Case {
    const char* part;
    const char* message;
  } cases[] = {
      {"JL05 0500", "备件JL05 0500的科目组G9未设置科目，请先维护科目组。"},
      {"JL06 0600", "备件JL06 0600的科目组G3缺少存货科目或销售成本科目，请先维护科目组。"},
      {"JL07 0700", "备件JL07 0700的科目组G4的存货科目与销售成本科目相同，请先维护科目组。"},
      {"JL08 0800", "请先维护科目组。"},
  };
  open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.part);
    price("JL01 0112", "12.5");
    price(c.part, "2");
    json s = confirm();
    EXPECT_EQ(texts(s["messages"]), Rows{c.message});
    EXPECT_EQ(prices(), kUntouchedPrices);
    EXPECT_EQ(posted(), Rows{});
    EXPECT_EQ(numbering(), kDecember12);
    EXPECT_EQ(typed()[row_of(c.part) - 1], "2.00");
    price(c.part, "0");
  }
}

// Each failing write rolls everything back with its messages in order, hands the drawn number
// back to the vacant numbers and keeps the typed prices.
TEST_P(CostRevision, EveryFailingWriteLeavesNothingBehind) {
  struct Case {
    const char* table;
    const char* event;
    Rows messages;
    bool number_drawn;
  } cases[] = {
      {"dbj030", "UPDATE", {"更新失败 "}, true},
      {"dzz0031", "INSERT", {"更改总帐序时主失败。", "更新失败 "}, true},
      {"dch002", "INSERT", {"更改存货序时主失败。", "更新失败 "}, true},
      {"dzz0032", "INSERT", {"更改总帐序时子失败。", "更新失败 "}, true},
      {"dch003", "INSERT", {"更改存货序时子失败。", "更新失败 "}, true},
      {"dbj060", "INSERT", {"更新失败 "}, true},
      {"dzz007", "UPDATE", {"凭证号分配失败，请重试。"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.event) + " " + c.table);
    conn->exec_script("DELETE FROM dzz008; UPDATE dzz007 SET nzdpzh = 12");
    refuse(c.table, c.event);
    open();
    price("JL01 0112", "12.5");
    price("JL02 0200", "9");
    json s = confirm();
    EXPECT_EQ(texts(s["messages"]), c.messages);
    EXPECT_EQ(prices(), kUntouchedPrices);
    EXPECT_EQ(posted(), Rows{});
    if (c.number_drawn)
      EXPECT_EQ(numbering(), kNumberHandedBack);
    else
      EXPECT_EQ(numbering(), kDecember12);
    EXPECT_EQ(typed(), (Rows{"12.50", "0.00", "9.00", "0.00", "0.00", "0.00", "0.00", "0.00", "0.00"}));
    EXPECT_EQ(sc.window_classes(), Rows{W});
    conn->exec_script(std::string("DROP TRIGGER refuse_") + c.table +
                      (GetParam() == db::Backend::Postgres ? std::string(" ON ") + c.table : std::string()));
    sc.ok({{"op", "close"}, {"window", W}});
  }
}

// Figures that changed since the grid was retrieved are never posted.
TEST_P(CostRevision, APriceChangedByAnotherUserIsRefused) {
  open();
  conn->exec_script("UPDATE dbj030 SET ndj = 11.00 WHERE cgsh = '01' AND ccph = 'JL01 0112' AND ckh = '02'");
  price("JL01 0113", "6");
  price("JL01 0112", "12.5");
  json s = confirm();
  EXPECT_EQ(texts(s["messages"]), Rows{"备件JL01 0112的成本单价已被他人修改，请关闭本窗口后重新打开再修改。"});
  EXPECT_EQ(
      table(
          "select ndj from dbj030 where cgsh = '01' and ccph in ('JL01 0112', 'JL01 0113') order by ccph, ckh"),
      (Rows{"10.00", "11.00", "5.00"}));
  EXPECT_EQ(posted(), Rows{});
  EXPECT_EQ(numbering(), kDecember12);
}

// A commit the database refuses (a check deferred to the commit, which PostgreSQL offers) is a
// failure like any other.
TEST_P(CostRevision, ARefusedCommitLeavesNothingBehind) {
  if (GetParam() != db::Backend::Postgres) GTEST_SKIP() << "SQLite has no check deferred to the commit";
  conn->exec_script(
      "CREATE FUNCTION refuse_commit() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION 'refused at commit'; END $$ "
      "LANGUAGE plpgsql;"
      "CREATE CONSTRAINT TRIGGER refuse_commit AFTER INSERT ON dbj060 DEFERRABLE INITIALLY DEFERRED "
      "FOR EACH ROW EXECUTE FUNCTION refuse_commit();");
  open();
  price("JL01 0112", "12.5");
  json s = confirm();
  EXPECT_EQ(texts(s["messages"]), Rows{"更新失败 "});
  EXPECT_EQ(prices(), kUntouchedPrices);
  EXPECT_EQ(posted(), Rows{});
  EXPECT_EQ(numbering(), kNumberHandedBack);
  EXPECT_EQ(typed()[0], "12.50");
}

// Figures another user changes while the voucher number is drawn (a trigger on the numbering
// plays that user) are caught when the prices are written: nothing is posted and the number
// goes back to the vacant numbers.
TEST_P(CostRevision, FiguresChangedAfterTheyWereReadAreRefusedWhenWritten) {
  struct Case {
    const char* change;
    const char* message;
  } cases[] = {
      {"UPDATE dbj030 SET ndj = 11.00 WHERE cgsh = '01' AND ccph = 'JL01 0112' AND ckh = '02'",
       "备件JL01 0112的成本单价已被他人修改，请关闭本窗口后重新打开再修改。"},
      {"UPDATE dbj030 SET nkcsl = 2 WHERE cgsh = '01' AND ccph = 'JL01 0112' AND ckh = '02'",
       "备件JL01 0112的库存数量已变动，请重新确定。"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.change);
    conn->exec_script(
        "DELETE FROM dzz008; UPDATE dzz007 SET nzdpzh = 12;"
        "UPDATE dbj030 SET ndj = 10.00, nkcsl = 1 WHERE cgsh = '01' AND ccph = 'JL01 0112' AND ckh = '02'");
    if (GetParam() == db::Backend::Sqlite)
      conn->exec_script(std::string("CREATE TRIGGER meanwhile AFTER UPDATE ON dzz007 BEGIN ") + c.change +
                        "; END;");
    else
      conn->exec_script(
          std::string("CREATE OR REPLACE FUNCTION meanwhile() RETURNS trigger AS $$ BEGIN ") + c.change +
          "; RETURN NEW; END $$ LANGUAGE plpgsql;"
          "CREATE TRIGGER meanwhile AFTER UPDATE ON dzz007 FOR EACH ROW EXECUTE FUNCTION meanwhile();");
    open();
    price("JL01 0112", "12.5");
    json s = confirm();
    EXPECT_EQ(texts(s["messages"]), Rows{c.message});
    EXPECT_EQ(posted(), Rows{});
    EXPECT_EQ(numbering(), kNumberHandedBack);
    EXPECT_EQ(table("select ndj from dbj030 where cgsh = '01' and ccph = 'JL01 0112' and ckh = '01'"),
              Rows{"10.00"});
    conn->exec_script(GetParam() == db::Backend::Sqlite ? "DROP TRIGGER meanwhile"
                                                        : "DROP TRIGGER meanwhile ON dzz007");
    sc.ok({{"op", "close"}, {"window", W}});
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, CostRevision, testing::ValuesIn(backends()), backend_name_of);

}  // namespace
}  // namespace sparestock::test
