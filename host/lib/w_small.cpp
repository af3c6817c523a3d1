#include "host/lib/w_small.h"

#include "host/lib/global_functions.h"
#include "host/lib/host_library.h"

namespace sparestock::lib {

w_small::w_small(ui::Session& session, std::string class_name, ui::WindowType type)
    : Window(session, std::move(class_name), type) {
  register_host_library();
}

int w_small::f_aotocenter() { return lib::f_aotocenter(*this); }

int w_small::closewithreturn(std::any value) {
  return session().windows().closewithreturn(*this, std::move(value));
}

}  // namespace sparestock::lib
