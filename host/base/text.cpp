#include "host/base/text.h"

namespace sparestock::text {

size_t char_count(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); i += char_length(s, i)) ++n;
  return n;
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = upper(c);
  return out;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lower(c);
  return out;
}

bool iequals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

std::string_view trim_leading(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && s[b] == ' ') ++b;
  return s.substr(b);
}

std::string_view trim_trailing(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && s[e - 1] == ' ') --e;
  return s.substr(0, e);
}

std::string_view trim(std::string_view s) { return trim_trailing(trim_leading(s)); }

std::vector<std::string> split(std::string_view s, char sep) {
  std::vector<std::string> out;
  for (size_t start = 0;;) {
    size_t at = s.find(sep, start);
    out.emplace_back(s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return out;
    start = at + 1;
  }
}

std::vector<std::string> split_list(std::string_view s, char sep) {
  if (trim(s).empty()) return {};
  std::vector<std::string> out = split(s, sep);
  for (std::string& item : out) item = std::string(trim(item));
  return out;
}

}  // namespace sparestock::text
