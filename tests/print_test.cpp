// Printing to PDF: the stock list printed from the stock status form (titles, headings,
// formatted values, subtotals in group order, totals, page numbers, only the rows a search
// left), the print dialog's copies and page range, page breaks of a long list, labels whose
// barcodes a scanner reads back into the part-number search, and the stocktaking reports of one
// company and one day. The PDFs are read back with poppler's pdftotext and pdftoppm and zbar's
// zbarimg, as a user's viewer and scanner would.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "host/grid/print.h"
#include "host/lib/pdf_print.h"
#include "tests/scenario_stock_enquiry.h"
#include "tests/temp_folder.h"

namespace sparestock::test {
namespace {

namespace fs = std::filesystem;

// The standard output of a shell command.
std::string run(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) out.append(buffer.data(), n);
  return out;
}

std::string pdf_text(const std::string& file, int page = 0) {
  std::string pages = page > 0 ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : "";
  return run("pdftotext -layout" + pages + " '" + file + "' - 2>/dev/null");
}

int pdf_pages(const std::string& file) {
  std::string info = run("pdfinfo '" + file + "' 2>/dev/null");
  size_t at = info.find("Pages:");
  return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

// Text without its spaces: pdftotext keeps or drops the space between CJK characters ("第 1 页",
// "库 存 清 单") by their distance, so texts are compared without them.
std::string flat(std::string s) {
  std::erase(s, ' ');
  return s;
}

size_t count(const std::string& raw, const std::string& raw_what) {
  std::string text = flat(raw), what = flat(raw_what);
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

// The pieces appear in the text in this order.
::testing::AssertionResult in_order(const std::string& raw, const std::vector<std::string>& pieces) {
  std::string text = flat(raw);
  size_t at = 0;
  for (const auto& piece : pieces) {
    std::string p = flat(piece);
    size_t found = text.find(p, at);
    if (found == std::string::npos)
      return ::testing::AssertionFailure() << "'" << p << "' not found after offset " << at << " in:\n"
                                           << raw;
    at = found + p.size();
  }
  return ::testing::AssertionSuccess();
}

class PrintToPdf : public StockEnquiryScenario {
 protected:
  // Clicks a print button, types copies and range into the dialog and answers 打印.
  json print(const std::string& window, const std::string& button, const std::string& copies = "1",
             const std::string& range = "") {
    sc.click(window, button);
    sc.type("w_dw_print_options", "sle_1", copies);
    sc.type("w_dw_print_options", "sle_2", range);
    return sc.click("w_dw_print_options", "cb_1");
  }
  std::string printed_file(const json& state) {
    EXPECT_EQ(state["printed"].size(), 1u) << state.dump();
    if (state["printed"].size() != 1) return {};
    std::string file = state["printed"][0]["file"].get<std::string>();
    EXPECT_TRUE(fs::exists(file)) << file;
    return file;
  }
  json search(const std::string& window, const std::string& text, const char* popup = nullptr) {
    sc.type(window, "sle_1", text);
    json s = sc.key(window, "sle_1", "enter");
    if (popup) {
      sc.type("w_bj704_002", "sle_1", popup);
      s = sc.key("w_bj704_002", "sle_1", "enter");
    }
    return s;
  }
  // Stocktaking rows: company 01 on 2026-12-01 (one part missing from the parts master) and
  // 2026-11-01, company 02 on 2026-12-01.
  void stocktaking() {
    sc.database().connect()->exec_script(R"sql(
      INSERT INTO dbj032 (cgsh, drq, ckh, ckqh, ckwh, ccph, nzmsl, nspsl, ncsl, ndj, crym, lpfbs)
        VALUES ('01', '2026-12-01 00:00:00', '01', 'A1', 'A1-05', 'JL01 0112', 7, 6, -1, 10.00, '', 0);
      INSERT INTO dbj032 (cgsh, drq, ckh, ckqh, ckwh, ccph, nzmsl, nspsl, ncsl, ndj, crym, lpfbs)
        VALUES ('01', '2026-12-01 00:00:00', '01', 'C1', 'C1-01', 'NO01 0001', 1, 3, 2, 4.00, '', 0);
      INSERT INTO dbj032 (cgsh, drq, ckh, ckqh, ckwh, ccph, nzmsl, nspsl, ncsl, ndj, crym, lpfbs)
        VALUES ('01', '2026-11-01 00:00:00', '01', 'A1', 'A1-02', 'JL01 0113', 1, 1, 0, 1.00, '', 0);
      INSERT INTO dbj032 (cgsh, drq, ckh, ckqh, ckwh, ccph, nzmsl, nspsl, ncsl, ndj, crym, lpfbs)
        VALUES ('02', '2026-12-01 00:00:00', '05', 'B1', 'B1-01', 'ZZ02 9999', 9, 8, -1, 3.00, '', 0);
    )sql");
  }
  // Company 01's stock becomes: warehouse 01 holds JL01 0112 (5 at 2.50) and JL02 0200 (2 at
  // 1.25), warehouse 02 holds JL01 0113 (1 at 7.00). Shown by main group, warehouse 02's part
  // sits between warehouse 01's two.
  void three_rows() {
    sc.database().connect()->exec_script(R"sql(
      DELETE FROM dbj030 WHERE cgsh = '01';
      INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl, ndj) VALUES ('01', '01', 'JL01 0112', 'A1', 'A1-05', 5, 2.50);
      INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl, ndj) VALUES ('01', '01', 'JL02 0200', 'B1', 'B1-03', 2, 1.25);
      INSERT INTO dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl, ndj) VALUES ('01', '02', 'JL01 0113', 'A1', 'A1-02', 1, 7.00);
    )sql");
  }
};

