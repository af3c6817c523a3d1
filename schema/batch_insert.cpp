#include "schema/batch_insert.h"

#include <algorithm>
#include <cassert>

namespace sparestock::schema {

namespace {

// PostgreSQL gains from larger batches because every statement is a round trip. Parameters
// per statement stay below 7000: libpq refuses a parameter description longer than 30000 bytes
// (4 bytes a parameter) and drops the connection.
size_t rows_per_batch(db::Backend backend, size_t columns) {
  size_t wanted = backend == db::Backend::Sqlite ? 64 : 500;
  return std::max<size_t>(1, std::min(wanted, 7000 / columns));
}

std::string values_group(size_t columns) {
  std::string g = "(";
  for (size_t i = 0; i < columns; ++i) g += i ? ",?" : "?";
  return g + ")";
}

}  // namespace

BatchInsert::BatchInsert(db::Connection& conn, std::string_view table, std::vector<std::string_view> columns)
    : conn_(conn), columns_(columns.size()), batch_rows_(rows_per_batch(conn.backend(), columns.size())) {
  assert(!columns.empty());
  std::string head = "INSERT INTO " + std::string(table) + " (";
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i) head += ", ";
    head += columns[i];
  }
  head += ") VALUES ";
  std::string group = values_group(columns_);
  one_row_sql_ = head + group;
  batch_sql_ = head;
  for (size_t r = 0; r < batch_rows_; ++r) {
    if (r) batch_sql_ += ",";
    batch_sql_ += group;
  }
  pending_.reserve(columns_ * batch_rows_);
}

void BatchInsert::add(std::span<const db::Value> row) {
  assert(row.size() == columns_);
  pending_.insert(pending_.end(), row.begin(), row.end());
  ++rows_;
  if (pending_.size() == columns_ * batch_rows_) {
    conn_.exec(batch_sql_, pending_);
    pending_.clear();
  }
}

void BatchInsert::finish() {
  std::vector<db::Value> one(columns_);
  for (size_t start = 0; start < pending_.size(); start += columns_) {
    std::copy_n(pending_.begin() + static_cast<std::ptrdiff_t>(start), columns_, one.begin());
    conn_.exec(one_row_sql_, one);
  }
  pending_.clear();
}

}  // namespace sparestock::schema
