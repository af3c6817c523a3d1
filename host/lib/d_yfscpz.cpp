#include "host/lib/d_yfscpz.h"

namespace sparestock::lib {

namespace {

grid::ColumnDef column(const char* name, grid::GridType type, const char* heading, int size) {
  grid::ColumnDef c;
  c.name = name;
  c.type = type;
  c.heading = heading;
  if (type == grid::GridType::Char) {
    c.length = size;
    c.format = "[general]";
  } else {
    c.scale = size;
    c.format = "##,###,###,##0.00";
  }
  return c;
}

}  // namespace

grid::GridDefinition d_yfscpz() {
  using grid::GridType;
  grid::GridDefinition d;
  d.name = kVoucherLinesGrid;
  d.columns = {
      column("czy", GridType::Char, "摘要", 60),         column("cjsfs", GridType::Char, "结算方式", 10),
      column("cpjh", GridType::Char, "票据号", 20),      column("njfje", GridType::Decimal, "借方金额", 2),
      column("ndfje", GridType::Decimal, "贷方金额", 2), column("ckm", GridType::Char, "科目", 20),
  };
  grid::ComputedDef total;
  total.name = "njfjehj";
  total.expression = "sum(njfje for all)";
  total.heading = "借方合计";
  total.format = "##,###,###,##0.00";
  d.computed = {total};
  return d;
}

}  // namespace sparestock::lib
