// Entry points of the module's grid definitions: each object's create answers its definition,
// which the runtime installs under the object's name.

#include "common/entries.h"
#include "grids/definitions.h"

namespace sparestock::grids {

SPARESTOCK_GRID(d_bj704_002)
SPARESTOCK_GRID(d_bj704_0021)
SPARESTOCK_GRID(d_bj704_004)
SPARESTOCK_GRID(d_bj704_001)
SPARESTOCK_GRID(d_bjbq)
SPARESTOCK_GRID(d_bj701_001)
SPARESTOCK_GRID(d_bj701_002)
SPARESTOCK_GRID(d_bj701_003)
SPARESTOCK_GRID(d_bj703_002)
SPARESTOCK_GRID(d_bj902_002)
SPARESTOCK_GRID(d_bj902_004)
SPARESTOCK_GRID(d_bjcx_001)
SPARESTOCK_GRID(r_bj600_001)
SPARESTOCK_GRID(r_bj600_002)
SPARESTOCK_GRID(r_bj606_001)

}  // namespace sparestock::grids
