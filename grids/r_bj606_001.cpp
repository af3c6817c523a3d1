// r_bj606_001: the stocktaking gain and loss table 备件盘盈(亏)表, grouped by warehouse.
//
// Retrieved for one company and one stocktaking day (arguments :gsh and :rq, "yyyy/mm/dd"),
// bound as parameters: without them it would hold every company's stocktakings. The parts
// master is outer-joined, so that the count of a part missing from dbj002 still prints (its
// name blank) and no gain or loss goes unreported.

#include "grids/columns.h"
#include "grids/definitions.h"

namespace sparestock::grids {

GridDefinition r_bj606_001() {
  GridDefinition d;
  d.name = "r_bj606_001";
  d.title = "备件盘盈(亏)表";
  d.statement =
      "SELECT dbj032.drq, dbj032.cgsh, dbj032.ckh, dbj032.ckqh, dbj032.ccph, dbj002.ccpmc, "
      "dbj032.nzmsl, dbj032.nspsl, dbj032.ncsl, dbj002.cjldw, DXT004.CYHXM, dbj032.crym, "
      "dbj032.ckwh, dbj032.ndj FROM dbj002, dbj032, DXT004 WHERE ( dbj032.cgsh *= DXT004.CGSH) "
      "and ( dbj032.crym *= DXT004.CYHDM) and ( dbj032.cgsh *= dbj002.cgsh ) and "
      "( dbj032.ccph *= dbj002.ccph ) and ( dbj032.cgsh = :gsh ) and "
      "( convert(char(10),dbj032.drq,111) = :rq )";
  d.arguments = {string_arg("gsh"), string_arg("rq")};
  // Company, date and counter are printed in the page header after their captions.
  d.columns = {
      datetime_col("dbj032_drq", {}, kDate),
      char_col("dbj032_cgsh", 2),
      char_col("dbj032_ckh", 2, "库号"),
      char_col("dbj032_ckqh", 2, "库区"),
      char_col("dbj032_ccph", 20, "备件号"),
      char_col("dbj002_ccpmc", 30, "备件名称"),
      decimal_col("dbj032_nzmsl", 2, "帐面数量"),
      decimal_col("dbj032_nspsl", 2, "实盘数量"),
      decimal_col("dbj032_ncsl", 2, "盈亏数"),
      char_col("dbj002_cjldw", 4, "计量\n单位"),
      char_col("dxt004_cyhxm", 8),
      hidden(char_col("dbj032_crym", 3)),
      char_col("dbj032_ckwh", 10, "库位"),
      decimal_col("dbj032_ndj", 2, "成本单价"),
  };
  d.computed = {{"compute_1", " dbj032_ncsl  *  dbj032_ndj ", "金额", kAmount, GridType::Decimal, 2}};
  d.groups = {{{"dbj032_ckh"}}};
  d.band_items = {
      text_item(Band::Header, "t_1", "备件盘盈(亏)表"),
      text_item(Band::Header, "t_2", "公司"),
      value_item(Band::Header, "compute_3", "", "dbj032_cgsh"),
      text_item(Band::Header, "t_3", "盘点日期"),
      value_item(Band::Header, "compute_4", "", "dbj032_drq", kDate),
      text_item(Band::Header, "t_4", "清点人"),
      value_item(Band::Header, "compute_5", "", "dxt004_cyhxm"),
      value_item(Band::Footer, "compute_2", "", "'第 ' + page() + ' 页 '"),
  };
  d.sort = "dbj032_ckh A, dbj032_ckqh A, dbj032_ckwh A";
  d.print_columns = {"dbj032_ckh",   "dbj032_ckqh",  "dbj032_ckwh",  "dbj032_ccph",
                     "dbj002_ccpmc", "dbj002_cjldw", "dbj032_nzmsl", "dbj032_nspsl",
                     "dbj032_ncsl",  "dbj032_ndj",   "compute_1"};
  return d;
}

}  // namespace sparestock::grids
