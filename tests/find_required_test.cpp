// findrequired on rows held in memory: which row and column it reports, where it starts, the
// changed-rows-only search and the other buffers.

#include <gtest/gtest.h>

#include "host/db/connection.h"
#include "host/grid/grid.h"

namespace sparestock::grid {
namespace {

using db::Decimal;
using db::Value;

ColumnDef column(std::string name, GridType type, bool required) {
  ColumnDef c;
  c.name = std::move(name);
  c.type = type;
  c.length = 10;
  c.scale = 2;
  c.required = required;
  return c;
}

// Part (required), zone (not required), locked quantity (required).
class FindRequired : public testing::Test {
 protected:
  void SetUp() override {
    GridDefinition d;
    d.name = "d_test_required";
    d.columns = {column("ccph", GridType::Char, true), column("ckqh", GridType::Char, false),
                 column("nsdsl", GridType::Decimal, true)};
    grid.set_definition(d);
    db::MemoryCursor cursor(std::vector<db::ColumnInfo>(3),
                            {{Value("P1"), Value(""), Value(Decimal(100, 2))},
                             {Value("P2"), Value(nullptr), Value(nullptr)},
                             {Value("  "), Value("A1"), Value(Decimal(0, 2))},
                             {Value("P4"), Value("A1"), Value(Decimal(0, 2))}});
    ASSERT_EQ(grid.retrieve_from(cursor), 4);
  }

  // "row/colnbr/colname" of a search from `from`, or "-1" when refused.
  std::string search(long from, bool updateonly = false, Buffer buffer = Buffer::Primary) {
    long row = from;
    int colnbr = 0;
    std::string colname;
    if (grid.findrequired(buffer, row, colnbr, colname, updateonly) != 1) return "-1";
    if (row == 0) return "0";
    return std::to_string(row) + "/" + std::to_string(colnbr) + "/" + colname;
  }

  Grid grid;
};

TEST_F(FindRequired, ReportsTheFirstEmptyRequiredColumnAfterTheStartRow) {
  struct Case {
    long from;
    const char* found;
  } cases[] = {
      {0, "2/3/nsdsl"},             // a null quantity; the empty zone of row 1 is not required
      {2, "3/1/ccph"},              // blank text counts as empty
      {3, "0"},                     // nothing after row 3
      {4, "0"},         {5, "-1"},  // past the last row
      {-1, "-1"},
  };
  for (const auto& c : cases) EXPECT_EQ(search(c.from), c.found) << "from row " << c.from;
}

TEST_F(FindRequired, UpdateOnlyLooksAtChangedRowsAlone) {
  EXPECT_EQ(search(0, true), "0");
  ASSERT_EQ(grid.setitem(4, "nsdsl", Value(nullptr)), 1);
  EXPECT_EQ(search(0, true), "4/3/nsdsl");
  // A new row never filled in is not changed; once a value is typed it is searched.
  long added = grid.insertrow(0);
  EXPECT_EQ(search(4, true), "0");
  ASSERT_EQ(grid.setitem(added, "ckqh", Value("B1")), 1);
  EXPECT_EQ(search(4, true), "5/1/ccph");
}

TEST_F(FindRequired, SearchesTheBufferItIsGiven) {
  ASSERT_EQ(grid.setfilter("ccph = 'P2'"), 1);
  grid.filter();
  EXPECT_EQ(search(0), "1/3/nsdsl");
  EXPECT_EQ(search(0, false, Buffer::Filter), "2/1/ccph");
  grid.setfilter("");
  grid.filter();
  ASSERT_EQ(grid.deleterow(3), 1);
  EXPECT_EQ(search(0, false, Buffer::Delete), "1/1/ccph");
  EXPECT_EQ(search(0), "2/3/nsdsl");
}

}  // namespace
}  // namespace sparestock::grid
