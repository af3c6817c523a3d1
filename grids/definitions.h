#pragma once
// One function per grid definition of the module; registry.cpp installs them.

#include "host/grid/definition.h"

namespace sparestock::grids {

// Installs every definition below into the runtime (idempotent).
void register_definitions();

grid::GridDefinition d_bj704_002();
grid::GridDefinition d_bj704_0021();
grid::GridDefinition d_bj704_004();
grid::GridDefinition d_bj704_001();
grid::GridDefinition d_bjbq();
grid::GridDefinition d_bj701_001();
grid::GridDefinition d_bj701_002();
grid::GridDefinition d_bj701_003();
grid::GridDefinition d_bj703_002();
grid::GridDefinition d_bj902_002();
grid::GridDefinition d_bj902_004();
grid::GridDefinition d_bjcx_001();
grid::GridDefinition r_bj600_001();
grid::GridDefinition r_bj600_002();
grid::GridDefinition r_bj606_001();

}  // namespace sparestock::grids
