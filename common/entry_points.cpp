// Entry points of the module's menus and record structures: each object and each of its
// scripts declared once; the build numbers them (docs/entry_points.md).

#include "common/entries.h"
#include "common/menus.h"
#include "common/structures.h"

namespace sparestock::common {

SPARESTOCK_MENU(m_bj600_001, m_e)
SPARESTOCK_MENU(m_bj601_001, m_e)
SPARESTOCK_MENU(m_bj605_001, m_module)
SPARESTOCK_CONTROL_SCRIPT(m_bj605_001, m_add, clicked, m_add_clicked())

SPARESTOCK_STRUCTURE(s_bj605_001)
SPARESTOCK_STRUCTURE(s_bj605_003)

}  // namespace sparestock::common
