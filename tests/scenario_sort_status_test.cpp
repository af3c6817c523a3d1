// The sort selector uo_pdpx and the row-count status line, driven through the protocol on a
// stock grid (d_bj701_001, which carries the bare columns the sort lists name).

#include <gtest/gtest.h>

#include "common/row_count_status.h"
#include "stock_enquiry/uo_pdpx.h"
#include "tests/scenario.h"

namespace sparestock::test {
namespace {

// dw_1 holds the company's stock with a sort selector uo_1; dw_2 is retrieved for a company
// without stock. uo_2 was placed without a grid.
class StockGridForm : public ui::Window {
 public:
  explicit StockGridForm(ui::Session& s) : Window(s, "w_test_stock_grid") {
    dw_1.rowfocuschanged = [this](long) {
      ++focus_changes;
      return 0L;
    };
    common::attach_row_count_status(dw_1);
    common::attach_row_count_status(dw_2);
  }
  void open() override {
    for (auto [grid, company] :
         {std::pair{&dw_1, session().globals().gs_yhssgsh}, {&dw_2, std::string("99")}}) {
      grid->grid.set_dataobject("d_bj701_001");
      grid->grid.settransobject(session().sqlca);
      grid->grid.retrieve({db::Value(company)});
    }
    uo_1.dw_1 = &dw_1;
    st_1.text = "opened";
  }
  ui::GridControl dw_1{*this, "dw_1"};
  ui::GridControl dw_2{*this, "dw_2"};
  ui::StaticText st_1{*this, "st_1", ""};
  ui::GroupBox gb_1{*this, "gb_1", "the form's own gb_1"};
  stock_enquiry::uo_pdpx uo_1{*this, "uo_1"};
  stock_enquiry::uo_pdpx uo_2{*this, "uo_2"};
  int focus_changes = 0;
};

[[maybe_unused]] const bool registered = [] {
  ui::register_window_class("w_test_stock_grid",
                            [](ui::Session& s) { return std::make_unique<StockGridForm>(s); });
  return true;
}();

class SortStatusScenario : public ScenarioTest {
 protected:
  void SetUp() override {
    login();
    sc.open("w_test_stock_grid");
  }
  // Rows of dw_1 as "warehouse/location/part".
  std::vector<std::string> stock() {
    std::vector<std::string> out;
    for (const auto& r : sc.rows("w_test_stock_grid", "dw_1"))
      out.push_back(r["ckh"].get<std::string>() + "/" + r["ckwh"].get<std::string>() + "/" +
                    r["ccph"].get<std::string>());
    return out;
  }
  json grid_action(const std::string& control, json fields) {
    fields["op"] = "grid";
    fields["window"] = "w_test_stock_grid";
    fields["control"] = control;
    return ok(fields);
  }
};

const std::vector<std::string> kByLocation = {"01/A1-02/JL01 0113", "01/A1-05/JL01 0112",
                                              "01/B1-03/JL02 0200", "02/A1-01/JL01 0112"};

TEST_P(SortStatusScenario, TheSelectorShowsItsControlsInTheForm) {
  json w = sc.window("w_test_stock_grid");
  EXPECT_EQ(w["controls"]["uo_1.st_1"]["text"], "排序类型");
  EXPECT_EQ(w["controls"]["uo_1.rb_1"]["text"], "按库位");
  EXPECT_EQ(w["controls"]["uo_1.rb_2"]["text"], "按备件号");
  EXPECT_TRUE(w["controls"]["uo_1.rb_1"]["checked"].get<bool>());
  EXPECT_FALSE(w["controls"]["uo_1.rb_2"]["checked"].get<bool>());
  EXPECT_EQ(w["controls"]["uo_1.rb_1"]["group"], "uo_1.gb_1");
  EXPECT_EQ(w["controls"]["gb_1"]["text"], "the form's own gb_1");
  EXPECT_EQ(w["controls"]["dw_1"]["sort"], "") << "nothing is sorted when the selector is created";
}

TEST_P(SortStatusScenario, ByLocationAndByPart) {
  // rb_1 shows as chosen; clicking it anyway sorts by location.
  sc.click("w_test_stock_grid", "uo_1.rb_1");
  EXPECT_EQ(stock(), kByLocation);
  EXPECT_EQ(sc.control("w_test_stock_grid", "dw_1")["sort"], "cgsh a,ckh a,ckqh a,ckwh a,ccph a");

  json s = sc.click("w_test_stock_grid", "uo_1.rb_2");
  EXPECT_FALSE(s["windows"][0]["controls"]["uo_1.rb_1"]["checked"].get<bool>());
  EXPECT_TRUE(s["windows"][0]["controls"]["uo_1.rb_2"]["checked"].get<bool>());
  // By part; the two rows of JL01 0112 keep their location order.
  EXPECT_EQ(stock(), (std::vector<std::string>{"01/A1-05/JL01 0112", "02/A1-01/JL01 0112",
                                               "01/A1-02/JL01 0113", "01/B1-03/JL02 0200"}));
  EXPECT_EQ(sc.control("w_test_stock_grid", "dw_1")["sort"], "cgsh a,ccph a");

  sc.click("w_test_stock_grid", "uo_1.rb_1");
  EXPECT_EQ(stock(), kByLocation);
}

TEST_P(SortStatusScenario, WithoutAGridAClickOnlyMovesTheCheckMark) {
  sc.click("w_test_stock_grid", "uo_1.rb_2");
  std::vector<std::string> before = stock();
  json s = sc.click("w_test_stock_grid", "uo_2.rb_2");
  EXPECT_TRUE(s["messages"].empty());
  EXPECT_TRUE(s["windows"][0]["controls"]["uo_2.rb_2"]["checked"].get<bool>());
  EXPECT_TRUE(s["windows"][0]["controls"]["uo_1.rb_2"]["checked"].get<bool>())
      << "the other selector is untouched";
  sc.click("w_test_stock_grid", "uo_2.rb_1");
  EXPECT_EQ(stock(), before);
  EXPECT_EQ(sc.control("w_test_stock_grid", "dw_1")["sort"], "cgsh a,ccph a");
}

TEST_P(SortStatusScenario, TheStatusLineFollowsTheCurrentRowAndClicks) {
  grid_action("dw_1", {{"action", "setrow"}, {"row", 3}});
  EXPECT_EQ(sc.microhelp(), "行数3/4");
  grid_action("dw_1", {{"action", "key"}, {"key", "down"}});
  EXPECT_EQ(sc.microhelp(), "行数4/4");
  grid_action("dw_1", {{"action", "click"}, {"row", 2}});
  EXPECT_EQ(sc.microhelp(), "行数2/4");
  // Headings, group headers and the summary leave the status alone.
  for (const char* band : {"header", "header.1", "summary"}) {
    grid_action("dw_1", {{"action", "click"}, {"band", band}});
    EXPECT_EQ(sc.microhelp(), "行数2/4") << band;
  }
  // Other bands report the row the click names, which is none.
  grid_action("dw_1", {{"action", "click"}, {"band", "footer"}});
  EXPECT_EQ(sc.microhelp(), "行数0/4");
  // The form's own handler ran before the status was written.
  int changes = 0;
  sc.session().read([&] {
    changes = static_cast<StockGridForm*>(sc.session().windows().find("w_test_stock_grid"))->focus_changes;
  });
  EXPECT_GE(changes, 3);
}

TEST_P(SortStatusScenario, AnEmptyGridShowsNoughtOfNought) {
  // Any band of the empty grid, headings and summary included.
  for (const char* band : {"header", "summary", "footer"}) {
    grid_action("dw_1", {{"action", "click"}, {"row", 2}});
    ASSERT_EQ(sc.microhelp(), "行数2/4");
    grid_action("dw_2", {{"action", "click"}, {"band", band}});
    EXPECT_EQ(sc.microhelp(), "行数 0 / 0") << band;
  }
}

TEST(RowCountStatus, Text) {
  EXPECT_EQ(common::row_count_text(3, 120), "行数3/120");
  EXPECT_EQ(common::row_count_text(0, 0), "行数0/0");
  EXPECT_EQ(common::row_count_text(100000, 100000), "行数100000/100000");
}

INSTANTIATE_TEST_SUITE_P(Backends, SortStatusScenario, testing::ValuesIn(backends()), backend_name_of);

}  // namespace
}  // namespace sparestock::test
