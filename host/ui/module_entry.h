#pragma once
// Writing entry points by hand (see entry_points.h for the interface): an object's table with
// its numbers and one entry per script.
//
//   SPARESTOCK_OBJECT(w_fixture, "window", "", 1, {0, 0, "", "create"}, {1, 1, "cb_1", "clicked"})
//   SPARESTOCK_ENTRY(1, 0, 0) { return ui::created(new w_fixture(ui::session_arg(args))); }
//   SPARESTOCK_ENTRY(1, 1, 1) { ui::self_as<w_fixture>(self).cb_1_clicked(); return 0; }
//
// The module itself never numbers by hand: it declares its objects and scripts with
// host/lib/module_declarations.h, the build derives the numbers, and the declarations expand to
// these macros. Hand tables remain for libraries that must be written exactly, such as the
// loader's test fixtures.
//
// The runtime checks the tables against the entries when it loads the library, so a script
// listed without its entry (or an entry no table lists) stops the start instead of failing
// later.

#include <cstdint>

#include "host/ui/controls.h"
#include "host/ui/entry_points.h"
#include "host/ui/window.h"

#define SPARESTOCK_EXPORT extern "C" __attribute__((visibility("default"), used))

#define SPARESTOCK_OBJECT(name, kind, ancestor, number, ...)                  \
  namespace {                                                                 \
  const sparestock_script name##_scripts[] = {__VA_ARGS__};                   \
  }                                                                           \
  SPARESTOCK_EXPORT const sparestock_vtable_info* _getVtableInfo_##name() {   \
    static const sparestock_vtable_info info{                                 \
        SPARESTOCK_INTERFACE_VERSION,                                         \
        #name,                                                                \
        kind,                                                                 \
        ancestor,                                                             \
        number,                                                               \
        static_cast<int>(sizeof(name##_scripts) / sizeof(name##_scripts[0])), \
        name##_scripts};                                                      \
    return &info;                                                             \
  }

#define SPARESTOCK_ENTRY(object, control, script)                                              \
  SPARESTOCK_EXPORT intptr_t __fn_##object##_##control##_##script([[maybe_unused]] void* self, \
                                                                  [[maybe_unused]] void* args)

namespace sparestock::ui {

class Session;

// The object a script runs on. The runtime hands back what create answered, which is a pointer
// to the object's base (ui::Window for windows, the menu base for menus, the class itself for
// user objects), so the script converts from that base.
template <class T, class Base = Window>
T& self_as(void* self) {
  return static_cast<T&>(*static_cast<Base*>(self));
}
inline ScriptArgs& args_of(void* args) { return *static_cast<ScriptArgs*>(args); }
inline Session& session_arg(void* args) { return *static_cast<Session*>(args); }
inline Key key_arg(void* args) { return static_cast<Key>(args_of(args).key); }
inline long row_arg(void* args) { return args_of(args).row; }
// What create answers: the new object as a pointer to its base.
template <class Base = Window, class T>
intptr_t created(T* object) {
  return reinterpret_cast<intptr_t>(static_cast<Base*>(object));
}

}  // namespace sparestock::ui
