#pragma once
// Declaring a module's objects and scripts, one line each; the numbers of the entry points
// (host/ui/entry_points.h) are derived by the build, never written (rules in
// tools/entry_tables.h and docs/entry_points.md).
//
//   SPARESTOCK_WINDOW(w_bj704_002, w_small)             a form: its table and create
//   SPARESTOCK_MENU(m_bj600_001, m_e)                   a menu built on a window
//   SPARESTOCK_USEROBJECT(uo_pdpx)                      a user object: create and destroy
//   SPARESTOCK_STRUCTURE(s_bj605_001)                   create and fields (to_json of the struct)
//   SPARESTOCK_GRID(d_bj704_002)                        the definition d_bj704_002() answers
//   SPARESTOCK_HELP(help_201)                           the help topic help_201() answers
//
//   SPARESTOCK_SCRIPT(w_bj704_002, open, open())                           the object's own
//   SPARESTOCK_CONTROL_SCRIPT(w_bj704_002, pb_1, clicked, pb_1_clicked())  a control's
//
// The call is made on the object, with `args` (the event's arguments, see ui::ScriptArgs and
// the helpers in host/ui/module_entry.h) in scope; a call that returns a value answers it, one
// that returns nothing answers 0. A list of scripts several objects share is declared once,
// as a group, and placed in each object:
//
//   SPARESTOCK_SHARED_CONTROL_SCRIPT(stock_list_form, rb_3, clicked, rb_3_clicked())
//   SPARESTOCK_SHARES(w_bj704_001_003, stock_list_form)
//
// A source that declares includes this header and then the generated one
// ("generated/module_entries.h"); a declaration the build has not numbered does not compile.
// The object's class is the object's name, looked up where the declaration stands.

#include <any>
#include <string_view>
#include <type_traits>

#include <nlohmann/json.hpp>

#include "host/grid/definition.h"
#include "host/lib/help.h"
#include "host/lib/menus.h"
#include "host/ui/module_entry.h"
#include "host/ui/window.h"

namespace sparestock::lib::declared {

// What the runtime hands scripts as `self` is a pointer to this base of the object (the one
// create answered): ui::Window for forms, lib::Menu for menus, the class itself otherwise.
template <class T>
using script_base = std::conditional_t<std::is_base_of_v<ui::Window, T>, ui::Window,
                                       std::conditional_t<std::is_base_of_v<Menu, T>, Menu, T>>;

template <class T>
T& self(void* object) {
  return static_cast<T&>(*static_cast<script_base<T>*>(object));
}

template <class T>
intptr_t created(T* object) {
  return reinterpret_cast<intptr_t>(static_cast<script_base<T>*>(object));
}

// A script's answer: the call's value, or 0 for a call that returns nothing.
template <class F>
intptr_t result_of(F&& call) {
  if constexpr (std::is_void_v<std::invoke_result_t<F>>) {
    call();
    return 0;
  } else {
    return static_cast<intptr_t>(call());
  }
}

template <class T>
intptr_t create_window(void* args) {
  return declared::created(new T(ui::session_arg(args)));
}
template <class T>
intptr_t create_menu(void* args) {
  return declared::created(new T(*static_cast<ui::Window*>(args)));
}
template <class T>
intptr_t create_user_object(void* args) {
  const auto& place = *static_cast<ui::UserObjectCreate*>(args);
  return declared::created(new T(*place.parent, place.name));
}
template <class T>
intptr_t destroy_user_object(void* object) {
  delete &declared::self<T>(object);
  return 0;
}
// A structure's zero value, and its fields as JSON (through the structure's to_json).
template <class T>
intptr_t create_structure() {
  return reinterpret_cast<intptr_t>(new std::any(T{}));
}
template <class T>
intptr_t structure_fields(void* value, void* json) {
  *static_cast<nlohmann::json*>(json) = std::any_cast<const T&>(*static_cast<const std::any*>(value));
  return 0;
}
// A grid definition or a help topic: a copy the runtime takes over.
template <class Definition>
intptr_t copy_of(Definition definition) {
  return reinterpret_cast<intptr_t>(new Definition(std::move(definition)));
}

constexpr bool is_entry_name(std::string_view name) { return name.starts_with("__fn_"); }

}  // namespace sparestock::lib::declared

