#include "common/module.h"

#include "stock_enquiry/w_bj704_001.h"
#include "stock_enquiry/w_bj704_001_001.h"
#include "stock_enquiry/w_bj704_001_003.h"

namespace sparestock::module {

void register_module() {
  stock_enquiry::register_w_bj704_001();
  stock_enquiry::register_w_bj704_001_001();
  stock_enquiry::register_w_bj704_001_003();
}

namespace {
// Runs when the runtime loads the library, before it reads the entry points.
[[maybe_unused]] const bool registered = (register_module(), true);
}  // namespace

}  // namespace sparestock::module
