#pragma once
// Loading a module library: the runtime opens the shared library, reads the entry points it
// exports (host/ui/entry_points.h), checks every table against the entries and against the
// objects as built, and makes each object known by class name — windows to the window
// registry, menus to the menu registry, grid definitions to the grid registry, structures to
// the close-value reporting (through their fields entry), help topics to the help window. Forms are then built through their create entries and their
// handlers run through their script entries.

#include <stdexcept>
#include <string>
#include <vector>

namespace sparestock::lib {

struct ModuleScript {
  int control = 0;
  int script = 0;
  std::string control_name;  // "" for the object itself
  std::string event;
  std::string entry;  // "__fn_4_2_1"
};

struct ModuleObject {
  std::string name;
  std::string kind;  // window, menu, userobject, structure, grid, help
  std::string ancestor;
  int number = 0;
  std::vector<ModuleScript> scripts;
};

// A module library that cannot be loaded, or whose entries do not match its tables.
class ModuleError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The library the runtime loads: $SPARESTOCK_MODULE when set, else libbj_stock.so beside the
// running program.
std::string default_module_path();

// Loads the module at `path`, checks it and registers its objects. Throws ModuleError naming
// the library, the object and the entry at the first mismatch; nothing is registered then.
// Loading is once per process: a later call answers the objects loaded first.
const std::vector<ModuleObject>& load_module(const std::string& path = default_module_path());

// Loads and checks the module at `path` as load_module does, without registering anything:
// the objects it would register. Throws ModuleError as load_module.
std::vector<ModuleObject> inspect_module(const std::string& path);

// The names of the dynamic symbols a shared library defines (its exports). Throws ModuleError
// when the file is not a readable 64-bit ELF shared object.
std::vector<std::string> exported_symbols(const std::string& path);

}  // namespace sparestock::lib
