#pragma once
// Text functions that belong to the grid expression language (mid, pos, like). The generic ones
// (character counting, case, trim) are in host/base/text.h and mean the same here; characters
// are counted as there.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/base/text.h"

namespace sparestock::grid {

// mid(s, start, length): the `length` characters of s that begin at character `start`
// (1-based).
//   - start < 1 gives the empty string (there is no character 0 or before it);
//   - start past the last character gives the empty string;
//   - a length reaching past the end takes the rest of the string;
//   - length < 0 means "to the end" (the two-argument form); length 0 gives the empty string.
// The result is a view into s; nothing is copied.
std::string_view mid(std::string_view s, int64_t start, int64_t length);

// mid() for text known to hold only ASCII characters (one byte each).
inline std::string_view mid_ascii(std::string_view s, int64_t start, int64_t length) {
  if (start < 1 || length == 0 || static_cast<uint64_t>(start) > s.size()) return {};
  size_t from = static_cast<size_t>(start - 1);
  size_t rest = s.size() - from;
  size_t n = length < 0 || static_cast<uint64_t>(length) > rest ? rest : static_cast<size_t>(length);
  return s.substr(from, n);
}

// Position (1-based, in characters) of the first occurrence of `needle` in s at or after
// character `start`; 0 when there is none. An empty needle is found at `start` when start lies
// within s.
int64_t pos(std::string_view s, std::string_view needle, int64_t start = 1);

// A `like` pattern, analysed once and matched against many values.
//   %  matches any run of characters, including none;
//   _  matches exactly one character (one code point, so one Chinese character);
//   every other character matches itself, case-sensitively. There is no escape character.
// The whole value must match: 'AB%' is a prefix test, '%AB%' a containment test.
class LikePattern {
 public:
  enum class Shape {
    Exact,     // no wildcard: equality
    Prefix,    // 'lit%'
    Suffix,    // '%lit'
    Contains,  // '%lit%'
    Any,       // '%': every value
    General,   // anything else, matched by the general algorithm
  };

  explicit LikePattern(std::string_view pattern);

  Shape shape() const { return shape_; }
  // The literal of the simple shapes (without the % signs).
  const std::string& literal() const { return literal_; }
  const std::string& pattern() const { return pattern_; }

  bool matches(std::string_view value) const {
    switch (shape_) {
      case Shape::Exact: return value == literal_;
      case Shape::Prefix:
        return value.size() >= literal_.size() && value.compare(0, literal_.size(), literal_) == 0;
      case Shape::Suffix:
        return value.size() >= literal_.size() &&
               value.compare(value.size() - literal_.size(), literal_.size(), literal_) == 0;
      case Shape::Contains: return value.find(literal_) != std::string_view::npos;
      case Shape::Any: return true;
      case Shape::General: return match_general(pattern_, value);
    }
    return false;
  }

  // The general algorithm, for any pattern.
  static bool match_general(std::string_view pattern, std::string_view value);

 private:
  Shape shape_ = Shape::General;
  std::string pattern_;
  std::string literal_;
};

}  // namespace sparestock::grid
