// The grid engine on rows held in memory: buffers, current row, selection, item statuses,
// sharing, properties, computed values and printing.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <random>

#include "host/db/connection.h"
#include "host/grid/grid.h"
#include "host/grid/print.h"

namespace sparestock::grid {
namespace {

using db::Decimal;
using db::Value;

ColumnDef col(std::string name, GridType type, int size = 0, std::string heading = {}) {
  ColumnDef c;
  c.name = std::move(name);
  c.type = type;
  if (type == GridType::Char) c.length = size;
  if (type == GridType::Decimal) c.scale = size;
  c.heading = std::move(heading);
  return c;
}

// A small stock list: warehouse, part, quantity, price.
GridDefinition stock_def() {
  GridDefinition d;
  d.name = "d_test_stock";
  d.statement = "SELECT dbj030.ckh, dbj030.ccph, dbj030.nkcsl, dbj030.ndj FROM dbj030 WHERE dbj030.cgsh = :gsh";
  d.arguments = {{"gsh", GridType::Char}};
  d.columns = {col("dbj030_ckh", GridType::Char, 2, "库号"), col("dbj030_ccph", GridType::Char, 20, "备件号"),
               col("dbj030_nkcsl", GridType::Decimal, 2, "库存数量"), col("dbj030_ndj", GridType::Decimal, 2)};
  d.computed = {{"compute_1", "dbj030_nkcsl * dbj030_ndj", "金额", "0.00", GridType::Decimal, 2}};
  d.groups = {{{"dbj030_ckh"}}};
  BandItemDef parts;
  parts.name = "compute_2";
  parts.label = "品种合计";
  parts.expression = "count(  dbj030_ccph  for all distinct  gsh , dbj030_ccph  )";
  BandItemDef subtotal;
  subtotal.band = Band::Group;
  subtotal.group = 1;
  subtotal.name = "compute_3";
  subtotal.label = "小计";
  subtotal.expression = "sum(dbj030_nkcsl)";
  d.band_items = {parts, subtotal};
  d.sort = "dbj030_ckh A, dbj030_ccph A";
  return d;
}

std::vector<std::vector<Value>> stock_rows() {
  return {
      {Value("02"), Value("JL0112"), Value(Decimal(300, 2)), Value(Decimal(150, 2))},
      {Value("01"), Value("JL01 123"), Value(Decimal(100, 2)), Value(Decimal(200, 2))},
      {Value("01"), Value("JL0112"), Value(Decimal(250, 2)), Value(Decimal(150, 2))},
      {Value("02"), Value("ABC"), Value(nullptr), Value(Decimal(1000, 2))},
      {Value("03"), Value("JL0112"), Value(Decimal(-50, 2)), Value(Decimal(150, 2))},
  };
}

long load(Grid& g, std::vector<std::vector<Value>> rows, std::vector<Value> args = {Value("01")}) {
  std::vector<db::ColumnInfo> infos(g.definition().columns.size());
  db::MemoryCursor cursor(infos, std::move(rows));
  return g.retrieve_from(cursor, args);
}

// The shown rows, one "ckh ccph" per row, separated by "; ".
std::string shown(const Grid& g) {
  std::string out;
  for (long r = 1; r <= g.rowcount(); ++r) {
    if (r > 1) out += "; ";
    out += g.getitemstring(r, 1).value_or("null") + " " + g.getitemstring(r, 2).value_or("null");
  }
  return out;
}

class GridEngine : public testing::Test {
 protected:
  void SetUp() override {
    grid.set_definition(stock_def());
    ASSERT_EQ(load(grid, stock_rows()), 5);
  }
  Grid grid;
};

TEST_F(GridEngine, RetrieveAppliesTheDefinitionsSortAndMakesRowOneCurrent) {
  EXPECT_EQ(shown(grid), "01 JL01 123; 01 JL0112; 02 ABC; 02 JL0112; 03 JL0112");
  EXPECT_EQ(grid.getrow(), 1);
  EXPECT_EQ(grid.getitemdecimal(1, "dbj030_nkcsl")->to_string(), "1.00");
  EXPECT_FALSE(grid.getitemdecimal(3, "nkcsl").has_value());  // null quantity
  EXPECT_EQ(grid.getitemnumber(2, 3), 2.5);
  EXPECT_EQ(grid.getitemstring(2, "CCPH"), "JL0112");
  EXPECT_FALSE(grid.getitem(6, 1).has_value());
  EXPECT_FALSE(grid.getitem(1, "nosuch").has_value());
  EXPECT_EQ(grid.last_error(), "unknown column 'nosuch'");
}

TEST_F(GridEngine, ARetrievalWithTheWrongNumberOfColumnsFailsAndLeavesNoRows) {
  db::MemoryCursor cursor(std::vector<db::ColumnInfo>(3), {{Value("01"), Value("X"), Value(1)}});
  EXPECT_EQ(grid.retrieve_from(cursor), -1);
  EXPECT_EQ(grid.rowcount(), 0);
  EXPECT_EQ(grid.getrow(), 0);
  EXPECT_EQ(grid.last_error(), "grid d_test_stock has 4 columns, its statement returned 3");
  // Without a transaction object retrieve refuses.
  EXPECT_EQ(grid.retrieve({Value("01")}), -1);
}

TEST_F(GridEngine, AMalformedFilterIsRefusedAndThePreviousOneStays) {
  ASSERT_EQ(grid.setfilter("dbj030_ckh = '01'"), 1);
  grid.filter();
  EXPECT_EQ(grid.rowcount(), 2);
  EXPECT_EQ(grid.filteredcount(), 3);
  EXPECT_EQ(grid.setfilter("dbj030_ckh = '02' and"), -1);
  EXPECT_EQ(grid.last_error(), "unexpected end of expression at position 22");
  EXPECT_EQ(grid.filter_text(), "dbj030_ckh = '01'");
  grid.filter();
  EXPECT_EQ(shown(grid), "01 JL01 123; 01 JL0112");
  // The same for the sort.
  EXPECT_EQ(grid.setsort("dbj030_ccph X"), -1);
  EXPECT_EQ(grid.sort_text(), "dbj030_ckh A, dbj030_ccph A");
}

TEST_F(GridEngine, RowsComingBackFromTheFilterTakeTheirSortedPlace) {
  grid.setsort("mid(dbj030_ccph,5,4) D, dbj030_ckh A");
  grid.sort();
  grid.setfilter("dbj030_ckh = '02'");
  grid.filter();
  EXPECT_EQ(shown(grid), "02 JL0112; 02 ABC");
  grid.setfilter("");
  grid.filter();
  EXPECT_EQ(shown(grid), "01 JL0112; 02 JL0112; 03 JL0112; 01 JL01 123; 02 ABC");
}

TEST_F(GridEngine, TheCurrentRowFollowsItsRowUntilItIsFilteredAway) {
  ASSERT_EQ(grid.setrow(4), 1);  // 02 JL0112
  grid.setsort("dbj030_ckh D");
  grid.sort();
  EXPECT_EQ(grid.getrow(), 3);
  EXPECT_EQ(grid.getitemstring(grid.getrow(), 2), "JL0112");
  grid.setfilter("dbj030_ckh = '01'");
  grid.filter();
  EXPECT_EQ(grid.getrow(), 1);
  grid.setfilter("dbj030_ckh = '09'");
  grid.filter();
  EXPECT_EQ(grid.getrow(), 0);
  EXPECT_EQ(grid.setrow(1), -1);
  EXPECT_EQ(grid.scrolltorow(1), -1);
}

TEST_F(GridEngine, ScrollingPastTheEndGoesToTheLastRow) {
  long focused = 0;
  grid.events.rowfocuschanged = [&](long row) { focused = row; };
  EXPECT_EQ(grid.scrolltorow(99999999), 1);
  EXPECT_EQ(grid.getrow(), 5);
  EXPECT_EQ(focused, 5);
  EXPECT_EQ(grid.scrolltorow(0), -1);
  EXPECT_EQ(grid.setrow(6), -1);
  EXPECT_EQ(grid.getrow(), 5);
}

TEST_F(GridEngine, SelectionBelongsToTheRowsAndSurvivesSorting) {
  grid.selectrow(2, true);
  grid.selectrow(5, true);
  EXPECT_TRUE(grid.isselected(2));
  EXPECT_FALSE(grid.isselected(1));
  grid.setsort("dbj030_ckh D");
  grid.sort();
  EXPECT_EQ(grid.getselectedrow(0), 1);  // 03 JL0112
  EXPECT_EQ(grid.getitemstring(grid.getselectedrow(1), 1), "01");
  grid.selectrow(0, false);
  EXPECT_EQ(grid.getselectedrow(0), 0);
  grid.selectrow(0, true);
  EXPECT_EQ(grid.getselectedrow(4), 5);
  EXPECT_EQ(grid.selectrow(7, true), -1);
  EXPECT_FALSE(grid.isselected(7));
}

TEST_F(GridEngine, SetitemKeepsTheRetrievedValueAndMarksTheItem) {
  ASSERT_EQ(grid.setitem(1, "dbj030_nkcsl", Value("7.125")), 1);
  EXPECT_EQ(grid.getitemdecimal(1, "dbj030_nkcsl")->to_string(), "7.13");
  EXPECT_EQ(grid.getitemdecimal(1, "dbj030_nkcsl", Buffer::Primary, true)->to_string(), "1.00");
  EXPECT_EQ(grid.getitemstatus(1, "dbj030_nkcsl"), ItemStatus::DataModified);
  EXPECT_EQ(grid.getitemstatus(1, "dbj030_ndj"), ItemStatus::NotModified);
  EXPECT_EQ(grid.getitemstatus(1, 0), ItemStatus::DataModified);
  EXPECT_EQ(grid.getitemstatus(2, 0), ItemStatus::NotModified);
  // A second change keeps the value as retrieved.
  grid.setitem(1, "dbj030_nkcsl", Value(Decimal(9, 0)));
  EXPECT_EQ(grid.getitemdecimal(1, 3, Buffer::Primary, true)->to_string(), "1.00");
  EXPECT_EQ(grid.modifiedcount(), 1);
  // Refused values change nothing.
  EXPECT_EQ(grid.setitem(2, "dbj030_nkcsl", Value("abc")), -1);
  EXPECT_EQ(grid.last_error(), "column dbj030_nkcsl: not a number: abc");
  EXPECT_EQ(grid.setitem(2, "dbj030_ckh", Value("123")), -1);
  EXPECT_EQ(grid.last_error(), "column dbj030_ckh: text longer than 2 characters");
  EXPECT_EQ(grid.getitemstatus(2, 0), ItemStatus::NotModified);
  EXPECT_EQ(grid.setitem(9, 1, Value("01")), -1);
  // Null is a value like any other.
  ASSERT_EQ(grid.setitem(2, "dbj030_ndj", Value()), 1);
  EXPECT_FALSE(grid.getitemdecimal(2, "dbj030_ndj").has_value());
  EXPECT_EQ(grid.getitemdecimal(2, "dbj030_ndj", Buffer::Primary, true)->to_string(), "1.50");
}

TEST_F(GridEngine, InsertedRowsAreNewUntilAValueIsSet) {
  EXPECT_EQ(grid.insertrow(0), 6);
  EXPECT_EQ(grid.insertrow(2), 2);
  EXPECT_EQ(grid.rowcount(), 7);
  EXPECT_EQ(grid.getitemstatus(2, 0), ItemStatus::New);
  EXPECT_TRUE(grid.getitem(2, 1)->is_null());
  grid.setitem(2, "dbj030_ckh", Value("05"));
  EXPECT_EQ(grid.getitemstatus(2, 0), ItemStatus::NewModified);
  EXPECT_EQ(grid.getitemstatus(2, "dbj030_ckh"), ItemStatus::DataModified);
  EXPECT_EQ(grid.getitemstatus(2, "dbj030_ccph"), ItemStatus::NotModified);
  EXPECT_EQ(grid.insertrow(9), -1);
  // The current row stays on its row.
  EXPECT_EQ(grid.getrow(), 1);
  EXPECT_EQ(shown(grid), "01 JL01 123; 05 null; 01 JL0112; 02 ABC; 02 JL0112; 03 JL0112; null null");
}

TEST_F(GridEngine, DeletedRowsKeepTheirOriginalValuesAndNewOnesVanish) {
  grid.setitem(2, "dbj030_ccph", Value("CHANGED"));
  ASSERT_EQ(grid.deleterow(2), 1);
  EXPECT_EQ(grid.rowcount(), 4);
  EXPECT_EQ(grid.deletedcount(), 1);
  EXPECT_EQ(grid.getitemstring(1, "dbj030_ccph", Buffer::Delete), "CHANGED");
  EXPECT_EQ(grid.getitemstring(1, "dbj030_ccph", Buffer::Delete, true), "JL0112");
  grid.insertrow(0);
  grid.setitem(5, 1, Value("09"));
  ASSERT_EQ(grid.deleterow(5), 1);
  EXPECT_EQ(grid.deletedcount(), 1);
  EXPECT_EQ(grid.deleterow(9), -1);
  // Deleting the current row moves to the row that takes its place.
  grid.setrow(2);
  grid.deleterow(0);
  EXPECT_EQ(grid.getrow(), 2);
  EXPECT_EQ(shown(grid), "01 JL01 123; 02 JL0112; 03 JL0112");
}

TEST_F(GridEngine, FindSearchesTheShownRowsInEitherDirection) {
  EXPECT_EQ(grid.find("dbj030_ccph = 'JL0112'", 1, grid.rowcount()), 2);
  EXPECT_EQ(grid.find("dbj030_ccph = 'JL0112'", 3, 99), 4);
  EXPECT_EQ(grid.find("dbj030_ccph = 'JL0112'", 5, 1), 5);
  EXPECT_EQ(grid.find("dbj030_nkcsl > 100", 1, 5), 0);
  EXPECT_EQ(grid.find("dbj030_ccph = ", 1, 5), -1);
  grid.setfilter("dbj030_ckh = '02'");
  grid.filter();
  EXPECT_EQ(grid.find("dbj030_ccph = 'JL0112'", 1, 5), 2);
}

TEST_F(GridEngine, SharingGridsShowTheSameRowsEachWithItsOwnCurrentRow) {
  GridDefinition list = stock_def();
  list.name = "d_test_list";
  list.columns[1].heading = "零件";
  Grid display(list);
  ASSERT_EQ(grid.sharedata(display), 1);
  EXPECT_EQ(display.rowcount(), 5);
  display.setfilter("dbj030_ckh = '01'");
  display.filter();
  EXPECT_EQ(grid.rowcount(), 2);
  grid.setrow(2);
  EXPECT_EQ(display.getrow(), 1);
  grid.setitem(1, "dbj030_ndj", Value(Decimal(5, 0)));
  EXPECT_EQ(display.getitemdecimal(1, "dbj030_ndj")->to_string(), "5.00");
  EXPECT_EQ(display.getitemstatus(1, 0), ItemStatus::DataModified);
  display.selectrow(2, true);
  EXPECT_TRUE(grid.isselected(2));
  // Each keeps its own layout.
  EXPECT_EQ(display.describe("dbj030_ccph_t.Text"), "零件");
  EXPECT_EQ(grid.describe("dbj030_ccph_t.Text"), "备件号");
  // A new retrieval through the first grid shows in the second (and applies the first's filter).
  ASSERT_EQ(load(grid, stock_rows()), 5);
  EXPECT_EQ(display.rowcount(), 5);
  display.sharedataoff();
  EXPECT_EQ(display.rowcount(), 0);
  EXPECT_EQ(grid.rowcount(), 5);
}

TEST_F(GridEngine, SharingNeedsColumnsOfTheSameTypes) {
  GridDefinition other = stock_def();
  other.computed.clear();
  other.band_items.clear();
  other.columns[2].type = GridType::Char;
  Grid g(other);
  EXPECT_EQ(grid.sharedata(g), -1);
  EXPECT_EQ(grid.last_error(), "cannot share rows: column 3 (dbj030_nkcsl, dbj030_nkcsl) differs in type");
  other.columns.pop_back();
  Grid h(other);
  EXPECT_EQ(grid.sharedata(h), -1);
  EXPECT_EQ(grid.sharedata(grid), -1);
}

TEST_F(GridEngine, DescribeAnswersLikeTheRuntime) {
  EXPECT_EQ(grid.describe("dbj030_nkcsl_t.Text"), "库存数量");
  EXPECT_EQ(grid.describe("dbj030_ndj_t.Text"), "!");  // no heading
  EXPECT_EQ(grid.describe("#2.Name"), "dbj030_ccph");
  EXPECT_EQ(grid.describe("#9.Name"), "!");
  EXPECT_EQ(grid.describe("grid.column.count"), "4");
  EXPECT_EQ(grid.describe("Grid.Table.Select"), stock_def().statement);
  EXPECT_EQ(grid.describe("grid.readonly"), "no");
  EXPECT_EQ(grid.describe("grid.table.filter"), "?");
  EXPECT_EQ(grid.describe("grid.name dataobject grid.title"), "d_test_stock\nd_test_stock\n?");
  EXPECT_EQ(grid.describe("dbj030_ckh.ColType dbj030_nkcsl.coltype #1.ID"), "char(2)\ndecimal(2)\n1");
  EXPECT_EQ(grid.describe("compute_1.Expression"), "dbj030_nkcsl * dbj030_ndj");
  EXPECT_EQ(grid.describe("compute_1_t.Text"), "金额");
  EXPECT_EQ(grid.describe("nosuch.Text"), "!");
  EXPECT_EQ(grid.describe("dbj030_ckh.nosuch"), "!");
  EXPECT_EQ(grid.describe("evaluate('sum(dbj030_nkcsl for all)', 0)"), "6.00");
  EXPECT_EQ(grid.describe("evaluate('dbj030_ccph + ~'/~'', 2)"), "JL0112/");
  EXPECT_EQ(grid.describe("evaluate('nosuch', 1)"), "!");
  EXPECT_EQ(grid.modify("grid.readonly=yes"), "");
  EXPECT_EQ(grid.describe("grid.readonly"), "yes");
  EXPECT_EQ(grid.modify("grid.readonly=maybe"), "bad value for grid.readonly: maybe");
  EXPECT_TRUE(grid.readonly());
  EXPECT_EQ(grid.modify("dbj030_ckh.protect=1 nosuch.protect=1"), "unknown column: nosuch");
  EXPECT_FALSE(grid.is_protected(0));
}

TEST_F(GridEngine, AccepttextStoresTypedTextThroughItemchanged) {
  grid.setrow(2);
  ASSERT_EQ(grid.setcolumn("dbj030_nkcsl"), 1);
  EXPECT_EQ(grid.gettext(), "2.50");
  std::vector<std::string> seen;
  int answer = 0;
  grid.events.itemchanged = [&](long row, const std::string& column, const std::string& text) {
    seen.push_back(std::to_string(row) + " " + column + " " + text);
    return answer;
  };
  std::string refused;
  grid.events.itemerror = [&](long, const std::string&, const std::string& text) { refused = text; };

  ASSERT_EQ(grid.settext("4"), 1);
  EXPECT_EQ(grid.gettext(), "4");
  EXPECT_EQ(grid.accepttext(), 1);
  EXPECT_EQ(grid.getitemdecimal(2, "dbj030_nkcsl")->to_string(), "4.00");
  EXPECT_EQ(seen.back(), "2 dbj030_nkcsl 4");

  grid.settext("x4");
  EXPECT_EQ(grid.accepttext(), -1);
  EXPECT_EQ(refused, "x4");
  EXPECT_EQ(grid.gettext(), "x4");  // kept for correction

  answer = 1;
  grid.settext("5");
  EXPECT_EQ(grid.accepttext(), -1);
  EXPECT_EQ(grid.getitemdecimal(2, "dbj030_nkcsl")->to_string(), "4.00");
  answer = 2;
  EXPECT_EQ(grid.accepttext(), 1);
  EXPECT_EQ(grid.gettext(), "4.00");

  grid.modify("dbj030_nkcsl.protect=1");
  EXPECT_EQ(grid.settext("6"), -1);
  grid.modify("dbj030_nkcsl.protect=0 grid.readonly=yes");
  EXPECT_EQ(grid.settext("6"), -1);
  // A read-only grid still takes values from code.
  EXPECT_EQ(grid.setitem(2, "dbj030_nkcsl", Value(6)), 1);
}

TEST_F(GridEngine, ComputedFieldsGroupsAndSummaries) {
  EXPECT_EQ(grid.getitemdecimal(2, "compute_1")->to_string(), "3.7500");
  EXPECT_FALSE(grid.getitemdecimal(3, "compute_1").has_value());  // null quantity
  // The part count counts a part once however many warehouses hold it.
  EXPECT_EQ(grid.band_value("compute_2")->as_text(), "3");
  // Group 1 is the warehouse; its subtotal is the sum of the group holding the row.
  auto groups = grid.group_rows(1);
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(groups[1], std::make_pair(3L, 4L));
  EXPECT_EQ(grid.band_value("compute_3", 1)->as_text(), "3.50");
  EXPECT_EQ(grid.band_value("compute_3", 4)->as_text(), "3.00");
  EXPECT_EQ(grid.evaluate("sum(dbj030_nkcsl for group 1)", 5)->as_text(), "-0.50");
  EXPECT_FALSE(grid.band_value("compute_9").has_value());
  // Sums follow the filter and changed values.
  grid.setfilter("dbj030_ckh <> '01'");
  grid.filter();
  EXPECT_EQ(grid.band_value("compute_2")->as_text(), "2");
  grid.setitem(1, "dbj030_nkcsl", Value(10));
  EXPECT_EQ(grid.evaluate("sum(dbj030_nkcsl for all)", 0)->as_text(), "12.50");
  // The argument gsh in the part count is the retrieval argument.
  EXPECT_EQ(grid.evaluate("gsh", 0)->as_text(), "01");
}

TEST_F(GridEngine, PageNumbersWhilePrinting) {
  grid.set_page_starts({1, 3});
  EXPECT_EQ(grid.evaluate("'第 ' + page() + ' 页 '", 4, 2, 2)->as_text(), "第 2 页 ");
  EXPECT_EQ(grid.evaluate("sum(dbj030_nkcsl for page)", 4)->as_text(), "2.50");
  EXPECT_EQ(grid.evaluate("sum(dbj030_nkcsl for page)", 2)->as_text(), "3.50");
}

TEST_F(GridEngine, PrintHandsOverTheRowsAsTheyStand) {
  EXPECT_EQ(grid.print(), -1);
  RecordingPrintService service;
  grid.set_print_service(&service);
  grid.set_names("dw_1", "w_bj704_001_001");
  grid.setfilter("dbj030_ckh = '02'");
  grid.filter();
  grid.setsort("dbj030_ccph D");
  grid.sort();
  ASSERT_EQ(grid.print(), 1);
  ASSERT_EQ(service.jobs().size(), 1u);
  const PrintJob& job = service.jobs()[0];
  EXPECT_EQ(job.window, "w_bj704_001_001");
  EXPECT_EQ(job.control, "dw_1");
  EXPECT_EQ(job.dataobject, "d_test_stock");
  EXPECT_EQ(job.rows, 2);
  // The job keeps what was printed, whatever happens to the grid afterwards.
  grid.setitem(1, "dbj030_ccph", Value("LATER"));
  grid.reset();
  EXPECT_EQ(shown(*job.grid), "02 JL0112; 02 ABC");
  EXPECT_EQ(job.grid->band_value("compute_2")->as_text(), "2");
}

TEST_F(GridEngine, ResetEmptiesEveryBuffer) {
  grid.deleterow(1);
  grid.setfilter("dbj030_ckh = '02'");
  grid.filter();
  EXPECT_EQ(grid.reset(), 1);
  EXPECT_EQ(grid.rowcount(), 0);
  EXPECT_EQ(grid.filteredcount(), 0);
  EXPECT_EQ(grid.deletedcount(), 0);
  EXPECT_EQ(grid.getrow(), 0);
  EXPECT_EQ(grid.insertrow(0), 1);
}

TEST(GridDefinitionChecks, ADefinitionWhoseExpressionsDoNotCompileIsRefused) {
  GridDefinition d = stock_def();
  d.sort = "nosuch A";
  EXPECT_THROW(Grid g(d), std::invalid_argument);
  d = stock_def();
  d.computed[0].expression = "dbj030_ccph * 2";
  EXPECT_THROW(Grid g(d), std::invalid_argument);
  d = stock_def();
  d.computed[0].expression = "compute_1 + 1";
  EXPECT_THROW(Grid g(d), std::invalid_argument);
}

TEST(GridDefinitionChecks, TheStandingFilterHidesRowsOnEveryRetrieval) {
  GridDefinition d = stock_def();
  d.filter = " dbj030_nkcsl <> 0 or  dbj030_ndj <> 0";
  Grid g(d);
  std::vector<std::vector<Value>> rows = {
      {Value("01"), Value("A"), Value(Decimal(0, 2)), Value(Decimal(0, 2))},
      {Value("01"), Value("B"), Value(Decimal(0, 2)), Value(Decimal(100, 2))},
  };
  EXPECT_EQ(load(g, rows), 1);
  EXPECT_EQ(g.filteredcount(), 1);
  EXPECT_EQ(g.describe("grid.table.filter"), d.filter);
  // A filter set by a form replaces it and is applied again by the next retrieval.
  g.setfilter("dbj030_ccph = 'A'");
  g.filter();
  EXPECT_EQ(load(g, rows), 1);
  EXPECT_EQ(g.getitemstring(1, 2), "A");
}

// Decimal columns read from floating values (how SQLite keeps them) round like the value's
// shortest text, whether the reader takes the quick path or the text path.
TEST(GridRetrieval, DecimalsReadFromFloatingValuesRoundLikeTheirText) {
  std::mt19937_64 rng(7);
  std::vector<double> values = {2.675, 1.005, 0.1 + 0.2, 1.115, -2.675, 99999999.995, 0.125, 1e11 + 0.5};
  for (int i = 0; i < 20000; ++i) {
    int64_t units = static_cast<int64_t>(rng() % 2000000000) - 1000000000;
    values.push_back(static_cast<double>(units) / 100.0);
    values.push_back(static_cast<double>(units) / 10000.0);
    values.push_back(static_cast<double>(units) / 1000.0 + 0.0005);
  }
  for (double v : values) {
    for (int scale : {0, 2, 4}) {
      auto reference = Decimal::parse(fmt::format("{}", v));
      if (!reference) continue;  // printed with an exponent
      auto got = Decimal::from_double(v, scale);
      ASSERT_TRUE(got);
      EXPECT_EQ(got->to_string(), reference->rescale(scale).to_string()) << fmt::format("{} at {}", v, scale);
    }
  }
  // And through a retrieval.
  GridDefinition d;
  d.name = "d_test_prices";
  d.columns = {col("p", GridType::Decimal, 2)};
  Grid g(d);
  std::vector<std::vector<Value>> rows = {{Value(2.675)}, {Value(0.1 + 0.2)}, {Value(-1.005)}};
  ASSERT_EQ(load(g, rows, {}), 3);
  EXPECT_EQ(g.getitemstring(1, 1), "2.68");
  EXPECT_EQ(g.getitemstring(2, 1), "0.30");
  EXPECT_EQ(g.getitemstring(3, 1), "-1.01");
}

}  // namespace
}  // namespace sparestock::grid
