// The grid definitions built into the program: each present once, columns in step with their
// statements, headings and formats, and the update settings of the grids that write.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "host/base/text.h"
#include "host/grid/definition.h"
#include "host/grid/expression.h"

namespace sparestock {
namespace {

using grid::Band;
using grid::ColumnDef;
using grid::find_definition;
using grid::GridDefinition;
using grid::GridType;

const GridDefinition& def(const char* name) {
  const GridDefinition* d = find_definition(name);
  if (!d) throw std::runtime_error(std::string("no definition ") + name);
  return *d;
}

const ColumnDef* column(const GridDefinition& d, const std::string& name) {
  for (const auto& c : d.columns) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

// Items of a SELECT list: the commas at parenthesis depth 0 between SELECT [DISTINCT] and FROM.
int select_items(const std::string& statement) {
  std::string s = text::lower(statement);
  size_t from = s.find(" from ");
  if (s.rfind("select", 0) != 0 || from == std::string::npos) return -1;
  int depth = 0, items = 1;
  for (size_t i = 6; i < from; ++i) {
    if (s[i] == '(') ++depth;
    if (s[i] == ')') --depth;
    if (s[i] == ',' && depth == 0) ++items;
  }
  return items;
}

// Host variables of a statement (":gsh"), outside quoted text.
std::set<std::string> host_variables(const std::string& s) {
  std::set<std::string> out;
  bool quoted = false;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\'') quoted = !quoted;
    if (quoted || s[i] != ':') continue;
    size_t j = i + 1;
    while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '_')) ++j;
    out.insert(s.substr(i + 1, j - i - 1));
    i = j - 1;
  }
  return out;
}

TEST(GridDefinitions, EveryDefinitionIsPresentOnce) {
  const std::vector<std::string> expected = {"d_bj704_002", "d_bj704_0021", "d_bj704_004", "d_bj704_001",
                                             "d_bjbq",      "d_bj701_001",  "d_bj701_002", "d_bj701_003",
                                             "d_bj703_002", "d_bj902_002",  "d_bj902_004", "d_bjcx_001",
                                             "r_bj600_001", "r_bj600_002",  "r_bj606_001"};
  std::vector<std::string> names;
  // The host's own definition (voucher lines) is installed beside the module's.
  for (const auto& d : grid::all_definitions())
    if (d.name != "d_yfscpz") names.push_back(d.name);
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
            std::set<std::string>(expected.begin(), expected.end()));
  EXPECT_EQ(names.size(), expected.size());
  for (const auto& n : expected) {
    const GridDefinition* d = find_definition(n);
    ASSERT_NE(d, nullptr) << n;
    EXPECT_EQ(d->name, n);
    // Built once: the same object every time.
    EXPECT_EQ(d, find_definition(n));
  }
  EXPECT_EQ(find_definition("d_bj704_003"), nullptr);
  EXPECT_EQ(find_definition(""), nullptr);
}

TEST(GridDefinitions, ColumnsMatchTheirStatements) {
  struct {
    const char* name;
    size_t columns;
  } rows[] = {
      {"d_bj704_002", 23}, {"d_bj704_0021", 22}, {"d_bj704_004", 23}, {"d_bj704_001", 12},
      {"d_bjbq", 24},      {"d_bj701_001", 7},   {"d_bj701_002", 7},  {"d_bj701_003", 4},
      {"d_bj703_002", 11}, {"d_bj902_002", 14},  {"d_bj902_004", 13}, {"d_bjcx_001", 4},
      {"r_bj600_001", 10}, {"r_bj600_002", 10},  {"r_bj606_001", 14},
  };
  for (const auto& r : rows) {
    const GridDefinition& d = def(r.name);
    SCOPED_TRACE(r.name);
    EXPECT_EQ(d.columns.size(), r.columns);
    if (text::iequals(std::string_view(d.statement).substr(0, 6), "select")) {
      EXPECT_EQ(select_items(d.statement), static_cast<int>(r.columns));
    }
    std::set<std::string> names;
    for (const auto& c : d.columns) {
      EXPECT_TRUE(names.insert(c.name).second) << "duplicate column " << c.name;
      EXPECT_FALSE(c.format.empty()) << c.name;
      if (c.type == GridType::Char) {
        EXPECT_GT(c.length, 0) << c.name;
      }
      // A column without a heading is one that is not shown under a heading of its own.
      if (!c.visible) {
        EXPECT_TRUE(c.heading.empty()) << c.name;
      }
    }
    // Retrieval arguments are exactly the statement's host variables.
    std::set<std::string> args;
    for (const auto& a : d.arguments) args.insert(a.name);
    EXPECT_EQ(args, host_variables(d.statement));
  }
}

