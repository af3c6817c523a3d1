// The stock status enquiry w_bj704_001_001 and the zero-stock enquiry w_bj704_001_003 through
// the protocol: their controls and searches, that they never hand a row back, and printing the
// stock list and the labels (only the rows shown, in their order, only the user's company).

#include "tests/scenario_stock_enquiry.h"

namespace sparestock::test {
namespace {

using Rows = std::vector<std::string>;

class StockEnquiryVariants : public StockEnquiryScenario {
 protected:
  // The rows of the latest print job's copy as "warehouse/part/location" (the stock list names
  // its columns after the tables, the labels after the view).
  Rows printed_rows() {
    Rows out;
    sc.session().read([&] {
      const auto& jobs = sc.session().print_jobs();
      if (jobs.empty()) return;
      const grid::Grid& g = *jobs.back().grid;
      bool labels = g.dataobject() == "d_bjbq";
      for (long r = 1; r <= g.rowcount(); ++r) {
        auto text = [&](const char* column) { return g.getitemstring(r, column).value_or(""); };
        out.push_back(labels ? text("cgsh") + ":" + text("ckh") + "/" + text("ccph") + "/" + text("ckwh") +
                                   "/" + text("ccpmc")
                             : text("dbj030_ckh") + "/" + text("dbj030_ccph") + "/" + text("dbj030_ckwh"));
      }
    });
    return out;
  }
  // Clicks a print button and answers the print dialog with 打印 (cb_1) or 取消 (cb_2).
  json print(const std::string& window, const std::string& button, const std::string& answer) {
    sc.click(window, button);
    EXPECT_EQ(sc.window("w_dw_print_options")["modal"], true);
    return sc.click("w_dw_print_options", answer);
  }
};

// 1. The stock status form: its own captions and buttons, the hidden print grids, the frame's
//    title, the main-group sort, read-only.
TEST_P(StockEnquiryVariants, TheStockStatusFormHasItsOwnControls) {
  json s = sc.open("w_bj704_001_001");
  EXPECT_EQ(s["frame"]["title"], "配件管理-一号店-查询备件库存情况");
  json w = sc.window("w_bj704_001_001");
  EXPECT_EQ(w["title"], "查询备件库存情况");
  const json& c = w["controls"];
  std::vector<std::string> captions;
  for (const char* b :
       {"cb_1", "cb_2", "cb_3", "cb_4", "cb_5", "cb_6", "cb_7", "cb_8", "cb_9", "cb_11", "cb_12", "cb_13"})
    captions.push_back(c[b]["text"]);
  EXPECT_EQ(captions, (std::vector<std::string>{"备件号(&1)", "备件名称(&2)", "拼音码(&5)", "常用件(&6)",
                                                "备件分类(&3)", "库号(&4)", "车型(&7)", "退出(&B)",
                                                "打印(&0)", "打标签", "零库存(&8)", "库存状态(&9)"}));
  EXPECT_EQ(c["dw_1"]["dataobject"], "d_bj704_004");
  EXPECT_FALSE(c["dw_1"]["visible"].get<bool>());
  EXPECT_EQ(c["dw_2"]["dataobject"], "d_bjbq");
  EXPECT_FALSE(c["dw_2"]["visible"].get<bool>());
  EXPECT_EQ(c["dw_edit"]["sort"], "mid(dbj030_ccph,5,4) A");
  EXPECT_TRUE(c["dw_edit"]["readonly"].get<bool>());
  EXPECT_EQ(stock("w_bj704_001_001").size(), 8u);
}

// 2. Variant B searches: the pinyin code must exist and match whole; a warehouse-restricted
//    part-number search is a plain prefix; mode 5 stays current after its button.
TEST_P(StockEnquiryVariants, TheVariantsSearchWithTheirOwnExpressions) {
  sc.open("w_bj704_001_001");
  const std::string W = "w_bj704_001_001";
  sc.click(W, "cb_3");
  json s = search(W, "h", "");
  EXPECT_EQ(texts(s["messages"]), (std::vector<std::string>{"拼音码不正确，请重新输入!"}));
  EXPECT_EQ(grid(W)["filter"], "");
  search(W, "hs", "");
  EXPECT_EQ(grid(W)["filter"], "dbj002_cpym = 'HS'");
  EXPECT_EQ(stock(W), (Rows{"01/JL01 0112", "02/JL01 0112"}));

  sc.click(W, "cb_5");
  EXPECT_EQ(form<stock_enquiry::w_bj704_001_001>(W).xlh, 5);
  search(W, "A01", "0113");
  EXPECT_EQ(stock(W), (Rows{"01/JL01 0113"}));

  // Opened for warehouse 02: mode 1 is a prefix of the whole number within the warehouse.
  open(W, "02");
  search(W, "JL");
  EXPECT_EQ(grid(W)["filter"], "dbj030_ccph like 'JL%' and dbj030_ckh = '02'");
  EXPECT_EQ(stock(W), (Rows{"02/JL01 0112"}));
}

// 3. Neither variant hands a row back: double-click and Enter in the grid only move the
//    current row. The stock status form closes (cb_8) with the empty structure; the zero-stock
//    form closes with nothing, and the frame shows the title of the form behind it again.
TEST_P(StockEnquiryVariants, TheVariantsNeverHandARowBack) {
  const std::string W = "w_bj704_001_001";
  sc.open(W);
  json s = sc.ok(
      {{"op", "grid"}, {"window", W}, {"control", "dw_edit"}, {"action", "doubleclick"}, {"row", 3}});
  EXPECT_TRUE(s["closed"].empty());
  EXPECT_EQ(grid(W)["row"], 3);
  EXPECT_EQ(grid(W)["selected"], json({3}));
  EXPECT_EQ(s["frame"]["microhelp"], "行数3/8");
  s = sc.ok({{"op", "grid"}, {"window", W}, {"control", "dw_edit"}, {"action", "key"}, {"key", "enter"}});
  EXPECT_TRUE(s["closed"].empty());

  sc.click(W, "cb_12");
  ASSERT_EQ(sc.window_classes(), (std::vector<std::string>{W, "w_bj704_001_003"}));
  s = sc.ok({{"op", "grid"},
             {"window", "w_bj704_001_003"},
             {"control", "dw_edit"},
             {"action", "doubleclick"},
             {"row", 1}});
  EXPECT_TRUE(s["closed"].empty());
  EXPECT_EQ(s["frame"]["title"], "配件管理-一号店-查询0库存");
  s = sc.click("w_bj704_001_003", "cb_8");
  ASSERT_EQ(s["closed"].size(), 1u);
  EXPECT_TRUE(s["closed"][0]["returned"].is_null());
  EXPECT_EQ(s["frame"]["title"], "配件管理-一号店-查询备件库存情况") << "the form behind is in front again";

  s = sc.click(W, "cb_8");
  ASSERT_EQ(s["closed"].size(), 1u);
  EXPECT_EQ(s["closed"][0]["class"], W);
  EXPECT_EQ(s["closed"][0]["returned"]["ccph"], "");
  EXPECT_EQ(s["closed"][0]["returned"]["nkcsl"], 0);
  EXPECT_EQ(s["frame"]["title"], "配件管理-");
}

// 4. The zero-stock form beside its opener: its own rows (stock and availability both 0), its
//    own filter, its sort buttons; its print button prints its own grid.
TEST_P(StockEnquiryVariants, TheZeroStockFormKeepsItsOwnRows) {
  const std::string W = "w_bj704_001_001", Z = "w_bj704_001_003";
  sc.open(W);
  search(W, "01");
  sc.click(W, "cb_12");
  json z = sc.window(Z);
  EXPECT_EQ(z["title"], "查询0库存");
  EXPECT_EQ(z["controls"]["cb_8"]["text"], "退出(&9)");
  EXPECT_EQ(z["controls"]["cb_9"]["text"], "打印(&8)");
  EXPECT_EQ(grid(Z)["dataobject"], "d_bj704_0021");
  EXPECT_EQ(stock(Z), (Rows{"01/JL04 0400"}));
  EXPECT_EQ(stock(W), (Rows{"01/JL01 0112", "01/JL01 0113", "02/JL01 0112"}));
  sc.click(Z, "rb_4");
  EXPECT_EQ(grid(Z)["sort"], "mid(dbj030_ccph,5,20) A");
  sc.click(Z, "rb_3");
  EXPECT_EQ(grid(Z)["sort"], "dbj030_ccph A");

  json s = print(Z, "cb_9", "cb_1");
  ASSERT_EQ(s["printed"].size(), 1u);
  EXPECT_EQ(s["printed"][0]["window"], Z);
  EXPECT_EQ(s["printed"][0]["control"], "dw_edit");
  EXPECT_EQ(s["printed"][0]["dataobject"], "d_bj704_0021");
  EXPECT_EQ(s["printed"][0]["rows"], 1);
}

// 5. The stock list prints the rows dw_edit shows, in their order; a cancelled dialog prints
//    nothing.
TEST_P(StockEnquiryVariants, TheStockListPrintsTheRowsShownInTheirOrder) {
  const std::string W = "w_bj704_001_001";
  sc.open(W);
  sc.click(W, "cb_2");
  search(W, "活塞", "");
  sc.click(W, "rb_3");
  json s = print(W, "cb_9", "cb_2");
  EXPECT_TRUE(s["printed"].empty());

  s = print(W, "cb_9", "cb_1");
  ASSERT_EQ(s["printed"].size(), 1u);
  EXPECT_EQ(s["printed"][0]["control"], "dw_1");
  EXPECT_EQ(s["printed"][0]["dataobject"], "d_bj704_004");
  EXPECT_EQ(s["printed"][0]["rows"], 3);
  EXPECT_EQ(printed_rows(), (Rows{"01/JL01 0112/A1-05", "02/JL01 0112/A1-01", "01/JL01 0113/A1-02"}));
  // The list grid shares the stock grid's rows: a later search shows in it too.
  search(W, "活塞环", "");
  EXPECT_EQ(grid(W, "dw_1")["rowcount"], 1);
}

// 6. Labels: one per row shown, in the order shown, with the view's data of that row and only
//    the user's company (company 02 holds a row of the same part); a part without a record
//    still gets its label.
TEST_P(StockEnquiryVariants, LabelsFollowTheRowsShownForTheCompanyOnly) {
  const std::string W = "w_bj704_001_001";
  sc.open(W);
  sc.click(W, "cb_2");
  search(W, "活塞", "");
  sc.click(W, "rb_4");
  json s = print(W, "cb_11", "cb_1");
  ASSERT_EQ(s["printed"].size(), 1u) << s.dump();
  EXPECT_EQ(s["printed"][0]["control"], "dw_2");
  EXPECT_EQ(s["printed"][0]["dataobject"], "d_bjbq");
  EXPECT_EQ(s["printed"][0]["rows"], 3);
  EXPECT_EQ(printed_rows(), (Rows{"01:01/JL01 0112/A1-05/活塞", "01:02/JL01 0112/A1-01/活塞",
                                  "01:01/JL01 0113/A1-02/活塞环"}));

  // Every row, in the main-group order the form shows. A stock record removed since the form
  // read it still gets its label, from the row the form shows.
  sc.database().connect()->exec_script("DELETE FROM dbj030 WHERE cgsh = '01' AND ccph = 'JL03 0001';");
  sc.click(W, "cb_1");
  search(W, "");
  print(W, "cb_11", "cb_1");
  Rows expected;
  for (const auto& r : sc.rows(W, "dw_edit")) {
    std::string name = r["dbj002_ccpmc"].is_null() ? "" : r["dbj002_ccpmc"].get<std::string>();
    expected.push_back("01:" + r["dbj030_ckh"].get<std::string>() + "/" + r["dbj030_ccph"].get<std::string>() +
                       "/" + r["dbj030_ckwh"].get<std::string>() + "/" + name);
  }
  EXPECT_EQ(expected.size(), 8u);
  EXPECT_EQ(printed_rows(), expected);

  // A search without rows prints no labels at all.
  search(W, "99");
  s = print(W, "cb_11", "cb_1");
  ASSERT_EQ(s["printed"].size(), 1u);
  EXPECT_EQ(s["printed"][0]["rows"], 0);
}

// 7. The stock status button opens the host's stock status form beside the enquiry.
TEST_P(StockEnquiryVariants, TheStockStatusButtonOpensTheHostForm) {
  sc.open("w_bj704_001_001");
  sc.click("w_bj704_001_001", "cb_13");
  EXPECT_EQ(sc.window_classes(), (std::vector<std::string>{"w_bj704_001_001", "w_bj418_001"}));
}

INSTANTIATE_TEST_SUITE_P(Backends, StockEnquiryVariants, testing::ValuesIn(backends()), backend_name_of);

}  // namespace
}  // namespace sparestock::test
