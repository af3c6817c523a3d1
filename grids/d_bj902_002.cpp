// d_bj902_002: the company's parts with their cost price, and the column nxcbdj where the new
// price is typed. Nothing is written through the grid; the cost revision posts with its own
// statements.

#include "grids/columns.h"
#include "grids/definitions.h"

namespace sparestock::grids {

GridDefinition d_bj902_002() {
  GridDefinition d;
  d.name = "d_bj902_002";
  d.statement =
      "SELECT v_bj902_001.ccph, dbj002.ccpmc, v_bj902_001.nkcsl, v_bj902_001.nkykc, "
      "dbj002.nckdj, dbj002.nwxdj, v_bj902_001.ndj, dbj002.ncgdj, dbj002.ccxh, dbj002.cpym, "
      "dbj002.lcyjbs, dbj002.cflh, 0.00 as nxcbdj, v_bj902_001.njcsl FROM dbj002, v_bj902_001 "
      "WHERE ( dbj002.cgsh =* v_bj902_001.cgsh and v_bj902_001.ccph *= dbj002.ccph ) and "
      "( v_bj902_001.cgsh = :gsh ) ORDER BY v_bj902_001.ccph ASC";
  d.arguments = {string_arg("gsh")};
  d.columns = {
      char_col("dbj030_ccph", 20, "备件号"),
      char_col("dbj002_ccpmc", 30, "备件名称"),
      decimal_col("nkcsl", 2, "库存数量"),
      decimal_col("v_bj902_001_nkykc", 2, "可用数量"),
      decimal_col("dbj002_nckdj", 2, "出库单价"),
      decimal_col("dbj002_nwxdj", 2, "销售单价"),
      decimal_col("ndj", 2, "成本单价"),
      decimal_col("dbj002_ncgdj", 2, "采购单价"),
      hidden(char_col("dbj002_ccxh", 2)),
      hidden(char_col("dbj002_cpym", 12)),
      hidden(number_col("dbj002_lcyjbs")),
      char_col("dbj002_cflh", 3, "分类号"),
      entry(decimal_col("nxcbdj", 2, "更新单价", "###,###,###.00")),
      decimal_col("njcsl", 2, "进出数量"),
  };
  return d;
}

}  // namespace sparestock::grids
