#include "common/module.h"

namespace sparestock::module {

void register_module() {
  // Nothing beside the entry points so far: every object, the stock row s_bj704_001 and the
  // help topics included, is found and registered through them.
}

namespace {
// Runs when the runtime loads the library, before it reads the entry points.
[[maybe_unused]] const bool registered = (register_module(), true);
}  // namespace

}  // namespace sparestock::module
