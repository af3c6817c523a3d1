#pragma once
// Subcommands of the `sparestock` program. Each registers itself on the application; its
// callback sets the process exit code through `exit_code`.

#include <CLI/CLI.hpp>

namespace sparestock::app {

void add_init_command(CLI::App& app, int& exit_code);
void add_grid_command(CLI::App& app, int& exit_code);
void add_print_command(CLI::App& app, int& exit_code);
void add_gg_command(CLI::App& app, int& exit_code);
void add_drive_command(CLI::App& app, int& exit_code);
void add_objects_command(CLI::App& app, int& exit_code);
void add_serve_command(CLI::App& app, int& exit_code);
void add_user_command(CLI::App& app, int& exit_code);
void add_check_ledger_command(CLI::App& app, int& exit_code);
void add_table_commands(CLI::App& app, int& exit_code);
void add_export_command(CLI::App& app, int& exit_code);

}  // namespace sparestock::app
