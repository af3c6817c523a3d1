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
//
// Column types, from the catalog, keep their meaning on both backends:
// - char(n): a value written into the column (host variable, literal or expression) loses its
//   trailing blanks and may not be longer than n characters; a host variable or literal
//   compared with the column loses its trailing blanks too;
// - decimal(p, s): a value written is rounded to s places; on SQLite, which computes in binary
//   floating point, arithmetic written into the column is rounded by the connection's function
//   round_decimal(x, s), comparisons of decimal expressions are made at the scale their
//   operands carry (`a = b` as `abs(a - b) < 0.005` for 2 places), and decimal arithmetic in
//   the select list is reported as a decimal result column so that readers round it.

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

// What the data layer does with a host variable's value before binding it.
struct ParameterUse {
  enum class Kind {
    Plain,         // bound as given
    CompareChar,   // compared with a char column: trailing blanks dropped
    WriteChar,     // written into a char column: trailing blanks dropped, length checked
    WriteDecimal,  // written into a decimal column: read as a decimal, rounded to its scale
  };
  Kind kind = Kind::Plain;
  std::string column;  // "table.column" the value is written into or compared with
  int length = 0;      // WriteChar: characters the column holds (0: no limit)
  int scale = 0;       // WriteDecimal: places
};

struct TranslateOptions {
  // SQLite only: the decimal rounding of writes, comparisons and result columns described
  // above. Turned off only to measure what it costs.
  bool exact_decimals = true;
};

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
  // Per placeholder, parallel to `parameters`.
  std::vector<ParameterUse> uses;
  // For SELECT: per select item, the type the translation derived for a computed item (decimal
  // arithmetic, sums) at the scale its operands carry; Unknown elsewhere and for `*`. Empty
  // when the select list holds `*`.
  std::vector<ColumnInfo> result_types;
  // For SELECT ... INTO :a, :b: the host variables that take the first row's columns, in order
  // (the INTO clause itself is not part of `sql`).
  std::vector<std::string> into;
  // For Execute: the procedure's name (lower case, without owner and number) and arguments.
  std::string procedure;
  std::vector<ProcedureArgument> arguments;
};

// A host variable's value as it is bound for `use`: without trailing blanks for a char column,
// as a decimal at the column's scale (rounded half away from zero) for a decimal column; null
// stays null. Throws DbError naming the column for a value longer than a char column holds
// (counted in characters) or one that does not read as a number for a decimal column.
Value bound_value(const Value& value, const ParameterUse& use);

// Throws TranslationError when the statement uses a construct outside the supported set, or
// is malformed.
Translation translate(std::string_view tsql, Backend backend, const Catalog& catalog,
                      const TranslateOptions& options = {});

}  // namespace sparestock::db
