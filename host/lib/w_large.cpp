#include "host/lib/w_large.h"

#include "host/lib/global_functions.h"
#include "host/lib/help.h"
#include "host/lib/host_library.h"
#include "host/lib/menus.h"
#include "host/lib/w_main.h"

namespace sparestock::lib {

w_large::w_large(ui::Session& session, std::string class_name, ui::WindowType type)
    : Window(session, std::move(class_name), type) {
  register_host_library();
  menu = std::make_unique<m_e4>(*this);
  on_user_event("ue_first", [this] { ue_first(); });
  on_user_event("ue_last", [this] { ue_last(); });
  on_user_event("ue_next", [this] { ue_next(); });
  on_user_event("ue_end", [this] { ue_end(); });
  on_user_event("ue_help", [this] { ue_help(); });
}

void w_large::open() { w_main(session()).show_form(title); }

void w_large::close() { w_main(session()).restore_title(); }

void w_large::activate() { w_main(session()).show_form(title); }

ui::GridControl* w_large::main_grid() {
  for (ui::Control* c : controls())
    if (c->kind() == ui::ControlKind::Grid) return static_cast<ui::GridControl*>(c);
  return nullptr;
}

void w_large::ue_first() { move_row(RowStep::First); }

void w_large::ue_last() { move_row(RowStep::Prior); }

void w_large::ue_next() { move_row(RowStep::Next); }

void w_large::ue_end() { move_row(RowStep::Last); }

void w_large::move_row(RowStep step) {
  if (ui::GridControl* g = main_grid()) step_current_row(g->grid, step);
}

void w_large::ue_help() { f_open_help(session(), 0); }

int w_large::f_aotocenter() { return lib::f_aotocenter(*this); }

}  // namespace sparestock::lib
