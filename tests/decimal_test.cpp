// Exact decimals: parsing, rounding and arithmetic on money and quantities.

#include <gtest/gtest.h>

#include "host/db/decimal.h"
#include "host/db/value.h"

using sparestock::db::DateTime;
using sparestock::db::Decimal;
using sparestock::db::Value;

namespace {

std::string parsed(const char* text) {
  auto d = Decimal::parse(text);
  return d ? d->to_string() : "invalid";
}

TEST(DecimalTest, Parse) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      // plain forms
      {"0", "0"},
      {"12.50", "12.50"},
      {"-0.50", "-0.50"},
      {"+3", "3"},
      {" 7 ", "7"},
      {".5", "0.5"},
      {"5.", "5"},
      {"0.00000001", "0.00000001"},
      // refused
      {"", "invalid"},
      {"-", "invalid"},
      {"1e3", "invalid"},
      {"1.2.3", "invalid"},
      {"12,50", "invalid"},
      {"0.000000001", "invalid"},
      {"99999999999999999999", "invalid"},
  };
  for (const auto& c : cases) EXPECT_EQ(parsed(c.in), c.out) << c.in;
}

TEST(DecimalTest, FromDoubleUsesTheShortestMeaning) {
  struct Case {
    double in;
    int scale;
    const char* out;
  } cases[] = {
      {0.1, 2, "0.10"},     {2.675, 2, "2.68"},  // 2.675 is 2.67499999... as a double
      {-2.675, 2, "-2.68"}, {1.005, 2, "1.01"},     {123456789.12, 2, "123456789.12"},
      {0.125, 2, "0.13"},   {-0.125, 2, "-0.13"},   {1e-9, 2, "0.00"},
      {12.0, 0, "12"},      {0.1 + 0.2, 2, "0.30"},
  };
  for (const auto& c : cases) EXPECT_EQ(Decimal::from_double(c.in, c.scale)->to_string(), c.out) << c.in;
  EXPECT_FALSE(Decimal::from_double(1e300, 2));
  EXPECT_FALSE(Decimal::from_double(std::numeric_limits<double>::quiet_NaN(), 2));
}

TEST(DecimalTest, RescaleRoundsHalfAwayFromZero) {
  EXPECT_EQ(Decimal(12345, 3).rescale(2).to_string(), "12.35");
  EXPECT_EQ(Decimal(-12345, 3).rescale(2).to_string(), "-12.35");
  EXPECT_EQ(Decimal(12344, 3).rescale(2).to_string(), "12.34");
  EXPECT_EQ(Decimal(5, 1).rescale(0).to_string(), "1");
  EXPECT_EQ(Decimal(125, 2).rescale(4).to_string(), "1.2500");
}

TEST(DecimalTest, Arithmetic) {
  Decimal price = *Decimal::parse("12.35"), qty = *Decimal::parse("3.00");
  EXPECT_EQ((price * qty).to_string(), "37.0500");  // scales add
  EXPECT_EQ((price + *Decimal::parse("0.005")).to_string(), "12.355");
  EXPECT_EQ((price - qty).to_string(), "9.35");
  EXPECT_EQ((-price).to_string(), "-12.35");
  EXPECT_EQ(Decimal::divide(*Decimal::parse("10"), *Decimal::parse("3"), 2).to_string(), "3.33");
  EXPECT_EQ(Decimal::divide(*Decimal::parse("-2"), *Decimal::parse("3"), 2).to_string(), "-0.67");
  EXPECT_THROW(Decimal::divide(price, Decimal(0, 2), 2), std::domain_error);
  EXPECT_THROW(Decimal(INT64_MAX, 0) + Decimal(1, 0), std::overflow_error);
  // A sum of many cents stays exact where doubles drift.
  Decimal sum(0, 2);
  for (int i = 0; i < 1000; ++i) sum = sum + *Decimal::parse("0.10");
  EXPECT_EQ(sum.to_string(), "100.00");
}

TEST(DecimalTest, ComparesByValueAcrossScales) {
  EXPECT_EQ(Decimal(15, 1), Decimal(150, 2));
  EXPECT_LT(Decimal(-1, 2), Decimal(0, 0));
  EXPECT_GT(Decimal(1, 8), Decimal(0, 2));
}

TEST(DateTimeTest, ParseAndFormat) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"2026-12-08", "2026-12-08 00:00:00"},
      {"2026/12/08", "2026-12-08 00:00:00"},
      {"2026-12-08 10:05:09", "2026-12-08 10:05:09"},
      {"2026-12-08T10:05:09.123", "2026-12-08 10:05:09"},
      {"2024-02-29", "2024-02-29 00:00:00"},
      {"1969-12-31 23:59:59", "1969-12-31 23:59:59"},
      {"2026-02-29", "invalid"},
      {"2026-13-01", "invalid"},
      {"2026-12-8", "invalid"},
      {"2026-12-08 25:00:00", "invalid"},
      {"2026-12-08x", "invalid"},
      {"", "invalid"},
  };
  for (const auto& c : cases) {
    auto dt = DateTime::parse(c.in);
    EXPECT_EQ(dt ? dt->iso() : "invalid", c.out) << c.in;
  }
}

TEST(DateTimeTest, CalendarDays) {
  auto late = *DateTime::parse("2026-01-01 23:59:00");
  auto early = *DateTime::parse("2026-01-02 00:01:00");
  EXPECT_EQ(late.days_until(early), 1);  // calendar days, not 24-hour spans
  EXPECT_EQ(DateTime::parse("2025-12-08")->days_until(*DateTime::parse("2026-12-08")), 365);
  EXPECT_EQ(DateTime::parse("1969-12-31 10:00:00")->date().iso(), "1969-12-31 00:00:00");
  EXPECT_EQ(late.year(), 2026);
  EXPECT_EQ(late.month(), 1);
}

TEST(ValueTest, Conversions) {
  EXPECT_EQ(Value("12.5").as_decimal(2)->to_string(), "12.50");
  EXPECT_FALSE(Value("abc").as_decimal(2));
  EXPECT_FALSE(Value().as_decimal(2));
  EXPECT_EQ(Value(int64_t{3}).as_decimal(2)->to_string(), "3.00");
  EXPECT_EQ(Value(Decimal(1250, 2)).as_text(), "12.50");
  EXPECT_EQ(Value().as_text(), "");
  EXPECT_EQ(Value(*DateTime::parse("2026-12-08")).as_text(), "2026-12-08 00:00:00");
  EXPECT_EQ(*Value("7").as_integer(), 7);
}

}  // namespace
