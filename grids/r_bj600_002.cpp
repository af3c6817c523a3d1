// r_bj600_002: the stocktaking list as a counting sheet; the book quantity is not printed.

#include "grids/columns.h"
#include "grids/definitions.h"

namespace sparestock::grids {

GridDefinition r_bj600_002() {
  GridDefinition d = r_bj600_001();
  d.name = "r_bj600_002";
  d.statement =
      "SELECT distinct dbj032.ckh, dbj032.ckqh, dbj032.ccph, v_bj060.cpmc, v_bj060.jldw, "
      "v_bj060.zzh, dbj032.nspsl, dbj032.drq, dbj032.nzmsl, dbj032.ckwh FROM v_bj060, dbj032 "
      "WHERE ( v_bj060.gsh =* dbj032.cgsh) and ( v_bj060.cph =* dbj032.ccph) and "
      "( ( dbj032.cgsh = :gsh ) AND ( convert(char(10),dbj032.drq,111) = :rq ) AND "
      "( dbj032.lpfbs = 0 ) )";
  std::erase(d.print_columns, "dbj032_nzmsl");
  for (ColumnDef& c : d.columns) {
    if (c.name == "dbj032_nzmsl") {
      c.visible = false;
      c.heading.clear();
    }
  }
  return d;
}

}  // namespace sparestock::grids
