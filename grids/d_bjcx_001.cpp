// d_bjcx_001: available stock per company, warehouse and part. Read-only; the first three
// columns carry the key flag.

#include "grids/columns.h"
#include "grids/definitions.h"

namespace sparestock::grids {

GridDefinition d_bjcx_001() {
  GridDefinition d;
  d.name = "d_bjcx_001";
  d.statement =
      "SELECT DISTINCT dbj030.cgsh, dbj030.ckh, dbj030.ccph, ( nkcsl - nsqsl + ntzs - nykps "
      "-nsdsl ) as nsl FROM dbj030 ORDER BY dbj030.cgsh ASC, dbj030.ckh ASC, dbj030.ccph ASC";
  d.columns = {
      key(char_col("cgsh", 2, "公司号")),
      key(char_col("ckh", 2, "库号")),
      key(char_col("ccph", 20, "产品号")),
      long_col("nsl", "可用库存"),
  };
  return d;
}

}  // namespace sparestock::grids
