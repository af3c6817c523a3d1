#pragma once
// The entry tables of a module library, numbered from its declarations.
//
// A module declares each object once (SPARESTOCK_WINDOW, SPARESTOCK_MENU, ...) and each script
// once (SPARESTOCK_SCRIPT, SPARESTOCK_CONTROL_SCRIPT, ...; host/lib/module_declarations.h).
// The build reads those declarations from the module's sources and writes a header that gives
// every object its number, its table of scripts and every script its entry name; the module's
// sources include it when they expand the declarations. Nothing is numbered by hand:
//
//   object number   the object's line in the module's object list (the first line is 1); a
//                   listed object that nothing declares keeps its number reserved
//   control number  0 is the object itself; a form deriving from another object of the module
//                   keeps its ancestor's control numbers, and the controls its own scripts name
//                   first follow, numbered on from the ancestor's highest in the order they first
//                   appear in the object's declarations
//   script number   per control, from 1 in the order of the object's declarations; on the
//                   object itself 0 is create, and 1 is destroy for a user object and fields for
//                   a structure
//
// A shared group (SPARESTOCK_SHARED_SCRIPT, SPARESTOCK_SHARED_CONTROL_SCRIPT) is a list of
// scripts written once for several objects; SPARESTOCK_SHARES places the group's scripts in an
// object's declarations at that point.
//
// All of an object's declarations are in the file that declares the object, so that their order
// is that of the file; a group's likewise. Declarations inside #if blocks are read as if the
// block were compiled: keep them out of conditional code.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sparestock::entry_tables {

// A declaration that cannot be numbered; the message starts with "file:line: ".
class EntryTableError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One declaration macro as written: its name and its arguments (the leading identifiers only;
// a script's call expression and anything after it are not kept).
struct Declaration {
  std::string macro;              // "SPARESTOCK_CONTROL_SCRIPT"
  std::vector<std::string> args;  // {"w_bj704_001", "cb_1", "clicked"}
  std::string file;
  int line = 0;
};

// The declarations in one source text, in order. Comments, string and character literals
// (raw strings too) and preprocessor lines are skipped, so a macro's own #define or a mention in
// a comment is not a declaration. Throws EntryTableError for a declaration whose leading
// arguments are not identifiers or whose parentheses do not close.
std::vector<Declaration> scan(std::string_view source, const std::string& file);

// The module's object list: one object name a line; blank lines and lines starting with '#'
// are ignored. Throws EntryTableError for a name listed twice or a line that is not a name.
std::vector<std::string> read_object_list(std::string_view text, const std::string& file);

struct Script {
  int control = 0;
  int number = 0;
  std::string control_name;  // "" for the object itself
  std::string event;
  std::string group;  // the shared group it comes from, "" for the object's own
};

struct Object {
  std::string name;
  std::string kind;  // window, menu, userobject, structure, grid, help
  std::string ancestor;
  int number = 0;
  std::vector<Script> scripts;  // by control, then script number
};

// Numbers every declared object. Throws EntryTableError naming the file and line of the first
// declaration that cannot be numbered: an object missing from the list or declared twice, a
// script of an undeclared object or group or in another file than its object, a control and
// event declared twice for one object, an ancestry that loops.
std::vector<Object> number_objects(const std::vector<std::string>& object_list,
                                   const std::vector<Declaration>& declarations);

// The header the module's sources include: per object SPARESTOCK_NUMBER_<object> and
// SPARESTOCK_SCRIPTS_<object>, per script SPARESTOCK_ENTRY_<object>[_<control>]_<event>, per
// use of a shared group SPARESTOCK_SHARES_<object>_<group>. Throws EntryTableError when two of
// these names would coincide.
std::string header(const std::vector<Object>& objects);

}  // namespace sparestock::entry_tables
