// d_bj704_001: the twelve monthly quantities of one part in one year, from the procedure sp_kc.

#include "grids/columns.h"
#include "grids/definitions.h"

namespace sparestock::grids {

GridDefinition d_bj704_001() {
  GridDefinition d;
  d.name = "d_bj704_001";
  d.statement = "execute dbo.sp_kc;1 @gsh = :gsh, @cph = :cph, @ny = :ny";
  d.arguments = {string_arg("gsh"), string_arg("cph"), string_arg("ny")};
  static const char* const kMonths[] = {"一月", "二月", "三月", "四月", "五月",   "六月",
                                        "七月", "八月", "九月", "十月", "十一月", "十二月"};
  for (int m = 1; m <= 12; ++m) {
    d.columns.push_back(number_col("nbqck" + std::to_string(m), kMonths[m - 1]));
  }
  // The single row is headed 月份 above the month headings and 数量 before the quantities.
  d.band_items = {
      text_item(Band::Header, "t_1", "月份"),
      text_item(Band::Detail, "t_2", "数量"),
  };
  return d;
}

}  // namespace sparestock::grids