TEST(GridDefinitions, StockListColumns) {
  const GridDefinition& d = def("d_bj704_002");
  struct {
    const char* name;
    GridType type;
    int size;  // length or scale
    const char* heading;
    bool visible;
  } rows[] = {
      {"dbj030_ccph", GridType::Char, 20, "备件号", true},
      {"dbj002_ccpmc", GridType::Char, 30, "备件名称", true},
      {"dbj002_cjldw", GridType::Char, 4, "计量单位", true},
      {"dbj030_ckh", GridType::Char, 2, "库号", true},
      {"dbj030_nkcsl", GridType::Decimal, 2, "库存数量", true},
      {"nkykc", GridType::Decimal, 2, "可用数量", true},
      {"dbj002_nckdj", GridType::Decimal, 2, "出库价", true},
      {"dbj002_nwxdj", GridType::Decimal, 2, "销售价", true},
      {"dbj030_ndj", GridType::Decimal, 2, "成本单价", true},
      {"dbj002_ncgdj", GridType::Decimal, 2, "采购价", true},
      {"dbj002_ncbgx", GridType::Long, 0, "储备高限", true},
      {"dbj002_ncbdx", GridType::Long, 0, "储备低限", true},
      {"dbj002_ccjh", GridType::Char, 18, "厂家编号", true},
      {"dbj002_ccxh", GridType::Char, 2, "", false},
      {"dbj002_cpym", GridType::Char, 12, "", false},
      {"dbj002_lcyjbs", GridType::Number, 0, "", false},
      {"dbj002_cflh", GridType::Char, 3, "分类号", true},
      {"dbj030_ckqh", GridType::Char, 2, "库区号", true},
      {"dbj030_ckwh", GridType::Char, 10, "库位号", true},
      {"dbj002_cjldw_1", GridType::Char, 4, "", false},
      {"dbj030_ndj_1", GridType::Decimal, 2, "", false},
      {"compute_0022", GridType::Decimal, 2, "", false},
      {"dbj030_njcsl", GridType::Decimal, 4, "", false},
  };
  ASSERT_EQ(d.columns.size(), std::size(rows));
  for (size_t i = 0; i < d.columns.size(); ++i) {
    const ColumnDef& c = d.columns[i];
    SCOPED_TRACE(rows[i].name);
    EXPECT_EQ(c.name, rows[i].name);
    EXPECT_EQ(c.type, rows[i].type);
    EXPECT_EQ(c.type == GridType::Char ? c.length : c.scale, rows[i].size);
    EXPECT_EQ(c.heading, rows[i].heading);
    EXPECT_EQ(c.visible, rows[i].visible);
    EXPECT_EQ(c.format, c.type == GridType::Decimal ? "##,###,###,##0.00" : "[general]");
  }
  ASSERT_EQ(d.computed.size(), 1u);
  EXPECT_EQ(d.computed[0].heading, "金额");
  EXPECT_EQ(d.computed[0].expression, "dbj030_nkcsl * dbj030_ndj");
  EXPECT_EQ(d.computed[0].format, "0.00");
  std::vector<std::pair<std::string, std::string>> summary;
  for (const auto& b : d.band_items) {
    EXPECT_EQ(b.band, Band::Summary);
    summary.emplace_back(b.label, b.expression);
  }
  EXPECT_EQ(summary, (std::vector<std::pair<std::string, std::string>>{
                         {"品种合计", "count(  dbj030_ccph  for all distinct  gsh , dbj030_ccph  )"},
                         {"库存成本金额合计", "sum((dbj030_nkcsl )* dbj030_ndj )"},
                         {"库存数量合计", "sum(dbj030_nkcsl for all)"},
                         {"可用数量合计", "sum(nkykc for all)"},
                         {"库存采购价合计", "sum(dbj030_nkcsl * dbj002_ncgdj )"},
                     }));
  EXPECT_EQ(d.sort, "dbj030_ckh A, mid(dbj030_ccph,5,4) A");
}

