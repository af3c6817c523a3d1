#pragma once
// The backend connection: one database session on SQLite or PostgreSQL, speaking the backend's
// own SQL with `?` placeholders. Everything above it (transaction objects, grids, stored
// procedures, the demo generator) goes through this interface, so both backends run the same
// code paths.

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/db/catalog.h"
#include "host/db/value.h"

namespace sparestock::db {

enum class Backend { Sqlite, Postgres };
std::string_view backend_name(Backend b);  // "sqlite", "postgres"

// A failed database call: the backend's message and code (SQLite's extended result code, or
// the numeric form of PostgreSQL's SQLSTATE class; -1 when there is none).
class DbError : public std::runtime_error {
 public:
  DbError(std::string message, long code = -1) : std::runtime_error(std::move(message)), code_(code) {}
  long code() const { return code_; }

 private:
  long code_;
};

// Forward-only rows of a result. Text views stay valid until the next call to next().
class Cursor {
 public:
  virtual ~Cursor() = default;
  virtual int column_count() const = 0;
  // Lower-case name of a result column (0-based).
  virtual const std::string& column_name(int col) const = 0;
  // The declared type of a result column where the backend knows it (a plain column of a
  // table), Unknown for computed expressions.
  virtual ColumnInfo column_info(int col) const = 0;
  // Advances to the next row; false at the end. Throws DbError on failure.
  virtual bool next() = 0;
  virtual bool is_null(int col) = 0;
  // The value as the backend holds it: integers, reals, decimals (PostgreSQL numeric), text,
  // date-times (columns declared as such). Null as a null Value.
  virtual Value value(int col) = 0;
  // Fast paths for readers that know the column's type; the value converted as Value::as_*
  // would. A null gives "" / 0.
  virtual std::string_view text(int col) = 0;
  virtual std::optional<Decimal> decimal(int col, int scale) = 0;
  virtual int64_t integer(int col) = 0;
  virtual double real(int col) = 0;
  // Types derived from the statement for its computed columns (one per column; Unknown where
  // nothing was derived). A backend that reports no type of its own for such a column reads it
  // with the derived type from then on.
  virtual void derive_types(const std::vector<ColumnInfo>& types) {}
};

// A cursor over rows already held in memory (results of stored procedures).
class MemoryCursor : public Cursor {
 public:
  MemoryCursor(std::vector<ColumnInfo> columns, std::vector<std::vector<Value>> rows);
  int column_count() const override { return static_cast<int>(columns_.size()); }
  const std::string& column_name(int col) const override { return columns_[col].name; }
  ColumnInfo column_info(int col) const override { return columns_[col]; }
  bool next() override;
  bool is_null(int col) override { return rows_[pos_][col].is_null(); }
  Value value(int col) override { return rows_[pos_][col]; }
  std::string_view text(int col) override;
  std::optional<Decimal> decimal(int col, int scale) override;
  int64_t integer(int col) override;
  double real(int col) override;

 private:
  std::vector<ColumnInfo> columns_;
  std::vector<std::vector<Value>> rows_;
  size_t pos_ = static_cast<size_t>(-1);
  std::string scratch_;
};

class Connection {
 public:
  virtual ~Connection() = default;
  virtual Backend backend() const = 0;

  // Runs a statement that returns no rows; returns the number of rows it changed.
  // Placeholders are `?`, bound in order. Throws DbError.
  virtual int64_t exec(std::string_view sql, const std::vector<Value>& params = {}) = 0;
  // Runs a query. Throws DbError.
  virtual std::unique_ptr<Cursor> query(std::string_view sql, const std::vector<Value>& params = {}) = 0;
  // Runs a script of several statements without parameters (schema creation). Throws DbError.
  virtual void exec_script(std::string_view sql) = 0;

  virtual void begin() = 0;  // begins a write transaction
  virtual void commit() = 0;
  virtual void rollback() = 0;
  virtual bool in_transaction() const = 0;

  // The tables and views of the database (for PostgreSQL: of the current schema).
  virtual Catalog load_catalog() = 0;
};

// Opens a connection to a target: a `postgresql://` or `postgres://` URI, or else a path to a
// SQLite file (created when missing only if `create` is set). Throws DbError with a clear
// message for an unreachable server or a file that cannot be opened.
std::unique_ptr<Connection> open_connection(const std::string& target, bool create = false);
bool is_postgres_target(std::string_view target);

}  // namespace sparestock::db
