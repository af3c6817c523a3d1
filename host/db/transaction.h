#pragma once
// The transaction object (`sqlca`, `sqlls`): one connection to the database, the statements of
// the module written in T-SQL with `:name` host variables, and after every statement the
// outcome in `sqlcode` (0 done, 100 no row, -1 error), `sqlerrtext` and `sqldbcode`.
//
// Units of work. A unit of work begins with the first statement that writes (INSERT, UPDATE,
// DELETE, or a procedure that writes) and ends with commit() or rollback(); reads outside a unit
// see the latest committed data, as on a server at read-committed isolation. Reads inside a unit
// see its own writes. A failed statement leaves the unit open: the caller decides to roll back.
//
// Values keep their column's type on both backends (tsql.h): a host variable written into a
// char(n) column loses its trailing blanks and one longer than n characters is refused with
// sqlcode -1 and an sqlerrtext naming the column; one written into a decimal column is rounded
// to its scale. On SQLite decimal arithmetic and comparisons are made exact at the scale of
// their operands, and a computed decimal result column reads back as a decimal.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "host/db/catalog.h"
#include "host/db/connection.h"
#include "host/db/tsql.h"
#include "host/db/value.h"

namespace sparestock::db {

using HostVariables = std::vector<std::pair<std::string, Value>>;  // name without ':'

class Transaction {
 public:
  explicit Transaction(std::string name = "sqlca") : name_(std::move(name)) {}
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  long sqlcode = 0;
  std::string sqlerrtext;
  long sqldbcode = 0;
  long sqlnrows = 0;

  const std::string& name() const { return name_; }

  // Connects to a target (SQLite file path or postgresql:// URI). sqlcode 0, or -1 with the
  // reason in sqlerrtext. An existing SQLite file is required unless `create` is set.
  long connect(const std::string& target, bool create = false);
  void disconnect();
  bool connected() const { return conn_ != nullptr; }
  Backend backend() const;

  // Runs one statement. For SELECT, sqlcode is 100 when it returns no row; sqlnrows counts rows
  // changed (or returned). Returns sqlcode.
  long execute(std::string_view tsql, const HostVariables& vars = {});
  // Single-row select into host variables: the first row, or nullopt with sqlcode 100 when
  // there is none (and -1 on error).
  std::optional<std::vector<Value>> select_row(std::string_view tsql, const HostVariables& vars = {});
  // Opens a cursor over a SELECT or a procedure's rows (grid retrieval). nullptr with
  // sqlcode -1 on error.
  std::unique_ptr<Cursor> open_cursor(std::string_view tsql, const HostVariables& vars = {});

  long commit();
  long rollback();
  bool in_unit_of_work() const { return conn_ && conn_->in_transaction(); }

  const Catalog& catalog() const { return catalog_; }
  // Re-reads the catalog (after the schema was created on this connection).
  void reload_catalog();
  // The backend connection, for stored procedures and the schema loader.
  // REQUIRES: connected().
  Connection& connection() { return *conn_; }

  // Marks the start of a unit of work if none is open (procedures that write call this).
  void begin_unit_of_work();

  // Turns the exact decimal handling of SQLite off or on again. For benchmarks that measure
  // its cost only; nothing else may turn it off.
  void set_exact_decimals(bool on);

 private:
  const Translation& translated(std::string_view tsql);
  std::vector<Value> bind(const Translation& t, const HostVariables& vars);
  void fail(const std::exception& e);
  void succeed(long code = 0);
  std::unique_ptr<Cursor> run_procedure(const Translation& t, const HostVariables& vars);
  std::unique_ptr<Cursor> query(const Translation& t, const HostVariables& vars);

  std::string name_;
  std::unique_ptr<Connection> conn_;
  Catalog catalog_;
  TranslateOptions options_;
  std::unordered_map<std::string, Translation> cache_;
};

}  // namespace sparestock::db
