#include "host/db/connection.h"

namespace sparestock::db {

std::string_view backend_name(Backend b) { return b == Backend::Sqlite ? "sqlite" : "postgres"; }

bool is_postgres_target(std::string_view target) {
  return target.rfind("postgresql://", 0) == 0 || target.rfind("postgres://", 0) == 0;
}

std::unique_ptr<Connection> open_sqlite_connection(const std::string& path, bool create);
std::unique_ptr<Connection> open_postgres_connection(const std::string& uri);

std::unique_ptr<Connection> open_connection(const std::string& target, bool create) {
  if (target.empty()) throw DbError("no database target given");
  if (is_postgres_target(target)) return open_postgres_connection(target);
  return open_sqlite_connection(target, create);
}

MemoryCursor::MemoryCursor(std::vector<ColumnInfo> columns, std::vector<std::vector<Value>> rows)
    : columns_(std::move(columns)), rows_(std::move(rows)) {}

bool MemoryCursor::next() {
  ++pos_;
  return pos_ < rows_.size();
}

std::string_view MemoryCursor::text(int col) {
  const Value& v = rows_[pos_][col];
  if (v.kind() == ValueKind::Text) return v.text();
  scratch_ = v.as_text();
  return scratch_;
}

std::optional<Decimal> MemoryCursor::decimal(int col, int scale) {
  return rows_[pos_][col].as_decimal(scale);
}

int64_t MemoryCursor::integer(int col) { return rows_[pos_][col].as_integer().value_or(0); }

double MemoryCursor::real(int col) { return rows_[pos_][col].as_real().value_or(0.0); }

}  // namespace sparestock::db
