#include "common/menus.h"

namespace sparestock::common {

m_bj600_001::m_bj600_001(ui::Window& window) : m_e(window, "m_bj600_001") {
  for (const char* name : {"m_add", "m_delete", "m_cancel", "m_save"}) hide(name);
}

m_bj601_001::m_bj601_001(ui::Window& window) : m_e(window, "m_bj601_001") {
  for (const char* name : {"m_add", "m_delete"}) hide(name);
}

m_bj605_001::m_bj605_001(ui::Window& window)
    : m_module(window, "m_bj605_001"), inherited_add_(item("m_add").clicked) {}

void m_bj605_001::m_add_clicked() {
  if (inherited_add_) inherited_add_();
  item("m_add").enabled = false;
}

}  // namespace sparestock::common
