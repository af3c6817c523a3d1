// The query-condition form's expressions: values become safe literals checked against their
// column, every built expression is one the grid accepts, columns offered by heading.

#include <gtest/gtest.h>

#include "host/grid/grid.h"
#include "host/lib/w_cx.h"

namespace sparestock::lib {
namespace {

grid::ColumnDef column(const char* name, grid::GridType type, std::string heading = "标题") {
  grid::ColumnDef c;
  c.name = name;
  c.type = type;
  c.length = 20;
  c.scale = 2;
  c.heading = std::move(heading);
  return c;
}

TEST(QueryCondition, ValuesBecomeSafeLiteralsAndAreCheckedAgainstTheColumn) {
  using T = grid::GridType;
  struct Case {
    grid::ColumnDef col;
    const char* op;
    const char* value;
    const char* expression;
    const char* error;
  } cases[] = {
      {column("ccph", T::Char), "等于", " JL01 ", "ccph = 'JL01'", ""},
      {column("ccph", T::Char), "等于", "QT'1", "ccph = 'QT~'1'", ""},
      {column("ccph", T::Char), "不等于", "a~'b", "ccph <> 'a~~~'b'", ""},
      {column("ccph", T::Char), "匹配", "JL%", "ccph like 'JL%'", ""},
      {column("ccph", T::Char), "包含", "0'1", "pos(ccph, '0~'1') > 0", ""},
      {column("ccph", T::Char), "等于", "", "(isnull(ccph) or ccph = '')", ""},
      {column("ccph", T::Char), "不等于", " ", "(not isnull(ccph) and ccph <> '')", ""},
      {column("ccph", T::Char, "备件号"), "大于", "", "", "请输入“备件号”的值!"},
      {column("ccph", T::Char), "between", "a", "", "请选择运算符!"},
      {column("nkcsl", T::Decimal), "大于等于", "5", "nkcsl >= 5", ""},
      {column("nkcsl", T::Decimal), "小于", "-1.50", "nkcsl < -1.50", ""},
      {column("nkcsl", T::Decimal, "库存数量"), "等于", "5 or 1=1", "", "“库存数量”是数值列，请输入数字!"},
      {column("nkcsl", T::Decimal, "库存数量"), "匹配", "5%", "", "“库存数量”是数值列，不能使用 匹配!"},
      {column("ncbgx", T::Long), "等于", "", "isnull(ncbgx)", ""},
      {column("dzhckrq", T::DateTime), "等于", "2026-12-08", "date(dzhckrq) = date('2026-12-08')", ""},
      {column("dzhckrq", T::DateTime), "大于", "2026-12-08 10:30:00",
       "dzhckrq > datetime('2026-12-08 10:30:00')", ""},
      {column("dzhckrq", T::DateTime, "日期"), "等于", "2026-13-01", "",
       "“日期”是日期列，请输入日期，如 2026-12-08!"},
  };
  for (const auto& c : cases) {
    auto r = build_condition(c.col, c.op, c.value);
    EXPECT_EQ(r.expression, c.expression) << c.op << " " << c.value;
    EXPECT_EQ(r.error, c.error) << c.op << " " << c.value;
  }
}

TEST(QueryCondition, EveryBuiltExpressionIsAcceptedByTheGrid) {
  grid::GridDefinition def;
  def.name = "d_test";
  def.columns = {column("ccph", grid::GridType::Char, "备件号"), column("nkcsl", grid::GridType::Decimal),
                 column("dzhckrq", grid::GridType::DateTime, "日期")};
  grid::Grid g(def);
  for (const auto& col : def.columns)
    for (const auto& op : query_operators())
      for (const char* value : {"", "12", "2026-12-08", "a'~%_b"}) {
        auto r = build_condition(col, op, value);
        if (!r.error.empty()) continue;
        EXPECT_EQ(g.setfilter(r.expression), 1) << r.expression << ": " << g.last_error();
      }
}

TEST(QueryCondition, ColumnsAreOfferedByHeadingAndSharedHeadingsAreTold) {
  grid::GridDefinition def;
  def.columns = {column("dbj002_cjldw", grid::GridType::Char, "单位"), column("hidden", grid::GridType::Char),
                 column("dbj002_cjldw_1", grid::GridType::Char, "单位"),
                 column("ckh", grid::GridType::Char, "")};
  def.columns[1].visible = false;
  std::vector<std::string> texts;
  for (const auto& c : column_choices(def)) texts.push_back(c.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"单位(dbj002_cjldw)", "单位(dbj002_cjldw_1)", "ckh"}));
}

}  // namespace
}  // namespace sparestock::lib
