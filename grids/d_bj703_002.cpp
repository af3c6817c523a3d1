// d_bj703_002: parts outside their reserve limits, from the procedure sp_kcbj. The standing
// filter hides parts for which neither limit is set.

#include "grids/columns.h"
#include "grids/definitions.h"

namespace sparestock::grids {

GridDefinition d_bj703_002() {
  GridDefinition d;
  d.name = "d_bj703_002";
  d.statement = "execute dbo.sp_kcbj;1 @gsh = :gsh, @num = :num";
  d.arguments = {string_arg("gsh"), number_arg("num")};
  ColumnDef common = number_col("lcyjbs", "常用件");
  common.code_table = {{"1", "常用"}, {"0", ""}};
  d.columns = {
      char_col("cgsh", 2, "公司号"),
      char_col("ccph", 20, "备件号"),
      char_col("ccpmc", 30, "备件名称"),
      decimal_col("ncbgx", 2, "储备高限"),
      decimal_col("ncbdx", 2, "储备低限"),
      number_col("ndzts", "呆滞天数"),
      decimal_col("nkcsl", 2, "库存数量"),
      char_col("ccxh", 2, "车型号"),
      char_col("cflh", 3, "分类号"),
      common,
      datetime_col("dzhckrq", "最后出库日期", kDate),
  };
  d.filter = " ncbgx <> 0 or  ncbdx <> 0";
  return d;
}

}  // namespace sparestock::grids
