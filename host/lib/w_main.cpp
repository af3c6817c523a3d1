#include "host/lib/w_main.h"

namespace sparestock::lib {

void w_main::show_form(const std::string& name) {
  const ui::Globals& g = session_.globals();
  session_.frame_title = g.gs_title + g.gs_dq + name;
}

void w_main::restore_title() { session_.frame_title = session_.globals().gs_title; }

}  // namespace sparestock::lib
