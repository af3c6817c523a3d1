// r_bj600_001: the stocktaking list 盘点清单 of one company and day, with book quantities.

#include "grids/columns.h"
#include "grids/definitions.h"

namespace sparestock::grids {

GridDefinition r_bj600_001() {
  GridDefinition d;
  d.name = "r_bj600_001";
  d.title = "盘点清单";
  d.statement =
      "SELECT dbj032.ckh, dbj032.ckqh, dbj032.ccph, v_bj060.cpmc, v_bj060.jldw, v_bj060.zzh, "
      "dbj032.nspsl, dbj032.drq, dbj032.nzmsl, dbj032.ckwh FROM v_bj060, dbj032 WHERE "
      "( v_bj060.gsh =* dbj032.cgsh) and ( v_bj060.cph =* dbj032.ccph) and "
      "( ( dbj032.cgsh = :gsh ) AND ( convert(char(10),dbj032.drq,111) = :rq ) AND "
      "( dbj032.lpfbs = 0 ) )";
  d.arguments = {string_arg("gsh"), string_arg("rq")};
  d.columns = {
      char_col("dbj032_ckh", 2, "库号"),
      char_col("dbj032_ckqh", 2, "库区号"),
      char_col("dbj032_ccph", 20, "产品号"),
      char_col("cpmc", 30, "产品名称"),
      char_col("v_bj060_jldw", 4, "计量单位"),
      hidden(char_col("v_bj060_zzh", 20)),
      decimal_col("dbj032_nspsl", 2, "实盘数量"),
      datetime_col("dbj032_drq", {}, kDate),  // printed in the page header
      decimal_col("dbj032_nzmsl", 2, "库存数量"),
      char_col("dbj032_ckwh", 10, "库位号"),
  };
  d.band_items = {
      text_item(Band::Header, "t_3", "盘点清单"),
      text_item(Band::Header, "t_4", "公司："),
      text_item(Band::Header, "t_2", ""),  // the company, set by the printing form
      text_item(Band::Header, "t_5", "盘点日期"),
      value_item(Band::Header, "compute_2", "", "dbj032_drq", kDate),
      text_item(Band::Footer, "t_6", "清点人："),
      text_item(Band::Footer, "t_1", ""),  // the counter, set by the printing form
      value_item(Band::Footer, "compute_1", "", "'第 ' + page() + ' 页 '"),
  };
  d.sort = "dbj032_ckh A, dbj032_ckqh A, dbj032_ckwh A, dbj032_ccph A";
  d.print_columns = {"dbj032_ckh", "dbj032_ckqh",  "dbj032_ckwh",  "dbj032_ccph",
                     "cpmc",       "dbj032_nzmsl", "v_bj060_jldw", "dbj032_nspsl"};
  return d;
}

}  // namespace sparestock::grids