// The stock list: title, headings, rows with their formats, one subtotal per warehouse although
// the form shows warehouse 02's part between warehouse 01's, the total and the page text; after
// a search for warehouse 02 only its part prints.
TEST_P(PrintToPdf, StockListPrintsGroupsInOrderWithSubtotalsAndOnlyTheRowsShown) {
  three_rows();
  const std::string W = "w_bj704_001_001";
  sc.open(W);
  std::string file = printed_file(print(W, "cb_9"));
  std::string text = pdf_text(file);
  EXPECT_TRUE(
      in_order(text, {"库 存 清 单", "备件号", "备件名称", "计量单位", "库存数量", "可用数量", "采购单价",
                      "销售单价", "出库单价", "成本单价", "金额", "库号", "库区", "库位"}));
  EXPECT_TRUE(
      in_order(text, {"JL01 0112", "活塞",       "5.00",     "2.50",  "12.50",  "01", "A1", "A1-05",  //
                      "JL02 0200", "机油滤清器", "2.00",     "1.25",  "2.50",   "01", "B1", "B1-03",  //
                      "金额小计",  "15.00",                                                           //
                      "JL01 0113", "活塞环",     "1.00",     "7.00",  "7.00",   "02", "A1", "A1-02",  //
                      "金额小计",  "7.00",       "金额合计", "22.00", "第 1 页"}));
  EXPECT_EQ(count(text, "金额小计"), 2u);
  EXPECT_EQ(pdf_pages(file), 1);

  sc.click(W, "cb_6");
  search(W, "02", "");
  text = pdf_text(printed_file(print(W, "cb_9")));
  EXPECT_TRUE(in_order(text, {"JL01 0113", "金额小计", "7.00", "金额合计", "7.00"}));
  EXPECT_EQ(count(text, "JL01 0112"), 0u) << text;
  EXPECT_EQ(count(text, "JL02 0200"), 0u) << text;
}

