#include "host/lib/sql_literal.h"

namespace sparestock::lib {

std::string sql_literal(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 2);
  out += '\'';
  for (char c : value) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
  return out;
}

}  // namespace sparestock::lib
