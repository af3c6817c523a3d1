#include "stock_enquiry/s_bj704_001.h"

#include <cmath>

namespace sparestock::stock_enquiry {

namespace {

std::string text_of(const grid::Grid& g, long row, int column) {
  return g.getitemstring(row, column).value_or("");
}

// The runtime stores a number read into a whole-number variable rounded, not truncated.
long whole_of(const grid::Grid& g, long row, int column) {
  double v = g.getitemnumber(row, column).value_or(0);
  return static_cast<long>(std::round(v));
}

db::Decimal price_of(const grid::Grid& g, long row, int column) {
  return g.getitemdecimal(row, column).value_or(db::Decimal(0, 2));
}

}  // namespace

s_bj704_001 stock_row(const grid::Grid& g, long row) {
  s_bj704_001 s;
  s.ccph = text_of(g, row, 1);
  s.ccpmc = text_of(g, row, 2);
  s.cjldw = text_of(g, row, 3);
  s.ckh = text_of(g, row, 4);
  s.nkcsl = whole_of(g, row, 5);
  s.nkykc = whole_of(g, row, 6);
  s.nckdj = price_of(g, row, 7);
  s.nwxdj = price_of(g, row, 8);
  s.ndj = price_of(g, row, 9);
  s.ncgdj = price_of(g, row, 10);
  s.ncbgx = whole_of(g, row, 11);
  s.ncbdx = whole_of(g, row, 12);
  s.ccjh = text_of(g, row, 13);
  return s;
}

void to_json(nlohmann::json& j, const s_bj704_001& s) {
  j = {{"ccph", s.ccph},
       {"ccpmc", s.ccpmc},
       {"cjldw", s.cjldw},
       {"ckh", s.ckh},
       {"nkcsl", s.nkcsl},
       {"nkykc", s.nkykc},
       {"nckdj", s.nckdj.to_string()},
       {"nwxdj", s.nwxdj.to_string()},
       {"ndj", s.ndj.to_string()},
       {"ncgdj", s.ncgdj.to_string()},
       {"ncbgx", s.ncbgx},
       {"ncbdx", s.ncbdx},
       {"ccjh", s.ccjh}};
}

}  // namespace sparestock::stock_enquiry