// The dialog's copies and page range reach the PDF; bad values are refused, the dialog stays
// open and nothing prints.
TEST_P(PrintToPdf, CopiesAndPageRangeOfTheDialog) {
  three_rows();
  const std::string W = "w_bj704_001_001";
  sc.open(W);
  json s = print(W, "cb_9", "3");
  std::string file = printed_file(s);
  EXPECT_EQ(pdf_pages(file), 3);
  EXPECT_EQ(s["printed"][0]["pages"], 1);
  EXPECT_EQ(count(pdf_text(file), "金额合计"), 3u);

  struct Bad {
    const char* copies;
    const char* range;
    const char* message;
  };
  for (const Bad& b :
       {Bad{"0", "", "份数不正确，请重新输入!"}, Bad{"x", "", "份数不正确，请重新输入!"},
        Bad{"1", "2-1", "页码范围不正确，请重新输入!"}, Bad{"1", "a", "页码范围不正确，请重新输入!"}}) {
    s = print(W, "cb_9", b.copies, b.range);
    ASSERT_FALSE(s["messages"].empty()) << b.copies << " " << b.range;
    EXPECT_EQ(s["messages"][0]["text"], b.message);
    EXPECT_TRUE(s["printed"].empty());
    EXPECT_EQ(sc.window("w_dw_print_options")["modal"], true);
    sc.click("w_dw_print_options", "cb_2");
  }
}

// Labels: the barcodes of a rendered page, read by zbarimg, find their parts in the stock
// enquiry's part-number search.
TEST_P(PrintToPdf, LabelBarcodesFindTheirPartsInThePartNumberSearch) {
  const std::string W = "w_bj704_001_001";
  sc.open(W);
  sc.click(W, "cb_2");
  search(W, "活塞", "");
  std::string file = printed_file(print(W, "cb_11"));
  std::string text = pdf_text(file);
  EXPECT_TRUE(in_order(text, {"活塞", "活塞"})) << text;
  EXPECT_TRUE(in_order(text, {"备件号：JL01 0112", "库号：01", "库区：A1", "库位：A1-05"})) << text;

  std::string png = (fs::path(file).parent_path() / "labels").string();
  run("pdftoppm -r 200 -gray -f 1 -l 1 -png '" + file + "' '" + png + "'");
  std::string codes = run("zbarimg --quiet --raw '" + png + "-1.png' 2>/dev/null");
  // zbar reports a code found twice in one picture once (two labels of the piston).
  std::vector<std::string> read = text::split(codes, '\n');
  std::erase(read, "");
  std::sort(read.begin(), read.end());
  ASSERT_EQ(read, (std::vector<std::string>{"JL01 0112", "JL01 0113"})) << codes;

  // A hand scanner types the code and Enter into the part-number search (matching whole
  // part numbers).
  sc.click(W, "cb_1");
  sc.click(W, "rb_3");
  for (const auto& code : read) {
    search(W, code);
    auto parts = sc.column(W, "dw_edit", "dbj030_ccph");
    ASSERT_FALSE(parts.empty()) << code;
    EXPECT_EQ(text::trim(parts[0]), code);
  }
}

