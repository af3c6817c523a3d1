#pragma once
// The users who may log in: rows of DXT004 (company CGSH, user code CYHDM, name CYHXM, password
// hash cmmhx). The administrator adds users and sets their passwords with `sparestock user`;
// the web server reads them at login.

#include <optional>
#include <stdexcept>
#include <string>

#include "host/db/connection.h"

namespace sparestock::web {

struct UserRecord {
  std::string company;        // CGSH
  std::string code;           // CYHDM
  std::string name;           // CYHXM
  std::string password_hash;  // cmmhx; empty: no password set, the user cannot log in
};

// A request the user table refuses (bad code, unknown or existing user, short password); the
// message says why and nothing was written.
class UserError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Shortest password `add_user` and `set_password` accept, in characters.
inline constexpr size_t kMinPasswordLength = 6;

// The user `code` of `company`, or nullopt. Codes are compared as stored (after trimming the
// blanks around the typed ones). Throws db::DbError.
std::optional<UserRecord> find_user(db::Connection& conn, const std::string& company, const std::string& code);

// Adds a user with a password. Refused (UserError) when the company or code is empty or too
// long (2 and 3 characters), the name longer than 8 characters, the password shorter than
// kMinPasswordLength, or the user exists. Throws db::DbError.
void add_user(db::Connection& conn, const std::string& company, const std::string& code,
              const std::string& name, const std::string& password);

// Replaces the password of an existing user (and its name when `name` is given). Refused
// (UserError) for an unknown user or a short password. Throws db::DbError.
void set_password(db::Connection& conn, const std::string& company, const std::string& code,
                  const std::string& password, const std::optional<std::string>& name = {});

}  // namespace sparestock::web
