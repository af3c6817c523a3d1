#pragma once
// s_bj704_001: the stock row the stock enquiry form hands back to the form that opened it as a
// picker (its close value). Fields in this order; strings empty and numbers 0 until a row is
// chosen.

#include <any>
#include <string>

#include <nlohmann/json.hpp>

#include "host/db/decimal.h"
#include "host/grid/grid.h"

namespace sparestock::stock_enquiry {

struct s_bj704_001 {
  std::string ccph;         // part number
  std::string ccpmc;        // part name
  std::string cjldw;        // unit of measure
  std::string ckh;          // warehouse
  long nkcsl = 0;           // stock quantity
  long nkykc = 0;           // available quantity
  db::Decimal nckdj{0, 2};  // issue price
  db::Decimal nwxdj{0, 2};  // sales price
  db::Decimal ndj{0, 2};    // cost unit price
  db::Decimal ncgdj{0, 2};  // purchase price
  long ncbgx = 0;           // maximum reserve
  long ncbdx = 0;           // minimum reserve
  std::string ccjh;         // maker's part number
};

// Columns 1..13 of a row of the stock grid (d_bj704_002 or a grid with its columns): texts as
// they stand (null as ""), quantities and limits read as numbers and rounded to whole numbers
// (half away from zero), prices read as decimals (null as 0.00).
s_bj704_001 stock_row(const grid::Grid& stock, long row);

// The structure as the runtime reports a close value (its fields entry): its fields by name,
// texts and whole numbers as they are, prices as exact decimal text ("12.50").
void to_json(nlohmann::json& j, const s_bj704_001& s);

}  // namespace sparestock::stock_enquiry