// The stocktaking reports: one company and one day only, parts missing from the master kept,
// texts t_1 and t_2, the page text.
TEST_P(PrintToPdf, StocktakingReportsShowOneCompanyAndDayOnly) {
  stocktaking();
  db::Transaction sqlca;
  ASSERT_EQ(sqlca.connect(sc.database().target()), 0) << sqlca.sqlerrtext;
  test::TempFolder folder;
  fs::path dir = folder.path();

  for (const char* report : {"r_bj606_001", "r_bj600_001", "r_bj600_002"}) {
    SCOPED_TRACE(report);
    grid::Grid g;
    g.set_dataobject(report);
    g.settransobject(sqlca);
    ASSERT_EQ(g.retrieve({db::Value("01"), db::Value("2026/12/01")}), 2) << sqlca.sqlerrtext;
    g.print_settings().set_text("t_1", "张三");
    g.print_settings().set_text("t_2", "一号店");
    std::string file = (dir / (std::string(report) + ".pdf")).string();
    ASSERT_EQ(lib::print_pdf(g, g.print_settings(), file), 1);
    std::string text = pdf_text(file);
    EXPECT_EQ(count(text, "NO01 0001"), 1u) << text;  // no part record: kept
    EXPECT_EQ(count(text, "JL01 0112"), 1u);
    EXPECT_EQ(count(text, "ZZ02 9999"), 0u);  // company 02's
    EXPECT_EQ(count(text, "JL01 0113"), 0u);  // another day's
    EXPECT_EQ(count(text, "第 1 页"), 1u);
    if (std::string(report) == "r_bj606_001") {
      EXPECT_TRUE(in_order(text, {"备件盘盈(亏)表", "公司：01", "盘点日期：2026/12/01", "帐面数量",
                                  "实盘数量", "盈亏数", "金额", "JL01 0112", "-1.00", "10.00", "-10.00",
                                  "NO01 0001", "2.00", "4.00", "8.00"}));
    } else {
      EXPECT_TRUE(in_order(text, {"盘点清单", "公司：一号店", "盘点日期：2026/12/01", "库号", "产品号",
                                  "实盘数量", "清点人：张三"}));
      EXPECT_EQ(count(text, "库存数量"), std::string(report) == "r_bj600_001" ? 1u : 0u) << text;
    }
  }
}

