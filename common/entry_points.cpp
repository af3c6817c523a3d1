// Entry points of the module's menus and record structures. Object numbers of the whole
// module are listed in docs/entry_points.md.

#include <nlohmann/json.hpp>

#include "common/menus.h"
#include "common/structures.h"
#include "host/ui/module_entry.h"

namespace sparestock::common {

namespace {
template <class M>
intptr_t create_menu(void* window) {
  return ui::created<lib::Menu>(new M(*static_cast<ui::Window*>(window)));
}
nlohmann::json& json_arg(void* args) { return *static_cast<nlohmann::json*>(args); }
template <class S>
const S& structure_of(void* self) {
  return std::any_cast<const S&>(*static_cast<std::any*>(self));
}
}  // namespace

SPARESTOCK_OBJECT(m_bj600_001, "menu", "m_e", 9, {0, 0, "", "create"})
SPARESTOCK_ENTRY(9, 0, 0) { return create_menu<m_bj600_001>(args); }

SPARESTOCK_OBJECT(m_bj601_001, "menu", "m_e", 10, {0, 0, "", "create"})
SPARESTOCK_ENTRY(10, 0, 0) { return create_menu<m_bj601_001>(args); }

SPARESTOCK_OBJECT(m_bj605_001, "menu", "m_module", 11, {0, 0, "", "create"},
                  {1, 1, "m_add", "clicked"})
SPARESTOCK_ENTRY(11, 0, 0) { return create_menu<m_bj605_001>(args); }
SPARESTOCK_ENTRY(11, 1, 1) {
  ui::self_as<m_bj605_001, lib::Menu>(self).m_add_clicked();
  return 0;
}

SPARESTOCK_OBJECT(s_bj605_001, "structure", "", 13, {0, 0, "", "create"}, {0, 1, "", "fields"})
SPARESTOCK_ENTRY(13, 0, 0) { return reinterpret_cast<intptr_t>(new std::any(s_bj605_001{})); }
SPARESTOCK_ENTRY(13, 0, 1) {
  const auto& s = structure_of<s_bj605_001>(self);
  json_arg(args) = {{"kh", s.kh}, {"km", s.km}, {"kq", s.kq}, {"kqm", s.kqm}, {"kw", s.kw}};
  return 0;
}

SPARESTOCK_OBJECT(s_bj605_003, "structure", "", 14, {0, 0, "", "create"}, {0, 1, "", "fields"})
SPARESTOCK_ENTRY(14, 0, 0) { return reinterpret_cast<intptr_t>(new std::any(s_bj605_003{})); }
SPARESTOCK_ENTRY(14, 0, 1) {
  const auto& s = structure_of<s_bj605_003>(self);
  json_arg(args) = {{"cph", s.cph}, {"cpmc", s.cpmc}, {"cbdj", s.cbdj.to_string()}};
  return 0;
}

}  // namespace sparestock::common
