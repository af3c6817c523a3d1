#include "host/grid/text.h"

namespace sparestock::grid {

std::string_view mid(std::string_view s, int64_t start, int64_t length) {
  if (start < 1 || length == 0) return {};
  size_t i = 0;
  for (int64_t skip = start - 1; skip > 0; --skip) {
    if (i >= s.size()) return {};
    i += text::char_length(s, i);
  }
  if (i >= s.size()) return {};
  if (length < 0) return s.substr(i);
  size_t j = i;
  for (int64_t take = length; take > 0 && j < s.size(); --take) j += text::char_length(s, j);
  return s.substr(i, j - i);
}

int64_t pos(std::string_view s, std::string_view needle, int64_t start) {
  if (start < 1) return 0;
  size_t i = 0;
  int64_t at = 1;
  while (at < start) {
    if (i >= s.size()) return 0;
    i += text::char_length(s, i);
    ++at;
  }
  if (i > s.size() || (i == s.size() && !needle.empty())) return 0;
  size_t found = s.find(needle, i);
  if (found == std::string_view::npos) return 0;
  // Count the characters between i and the match.
  for (; i < found; i += text::char_length(s, i)) ++at;
  return at;
}

LikePattern::LikePattern(std::string_view pattern) : pattern_(pattern) {
  if (pattern.find('_') != std::string_view::npos) {
    shape_ = Shape::General;
    return;
  }
  size_t b = 0, e = pattern.size();
  bool lead = false, tail = false;
  while (b < e && pattern[b] == '%') {
    lead = true;
    ++b;
  }
  while (e > b && pattern[e - 1] == '%') {
    tail = true;
    --e;
  }
  std::string_view inner = pattern.substr(b, e - b);
  if (inner.find('%') != std::string_view::npos) {
    shape_ = Shape::General;
    return;
  }
  literal_ = std::string(inner);
  if (!lead && !tail)
    shape_ = Shape::Exact;
  else if (inner.empty())
    shape_ = Shape::Any;
  else if (lead && tail)
    shape_ = Shape::Contains;
  else if (tail)
    shape_ = Shape::Prefix;
  else
    shape_ = Shape::Suffix;
}

// Greedy matching with backtracking to the last % only: when a later piece fails, the last %
// takes one more character and matching resumes behind it. Earlier % signs never need to take
// more, because any extra they could take the last one can take as well.
bool LikePattern::match_general(std::string_view p, std::string_view s) {
  size_t pi = 0, si = 0;
  size_t star_p = std::string_view::npos, star_s = 0;
  while (si < s.size()) {
    if (pi < p.size() && p[pi] == '%') {
      while (pi < p.size() && p[pi] == '%') ++pi;
      star_p = pi;
      star_s = si;
      continue;
    }
    if (pi < p.size() && p[pi] == '_') {
      ++pi;
      si += text::char_length(s, si);
      continue;
    }
    if (pi < p.size()) {
      size_t n = text::char_length(p, pi);
      if (s.compare(si, n, p, pi, n) == 0 && si + n <= s.size()) {
        pi += n;
        si += n;
        continue;
      }
    }
    if (star_p == std::string_view::npos) return false;
    star_s += text::char_length(s, star_s);
    si = star_s;
    pi = star_p;
  }
  while (pi < p.size() && p[pi] == '%') ++pi;
  return pi == p.size();
}

}  // namespace sparestock::grid
