#pragma once
// The binary interface between the runtime and a module library.
//
// A module library exports, with C linkage:
//   - per object (form, menu, user object, structure, grid definition) one entry
//       const sparestock_vtable_info* _getVtableInfo_<object name>(void);
//     answering the object's table of scripts;
//   - per compiled script one entry
//       intptr_t __fn_<object>_<control>_<script>(void* self, void* args);
//     where the three numbers are those of the table. Control 0 is the object itself.
//
// Every object has the script (0, 0) "create". What create receives and answers, by kind:
//   window     self null, args ui::Session*          -> a new ui::Window* (the runtime owns it)
//   menu       self null, args ui::Window*           -> a new lib::Menu* attached to nothing yet
//   userobject self null, args ui::UserObjectCreate* -> a new object placed on that window
//   structure  self null, args null                  -> a new std::any* holding the zero value
//   grid       self null, args null                  -> a const grid::GridDefinition* (static)
// Every other script is an event handler or an object function; self is the object (the window,
// the menu, the user object), args a ui::ScriptArgs* carrying the event's arguments, and the
// answer is the handler's return value (0 for handlers that return nothing).
//
// The runtime checks at start-up that every listed script has its entry, that every exported
// entry belongs to a listed script, that each table names the object its entry is named after
// and speaks this interface's version, and that every script's control and event exist on the
// object as built; any mismatch stops the start with an error naming the object and entry.

#include <cstdint>
#include <string>

extern "C" {

struct sparestock_script {
  int control;               // 0: the object itself; else the control's number within it
  int script;                // number within the control
  const char* control_name;  // "" for the object itself; "cb_1", "dw_edit", "m_add"
  const char* event;         // "create", "open", "clicked", "ue_enter", "gg", ...
};

struct sparestock_vtable_info {
  int interface_version;  // SPARESTOCK_INTERFACE_VERSION of the library's build
  const char* object;     // class name, the suffix of the entry's name
  const char* kind;       // "window", "menu", "userobject", "structure", "grid"
  const char* ancestor;   // class the object derives from ("w_spmm", "m_e", "" for none)
  int object_number;      // the first number of the object's __fn_ entries
  int script_count;
  const sparestock_script* scripts;
};

typedef const sparestock_vtable_info* (*sparestock_vtable_fn)(void);
typedef intptr_t (*sparestock_script_fn)(void* self, void* args);
}

#define SPARESTOCK_INTERFACE_VERSION 1

namespace sparestock::ui {

class Window;

// Arguments of an event as the runtime hands them to a script. Which fields an event reads:
//   key                 ue_press
//   index               selectionchanged (1-based)
//   row                 grid clicked, doubleclicked, rowfocuschanged, itemchanged,
//                       itemfocuschanged, editchanged
//   column, data        itemchanged, editchanged (data), itemfocuschanged (column)
//   dberror             dberror (a grid::DbErrorEvent*)
struct ScriptArgs {
  int key = 0;  // a ui::Key
  int index = 0;
  long row = 0;
  std::string column;
  std::string data;
  const void* dberror = nullptr;
};

// What a user object's create script receives: the window it is placed on and its name there.
struct UserObjectCreate {
  Window* parent;
  const char* name;
};

}  // namespace sparestock::ui