// The 报表 window: a bad date refused, the preview of the chosen report for the session's
// company and the day typed, printing through the dialog.
TEST_P(PrintToPdf, ReportsWindowPreviewsAndPrintsTheCompanysStocktaking) {
  stocktaking();
  const std::string R = "w_reports";
  sc.open(R);
  sc.type(R, "sle_1", "2026/13/01");
  json s = sc.click(R, "cb_1");
  ASSERT_FALSE(s["messages"].empty());
  EXPECT_EQ(s["messages"][0]["text"], "盘点日期不正确，请重新输入!");
  EXPECT_TRUE(sc.control(R, "p_1")["picture"].is_null());

  sc.type(R, "sle_1", "2026-11-02");
  s = sc.click(R, "cb_1");
  ASSERT_FALSE(s["messages"].empty());
  EXPECT_EQ(s["messages"][0]["text"], "无满足条件的记录!");

  sc.type(R, "sle_1", "2026-12-01");
  sc.click(R, "rb_3");
  sc.type(R, "sle_2", "张三");
  sc.click(R, "cb_1");
  EXPECT_EQ(sc.text(R, "sle_1"), "2026/12/01");
  EXPECT_EQ(sc.text(R, "st_4"), "共 2 行，1 页；预览第 1 页");
  EXPECT_TRUE(sc.control(R, "p_1")["picture"].get<std::string>().starts_with("data:image/png;base64,"));

  sc.click(R, "cb_2");
  std::string file = printed_file(sc.click("w_dw_print_options", "cb_1"));
  EXPECT_TRUE(file.ends_with("r_bj606_001.pdf")) << file;
  std::string text = pdf_text(file);
  EXPECT_TRUE(in_order(text, {"备件盘盈(亏)表", "公司：01", "JL01 0112", "NO01 0001", "第 1 页"}));
  EXPECT_EQ(count(text, "ZZ02 9999"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Backends, PrintToPdf, testing::ValuesIn(backends()), backend_name_of);

// ---- Without a database ----

// A d_bj704_004 grid holding `rows` rows of warehouse 01, part numbers P0001... in order.
std::unique_ptr<grid::Grid> stock_list(long rows) {
  auto g = std::make_unique<grid::Grid>();
  g->set_dataobject("d_bj704_004");
  for (long r = 1; r <= rows; ++r) {
    g->insertrow(0);
    char part[16];
    std::snprintf(part, sizeof part, "P%04ld", r);
    g->setitem(r, "dbj030_ccph", db::Value(std::string(part)));
    g->setitem(r, "dbj002_ccpmc", db::Value(std::string("备件") + part));
    g->setitem(r, "dbj030_ckh", db::Value(std::string("01")));
    g->setitem(r, "dbj030_nkcsl", db::Value(db::Decimal::parse("1").value()));
    g->setitem(r, "compute_0022", db::Value(db::Decimal::parse("1000.5").value()));
  }
  return g;
}

// A long list breaks into pages each carrying the title and headings, every row printed once
// and whole, numbered pages; a page range prints only its pages.
TEST(PrintPages, LongListsBreakBetweenRowsWithHeadingsOnEveryPage) {
  auto g = stock_list(130);
  test::TempFolder folder;
  fs::path dir = folder.path();
  std::string file = (dir / "list.pdf").string();
  int pages = lib::print_pdf(*g, {}, file);
  ASSERT_GE(pages, 3);
  EXPECT_EQ(pdf_pages(file), pages);
  std::string all;
  for (int p = 1; p <= pages; ++p) {
    std::string text = pdf_text(file, p);
    EXPECT_EQ(count(text, "库 存 清 单"), 1u) << "page " << p;
    EXPECT_EQ(count(text, "备件名称"), 1u) << "page " << p;
    EXPECT_EQ(count(text, "第 " + std::to_string(p) + " 页"), 1u) << "page " << p;
    all += text;
  }
  for (long r = 1; r <= 130; ++r) {
    char part[16];
    std::snprintf(part, sizeof part, "P%04ld", r);
    EXPECT_EQ(count(all, std::string(part) + "备件" + part), 1u) << part;
  }
  EXPECT_TRUE(in_order(all, {"P0001", "P0130", "金额小计", "130065.00", "金额合计", "130065.00"}));

  grid::PrintSettings two;
  two.page_range = "2";
  lib::print_pdf(*g, two, file);
  EXPECT_EQ(pdf_pages(file), 1);
  std::string text = pdf_text(file);
  EXPECT_EQ(count(text, "第 2 页"), 1u);
  EXPECT_EQ(count(text, "P0001备件"), 0u);

  two.page_range = "99";
  EXPECT_THROW(lib::print_pdf(*g, two, file), std::runtime_error);
}

TEST(PrintPages, PageRanges) {
  struct Case {
    const char* range;
    int pages;
    std::optional<std::vector<int>> expected;
  };
  const Case cases[] = {
      {"", 3, std::vector<int>{1, 2, 3}},
      {"2", 3, std::vector<int>{2}},
      {"1-2,3", 5, std::vector<int>{1, 2, 3}},
      {" 3 , 1-2 ", 5, std::vector<int>{1, 2, 3}},
      {"2-", 4, std::vector<int>{2, 3, 4}},
      {"4-9", 5, std::vector<int>{4, 5}},
      {"7", 3, std::vector<int>{}},
      {"2-1", 3, std::nullopt},
      {"0", 3, std::nullopt},
      {"-2", 3, std::nullopt},
      {"1,,2", 3, std::nullopt},
      {"x", 3, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(grid::parse_page_range(c.range, c.pages), c.expected) << c.range;
}

TEST(PrintPages, LabelSheetSettings) {
  lib::LabelSheet s = lib::LabelSheet::parse("");
  EXPECT_EQ(s.columns, 2);
  EXPECT_EQ(s.rows, 5);
  s = lib::LabelSheet::parse(
      "label_width=70, label_height=37, columns=3, rows=8, margin_left=0, margin_top=0");
  EXPECT_EQ(s.columns, 3);
  EXPECT_DOUBLE_EQ(s.label_width, 70);
  for (const char* bad : {"columns=0", "columns=2.5", "size=3", "label_width=abc", "label_width=150",
                          "rows=6", "label_height=10", "columns"})
    EXPECT_THROW(lib::LabelSheet::parse(bad), std::invalid_argument) << bad;
}

}  // namespace
}  // namespace sparestock::test
