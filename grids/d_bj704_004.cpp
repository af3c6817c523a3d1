// d_bj704_004: the printed stock list 库存清单. Its columns are those of d_bj704_002 one for one
// (name, order, type), so that it can show that grid's rows by sharing; grouped by warehouse
// with a subtotal of the amount.

#include "grids/columns.h"
#include "grids/definitions.h"

namespace sparestock::grids {

GridDefinition d_bj704_004() {
  GridDefinition d;
  d.name = "d_bj704_004";
  d.title = "库 存 清 单";
  d.statement =
      "SELECT dbj030.ccph, dbj002.ccpmc, dbj002.cjldw, dbj030.ckh, dbj030.nkcsl, "
      "nkykc = dbj030.nkcsl - dbj030.nsqsl - dbj030.nykps - dbj030.nsdsl, dbj002.nckdj, "
      "dbj002.nwxdj, dbj030.ndj, dbj002.ncgdj, dbj002.ncbgx, dbj002.ncbdx, dbj002.ccjh, "
      "dbj002.ccxh, dbj002.cpym, dbj002.lcyjbs, dbj002.cflh, dbj030.ckqh, dbj030.ckwh, "
      "dbj002.cjldw, dbj030.ndj, dbj030.ndj*(dbj030.nkcsl - dbj030.njcsl),dbj030.njcsl "
      "FROM dbj002, dbj030 WHERE ( dbj002.cgsh =* dbj030.cgsh and dbj030.ccph *= dbj002.ccph )";
  d.columns = {
      char_col("dbj030_ccph", 20, "备件号"),      char_col("dbj002_ccpmc", 30, "备件名称"),
      char_col("dbj002_cjldw", 4, "计量单位"),    char_col("dbj030_ckh", 2, "库号"),
      decimal_col("dbj030_nkcsl", 2, "库存数量"), decimal_col("nkykc", 2, "可用数量"),
      decimal_col("dbj002_nckdj", 2, "出库单价"), decimal_col("dbj002_nwxdj", 2, "销售单价"),
      decimal_col("dbj030_ndj", 2, "成本单价"),   decimal_col("dbj002_ncgdj", 2, "采购单价"),
      hidden(long_col("dbj002_ncbgx")),           hidden(long_col("dbj002_ncbdx")),
      hidden(char_col("dbj002_ccjh", 18)),        hidden(char_col("dbj002_ccxh", 2)),
      hidden(char_col("dbj002_cpym", 12)),        hidden(number_col("dbj002_lcyjbs")),
      hidden(char_col("dbj002_cflh", 3)),         char_col("dbj030_ckqh", 2, "库区"),
      char_col("dbj030_ckwh", 10, "库位"),        hidden(char_col("dbj002_cjldw_1", 4)),
      hidden(decimal_col("dbj030_ndj_1", 2)),     decimal_col("compute_0022", 2, "金额", "0.00"),
      hidden(decimal_col("dbj030_njcsl", 4)),
  };
  d.groups = {{{"dbj030_ckh"}}};
  d.band_items = {
      group_item(1, "compute_1", "金额小计", "sum(compute_0022 for group 1)", "0.00"),
      value_item(Band::Summary, "compute_2", "金额合计", "sum(compute_0022 for all)", "0.00"),
  };
  d.sort = "dbj030_ckh A, mid(dbj030_ccph,5,4) A";
  // The printed order of the columns, which differs from the shared one.
  d.print_columns = {"dbj030_ccph",  "dbj002_ccpmc", "dbj002_cjldw", "dbj030_nkcsl", "nkykc",
                     "dbj002_ncgdj", "dbj002_nwxdj", "dbj002_nckdj", "dbj030_ndj",   "compute_0022",
                     "dbj030_ckh",   "dbj030_ckqh",  "dbj030_ckwh"};
  return d;
}

}  // namespace sparestock::grids
