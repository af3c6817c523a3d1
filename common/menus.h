#pragma once
// The module's menus: reduced edit menus the host attaches to a form. Each inherits its items,
// texts and actions from a host menu (host/lib/menus.h) and changes only the state of a few:
//
//   m_bj600_001 (m_e)       m_add, m_delete, m_cancel, m_save hidden: entry and toolbar button
//   m_bj601_001 (m_e)       m_add, m_delete hidden
//   m_bj605_001 (m_module)  m_add runs the inherited action, then disables itself for the life
//                           of the menu

#include "host/lib/menus.h"

namespace sparestock::common {

class m_bj600_001 : public lib::m_e {
 public:
  explicit m_bj600_001(ui::Window& window);
};

class m_bj601_001 : public lib::m_e {
 public:
  explicit m_bj601_001(ui::Window& window);
};

class m_bj605_001 : public lib::m_module {
 public:
  explicit m_bj605_001(ui::Window& window);
  // Extends the inherited action of m_add.
  void m_add_clicked();

 private:
  std::function<void()> inherited_add_;
};

}  // namespace sparestock::common
