#pragma once
// One value of a column, a host variable or a grid item.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "host/db/decimal.h"

namespace sparestock::db {

// A calendar date and time of day without a time zone (the database's datetime), to the second.
struct DateTime {
  int64_t seconds = 0;  // since 1970-01-01 00:00:00

  static DateTime from_parts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
  // Accepts "2026-12-08", "2026-12-08 10:00:00", "2026-12-08T10:00:00", "2026/12/08" and
  // fractional seconds (dropped). Returns nullopt for anything else or an impossible date.
  static std::optional<DateTime> parse(std::string_view text);

  int year() const;
  int month() const;
  int day() const;
  DateTime date() const { return DateTime{seconds - ((seconds % 86400) + 86400) % 86400}; }
  // Whole days from this date to `later`'s date (calendar days, not 24-hour spans).
  int64_t days_until(const DateTime& later) const;

  std::string iso() const;       // "2026-12-08 10:00:00"
  std::string iso_date() const;  // "2026-12-08"

  friend auto operator<=>(const DateTime&, const DateTime&) = default;
};

enum class ValueKind { Null, Integer, Real, Decimal, Text, DateTime };

class Value {
 public:
  Value() = default;
  Value(std::nullptr_t) {}
  Value(int v) : v_(int64_t{v}) {}
  Value(int64_t v) : v_(v) {}
  Value(double v) : v_(v) {}
  Value(Decimal v) : v_(v) {}
  Value(std::string v) : v_(std::move(v)) {}
  Value(std::string_view v) : v_(std::string(v)) {}
  Value(const char* v) : v_(std::string(v)) {}
  Value(DateTime v) : v_(v) {}

  ValueKind kind() const { return static_cast<ValueKind>(v_.index()); }
  bool is_null() const { return kind() == ValueKind::Null; }

  // Typed access. REQUIRES: the matching kind.
  int64_t integer() const { return std::get<int64_t>(v_); }
  double real() const { return std::get<double>(v_); }
  const Decimal& decimal() const { return std::get<Decimal>(v_); }
  const std::string& text() const { return std::get<std::string>(v_); }
  const DateTime& datetime() const { return std::get<DateTime>(v_); }

  // Conversions that a host variable of another type would make; nullopt when the value is
  // null or cannot be read as the asked type (text "12.5" reads as a decimal, "abc" does not).
  std::optional<Decimal> as_decimal(int scale) const;
  std::optional<int64_t> as_integer() const;
  std::optional<double> as_real() const;
  // Text as a string variable would hold it: decimals with their places, date-times in ISO
  // form, null as the empty string.
  std::string as_text() const;

  // Diagnostic form: null, 12, 1.5, 12.50, 'text', 2026-12-08 10:00:00.
  std::string to_string() const;

  friend bool operator==(const Value& a, const Value& b);

 private:
  std::variant<std::monostate, int64_t, double, Decimal, std::string, DateTime> v_;
};

}  // namespace sparestock::db
