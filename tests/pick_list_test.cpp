// The pieces of the pick lists that need no window: quoting, heading pairing, the grid built
// from the catalog, the search filter; and the screen conversion the popups centre with.

#include <gtest/gtest.h>

#include "host/db/connection.h"
#include "host/grid/grid.h"
#include "host/lib/pick_list.h"
#include "host/lib/sql_literal.h"

namespace sparestock::lib {
namespace {

TEST(SqlLiteral, QuotesAreDoubled) {
  const std::pair<const char*, const char*> cases[] = {
      {"01", "'01'"},
      {"", "''"},
      {"O'Brien", "'O''Brien'"},
      {"'", "''''"},
      {"01' or '1'='1", "'01'' or ''1''=''1'"},
      {"活塞", "'活塞'"},
      {"a\\b", "'a\\b'"},
  };
  for (auto [value, literal] : cases) EXPECT_EQ(sql_literal(value), literal) << value;
}

TEST(PickList, ExtraHeadingsFallOffTheFrontMissingOnesAtTheEnd) {
  using V = std::vector<std::string>;
  struct Case {
    V columns, headings, expected;
  } cases[] = {
      {{"ckh", "ckmc"}, {"库号", "库名称"}, {"库号", "库名称"}},
      // One heading too many: the company heading falls off the front.
      {{"cflh", "cflmc"}, {"公司号", "产品分类号", "产品分类名称"}, {"产品分类号", "产品分类名称"}},
      // Too few: they head the columns from the left, the trailing ones keep their names.
      {{"ckh", "ckqh", "ckwh", "lzt"}, {"库号", "库区", "库位"}, {"库号", "库区", "库位", "lzt"}},
      {{"ckh"}, {}, {"ckh"}},
  };
  for (const auto& c : cases) EXPECT_EQ(pair_headings(c.columns, c.headings), c.expected);
}

db::Catalog test_catalog() {
  db::Catalog c;
  c.add("dbj003", db::column_info_from_decl("cgsh", "VARCHAR(2)"));
  c.add("dbj003", db::column_info_from_decl("ckh", "VARCHAR(2)"));
  c.add("dbj003", db::column_info_from_decl("ckmc", "VARCHAR(30)"));
  c.add("dbj003", db::column_info_from_decl("ltybs", "INTEGER"));
  c.add("dbj002", db::column_info_from_decl("ccph", "VARCHAR(20)"));
  c.add("dbj002", db::column_info_from_decl("ncgdj", "NUMERIC(18,2)"));
  return c;
}

TEST(PickList, TheGridIsBuiltFromTheCatalog) {
  auto def = pick_list_definition(test_catalog(), "DBJ003", "ckh, CKMC", "库号,库名称", "ckh",
                                  "cgsh='01' and ltybs = 0");
  EXPECT_EQ(def.statement, "SELECT ckh, ckmc FROM dbj003 WHERE cgsh='01' and ltybs = 0");
  ASSERT_EQ(def.columns.size(), 2u);
  EXPECT_EQ(def.columns[1].name, "ckmc");
  EXPECT_EQ(def.columns[1].type, grid::GridType::Char);
  EXPECT_EQ(def.columns[1].length, 30);
  EXPECT_EQ(def.columns[1].heading, "库名称");

  // A return column not shown is fetched, hidden; no where clause, no WHERE.
  def = pick_list_definition(test_catalog(), "dbj002", "ncgdj", "价格", "ccph", " ");
  EXPECT_EQ(def.statement, "SELECT ncgdj, ccph FROM dbj002");
  EXPECT_EQ(def.columns[0].type, grid::GridType::Decimal);
  EXPECT_EQ(def.columns[0].scale, 2);
  EXPECT_FALSE(def.columns[1].visible);
}

TEST(PickList, OnlyCatalogNamesReachTheStatement) {
  const struct {
    const char *table, *columns, *ret, *error;
  } cases[] = {
      {"dbj999", "ckh", "ckh", "pick list: table dbj999 is not in the database"},
      {"dbj003 x; drop table dbj003", "ckh", "ckh",
       "pick list: table dbj003 x; drop table dbj003 is not in the database"},
      {"", "ckh", "ckh", "pick list: no table given"},
      {"dbj003", "", "ckh", "pick list: no columns given for dbj003"},
      {"dbj003", "ckh,(select 1)", "ckh", "pick list: table dbj003 has no column (select 1)"},
      {"dbj003", "ckh,", "ckh", "pick list: table dbj003 has no column \"\""},
      {"dbj003", "ckh,CKH", "ckh", "pick list: column ckh is listed twice"},
      {"dbj003", "ckh", "ccph", "pick list: table dbj003 has no column ccph"},
  };
  for (const auto& c : cases) try {
      pick_list_definition(test_catalog(), c.table, c.columns, "", c.ret, "");
      ADD_FAILURE() << "accepted " << c.table << " / " << c.columns;
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), c.error);
    }
}

