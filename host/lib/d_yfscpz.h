#pragma once
// d_yfscpz: the host's voucher-line grid. A form builds the lines of a voucher in it (nothing is
// retrieved or written through it) and then posts them with its own statements. Columns, by
// position:
//
//   1 czy    摘要     summary text
//   2 cjsfs  结算方式 settlement method
//   3 cpjh   票据号   bill number
//   4 njfje  借方金额 debit amount (decimal, 2 places)
//   5 ndfje  贷方金额 credit amount (decimal, 2 places)
//   6 ckm    科目     account code
//
// and the computed field njfjehj, the total of the debit amounts of all lines (the same on
// every row).

#include "host/grid/definition.h"

namespace sparestock::lib {

inline constexpr const char* kVoucherLinesGrid = "d_yfscpz";

grid::GridDefinition d_yfscpz();

}  // namespace sparestock::lib
