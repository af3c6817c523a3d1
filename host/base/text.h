#pragma once
// Text functions shared by every layer, from the data layer up. Each has one meaning wherever
// it is called, so that a code trimmed by an edit field, by the pick list and by a grid
// expression comes out the same.
//
// Text is UTF-8; a character is one code point. A byte that does not start a well-formed UTF-8
// sequence counts as one character of its own, so that no input makes these functions read past
// the end or lose a byte.
//
// Case: only the ASCII letters A-Z and a-z have a case here. Codes, part numbers, column names
// and SQL keywords are ASCII; Chinese has no case; leaving every other character as it is keeps
// the result independent of the machine's locale.
//
// Blanks: `trim` removes the blank, the space character U+0020, and nothing else. The blank is
// what char(n) columns are padded with and what trim() removes in both databases and in the grid
// expression language, so a value trimmed here equals the same value trimmed there. Tabs, line
// ends and the full-width space U+3000 are characters of the value: a code typed with them is
// not found (or refused), never silently changed into another code.

#include <concepts>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sparestock::text {

// Bytes taken by the character that starts at s[i]. REQUIRES: i < s.size().
inline size_t char_length(std::string_view s, size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (c < 0x80) return 1;
  size_t n = c >= 0xF8 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
  if (i + n > s.size()) return 1;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
  return n;
}

// Number of characters of s ("备件" is 2, "JL01" is 4).
size_t char_count(std::string_view s);

// True when every byte of s is an ASCII character (one byte each).
inline bool is_ascii(std::string_view s) {
  unsigned char any = 0;
  for (char c : s) any |= static_cast<unsigned char>(c);
  return any < 0x80;
}

// The upper (lower) case of an ASCII letter; any other byte unchanged.
inline char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
inline char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// s with its ASCII letters in upper (lower) case; every other character kept as it is.
std::string upper(std::string_view s);
std::string lower(std::string_view s);

// Equal but for the case of ASCII letters (column, argument and table names).
bool iequals(std::string_view a, std::string_view b);

// s without its leading and trailing blanks; only leading ones; only trailing ones. The result
// is a view into s; nothing is copied. A blank-only or empty s gives the empty string.
std::string_view trim(std::string_view s);
std::string_view trim_leading(std::string_view s);
std::string_view trim_trailing(std::string_view s);

// The same for a string about to be destroyed (a temporary): the result is then a string of its
// own, never a view into text that is gone.
template <std::same_as<std::string> S>
std::string trim(S&& s) {
  return std::string(trim(std::string_view(s)));
}
template <std::same_as<std::string> S>
std::string trim_leading(S&& s) {
  return std::string(trim_leading(std::string_view(s)));
}
template <std::same_as<std::string> S>
std::string trim_trailing(S&& s) {
  return std::string(trim_trailing(std::string_view(s)));
}

// The pieces of s between the separators, exactly as they are (blanks and empty pieces kept):
// n separators give n + 1 pieces, and "" gives one empty piece.
std::vector<std::string> split(std::string_view s, char sep);

// The items of a list such as "cgsh, ccph ,ccpmc": the pieces of s between the separators, each
// trimmed. A list that is empty or blank has no item; an empty item between two separators is
// kept ("a,,b" has three items), so that items keep their places.
std::vector<std::string> split_list(std::string_view s, char sep = ',');

}  // namespace sparestock::text