// The rows a search leaves, of a list of parts held in memory.
class PickSearch : public testing::Test {
 protected:
  void SetUp() override {
    def = pick_list_definition(test_catalog(), "dbj002", "ccph", "", "ccph", "");
    def.columns.push_back({});
    def.columns.back().name = "ccpmc";
    def.columns.back().type = grid::GridType::Char;
    def.columns.back().length = 30;
    g.set_definition(def);
    std::vector<std::vector<db::Value>> rows;
    for (auto [part, name] : std::initializer_list<std::pair<const char*, const char*>>{{"JL01 0112", "活塞"},
                                                                                        {"jx-7", "小写"},
                                                                                        {"QT'1", "引号"},
                                                                                        {"P%1", "百分号"},
                                                                                        {"P_1", "下划线"},
                                                                                        {"T~1", "波浪号"},
                                                                                        {"AB12", "活塞销 ab"}})
      rows.push_back({db::Value(part), db::Value(name)});
    db::MemoryCursor cursor(
        {db::column_info_from_decl("ccph", "VARCHAR(20)"), db::column_info_from_decl("ccpmc", "VARCHAR(30)")},
        std::move(rows));
    ASSERT_EQ(g.retrieve_from(cursor), 7);
  }
  std::vector<std::string> found(const std::string& text) {
    EXPECT_EQ(g.setfilter(search_filter(def, text)), 1) << g.last_error();
    g.filter();
    std::vector<std::string> out;
    for (long r = 1; r <= g.rowcount(); ++r) out.push_back(*g.getitemstring(r, "ccph"));
    return out;
  }
  grid::GridDefinition def;
  grid::Grid g;
};

TEST_F(PickSearch, AnyShownColumnContainsTheTextInEitherCase) {
  using V = std::vector<std::string>;
  EXPECT_EQ(found(""), (V{"JL01 0112", "jx-7", "QT'1", "P%1", "P_1", "T~1", "AB12"}));
  EXPECT_EQ(found("  "), found(""));
  EXPECT_EQ(found("0112"), V{"JL01 0112"});
  EXPECT_EQ(found(" l01 "), V{"JL01 0112"}) << "trimmed, case folded";
  EXPECT_EQ(found("JX"), V{"jx-7"});
  EXPECT_EQ(found("活塞"), (V{"JL01 0112", "AB12"}));
  EXPECT_EQ(found("AB"), V{"AB12"}) << "the name's lower-case ab and the number's AB are one row";
  EXPECT_EQ(found("'"), V{"QT'1"});
  EXPECT_EQ(found("%"), V{"P%1"});
  EXPECT_EQ(found("_"), V{"P_1"});
  EXPECT_EQ(found("~"), V{"T~1"});
  EXPECT_EQ(found("~'"), V{});
  EXPECT_EQ(found("nothing"), V{});
}

TEST(PixelsToUnits, SeparateConversionsAcrossAndDown) {
  using ui::PixelConversion;
  const struct {
    int pixels;
    int across, down;
  } cases[] = {{0, 0, 0}, {1, 5, 4}, {7, 32, 28}, {1024, 4681, 4096}, {1280, 5851, 5120}, {800, 3657, 3200}};
  for (const auto& c : cases) {
    EXPECT_EQ(ui::pixelstounits(c.pixels, PixelConversion::XPixelsToUnits), c.across) << c.pixels;
    EXPECT_EQ(ui::pixelstounits(c.pixels, PixelConversion::YPixelsToUnits), c.down) << c.pixels;
  }
}

}  // namespace
}  // namespace sparestock::lib
