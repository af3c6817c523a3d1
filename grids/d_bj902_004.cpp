// d_bj902_004: rows of the cost price revision log dbj060. The cost revision inserts through
// it; the sequence number nsxh is the key and is assigned by the database.

#include "grids/columns.h"
#include "grids/definitions.h"

namespace sparestock::grids {

GridDefinition d_bj902_004() {
  GridDefinition d;
  d.name = "d_bj902_004";
  d.statement =
      "SELECT dbj060.drq, dbj060.cczr, dbj060.ckh, dbj060.ccph, dbj060.ntzje, dbj060.cny, "
      "dbj060.nsxh, dbj060.cbs, dbj060.nydj, dbj060.nxdj, dbj060.cgsh, dbj060.lbs, "
      "dbj060.nsxh1 FROM dbj060";
  ColumnDef sequence = key(long_col("nsxh", "Nsxh"));
  sequence.identity = true;
  d.columns = {
      updatable(datetime_col("drq", "Drq", kDateTime)),
      updatable(char_col("cczr", 8, "Cczr")),
      updatable(char_col("ckh", 2, "Ckh")),
      updatable(char_col("ccph", 20, "Ccph")),
      updatable(decimal_col("ntzje", 2, "Ntzje")),
      updatable(char_col("cny", 6, "Cny")),
      sequence,
      updatable(char_col("cbs", 1, "Cbs")),
      updatable(decimal_col("nydj", 2, "Nydj")),
      updatable(decimal_col("nxdj", 2, "Nxdj")),
      updatable(char_col("cgsh", 2, "Cgsh")),
      updatable(char_col("lbs", 1, "Lbs")),
      updatable(long_col("nsxh1", "Nsxh1")),
  };
  d.update_table = "dbj060";
  return d;
}

}  // namespace sparestock::grids
