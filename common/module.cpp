#include "common/module.h"

#include "common/menus.h"
#include "grids/definitions.h"
#include "stock_enquiry/w_bj704_002.h"

namespace sparestock::module {

void register_module() {
  grids::register_definitions();
  common::register_menus();
  stock_enquiry::register_w_bj704_002();
}

}  // namespace sparestock::module
