// d_bj701_001: the company's stock records for editing. Writes dbj030, keyed by company,
// warehouse and part. Company, part and locked quantity are required: a record is never stored
// without them. The place (warehouse, zone, location) is not marked required, so that the
// adjustment form can tell which of the three is missing in its own words.

#include "grids/columns.h"
#include "grids/definitions.h"

namespace sparestock::grids {

GridDefinition d_bj701_001() {
  constexpr const char* kQuantity = "#,###,###,##0.00";
  GridDefinition d;
  d.name = "d_bj701_001";
  d.statement =
      "SELECT dbj030.cgsh, dbj030.ckh, dbj030.ckqh, dbj030.ccph, dbj030.nkcsl, dbj030.nsdsl, "
      "dbj030.ckwh FROM dbj030 WHERE dbj030.cgsh = :gsh";
  d.arguments = {string_arg("gsh")};
  d.columns = {
      required(key(updatable(char_col("cgsh", 2, "公司号")))),
      key(updatable(char_col("ckh", 2, "库号"))),
      updatable(char_col("ckqh", 2, "库区号")),
      required(key(updatable(char_col("ccph", 20, "备件号")))),
      updatable(decimal_col("nkcsl", 2, "库存数量", kQuantity)),
      required(updatable(decimal_col("nsdsl", 2, "锁定数量", kQuantity))),
      updatable(char_col("ckwh", 10, "库位号")),
  };
  d.update_table = "dbj030";
  return d;
}

}  // namespace sparestock::grids
