#include "web/users.h"

#include <fmt/format.h>

#include "host/base/text.h"
#include "web/crypto.h"

namespace sparestock::web {

namespace {

// A typed code, trimmed; refused when empty, longer than its column or holding control
// characters.
std::string code_of(const std::string& typed, size_t limit, const char* what) {
  std::string code(text::trim(typed));
  if (code.empty()) throw UserError(fmt::format("the {} is empty", what));
  if (text::char_count(code) > limit)
    throw UserError(fmt::format("the {} \"{}\" is longer than {} characters", what, code, limit));
  for (unsigned char c : code)
    if (c < 0x20 || c == 0x7f) throw UserError(fmt::format("the {} holds a control character", what));
  return code;
}

void check_name(const std::string& name) {
  if (text::char_count(name) > 8) throw UserError("the name \"" + name + "\" is longer than 8 characters");
}

void check_password(const std::string& password) {
  if (text::char_count(password) < kMinPasswordLength)
    throw UserError(fmt::format("the password must have at least {} characters", kMinPasswordLength));
}

}  // namespace

std::optional<UserRecord> find_user(db::Connection& conn, const std::string& company,
                                    const std::string& code) {
  auto cursor = conn.query("SELECT CGSH, CYHDM, CYHXM, cmmhx FROM DXT004 WHERE CGSH = ? AND CYHDM = ?",
                           {text::trim(company), text::trim(code)});
  if (!cursor->next()) return std::nullopt;
  UserRecord u;
  u.company = std::string(cursor->text(0));
  u.code = std::string(cursor->text(1));
  u.name = std::string(cursor->text(2));
  u.password_hash = std::string(cursor->text(3));
  return u;
}

void add_user(db::Connection& conn, const std::string& company, const std::string& code,
              const std::string& name, const std::string& password) {
  std::string cgsh = code_of(company, 2, "company");
  std::string cyhdm = code_of(code, 3, "user code");
  check_name(name);
  check_password(password);
  if (find_user(conn, cgsh, cyhdm))
    throw UserError(fmt::format("user {} of company {} exists already", cyhdm, cgsh));
  std::string hash = hash_password(password);
  conn.exec("INSERT INTO DXT004 (CGSH, CYHDM, CYHXM, cmmhx) VALUES (?, ?, ?, ?)", {cgsh, cyhdm, name, hash});
}

void set_password(db::Connection& conn, const std::string& company, const std::string& code,
                  const std::string& password, const std::optional<std::string>& name) {
  std::string cgsh = code_of(company, 2, "company");
  std::string cyhdm = code_of(code, 3, "user code");
  if (name) check_name(*name);
  check_password(password);
  if (!find_user(conn, cgsh, cyhdm)) throw UserError(fmt::format("no user {} of company {}", cyhdm, cgsh));
  std::string hash = hash_password(password);
  if (name)
    conn.exec("UPDATE DXT004 SET cmmhx = ?, CYHXM = ? WHERE CGSH = ? AND CYHDM = ?",
              {hash, *name, cgsh, cyhdm});
  else
    conn.exec("UPDATE DXT004 SET cmmhx = ? WHERE CGSH = ? AND CYHDM = ?", {hash, cgsh, cyhdm});
}

}  // namespace sparestock::web
