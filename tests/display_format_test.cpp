// Display formats of grid columns: one line per case, grouped by kind of format.

#include <gtest/gtest.h>

#include "host/grid/display_format.h"

namespace sparestock::grid {
namespace {

db::Value dec(const char* text) { return db::Value(*db::Decimal::parse(text)); }
db::Value when(const char* text) { return db::Value(*db::DateTime::parse(text)); }

struct Case {
  db::Value value;
  const char* format;
  const char* shown;
};

void check(const std::vector<Case>& cases) {
  for (const auto& c : cases)
    EXPECT_EQ(format_display(c.value, c.format), c.shown) << c.value.to_string() << " as " << c.format;
}

TEST(DisplayFormat, AmountsGroupThousandsAndRoundToTheirPlaces) {
  check({
      {dec("1234567.5"), "##,###,###,##0.00", "1,234,567.50"},
      {dec("0"), "##,###,###,##0.00", "0.00"},
      {dec("999.995"), "##,###,###,##0.00", "1,000.00"},  // half away from zero
      {dec("-1234.5"), "##,###,###,##0.00", "-1,234.50"},
      {dec("-0.001"), "##,###,###,##0.00", "0.00"},  // no "-0.00"
      {dec("123"), "#,###,###,##0.00", "123.00"},
      {db::Value(int64_t{1234}), "##,###,###,##0.00", "1,234.00"},
      {db::Value(2.675), "##,###,###,##0.00", "2.68"},
  });
}

TEST(DisplayFormat, FormatsWithoutGroupingOrWithOptionalPlaces) {
  check({
      {dec("1234.5"), "#0.00", "1234.50"},
      {dec("1234.5"), "0.00", "1234.50"},
      {dec("1234.5"), "#########.##", "1234.5"},
      {dec("1234"), "#########.##", "1234"},  // no trailing point
      {dec("0"), "#########.##", "0"},
      {dec("0.5"), "###,###,###.00", "0.50"},  // at least one integer digit
      {dec("1234567"), "###,###,###.00", "1,234,567.00"},
      {dec("12.5"), "#,##0.00;(#,##0.00)", "12.50"},  // the first section only
  });
}

TEST(DisplayFormat, GeneralShowsValuesAsTheyAre) {
  check({
      {dec("12.50"), "[general]", "12.50"},
      {db::Value(3.0), "[general]", "3"},
      {db::Value(0.1), "", "0.1"},
      {db::Value(int64_t{-7}), "[general]", "-7"},
      {db::Value("JL01 0112"), "[general]", "JL01 0112"},
      {db::Value("text"), "##0.00", "text"},  // a number format does not apply to text
      {db::Value(), "##,###,###,##0.00", ""},
      {when("2026-12-08"), "[general]", "2026/12/08"},
      {when("2026-12-08 10:05:09"), "[general]", "2026/12/08 10:05:09"},
  });
}

TEST(DisplayFormat, DatesAndTimes) {
  check({
      {when("2026-02-03 04:05:06"), "yyyy/mm/dd", "2026/02/03"},
      {when("2026-02-03 04:05:06"), "yyyy-mm-dd", "2026-02-03"},
      {when("2026-02-03 04:05:06"), "[shortdate] [time]", "2026/02/03 04:05:06"},
      {when("2026-02-03 04:05:06"), "yy.m.d hh:mm", "26.2.3 04:05"},  // mm after an hour: minutes
  });
}

TEST(DisplayFormat, ACodeTableShowsItsTextsAndOtherValuesAsThemselves) {
  ColumnDef c{.name = "lcyjbs", .type = GridType::Number, .format = "[general]"};
  c.code_table = {{"1", "常用"}, {"0", ""}};
  EXPECT_EQ(column_display(c, db::Value(1.0)), "常用");
  EXPECT_EQ(column_display(c, db::Value(0.0)), "");
  EXPECT_EQ(column_display(c, db::Value(2.0)), "2");
  EXPECT_EQ(column_display(c, db::Value()), "");
}

}  // namespace
}  // namespace sparestock::grid
