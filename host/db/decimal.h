#pragma once
// Exact decimal numbers for money and quantities.
//
// A Decimal is an integer number of units of 10^-scale (scale 0..8), held in 64 bits, so that
// 12.50 with scale 2 is 1250 units. Arithmetic is exact: sums take the larger scale, products
// the sum of the scales; results that do not fit in 64 bits throw std::overflow_error. Rounding
// (rescale to fewer places) is half away from zero, as a stock keeper rounds money by hand.
// No operation goes through double.

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sparestock::db {

class Decimal {
 public:
  static constexpr int kMaxScale = 8;

  Decimal() = default;
  // REQUIRES: 0 <= scale <= kMaxScale.
  Decimal(int64_t units, int scale);

  static Decimal from_integer(int64_t value) { return Decimal(value, 0); }
  // Parses "-12.5", "+3", "0.0001", " 7 " (surrounding blanks allowed). The scale is the number
  // of digits after the point. Returns nullopt for anything else (exponents, empty text, more
  // than kMaxScale places, out of range).
  static std::optional<Decimal> parse(std::string_view text);
  // The decimal nearest to `value` at `scale` places, read from the shortest text that
  // round-trips the double, so 0.1 becomes exactly 0.10 and 2.675 becomes 2.68.
  // Returns nullopt for NaN, infinities and values out of range.
  static std::optional<Decimal> from_double(double value, int scale);
  // The decimal at `scale` places of a value that binary floating point computed from exact
  // decimals (SQLite's arithmetic): read to 15 significant digits, which drops the residue of
  // the binary arithmetic (0.3 - 0.1 - 0.1 - 0.1 is 0, 10 * 1.0045 is 10.045 and rounds to
  // 10.05), then rounded half away from zero. Exact for values of up to 15 significant
  // digits. Returns nullopt for NaN, infinities and values out of range.
  static std::optional<Decimal> from_computed(double value, int scale);

  int64_t units() const { return units_; }
  int scale() const { return scale_; }

  // The same value at `scale` places, rounded half away from zero when places are dropped.
  Decimal rescale(int scale) const;
  bool is_zero() const { return units_ == 0; }
  int sign() const { return units_ > 0 ? 1 : (units_ < 0 ? -1 : 0); }

  // "1250.00" style text with exactly scale() places; "-0.50" keeps its sign.
  std::string to_string() const;
  // Lossy; only for display or for handing a value to a floating column.
  double to_double() const;

  Decimal operator-() const;
  friend Decimal operator+(const Decimal& a, const Decimal& b);
  friend Decimal operator-(const Decimal& a, const Decimal& b);
  friend Decimal operator*(const Decimal& a, const Decimal& b);
  // Division rounds the quotient to `scale` places. Throws std::domain_error on a zero divisor.
  static Decimal divide(const Decimal& a, const Decimal& b, int scale);

  // Compares by value: 1.5 == 1.50.
  friend bool operator==(const Decimal& a, const Decimal& b) { return compare(a, b) == 0; }
  friend std::strong_ordering operator<=>(const Decimal& a, const Decimal& b) {
    int c = compare(a, b);
    return c < 0 ? std::strong_ordering::less
                 : (c > 0 ? std::strong_ordering::greater : std::strong_ordering::equal);
  }
  static int compare(const Decimal& a, const Decimal& b);

 private:
  // The decimal at `scale` places of a number printed by printf's %g.
  static std::optional<Decimal> from_printed(const char* text, int scale);

  int64_t units_ = 0;
  int scale_ = 0;
};

}  // namespace sparestock::db
