// `sparestock user add|passwd --db TARGET --company C --user U [--name N]`: the administrator
// adds a user who may log in to the web application, or sets a user's password. The password
// is read from the terminal (asked twice, not echoed) or, when standard input is no terminal,
// from its first line; never from the command line, where other users could see it.

#include <termios.h>
#include <unistd.h>

#include <iostream>
#include <optional>

#include "app/commands.h"
#include "host/db/connection.h"
#include "schema/init.h"
#include "web/users.h"

namespace sparestock::app {

namespace {

struct UserArguments {
  std::string target, company, user, name;
};

std::optional<std::string> read_line_quietly(const char* prompt) {
  termios old{};
  bool terminal = tcgetattr(STDIN_FILENO, &old) == 0;
  if (terminal) {
    std::cerr << prompt << std::flush;
    termios quiet = old;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  std::string line;
  bool got = static_cast<bool>(std::getline(std::cin, line));
  if (terminal) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
    std::cerr << "\n";
  }
  if (!got) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// The new password, or nullopt after telling why there is none.
std::optional<std::string> read_password() {
  auto first = read_line_quietly("New password: ");
  if (!first) {
    std::cerr << "sparestock user: no password given on standard input\n";
    return std::nullopt;
  }
  if (isatty(STDIN_FILENO)) {
    auto again = read_line_quietly("Repeat it: ");
    if (!again || *again != *first) {
      std::cerr << "sparestock user: the two passwords differ; nothing changed\n";
      return std::nullopt;
    }
  }
  return first;
}

int run_user(const std::string& action, const UserArguments& a, bool name_given) {
  auto password = read_password();
  if (!password) return 1;
  try {
    auto conn = db::open_connection(a.target);
    if (action == "add")
      web::add_user(*conn, a.company, a.user, a.name, *password);
    else
      web::set_password(*conn, a.company, a.user, *password,
                        name_given ? std::optional<std::string>(a.name) : std::nullopt);
  } catch (const web::UserError& e) {
    std::cerr << "sparestock user: " << e.what() << "; nothing changed\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "sparestock user: " << schema::shown_target(a.target) << ": " << e.what() << "\n";
    return 1;
  }
  std::cout << "sparestock user: " << (action == "add" ? "added user " : "set the password of user ")
            << a.user << " of company " << a.company << "\n";
  return 0;
}

}  // namespace

void add_user_command(CLI::App& app, int& exit_code) {
  auto* cmd = app.add_subcommand("user", "add a user of the web application or set a password");
  cmd->require_subcommand(1);
  for (const char* action : {"add", "passwd"}) {
    auto* sub = cmd->add_subcommand(action, std::string(action) == "add"
                                                ? "add a user (the password is read from standard input)"
                                                : "set a user's password (read from standard input)");
    auto a = std::make_shared<UserArguments>();
    sub->add_option("--db", a->target, "SQLite file or postgresql:// URI")->required();
    sub->add_option("--company", a->company, "company number (CGSH)")->required();
    sub->add_option("--user", a->user, "user code (CYHDM)")->required();
    auto* name = sub->add_option("--name", a->name, "the user's name (CYHXM)");
    std::string which = action;
    sub->callback([a, name, which, &exit_code] { exit_code = run_user(which, *a, name->count() > 0); });
  }
}

}  // namespace sparestock::app
