#pragma once
// Bulk loading of one table: rows are sent as multi-row INSERT statements of a fixed size, so
// that each backend prepares the statement once (SQLite) or saves round trips (PostgreSQL);
// the last, partial batch goes row by row through the one-row statement.

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/db/connection.h"

namespace sparestock::schema {

class BatchInsert {
 public:
  BatchInsert(db::Connection& conn, std::string_view table, std::vector<std::string_view> columns);
  BatchInsert(const BatchInsert&) = delete;
  BatchInsert& operator=(const BatchInsert&) = delete;

  // REQUIRES: one value per column, in the constructor's order.
  void add(std::initializer_list<db::Value> row) { add(std::span<const db::Value>(row.begin(), row.size())); }
  void add(std::span<const db::Value> row);
  // Sends the rows still held. Must be called before the inserter goes away.
  void finish();
  int64_t rows() const { return rows_; }

 private:
  db::Connection& conn_;
  size_t columns_;
  size_t batch_rows_;
  std::string one_row_sql_;
  std::string batch_sql_;
  std::vector<db::Value> pending_;
  int64_t rows_ = 0;
};

}  // namespace sparestock::schema
