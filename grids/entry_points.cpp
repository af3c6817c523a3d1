// Entry points of the module's grid definitions: each object's create answers its definition,
// which the runtime installs under the object's name.

#include "grids/definitions.h"
#include "host/ui/module_entry.h"

namespace sparestock::grids {

#define SPARESTOCK_GRID(name, number)                       \
  SPARESTOCK_OBJECT(name, "grid", "", number, {0, 0, "", "create"}) \
  SPARESTOCK_ENTRY(number, 0, 0) { return reinterpret_cast<intptr_t>(new grid::GridDefinition(name())); }

SPARESTOCK_GRID(d_bj704_002, 15)
SPARESTOCK_GRID(d_bj704_0021, 16)
SPARESTOCK_GRID(d_bj704_004, 17)
SPARESTOCK_GRID(d_bj704_001, 18)
SPARESTOCK_GRID(d_bjbq, 19)
SPARESTOCK_GRID(d_bj701_001, 20)
SPARESTOCK_GRID(d_bj701_002, 21)
SPARESTOCK_GRID(d_bj701_003, 22)
SPARESTOCK_GRID(d_bj703_002, 23)
SPARESTOCK_GRID(d_bj902_002, 24)
SPARESTOCK_GRID(d_bj902_004, 25)
SPARESTOCK_GRID(d_bjcx_001, 26)
SPARESTOCK_GRID(r_bj600_001, 27)
SPARESTOCK_GRID(r_bj600_002, 28)
SPARESTOCK_GRID(r_bj606_001, 29)

}  // namespace sparestock::grids
