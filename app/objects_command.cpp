// `sparestock objects`: the objects the runtime found in the module library with their numbers,
// and with --scripts every script and the entry it runs through (__fn_<object>_<control>_<script>).

#include <iostream>
#include <map>

#include <fmt/format.h>

#include "app/commands.h"
#include "host/lib/module_loader.h"

namespace sparestock::app {

void add_objects_command(CLI::App& app, int& exit_code) {
  auto* cmd = app.add_subcommand("objects", "list the objects and scripts of the module library");
  auto scripts = std::make_shared<bool>(false);
  cmd->add_flag("--scripts", *scripts, "also list every script with its entry");
  cmd->callback([scripts, &exit_code] {
    const auto& objects = lib::load_module();
    std::cout << "module library " << lib::default_module_path() << "\n";
    std::map<std::string, int> counts;
    for (const auto& o : objects) {
      ++counts[o.kind];
      std::cout << fmt::format("{:>3} {:<10} {:<18} {:<12} _getVtableInfo_{}  {} script{}\n", o.number,
                               o.kind, o.name, o.ancestor.empty() ? "-" : o.ancestor, o.name,
                               o.scripts.size(), o.scripts.size() == 1 ? "" : "s");
      if (!*scripts) continue;
      for (const auto& s : o.scripts)
        std::cout << fmt::format("      {:<14} {}{}{}\n", s.entry, s.control_name,
                                 s.control_name.empty() ? "" : ".", s.event);
    }
    std::cout << fmt::format(
        "{} forms, {} menus, {} user objects, {} structures, {} grid definitions, "
        "{} help topics\n",
        counts["window"], counts["menu"], counts["userobject"], counts["structure"], counts["grid"],
        counts["help"]);
    exit_code = 0;
  });
}

}  // namespace sparestock::app
