// sparestock: the spare-parts stock module and its runtime, one program with subcommands.

#include <iostream>

#include "app/commands.h"
#include "host/lib/module_loader.h"
#include "schema/procedures.h"

int main(int argc, char** argv) {
  CLI::App app{"sparestock - spare-parts stock of a vehicle dealer"};
  app.require_subcommand(1);
  int exit_code = 0;
  sparestock::schema::register_procedures();
  try {
    sparestock::lib::load_module();
  } catch (const sparestock::lib::ModuleError& e) {
    std::cerr << "sparestock: " << e.what() << "\n";
    return 1;
  }
  sparestock::app::add_init_command(app, exit_code);
  sparestock::app::add_grid_command(app, exit_code);
  sparestock::app::add_print_command(app, exit_code);
  sparestock::app::add_gg_command(app, exit_code);
  sparestock::app::add_drive_command(app, exit_code);
  sparestock::app::add_objects_command(app, exit_code);
  sparestock::app::add_serve_command(app, exit_code);
  sparestock::app::add_user_command(app, exit_code);
  sparestock::app::add_check_ledger_command(app, exit_code);
  sparestock::app::add_table_commands(app, exit_code);
  sparestock::app::add_export_command(app, exit_code);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const std::exception& e) {
    std::cerr << "sparestock: " << e.what() << "\n";
    return 1;
  }
  return exit_code;
}
