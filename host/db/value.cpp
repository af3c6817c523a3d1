#include "host/db/value.h"

#include <fmt/format.h>
#include <cmath>
#include <cstdio>

namespace sparestock::db {

namespace {

// Days from 1970-01-01 to y-m-d in the proleptic Gregorian calendar (Howard Hinnant's
// days_from_civil).
int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

struct Civil {
  int64_t y;
  unsigned m, d;
};

Civil civil_from_days(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {y + (m <= 2), m, d};
}

int64_t floor_div(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

bool read_int(std::string_view s, size_t pos, size_t len, int& out) {
  if (pos + len > s.size()) return false;
  out = 0;
  for (size_t i = pos; i < pos + len; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    out = out * 10 + (s[i] - '0');
  }
  return true;
}

}  // namespace

DateTime DateTime::from_parts(int year, int month, int day, int hour, int minute, int second) {
  return DateTime{days_from_civil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
                  hour * 3600 + minute * 60 + second};
}

std::optional<DateTime> DateTime::parse(std::string_view s) {
  int y, mo, d, h = 0, mi = 0, se = 0;
  if (!read_int(s, 0, 4, y) || s.size() < 10 || (s[4] != '-' && s[4] != '/') || s[7] != s[4] ||
      !read_int(s, 5, 2, mo) || !read_int(s, 8, 2, d))
    return std::nullopt;
  if (s.size() > 10) {
    if ((s[10] != ' ' && s[10] != 'T') || !read_int(s, 11, 2, h) || s.size() < 16 || s[13] != ':' ||
        !read_int(s, 14, 2, mi))
      return std::nullopt;
    size_t end = 16;
    if (s.size() > 16) {
      if (s[16] != ':' || !read_int(s, 17, 2, se)) return std::nullopt;
      end = 19;
      if (s.size() > 19) {
        if (s[19] != '.') return std::nullopt;
        for (size_t i = 20; i < s.size(); ++i)
          if (s[i] < '0' || s[i] > '9') return std::nullopt;
        end = s.size();
      }
    }
    if (end != s.size()) return std::nullopt;
  }
  if (mo < 1 || mo > 12 || d < 1 || h > 23 || mi > 59 || se > 59) return std::nullopt;
  DateTime dt = from_parts(y, mo, d, h, mi, se);
  if (dt.day() != d) return std::nullopt;  // 2026-02-30 and the like
  return dt;
}

int DateTime::year() const { return static_cast<int>(civil_from_days(floor_div(seconds, 86400)).y); }
int DateTime::month() const { return static_cast<int>(civil_from_days(floor_div(seconds, 86400)).m); }
int DateTime::day() const { return static_cast<int>(civil_from_days(floor_div(seconds, 86400)).d); }

int64_t DateTime::days_until(const DateTime& later) const {
  return floor_div(later.seconds, 86400) - floor_div(seconds, 86400);
}

std::string DateTime::iso_date() const {
  Civil c = civil_from_days(floor_div(seconds, 86400));
  return fmt::format("{:04}-{:02}-{:02}", c.y, c.m, c.d);
}

std::string DateTime::iso() const {
  int64_t s = seconds - floor_div(seconds, 86400) * 86400;
  return fmt::format("{} {:02}:{:02}:{:02}", iso_date(), s / 3600, s / 60 % 60, s % 60);
}

std::optional<Decimal> Value::as_decimal(int scale) const {
  switch (kind()) {
    case ValueKind::Integer: return Decimal::from_integer(integer()).rescale(scale);
    case ValueKind::Real: return Decimal::from_double(real(), scale);
    case ValueKind::Decimal: return decimal().rescale(scale);
    case ValueKind::Text: {
      auto d = Decimal::parse(text());
      if (!d) return std::nullopt;
      return d->rescale(scale);
    }
    default: return std::nullopt;
  }
}

std::optional<int64_t> Value::as_integer() const {
  switch (kind()) {
    case ValueKind::Integer: return integer();
    case ValueKind::Real: return static_cast<int64_t>(std::llround(real()));
    case ValueKind::Decimal: return decimal().rescale(0).units();
    case ValueKind::Text: {
      auto d = Decimal::parse(text());
      if (!d) return std::nullopt;
      return d->rescale(0).units();
    }
    default: return std::nullopt;
  }
}

std::optional<double> Value::as_real() const {
  switch (kind()) {
    case ValueKind::Integer: return static_cast<double>(integer());
    case ValueKind::Real: return real();
    case ValueKind::Decimal: return decimal().to_double();
    case ValueKind::Text: {
      auto d = Decimal::parse(text());
      if (!d) return std::nullopt;
      return d->to_double();
    }
    default: return std::nullopt;
  }
}

std::string Value::as_text() const {
  switch (kind()) {
    case ValueKind::Null: return {};
    case ValueKind::Integer: return std::to_string(integer());
    case ValueKind::Real: return fmt::format("{}", real());
    case ValueKind::Decimal: return decimal().to_string();
    case ValueKind::Text: return text();
    case ValueKind::DateTime: return datetime().iso();
  }
  return {};
}

std::string Value::to_string() const {
  switch (kind()) {
    case ValueKind::Null: return "null";
    case ValueKind::Text: return "'" + text() + "'";
    default: return as_text();
  }
}

bool operator==(const Value& a, const Value& b) {
  if (a.kind() != b.kind()) return false;
  switch (a.kind()) {
    case ValueKind::Null: return true;
    case ValueKind::Integer: return a.integer() == b.integer();
    case ValueKind::Real: return a.real() == b.real();
    case ValueKind::Decimal: return a.decimal() == b.decimal();
    case ValueKind::Text: return a.text() == b.text();
    case ValueKind::DateTime: return a.datetime() == b.datetime();
  }
  return false;
}

}  // namespace sparestock::db
