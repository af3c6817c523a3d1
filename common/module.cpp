#include "common/module.h"

#include "common/menus.h"
#include "grids/definitions.h"
#include "stock_enquiry/w_bj704_001.h"
#include "stock_enquiry/w_bj704_001_001.h"
#include "stock_enquiry/w_bj704_001_003.h"
#include "stock_enquiry/w_bj704_002.h"

namespace sparestock::module {

void register_module() {
  grids::register_definitions();
  common::register_menus();
  stock_enquiry::register_w_bj704_002();
  stock_enquiry::register_w_bj704_001();
  stock_enquiry::register_w_bj704_001_001();
  stock_enquiry::register_w_bj704_001_003();
}

}  // namespace sparestock::module
