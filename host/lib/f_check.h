#pragma once
// f_check: the host's hook on a filter expression before a stock enquiry sets it. The forms set
// what it returns; this host returns the expression unchanged.

#include <string>

namespace sparestock::lib {

std::string f_check(const std::string& expression);

}  // namespace sparestock::lib
