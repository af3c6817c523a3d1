#pragma once
// Translation of the T-SQL statements that grid definitions and embedded SQL are written in
// into the SQL of the backend that runs them.
//
// Understood constructs: SELECT [DISTINCT] with `alias = expr` and `expr [as] alias` items,
// FROM lists with table aliases, outer joins written `*=` / `=*` in the WHERE clause (the
// preserved table's rows are kept), `convert(char(10), x, 111)`, `+` between strings (decided
// from the catalog's column types; between numbers it stays addition), IN / NOT IN with lists
// or subqueries, LIKE, IS [NOT] NULL, GROUP BY, HAVING, ORDER BY; INSERT (with an optional
// RETURNING), UPDATE, DELETE; `execute [dbo.]name[;1] @arg = :host, ...`. Host variables are
// written `:name`. Anything else is refused with TranslationError naming the construct; a
// statement is never run half translated.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/db/catalog.h"
#include "host/db/connection.h"
#include "host/db/value.h"

namespace sparestock::db {

class TranslationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class StatementKind { Select, Insert, Update, Delete, Execute };

// One argument of `execute`: either a host variable (`@a = :a`) or a literal (`@num = 1`).
struct ProcedureArgument {
  std::string name;           // without '@', lower case
  std::string host_variable;  // without ':'; empty for a literal
  Value literal;
};

struct Translation {
  StatementKind kind = StatementKind::Select;
  // The backend's SQL with `?` placeholders (empty for Execute).
  std::string sql;
  // Host variable names (without ':') in placeholder order; a variable used twice appears twice.
  std::vector<std::string> parameters;
  // For SELECT ... INTO :a, :b: the host variables that take the first row's columns, in order
  // (the INTO clause itself is not part of `sql`).
  std::vector<std::string> into;
  // For Execute: the procedure's name (lower case, without owner and number) and arguments.
  std::string procedure;
  std::vector<ProcedureArgument> arguments;
};

// Throws TranslationError when the statement uses a construct outside the supported set, or
// is malformed.
Translation translate(std::string_view tsql, Backend backend, const Catalog& catalog);

}  // namespace sparestock::db
