// `sparestock drive --db TARGET`: the automation protocol as JSON Lines on stdin/stdout.

#include <iostream>

#include "app/commands.h"
#include "host/driver/driver.h"

namespace sparestock::app {

void add_drive_command(CLI::App& app, int& exit_code) {
  auto* cmd = app.add_subcommand("drive", "run the JSON automation protocol on stdin/stdout");
  auto target = std::make_shared<std::string>();
  cmd->add_option("--db", *target, "SQLite file or postgresql:// URI")->required();
  cmd->callback([target, &exit_code] {
    driver::Driver driver(*target);
    std::string line;
    while (std::getline(std::cin, line)) {
      if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
      std::cout << driver.handle_line(line) << std::endl;
    }
    exit_code = 0;
  });
}

}  // namespace sparestock::app
