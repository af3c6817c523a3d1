// d_bj704_002: the stock list of the enquiry forms and of the cost revision form. Rows with
// stock or with a non-zero available quantity; part data outer-joined, so a stock row whose
// part is missing from the parts master still shows.

#include "grids/columns.h"
#include "grids/definitions.h"

namespace sparestock::grids {

GridDefinition d_bj704_002() {
  GridDefinition d;
  d.name = "d_bj704_002";
  d.statement =
      "SELECT dbj030.ccph, dbj002.ccpmc, dbj002.cjldw, dbj030.ckh, dbj030.nkcsl, "
      "nkykc = dbj030.nkcsl - dbj030.nsqsl - dbj030.nykps - dbj030.nsdsl, dbj002.nckdj, "
      "dbj002.nwxdj, dbj030.ndj, dbj002.ncgdj, dbj002.ncbgx, dbj002.ncbdx, dbj002.ccjh, "
      "dbj002.ccxh, dbj002.cpym, dbj002.lcyjbs, dbj002.cflh, dbj030.ckqh, dbj030.ckwh, "
      "dbj002.cjldw, dbj030.ndj, dbj030.ndj*(dbj030.nkcsl - dbj030.njcsl),dbj030.njcsl "
      "FROM dbj002, dbj030 WHERE ( dbj002.cgsh =* dbj030.cgsh and dbj030.ccph *= dbj002.ccph ) "
      "and ( dbj030.cgsh = :gsh ) and (dbj030.nkcsl<>0 or dbj030.nkcsl - dbj030.nsqsl - "
      "dbj030.nykps - dbj030.nsdsl<>0) ORDER BY dbj030.ccph ASC, dbj030.ckh ASC";
  d.arguments = {string_arg("gsh")};
  // The statement selects dbj002.cjldw and dbj030.ndj twice; the second of each is named with
  // the suffix _1, and the unnamed cost-amount expression after its position (22nd).
  d.columns = {
      char_col("dbj030_ccph", 20, "备件号"),      char_col("dbj002_ccpmc", 30, "备件名称"),
      char_col("dbj002_cjldw", 4, "计量单位"),    char_col("dbj030_ckh", 2, "库号"),
      decimal_col("dbj030_nkcsl", 2, "库存数量"), decimal_col("nkykc", 2, "可用数量"),
      decimal_col("dbj002_nckdj", 2, "出库价"),   decimal_col("dbj002_nwxdj", 2, "销售价"),
      decimal_col("dbj030_ndj", 2, "成本单价"),   decimal_col("dbj002_ncgdj", 2, "采购价"),
      long_col("dbj002_ncbgx", "储备高限"),       long_col("dbj002_ncbdx", "储备低限"),
      char_col("dbj002_ccjh", 18, "厂家编号"),    hidden(char_col("dbj002_ccxh", 2)),
      hidden(char_col("dbj002_cpym", 12)),        hidden(number_col("dbj002_lcyjbs")),
      char_col("dbj002_cflh", 3, "分类号"),       char_col("dbj030_ckqh", 2, "库区号"),
      char_col("dbj030_ckwh", 10, "库位号"),      hidden(char_col("dbj002_cjldw_1", 4)),
      hidden(decimal_col("dbj030_ndj_1", 2)),     hidden(decimal_col("compute_0022", 2)),
      hidden(decimal_col("dbj030_njcsl", 4)),
  };
  d.computed = {{"compute_1", "dbj030_nkcsl * dbj030_ndj", "金额", "0.00", GridType::Decimal, 2}};
  d.band_items = {
      value_item(Band::Summary, "compute_2", "品种合计",
                 "count(  dbj030_ccph  for all distinct  gsh , dbj030_ccph  )"),
      value_item(Band::Summary, "compute_3", "库存成本金额合计", "sum((dbj030_nkcsl )* dbj030_ndj )", "#0.00"),
      value_item(Band::Summary, "compute_4", "库存数量合计", "sum(dbj030_nkcsl for all)", kAmount),
      value_item(Band::Summary, "compute_5", "可用数量合计", "sum(nkykc for all)", kAmount),
      value_item(Band::Summary, "compute_6", "库存采购价合计", "sum(dbj030_nkcsl * dbj002_ncgdj )", kAmount),
  };
  d.sort = "dbj030_ckh A, mid(dbj030_ccph,5,4) A";
  return d;
}

}  // namespace sparestock::grids
