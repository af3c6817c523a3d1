// d_bj701_002: the stock records of d_bj701_001 as a list with totals (shown by sharing that
// grid's rows). Same columns, update table and key.

#include "grids/columns.h"
#include "grids/definitions.h"

namespace sparestock::grids {

GridDefinition d_bj701_002() {
  GridDefinition d;
  d.name = "d_bj701_002";
  d.statement =
      "SELECT dbj030.cgsh, dbj030.ckh, dbj030.ckqh, dbj030.ccph, dbj030.nkcsl, dbj030.nsdsl, "
      "dbj030.ckwh FROM dbj030";
  d.columns = {
      key(updatable(char_col("cgsh", 2, "公司号"))),  key(updatable(char_col("ckh", 2, "库号"))),
      updatable(char_col("ckqh", 2, "库区号")),       key(updatable(char_col("ccph", 20, "备件号"))),
      updatable(decimal_col("nkcsl", 2, "库存数量")), updatable(decimal_col("nsdsl", 2, "锁定数量")),
      updatable(char_col("ckwh", 10, "库位号")),
  };
  d.update_table = "dbj030";
  d.band_items = {
      text_item(Band::Summary, "t_1", "合计:"),
      value_item(Band::Summary, "compute_1", "库存数量合计:", "sum(nkcsl for all)", "#########.##"),
      value_item(Band::Summary, "compute_2", "锁定数量合计:", "sum(nsdsl for all)", "#########.##"),
  };
  return d;
}

}  // namespace sparestock::grids