// The zero-stock list and the printed list show rows of the stock list's shape.
TEST(GridDefinitions, StockListRelatives) {
  const GridDefinition& stock = def("d_bj704_002");
  const GridDefinition& zero = def("d_bj704_0021");
  const GridDefinition& printed = def("d_bj704_004");
  for (size_t i = 0; i < stock.columns.size(); ++i) {
    EXPECT_EQ(printed.columns[i].name, stock.columns[i].name);
    EXPECT_EQ(printed.columns[i].type, stock.columns[i].type);
    EXPECT_EQ(printed.columns[i].length, stock.columns[i].length);
    EXPECT_EQ(printed.columns[i].scale, stock.columns[i].scale);
    if (i < 21) {
      EXPECT_EQ(zero.columns[i].name, stock.columns[i].name);
    }
  }
  EXPECT_EQ(zero.columns.back().name, "compute_0022");
  EXPECT_NE(zero.statement.find("dbj030.ndj*dbj030.nkcsl FROM"), std::string::npos);
  EXPECT_NE(zero.statement.find("(dbj030.nkcsl=0 and "), std::string::npos);
  ASSERT_EQ(zero.band_items.size(), 1u);
  EXPECT_EQ(zero.band_items[0].label, "品种合计");
  EXPECT_TRUE(printed.arguments.empty());
  EXPECT_EQ(printed.title, "库 存 清 单");
  EXPECT_EQ(column(printed, "compute_0022")->heading, "金额");
  EXPECT_EQ(column(printed, "dbj002_ncgdj")->heading, "采购单价");
  EXPECT_FALSE(column(printed, "dbj002_ccjh")->visible);
  ASSERT_EQ(printed.groups.size(), 1u);
  EXPECT_EQ(printed.groups[0].by, std::vector<std::string>{"dbj030_ckh"});
  EXPECT_EQ(printed.band_items[0].band, Band::Group);
  EXPECT_EQ(printed.band_items[0].expression, "sum(compute_0022 for group 1)");
  EXPECT_EQ(printed.band_items[1].expression, "sum(compute_0022 for all)");
}

TEST(GridDefinitions, HeadingsAndFormats) {
  struct {
    const char* grid;
    const char* column;
    const char* heading;
    const char* format;
  } rows[] = {
      {"d_bj704_001", "nbqck1", "一月", "[general]"},
      {"d_bj704_001", "nbqck12", "十二月", "[general]"},
      {"d_bj701_001", "nsdsl", "锁定数量", "#,###,###,##0.00"},
      {"d_bj701_002", "nkcsl", "库存数量", "##,###,###,##0.00"},
      {"d_bj701_003", "ccph", "产品号", "[general]"},
      {"d_bj703_002", "ndzts", "呆滞天数", "[general]"},
      {"d_bj703_002", "dzhckrq", "最后出库日期", "yyyy/mm/dd"},
      {"d_bj902_002", "nxcbdj", "更新单价", "###,###,###.00"},
      {"d_bj902_002", "v_bj902_001_nkykc", "可用数量", "##,###,###,##0.00"},
      {"d_bj902_004", "drq", "Drq", "[shortdate] [time]"},
      {"d_bj902_004", "nsxh1", "Nsxh1", "[general]"},
      {"d_bjcx_001", "nsl", "可用库存", "[general]"},
      {"r_bj600_001", "dbj032_nzmsl", "库存数量", "##,###,###,##0.00"},
      {"r_bj600_001", "dbj032_drq", "", "yyyy/mm/dd"},
      {"r_bj606_001", "dbj002_cjldw", "计量\n单位", "[general]"},
      {"r_bj606_001", "dbj032_ncsl", "盈亏数", "##,###,###,##0.00"},
  };
  for (const auto& r : rows) {
    const ColumnDef* c = column(def(r.grid), r.column);
    ASSERT_NE(c, nullptr) << r.grid << "." << r.column;
    EXPECT_EQ(c->heading, r.heading) << r.grid << "." << r.column;
    EXPECT_EQ(c->format, r.format) << r.grid << "." << r.column;
  }
  // The counting sheet does not print the book quantity.
  EXPECT_FALSE(column(def("r_bj600_002"), "dbj032_nzmsl")->visible);
  EXPECT_TRUE(column(def("r_bj600_001"), "dbj032_nzmsl")->visible);
  // The common-part column of the alarm grid shows text.
  const ColumnDef* common = column(def("d_bj703_002"), "lcyjbs");
  EXPECT_EQ(common->code_table, (std::vector<std::pair<std::string, std::string>>{{"1", "常用"}, {"0", ""}}));
}

