#include "host/lib/f_check.h"

namespace sparestock::lib {

std::string f_check(const std::string& expression) { return expression; }

}  // namespace sparestock::lib
