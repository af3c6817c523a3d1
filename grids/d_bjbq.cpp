// d_bjbq: part labels, two across each line. Every label prints the part name, part number,
// warehouse, zone and location of one stock record of the view V_KCMX.

#include "grids/columns.h"
#include "grids/definitions.h"

namespace sparestock::grids {

GridDefinition d_bjbq() {
  GridDefinition d;
  d.name = "d_bjbq";
  d.statement =
      "SELECT V_KCMX.cgsh, V_KCMX.ccph, V_KCMX.ccpmc, V_KCMX.nkcsl, V_KCMX.nkykc, "
      "V_KCMX.nckdj, V_KCMX.nwxdj, V_KCMX.ndj, V_KCMX.je, V_KCMX.ncgdj, V_KCMX.ncbgx, "
      "V_KCMX.ncbdx, V_KCMX.ccjh, V_KCMX.cjldw, V_KCMX.ckh, V_KCMX.ckqh, V_KCMX.ckwh, "
      "V_KCMX.cflh, V_KCMX.ccxh, V_KCMX.cpym, V_KCMX.lcyjbs, V_KCMX.njcsl, V_KCMX.dzhckrq, "
      "V_KCMX.zzh FROM V_KCMX";
  d.columns = {
      hidden(char_col("cgsh", 2)),
      char_col("ccph", 20),
      char_col("ccpmc", 30),
      hidden(decimal_col("nkcsl", 2)),
      hidden(decimal_col("nkykc", 2)),
      hidden(decimal_col("nckdj", 2)),
      hidden(decimal_col("nwxdj", 2)),
      hidden(decimal_col("ndj", 2)),
      hidden(decimal_col("je", 4)),
      hidden(decimal_col("ncgdj", 2)),
      hidden(long_col("ncbgx")),
      hidden(long_col("ncbdx")),
      hidden(char_col("ccjh", 18)),
      hidden(char_col("cjldw", 4)),
      char_col("ckh", 2),
      char_col("ckqh", 2),
      char_col("ckwh", 10),
      hidden(char_col("cflh", 3)),
      hidden(char_col("ccxh", 2)),
      hidden(char_col("cpym", 12)),
      hidden(number_col("lcyjbs")),
      hidden(decimal_col("njcsl", 2)),
      hidden(datetime_col("dzhckrq")),
      hidden(char_col("zzh", 20)),
  };
  d.across = 2;
  // Left label _1, right label _2; the part name is printed 18-point bold, the others after
  // their captions.
  const std::pair<const char*, const char*> items[] = {
      {"ccpmc", ""}, {"ccph", "备件号："}, {"ckh", "库号："}, {"ckqh", "库区："}, {"ckwh", "库位："}};
  for (const char* side : {"1", "2"}) {
    for (auto [column, caption] : items) {
      BandItemDef item;
      item.band = Band::Detail;
      item.name = std::string(column) + "_" + side;
      item.label = caption;
      item.expression = column;
      item.format = kGeneral;
      d.band_items.push_back(item);
    }
  }
  // Each label carries its part number as a Code 128 barcode, for hand scanners.
  d.barcode = "ccph";
  return d;
}

}  // namespace sparestock::grids