// An entry whose name the generated header gives; `fn` is SPARESTOCK_ENTRY_<...> and expands to
// __fn_<object>_<control>_<script> when the build numbered that declaration.
#define SPARESTOCK_DECLARED_ENTRY(fn) SPARESTOCK_DECLARED_ENTRY_(fn)
#define SPARESTOCK_DECLARED_ENTRY_(fn)                                                     \
  static_assert(::sparestock::lib::declared::is_entry_name(#fn),                           \
                "not numbered by the build (is the object in common/objects.txt and this " \
                "declaration outside #if?): " #fn);                                        \
  SPARESTOCK_EXPORT intptr_t fn([[maybe_unused]] void* self, [[maybe_unused]] void* args)

#define SPARESTOCK_DECLARED_OBJECT(name, kind, ancestor) \
  SPARESTOCK_OBJECT(name, kind, ancestor, SPARESTOCK_NUMBER_##name, SPARESTOCK_SCRIPTS_##name)

#define SPARESTOCK_WINDOW(name, ancestor)                          \
  SPARESTOCK_DECLARED_OBJECT(name, "window", #ancestor)            \
  SPARESTOCK_DECLARED_ENTRY(SPARESTOCK_ENTRY_##name##_create) {    \
    return ::sparestock::lib::declared::create_window<name>(args); \
  }

#define SPARESTOCK_MENU(name, ancestor)                          \
  SPARESTOCK_DECLARED_OBJECT(name, "menu", #ancestor)            \
  SPARESTOCK_DECLARED_ENTRY(SPARESTOCK_ENTRY_##name##_create) {  \
    return ::sparestock::lib::declared::create_menu<name>(args); \
  }

#define SPARESTOCK_USEROBJECT(name)                                      \
  SPARESTOCK_DECLARED_OBJECT(name, "userobject", "")                     \
  SPARESTOCK_DECLARED_ENTRY(SPARESTOCK_ENTRY_##name##_create) {          \
    return ::sparestock::lib::declared::create_user_object<name>(args);  \
  }                                                                      \
  SPARESTOCK_DECLARED_ENTRY(SPARESTOCK_ENTRY_##name##_destroy) {         \
    return ::sparestock::lib::declared::destroy_user_object<name>(self); \
  }

#define SPARESTOCK_STRUCTURE(name)                                          \
  SPARESTOCK_DECLARED_OBJECT(name, "structure", "")                         \
  SPARESTOCK_DECLARED_ENTRY(SPARESTOCK_ENTRY_##name##_create) {             \
    return ::sparestock::lib::declared::create_structure<name>();           \
  }                                                                         \
  SPARESTOCK_DECLARED_ENTRY(SPARESTOCK_ENTRY_##name##_fields) {             \
    return ::sparestock::lib::declared::structure_fields<name>(self, args); \
  }

#define SPARESTOCK_GRID(name)                                                                \
  SPARESTOCK_DECLARED_OBJECT(name, "grid", "")                                               \
  SPARESTOCK_DECLARED_ENTRY(SPARESTOCK_ENTRY_##name##_create) {                              \
    return ::sparestock::lib::declared::copy_of<::sparestock::grid::GridDefinition>(name()); \
  }

#define SPARESTOCK_HELP(name)                                                          \
  SPARESTOCK_DECLARED_OBJECT(name, "help", "")                                         \
  SPARESTOCK_DECLARED_ENTRY(SPARESTOCK_ENTRY_##name##_create) {                        \
    return ::sparestock::lib::declared::copy_of<::sparestock::lib::HelpTopic>(name()); \
  }

// The body of a script entry: the call made on the object of class T, its answer returned.
#define SPARESTOCK_CALL_ON(T, ...)               \
  return ::sparestock::lib::declared::result_of( \
      [&] { return ::sparestock::lib::declared::self<T>(self).__VA_ARGS__; })

#define SPARESTOCK_SCRIPT(object, event, ...) \
  SPARESTOCK_DECLARED_ENTRY(SPARESTOCK_ENTRY_##object##_##event) { SPARESTOCK_CALL_ON(object, __VA_ARGS__); }

#define SPARESTOCK_CONTROL_SCRIPT(object, control, event, ...)                 \
  SPARESTOCK_DECLARED_ENTRY(SPARESTOCK_ENTRY_##object##_##control##_##event) { \
    SPARESTOCK_CALL_ON(object, __VA_ARGS__);                                   \
  }

// A group's script, for whichever object places the group.
#define SPARESTOCK_SHARED_SCRIPT(group, event, ...)                                                        \
  template <class T>                                                                                       \
  intptr_t sparestock_shared_##group##_##event([[maybe_unused]] void* self, [[maybe_unused]] void* args) { \
    SPARESTOCK_CALL_ON(T, __VA_ARGS__);                                                                    \
  }

#define SPARESTOCK_SHARED_CONTROL_SCRIPT(group, control, event, ...)                      \
  template <class T>                                                                      \
  intptr_t sparestock_shared_##group##_##control##_##event([[maybe_unused]] void* self,   \
                                                           [[maybe_unused]] void* args) { \
    SPARESTOCK_CALL_ON(T, __VA_ARGS__);                                                   \
  }

// The group's entries for `object`, as the generated header lists them.
#define SPARESTOCK_SHARES(object, group) SPARESTOCK_SHARES_##object##_##group
#define SPARESTOCK_SHARED_ENTRY(fn, shared, object) \
  SPARESTOCK_DECLARED_ENTRY(fn) { return shared<object>(self, args); }
