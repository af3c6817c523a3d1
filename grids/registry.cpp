// The module's grid definitions, installed into the runtime once.

#include <mutex>

#include "grids/definitions.h"

namespace sparestock::grids {

void register_definitions() {
  static std::once_flag once;
  std::call_once(once, [] {
    grid::install_definitions({
        d_bj704_002(),
        d_bj704_0021(),
        d_bj704_004(),
        d_bj704_001(),
        d_bjbq(),
        d_bj701_001(),
        d_bj701_002(),
        d_bj701_003(),
        d_bj703_002(),
        d_bj902_002(),
        d_bj902_004(),
        d_bjcx_001(),
        r_bj600_001(),
        r_bj600_002(),
        r_bj606_001(),
    });
  });
}

}  // namespace sparestock::grids
