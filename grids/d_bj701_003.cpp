// d_bj701_003: empty stock records of a company (every quantity 0) that no stock document
// lists; the candidates for clearing a location.

#include "grids/columns.h"
#include "grids/definitions.h"

namespace sparestock::grids {

GridDefinition d_bj701_003() {
  GridDefinition d;
  d.name = "d_bj701_003";
  d.statement =
      "SELECT DISTINCT dbj030.ckh, dbj030.ckqh, dbj030.ckwh, dbj030.ccph FROM dbj030 WHERE "
      "( dbj030.nqcsl = 0 ) AND ( dbj030.nbqrk = 0 ) AND ( dbj030.nbqck = 0 ) AND "
      "( dbj030.nkcsl = 0 ) AND ( dbj030.nsqsl = 0 ) AND ( dbj030.ntzs = 0 ) AND "
      "( dbj030.nykps = 0 ) AND ( dbj030.njcsl = 0 ) AND ( dbj030.nsdsl = 0 ) AND "
      "( dbj030.cgsh = :cgsh) AND ( dbj030.ccph+dbj030.cgsh+dbj030.ckh not in "
      "(select a.ccph+b.cgsh+b.ckh from dbj029 a,dbj028 b where a.crcdh = b.crcdh and "
      "b.cgsh=:cgsh) ) ORDER BY dbj030.ckh ASC, dbj030.ckqh ASC";
  d.arguments = {string_arg("cgsh")};
  d.columns = {
      char_col("ckh", 2, "库号"),
      char_col("ckqh", 2, "库区号"),
      char_col("ckwh", 10, "库位号"),
      char_col("ccph", 20, "产品号"),
  };
  return d;
}

}  // namespace sparestock::grids
