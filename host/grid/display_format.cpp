#include "host/grid/display_format.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include <fmt/format.h>

namespace sparestock::grid {

namespace {

bool is_number_format(std::string_view f) {
  bool digit = false;
  for (char c : f) {
    if (c == '#' || c == '0')
      digit = true;
    else if (c != ',' && c != '.' && c != ' ')
      return false;
  }
  return digit;
}

std::string group_thousands(const std::string& digits) {
  std::string out;
  int n = static_cast<int>(digits.size());
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string format_number(const db::Decimal& value, std::string_view f) {
  auto point = f.find('.');
  std::string_view int_part = f.substr(0, point);
  std::string_view frac_part = point == std::string_view::npos ? std::string_view() : f.substr(point + 1);
  bool grouping = int_part.find(',') != std::string_view::npos;
  int required = 0, places = 0;
  for (char c : frac_part) {
    if (c == '0')
      required = ++places;
    else if (c == '#')
      ++places;
  }
  std::string text = value.rescale(places).to_string();
  bool negative = !text.empty() && text[0] == '-';
  if (negative) text.erase(0, 1);
  auto dot = text.find('.');
  std::string digits = text.substr(0, dot);
  std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
  while (static_cast<int>(fraction.size()) > required && fraction.back() == '0') fraction.pop_back();
  if (grouping) digits = group_thousands(digits);
  std::string out = digits;
  if (!fraction.empty()) out += "." + fraction;
  if (negative && (digits.find_first_not_of("0,") != std::string::npos ||
                   fraction.find_first_not_of('0') != std::string::npos))
    out = "-" + out;
  return out;
}

std::string format_datetime(const db::DateTime& dt, std::string_view f) {
  std::string iso = dt.iso();  // "2026-12-08 10:00:00"
  int year = dt.year(), month = dt.month(), day = dt.day();
  int hour = std::stoi(iso.substr(11, 2)), minute = std::stoi(iso.substr(14, 2)),
      second = std::stoi(iso.substr(17, 2));
  std::string out;
  bool after_hour = false;
  for (size_t i = 0; i < f.size();) {
    auto starts = [&](std::string_view token) { return f.substr(i, token.size()) == token; };
    if (starts("[shortdate]")) {
      out += fmt::format("{:04}/{:02}/{:02}", year, month, day);
      i += 11;
    } else if (starts("[time]")) {
      out += fmt::format("{:02}:{:02}:{:02}", hour, minute, second);
      i += 6;
    } else if (starts("yyyy")) {
      out += fmt::format("{:04}", year);
      i += 4;
    } else if (starts("yy")) {
      out += fmt::format("{:02}", year % 100);
      i += 2;
    } else if (starts("mm")) {
      out += fmt::format("{:02}", after_hour ? minute : month);
      i += 2;
    } else if (starts("m")) {
      out += std::to_string(after_hour ? minute : month);
      i += 1;
    } else if (starts("dd")) {
      out += fmt::format("{:02}", day);
      i += 2;
    } else if (starts("d")) {
      out += std::to_string(day);
      i += 1;
    } else if (starts("hh")) {
      out += fmt::format("{:02}", hour);
      after_hour = true;
      i += 2;
    } else if (starts("h")) {
      out += std::to_string(hour);
      after_hour = true;
      i += 1;
    } else if (starts("ss")) {
      out += fmt::format("{:02}", second);
      i += 2;
    } else {
      out += f[i++];
    }
  }
  return out;
}

std::string general(const db::Value& v) {
  switch (v.kind()) {
    case db::ValueKind::Null: return "";
    case db::ValueKind::Integer: return std::to_string(v.integer());
    case db::ValueKind::Decimal: return v.decimal().to_string();
    case db::ValueKind::Real: {
      double d = v.real();
      if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15)
        return std::to_string(static_cast<long long>(d));
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.15g", d);
      return buf;
    }
    case db::ValueKind::Text: return v.text();
    case db::ValueKind::DateTime: {
      const auto& dt = v.datetime();
      return format_datetime(dt, dt.date() == dt ? "yyyy/mm/dd" : "yyyy/mm/dd hh:mm:ss");
    }
  }
  return "";
}

}  // namespace

std::string format_display(const db::Value& value, std::string_view format) {
  if (value.is_null()) return "";
  std::string_view f = format.substr(0, format.find(';'));
  if (f.empty() || f == "[general]") return general(value);
  if (value.kind() == db::ValueKind::DateTime) return format_datetime(value.datetime(), f);
  if (is_number_format(f)) {
    std::optional<db::Decimal> d;
    switch (value.kind()) {
      case db::ValueKind::Decimal: d = value.decimal(); break;
      case db::ValueKind::Integer: d = db::Decimal::from_integer(value.integer()); break;
      case db::ValueKind::Real: d = db::Decimal::from_double(value.real(), db::Decimal::kMaxScale); break;
      default: break;
    }
    if (d) return format_number(*d, f);
  }
  return general(value);
}

std::string column_display(const ColumnDef& column, const db::Value& value) {
  if (!column.code_table.empty() && !value.is_null()) {
    std::string key = general(value);
    for (const auto& [data, shown] : column.code_table)
      if (data == key) return shown;
  }
  return format_display(value, column.format);
}

}  // namespace sparestock::grid
