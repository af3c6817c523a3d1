#include "common/menus.h"

#include <mutex>

namespace sparestock::common {

m_bj600_001::m_bj600_001(ui::Window& window) : m_e(window, "m_bj600_001") {
  for (const char* name : {"m_add", "m_delete", "m_cancel", "m_save"}) hide(name);
}

m_bj601_001::m_bj601_001(ui::Window& window) : m_e(window, "m_bj601_001") {
  for (const char* name : {"m_add", "m_delete"}) hide(name);
}

m_bj605_001::m_bj605_001(ui::Window& window) : m_module(window, "m_bj605_001") {
  lib::MenuItem& add = item("m_add");
  add.clicked = [&add, inherited = add.clicked] {
    if (inherited) inherited();
    add.enabled = false;
  };
}

void register_menus() {
  static std::once_flag once;
  std::call_once(once, [] {
    lib::register_menu_class("m_bj600_001", [](ui::Window& w) -> std::unique_ptr<lib::Menu> {
      return std::make_unique<m_bj600_001>(w);
    });
    lib::register_menu_class("m_bj601_001", [](ui::Window& w) -> std::unique_ptr<lib::Menu> {
      return std::make_unique<m_bj601_001>(w);
    });
    lib::register_menu_class("m_bj605_001", [](ui::Window& w) -> std::unique_ptr<lib::Menu> {
      return std::make_unique<m_bj605_001>(w);
    });
  });
}

}  // namespace sparestock::common
