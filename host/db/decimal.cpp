#include "host/db/decimal.h"

#include <cassert>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace sparestock::db {

namespace {

// A GCC and Clang extension type, so marked for -Wpedantic.
__extension__ typedef __int128 i128;

constexpr int64_t kPow10[] = {1,
                              10,
                              100,
                              1000,
                              10000,
                              100000,
                              1000000,
                              10000000,
                              100000000,
                              1000000000,
                              10000000000LL,
                              100000000000LL,
                              1000000000000LL,
                              10000000000000LL,
                              100000000000000LL,
                              1000000000000000LL,
                              10000000000000000LL};

int64_t narrow(i128 v) {
  if (v > std::numeric_limits<int64_t>::max() || v < std::numeric_limits<int64_t>::min())
    throw std::overflow_error("decimal value out of range");
  return static_cast<int64_t>(v);
}

// Divides rounding half away from zero.
i128 div_round(i128 n, i128 d) {
  i128 q = n / d, r = n % d;
  if (r < 0) r = -r;
  i128 ad = d < 0 ? -d : d;
  if (2 * r >= ad) q += ((n < 0) != (d < 0)) ? -1 : 1;
  return q;
}

i128 scaled(const Decimal& d, int scale) { return static_cast<i128>(d.units()) * kPow10[scale - d.scale()]; }

}  // namespace

Decimal::Decimal(int64_t units, int scale) : units_(units), scale_(scale) {
  assert(scale >= 0 && scale <= kMaxScale);
}

std::optional<Decimal> Decimal::parse(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  text = text.substr(b, e - b);
  if (text.empty()) return std::nullopt;
  bool negative = false;
  size_t i = 0;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  i128 units = 0;
  int digits = 0, scale = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    units = units * 10 + (c - '0');
    ++digits;
    if (point) ++scale;
    if (scale > kMaxScale || units > std::numeric_limits<int64_t>::max()) return std::nullopt;
  }
  if (digits == 0) return std::nullopt;
  return Decimal(static_cast<int64_t>(negative ? -units : units), scale);
}

std::optional<Decimal> Decimal::from_double(double value, int scale) {
  if (!std::isfinite(value) || std::fabs(value) > 9e18 / static_cast<double>(kPow10[scale]))
    return std::nullopt;
  // Fast path, same result: when value * 10^scale lies within a quarter of a whole number, the
  // shortest text (which differs from the value by less than a unit in the last place) rounds
  // to that whole number too. Below 1e12 a unit in the last place is far below a quarter.
  {
    double r = value * static_cast<double>(kPow10[scale]);
    if (std::fabs(r) < 1e12) {
      double n = std::nearbyint(r);
      if (std::fabs(r - n) <= 0.25) return Decimal(static_cast<int64_t>(n), scale);
    }
  }
  // The shortest representation that reads back as the same double is what the value "means"
  // (0.1 is 0.1, not 0.1000000000000000055...). %.17g may be longer than needed, so try the
  // precisions in turn.
  char buf[64];
  for (int precision = 15; precision <= 17; ++precision) {
    std::snprintf(buf, sizeof buf, "%.*g", precision, value);
    if (std::strtod(buf, nullptr) == value) break;
  }
  return from_printed(buf, scale);
}

std::optional<Decimal> Decimal::from_computed(double value, int scale) {
  if (!std::isfinite(value) || std::fabs(value) > 9e18 / static_cast<double>(kPow10[scale]))
    return std::nullopt;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  return from_printed(buf, scale);
}

std::optional<Decimal> Decimal::from_printed(const char* buf, int scale) {
  // buf may use an exponent; expand it into plain digits.
  std::string_view s(buf);
  bool negative = !s.empty() && s[0] == '-';
  if (negative) s.remove_prefix(1);
  std::string mantissa;
  int exponent = 0;
  size_t epos = s.find_first_of("eE");
  std::string_view m = s.substr(0, epos);
  if (epos != std::string_view::npos) exponent = std::atoi(std::string(s.substr(epos + 1)).c_str());
  int frac_digits = 0;
  bool point = false;
  for (char c : m) {
    if (c == '.') {
      point = true;
      continue;
    }
    mantissa += c;
    if (point) ++frac_digits;
  }
  // value = mantissa * 10^(exponent - frac_digits)
  int shift = exponent - frac_digits + scale;
  i128 units = 0;
  for (char c : mantissa) units = units * 10 + (c - '0');
  if (shift >= 0) {
    for (int k = 0; k < shift; ++k) {
      units *= 10;
      if (units > std::numeric_limits<int64_t>::max()) return std::nullopt;
    }
  } else {
    i128 d = 1;
    for (int k = 0; k < -shift && d < (static_cast<i128>(1) << 100); ++k) d *= 10;
    units = div_round(units, d);
  }
  if (units > std::numeric_limits<int64_t>::max()) return std::nullopt;
  return Decimal(static_cast<int64_t>(negative ? -units : units), scale);
}

Decimal Decimal::rescale(int scale) const {
  assert(scale >= 0 && scale <= kMaxScale);
  if (scale >= scale_) return Decimal(narrow(scaled(*this, scale)), scale);
  return Decimal(narrow(div_round(units_, kPow10[scale_ - scale])), scale);
}

std::string Decimal::to_string() const {
  i128 v = units_;
  bool negative = v < 0;
  if (negative) v = -v;
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
    v /= 10;
  } while (v > 0);
  while (static_cast<int>(digits.size()) <= scale_) digits.insert(digits.begin(), '0');
  if (scale_ > 0) digits.insert(digits.end() - scale_, '.');
  return negative ? "-" + digits : digits;
}

double Decimal::to_double() const {
  // Via text so that the nearest double is chosen (units / 10^scale in floating point could be
  // one ulp off).
  return std::strtod(to_string().c_str(), nullptr);
}

Decimal Decimal::operator-() const { return Decimal(narrow(-static_cast<i128>(units_)), scale_); }

Decimal operator+(const Decimal& a, const Decimal& b) {
  int s = std::max(a.scale_, b.scale_);
  return Decimal(narrow(scaled(a, s) + scaled(b, s)), s);
}

Decimal operator-(const Decimal& a, const Decimal& b) {
  int s = std::max(a.scale_, b.scale_);
  return Decimal(narrow(scaled(a, s) - scaled(b, s)), s);
}

Decimal operator*(const Decimal& a, const Decimal& b) {
  i128 p = static_cast<i128>(a.units_) * b.units_;
  int s = a.scale_ + b.scale_;
  if (s > Decimal::kMaxScale) {
    p = div_round(p, kPow10[s - Decimal::kMaxScale]);
    s = Decimal::kMaxScale;
  }
  return Decimal(narrow(p), s);
}

Decimal Decimal::divide(const Decimal& a, const Decimal& b, int scale) {
  if (b.units_ == 0) throw std::domain_error("division by zero");
  // a/b = (ua/10^sa) / (ub/10^sb); result units = ua * 10^(scale + sb - sa) / ub.
  int shift = scale + b.scale_ - a.scale_;
  i128 n = a.units_, d = b.units_;
  if (shift >= 0)
    n *= kPow10[shift];
  else
    d *= kPow10[-shift];
  return Decimal(narrow(div_round(n, d)), scale);
}

int Decimal::compare(const Decimal& a, const Decimal& b) {
  int s = std::max(a.scale_, b.scale_);
  i128 x = scaled(a, s), y = scaled(b, s);
  return x < y ? -1 : (x > y ? 1 : 0);
}

}  // namespace sparestock::db
