// Saving what a grid shows: CSV compared as text, XLSX read back with openpyxl (Debian's
// python3-openpyxl), and a stock list of the demo database on each backend.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "grids/columns.h"
#include "host/db/transaction.h"
#include "host/grid/export.h"
#include "host/grid/grid.h"
#include "schema/schema.h"
#include "tests/temp_folder.h"
#include "tests/test_db.h"

namespace sparestock {
namespace {

namespace fs = std::filesystem;
using namespace grids;

std::string read(const std::string& path) { return test::read_file(path); }

// Every cell of the first sheet as "row,col: python-type value | number format", one a line.
std::string read_xlsx(const std::string& path) {
  std::string script =
      "import sys, openpyxl\n"
      "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
      "for row in ws.iter_rows():\n"
      "    for c in row:\n"
      "        if c.value is not None:\n"
      "            print(f'{c.row},{c.column}: {type(c.value).__name__} {c.value} | {c.number_format}')\n";
  std::string py = path + ".py";
  std::ofstream(py) << script;
  // Debian's interpreter, where python3-openpyxl is installed.
  std::string cmd = "/usr/bin/python3 " + py + " " + path + " 2>&1";
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return "popen failed";
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

// A grid with one column of each kind, a hidden column, a code table, a computed field, a
// group by warehouse with its subtotal and a summary band.
grid::GridDefinition definition() {
  grid::GridDefinition d;
  d.name = "d_export_test";
  ColumnDef flag = long_col("lcy", "常用");
  flag.code_table = {{"1", "常用"}, {"0", ""}};
  d.columns = {char_col("ckh", 2, "库号"),
               char_col("ccph", 20, "备件号"),
               decimal_col("nkcsl", 2, "库存数量"),
               decimal_col("ndj", 2, "成本单价", "#0.00"),
               long_col("ncbgx", "储备高限"),
               flag,
               datetime_col("drq", "最后出库", "yyyy/mm/dd"),
               hidden(char_col("ckwh", 10, "库位号"))};
  d.computed = {{"compute_1", "nkcsl * ndj", "金额", "##,###,###,##0.00", GridType::Decimal, 2}};
  d.groups = {{{"ckh"}}};
  d.band_items = {
      group_item(1, "compute_2", "小计", "sum(nkcsl for group 1)", "##,###,###,##0.00"),
      value_item(Band::Summary, "compute_3", "库存数量合计", "sum(nkcsl for all)", "##,###,###,##0.00"),
      value_item(Band::Summary, "compute_4", "品种", "count(ccph for all)")};
  return d;
}

void fill(grid::Grid& g) {
  struct Row {
    const char* ckh;
    const char* ccph;
    const char* nkcsl;
    const char* ndj;
    int ncbgx;
    int lcy;
    const char* drq;
  };
  const Row rows[] = {
      {"02", "0133 007920-DH", "1234.5", "10.25", 5, 1, "2026-05-31 10:30:00"},
      {"01", "P,\"2\"", "2", "0.5", 0, 0, nullptr},
      {"01", "P1", "-3", "1000", 12, 1, "2026-01-02"},
      {"09", "OLD", "7", "1", 0, 0, nullptr},
  };
  for (const auto& r : rows) {
    long row = g.insertrow(0);
    g.setitem(row, "ckh", db::Value(r.ckh));
    g.setitem(row, "ccph", db::Value(r.ccph));
    g.setitem(row, "nkcsl", db::Value(*db::Decimal::parse(r.nkcsl)));
    g.setitem(row, "ndj", db::Value(*db::Decimal::parse(r.ndj)));
    g.setitem(row, "ncbgx", db::Value(r.ncbgx));
    g.setitem(row, "lcy", db::Value(r.lcy));
    if (r.drq) g.setitem(row, "drq", db::Value(*db::DateTime::parse(r.drq)));
    g.setitem(row, "ckwh", db::Value("A001"));
  }
  // What the user sees: warehouse 09 filtered out, sorted by warehouse and part.
  ASSERT_EQ(g.setfilter("ckh <> '09'"), 1);
  ASSERT_EQ(g.filter(), 1);
  ASSERT_EQ(g.setsort("ckh A, ccph A"), 1);
  ASSERT_EQ(g.sort(), 1);
}

TEST(GridExport, CsvHoldsTheShownRowsAsDisplayed) {
  grid::GridDefinition d = definition();
  grid::Grid g(d);
  fill(g);
  test::TempFolder dir;
  std::string path = dir.file("list.csv");
  EXPECT_EQ(grid::export_grid(g, path, {}), 3);
  EXPECT_EQ(read(path),
            "\xEF\xBB\xBF"
            "库号,备件号,库存数量,成本单价,储备高限,常用,最后出库,金额\r\n"
            "01,\"P,\"\"2\"\"\",2.00,0.50,0,,,1.00\r\n"
            "01,P1,-3.00,1000.00,12,常用,2026/01/02,\"-3,000.00\"\r\n"
            "小计,,-1.00\r\n"
            "02,0133 007920-DH,\"1,234.50\",10.25,5,常用,2026/05/31,\"12,653.63\"\r\n"
            "小计,,\"1,234.50\"\r\n"
            "\r\n"
            "库存数量合计,,\"1,233.50\"\r\n"
            "品种,3\r\n");

  grid::ExportOptions gbk;
  gbk.encoding = text::Encoding::Gbk;
  grid::export_grid(g, path, gbk);
  std::string bytes = read(path);
  EXPECT_TRUE(bytes.starts_with(text::utf8_to_gbk("库号,备件号"))) << bytes.substr(0, 20);
}

// A grouped list shown in another order (by cost price: warehouse 01, 02, 01) is saved group
// by group, each subtotal once after all of its rows, the shown order kept inside a group.
TEST(GridExport, AGroupedListIsSavedInGroupOrder) {
  grid::GridDefinition d = definition();
  grid::Grid g(d);
  fill(g);
  ASSERT_EQ(g.setsort("ndj A"), 1);
  ASSERT_EQ(g.sort(), 1);
  ASSERT_EQ(g.getitem(2, "ckh")->as_text(), "02");
  test::TempFolder dir;
  std::string path = dir.file("list.csv");
  EXPECT_EQ(grid::export_grid(g, path, {}), 3);
  EXPECT_EQ(read(path),
            "\xEF\xBB\xBF"
            "库号,备件号,库存数量,成本单价,储备高限,常用,最后出库,金额\r\n"
            "01,\"P,\"\"2\"\"\",2.00,0.50,0,,,1.00\r\n"
            "01,P1,-3.00,1000.00,12,常用,2026/01/02,\"-3,000.00\"\r\n"
            "小计,,-1.00\r\n"
            "02,0133 007920-DH,\"1,234.50\",10.25,5,常用,2026/05/31,\"12,653.63\"\r\n"
            "小计,,\"1,234.50\"\r\n"
            "\r\n"
            "库存数量合计,,\"1,233.50\"\r\n"
            "品种,3\r\n");
  // The grid on screen keeps its own order.
  EXPECT_EQ(g.getitem(2, "ckh")->as_text(), "02");
}

TEST(GridExport, XlsxKeepsNumbersAndDates) {
  grid::GridDefinition d = definition();
  grid::Grid g(d);
  fill(g);
  test::TempFolder dir;
  std::string path = dir.file("list.xlsx");
  ASSERT_EQ(grid::export_grid(g, path, {grid::ExportFormat::Xlsx}), 3);
  std::string cells = read_xlsx(path);
  for (const char* expected : {
           "1,1: str 库号 | General",
           "1,8: str 金额 | General",
           "2,2: str P,\"2\" | General",
           "2,3: int 2 | #,##0.00",
           "2,4: float 0.5 | 0.00",
           "3,3: int -3 | #,##0.00",
           "3,5: int 12 | General",
           "3,6: str 常用 | General",                         // a code table shows its text
           "3,7: datetime 2026-01-02 00:00:00 | yyyy/mm/dd",  // a date stays a date
           "3,8: int -3000 | #,##0.00",
           "4,1: str 小计 | General",
           "4,3: int -1 | #,##0.00",
           "5,3: float 1234.5 | #,##0.00",
           "5,7: datetime 2026-05-31 10:30:00 | yyyy/mm/dd",
           "8,1: str 库存数量合计 | General",
           "8,3: float 1233.5 | #,##0.00",
           "9,2: int 3 | General",
       })
    EXPECT_NE(cells.find(std::string(expected) + "\n"), std::string::npos) << expected << "\n" << cells;
  EXPECT_EQ(cells.find("2,6:"), std::string::npos) << "a code value shown empty stays empty";
  EXPECT_EQ(cells.find("A001"), std::string::npos) << "hidden columns stay out";
}

TEST(GridExport, NumberFormatsForSpreadsheets) {
  struct Case {
    const char* display;
    const char* sheet;
  };
  for (const Case& c : std::initializer_list<Case>{{"##,###,###,##0.00", "#,##0.00"},
                                                   {"#0.00", "0.00"},
                                                   {"#,##0", "#,##0"},
                                                   {"0.0#", "0.0#"},
                                                   {"#########.##", ""},  // optional places only
                                                   {"[general]", ""},
                                                   {"yyyy/mm/dd", ""}})
    EXPECT_EQ(grid::spreadsheet_number_format(c.display), c.sheet) << c.display;
}

class GridExportDatabase : public testing::TestWithParam<db::Backend> {};

// The stock list of the demo database, saved as XLSX: one sheet line per shown row after the
// heading, then the blank line and the five totals of the summary band.
TEST_P(GridExportDatabase, StockListOfTheDemoDatabase) {
  test::TestDatabase tdb(GetParam());
  {
    auto conn = tdb.connect();
    schema::load_demo(*conn, {40, 5, "2026-06-15"});
  }
  db::Transaction sqlca;
  ASSERT_EQ(sqlca.connect(tdb.target()), 0) << sqlca.sqlerrtext;
  grid::Grid g(*grid::find_definition("d_bj704_002"));
  g.settransobject(sqlca);
  long rows = g.retrieve({db::Value("01")});
  ASSERT_GT(rows, 10);
  ASSERT_EQ(g.setfilter("dbj030_ckh = '01'"), 1);
  ASSERT_EQ(g.filter(), 1);
  rows = g.rowcount();
  test::TempFolder dir;
  std::string path = dir.file("stock.xlsx");
  ASSERT_EQ(grid::export_grid(g, path, {grid::ExportFormat::Xlsx}), rows);
  std::string cells = read_xlsx(path);
  EXPECT_NE(cells.find("1,1: str 备件号 | General\n"), std::string::npos) << cells.substr(0, 400);
  EXPECT_NE(cells.find(std::to_string(rows + 3) + ",1: str 品种合计"), std::string::npos);
  EXPECT_NE(cells.find(std::to_string(rows + 7) + ",1: str 库存采购价合计"), std::string::npos);
  EXPECT_EQ(cells.find(std::to_string(rows + 8) + ","), std::string::npos);
  EXPECT_EQ(cells.find(",4: str 02"), std::string::npos) << "the filter holds";
}

INSTANTIATE_TEST_SUITE_P(Backends, GridExportDatabase, testing::ValuesIn(test::backends()),
                         test::backend_name_of);

}  // namespace
}  // namespace sparestock