TEST(GridDefinitions, StandingFilterSortsAndArguments) {
  EXPECT_EQ(def("d_bj703_002").filter, " ncbgx <> 0 or  ncbdx <> 0");
  EXPECT_EQ(def("d_bj703_002").arguments[1].type, GridType::Number);
  for (const auto& d : grid::all_definitions()) {
    if (d.name != "d_bj703_002") {
      EXPECT_TRUE(d.filter.empty()) << d.name;
    }
  }
  EXPECT_EQ(def("r_bj606_001").sort, "dbj032_ckh A, dbj032_ckqh A, dbj032_ckwh A");
  EXPECT_EQ(def("r_bj600_002").sort, "dbj032_ckh A, dbj032_ckqh A, dbj032_ckwh A, dbj032_ccph A");
  EXPECT_EQ(def("d_bj704_001").statement, "execute dbo.sp_kc;1 @gsh = :gsh, @cph = :cph, @ny = :ny");
  EXPECT_EQ(def("d_bjbq").across, 2);
  EXPECT_EQ(def("r_bj600_002").statement.rfind("SELECT distinct ", 0), 0u);
}

TEST(GridDefinitions, OnlyTheAdjustmentAndLogGridsWrite) {
  for (const auto& d : grid::all_definitions()) {
    SCOPED_TRACE(d.name);
    std::vector<std::string> keys, updatable;
    for (const auto& c : d.columns) {
      if (c.key) keys.push_back(c.name);
      if (c.updatable) updatable.push_back(c.name);
      if (c.updatable || c.key) {
        EXPECT_EQ(c.db_name, c.name);
      }
      if (c.identity) {
        EXPECT_TRUE(c.key && !c.updatable);
      }
    }
    if (d.name == "d_bj701_001" || d.name == "d_bj701_002") {
      EXPECT_EQ(d.update_table, "dbj030");
      EXPECT_EQ(keys, (std::vector<std::string>{"cgsh", "ckh", "ccph"}));
      EXPECT_EQ(updatable.size(), 7u);
    } else if (d.name == "d_bj902_004") {
      EXPECT_EQ(d.update_table, "dbj060");
      EXPECT_EQ(keys, std::vector<std::string>{"nsxh"});
      EXPECT_TRUE(column(d, "nsxh")->identity);
      EXPECT_EQ(updatable.size(), 12u);
    } else if (d.name == "d_bjcx_001") {
      EXPECT_TRUE(d.update_table.empty());
      EXPECT_EQ(keys, (std::vector<std::string>{"cgsh", "ckh", "ccph"}));
      EXPECT_TRUE(updatable.empty());
    } else {
      EXPECT_TRUE(d.update_table.empty());
      EXPECT_TRUE(keys.empty());
      EXPECT_TRUE(updatable.empty());
    }
  }
}

// Sorts, standing filters, computed fields and band values are in the grid expression language.
TEST(GridDefinitions, ExpressionsParse) {
  for (const auto& d : grid::all_definitions()) {
    SCOPED_TRACE(d.name);
    if (!d.sort.empty()) {
      auto sort = grid::parse_sort(d.sort);
      EXPECT_TRUE(sort.ok()) << d.sort << ": " << sort.error;
    }
    if (!d.filter.empty()) {
      auto filter = grid::parse_expression(d.filter);
      EXPECT_TRUE(filter.ok()) << d.filter << ": " << filter.error;
    }
    for (const auto& c : d.computed) {
      auto e = grid::parse_expression(c.expression);
      EXPECT_TRUE(e.ok()) << c.expression << ": " << e.error;
    }
    for (const auto& b : d.band_items) {
      if (b.expression.empty()) continue;
      auto e = grid::parse_expression(b.expression);
      EXPECT_TRUE(e.ok()) << b.expression << ": " << e.error;
    }
    for (const auto& g : d.groups) {
      for (const auto& by : g.by) EXPECT_TRUE(grid::parse_expression(by).ok()) << by;
    }
  }
}

}  // namespace
}  // namespace sparestock
