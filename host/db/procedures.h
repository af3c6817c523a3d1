#pragma once
// Stored procedures, implemented once in C++ over portable SQL and reached through `execute`.
// They run on the caller's connection, inside the caller's unit of work.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/db/connection.h"

namespace sparestock::db {

class Transaction;

// Arguments by name (lower case, without '@').
using ProcedureArguments = std::map<std::string, Value>;

struct ProcedureSpec {
  std::string name;                     // lower case, e.g. "sp_kc"
  std::vector<std::string> parameters;  // every one is required
  bool writes = false;                  // begins a unit of work when it runs
  // Returns the procedure's rows (a cursor with no columns when it returns none).
  // Throws DbError on failure; what it wrote is then undone by the caller's rollback.
  std::function<std::unique_ptr<Cursor>(Transaction&, const ProcedureArguments&)> body;
};

void register_procedure(ProcedureSpec procedure);
const ProcedureSpec* find_procedure(const std::string& name);

}  // namespace sparestock::db
