#include "common/module.h"

#include "stock_enquiry/s_bj704_001.h"

namespace sparestock::module {

void register_module() {
  // The stock row handed back by the enquiry forms belongs to the host's contract rather than
  // to the module's objects; its JSON form is registered when the library is loaded.
  stock_enquiry::register_s_bj704_001();
}

namespace {
// Runs when the runtime loads the library, before it reads the entry points.
[[maybe_unused]] const bool registered = (register_module(), true);
}  // namespace

}  // namespace sparestock::module
