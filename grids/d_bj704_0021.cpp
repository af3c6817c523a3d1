// d_bj704_0021: the zero-stock list. The stock list's layout, taking exactly the rows whose
// stock and available quantity are both 0; the cost amount is ndj * nkcsl.

#include "grids/columns.h"
#include "grids/definitions.h"

namespace sparestock::grids {

GridDefinition d_bj704_0021() {
  GridDefinition d = d_bj704_002();
  d.name = "d_bj704_0021";
  d.statement =
      "SELECT dbj030.ccph, dbj002.ccpmc, dbj002.cjldw, dbj030.ckh, dbj030.nkcsl, "
      "nkykc = dbj030.nkcsl - dbj030.nsqsl - dbj030.nykps - dbj030.nsdsl, dbj002.nckdj, "
      "dbj002.nwxdj, dbj030.ndj, dbj002.ncgdj, dbj002.ncbgx, dbj002.ncbdx, dbj002.ccjh, "
      "dbj002.ccxh, dbj002.cpym, dbj002.lcyjbs, dbj002.cflh, dbj030.ckqh, dbj030.ckwh, "
      "dbj002.cjldw, dbj030.ndj, dbj030.ndj*dbj030.nkcsl "
      "FROM dbj002, dbj030 WHERE ( dbj002.cgsh =* dbj030.cgsh and dbj030.ccph *= dbj002.ccph ) "
      "and ( dbj030.cgsh = :gsh ) and (dbj030.nkcsl=0 and dbj030.nkcsl - dbj030.nsqsl - "
      "dbj030.nykps - dbj030.nsdsl=0) ORDER BY dbj030.ccph ASC, dbj030.ckh ASC";
  // The last two result columns (amount over nkcsl - njcsl, and njcsl) give way to one amount.
  d.columns.resize(d.columns.size() - 2);
  d.columns.push_back(hidden(decimal_col("compute_0022", 2)));
  // Only the part count stays in the summary band.
  std::erase_if(d.band_items, [](const BandItemDef& b) { return b.label != "品种合计"; });
  return d;
}

}  // namespace sparestock::grids
