// SQLite backend. Files run in WAL mode with a busy timeout, so that several sessions on one
// file wait for each other's writes instead of failing, and readers never block the writer.

#include <sqlite3.h>

#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <unordered_map>

#include "host/db/connection.h"

namespace sparestock::db {

namespace {

constexpr int kBusyTimeoutMs = 15000;

class SqliteError : public DbError {
 public:
  SqliteError(sqlite3* db, std::string_view what)
      : DbError(std::string(what) + sqlite3_errmsg(db), sqlite3_extended_errcode(db)) {}
};

void bind_params(sqlite3* db, sqlite3_stmt* stmt, const std::vector<Value>& params) {
  int expected = sqlite3_bind_parameter_count(stmt);
  if (expected != static_cast<int>(params.size()))
    throw DbError("statement takes " + std::to_string(expected) + " parameters, " +
                  std::to_string(params.size()) + " given");
  for (int i = 0; i < expected; ++i) {
    const Value& v = params[i];
    int rc = SQLITE_OK;
    switch (v.kind()) {
      case ValueKind::Null: rc = sqlite3_bind_null(stmt, i + 1); break;
      case ValueKind::Integer: rc = sqlite3_bind_int64(stmt, i + 1, v.integer()); break;
      case ValueKind::Real: rc = sqlite3_bind_double(stmt, i + 1, v.real()); break;
      case ValueKind::Decimal: {
        // SQLite keeps numbers as integers or doubles; a whole number stays an integer so that
        // it compares exactly.
        const Decimal& d = v.decimal();
        Decimal whole = d.rescale(0);
        if (whole == d)
          rc = sqlite3_bind_int64(stmt, i + 1, whole.units());
        else
          rc = sqlite3_bind_double(stmt, i + 1, d.to_double());
        break;
      }
      case ValueKind::Text:
        rc = sqlite3_bind_text(stmt, i + 1, v.text().data(), static_cast<int>(v.text().size()),
                               SQLITE_TRANSIENT);
        break;
      case ValueKind::DateTime: {
        std::string iso = v.datetime().iso();
        rc = sqlite3_bind_text(stmt, i + 1, iso.data(), static_cast<int>(iso.size()), SQLITE_TRANSIENT);
        break;
      }
    }
    if (rc != SQLITE_OK) throw SqliteError(db, "cannot bind parameter: ");
  }
}

class SqliteCursor : public Cursor {
 public:
  SqliteCursor(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {
    int n = sqlite3_column_count(stmt);
    for (int i = 0; i < n; ++i) {
      const char* decl = sqlite3_column_decltype(stmt, i);
      ColumnInfo info = column_info_from_decl(sqlite3_column_name(stmt, i), decl ? decl : "");
      columns_.push_back(std::move(info));
    }
  }
  ~SqliteCursor() override { sqlite3_finalize(stmt_); }

  int column_count() const override { return static_cast<int>(columns_.size()); }
  const std::string& column_name(int col) const override { return columns_[col].name; }
  ColumnInfo column_info(int col) const override { return columns_[col]; }

  bool next() override {
    if (done_) return false;
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    done_ = true;
    if (rc == SQLITE_DONE) return false;
    throw SqliteError(db_, "");
  }

  bool is_null(int col) override { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }

  Value value(int col) override {
    const ColumnInfo& info = columns_[col];
    switch (sqlite3_column_type(stmt_, col)) {
      case SQLITE_NULL: return Value();
      case SQLITE_INTEGER:
        if (info.type == ColumnType::Decimal)
          return Decimal::from_integer(sqlite3_column_int64(stmt_, col)).rescale(info.scale);
        if (info.type == ColumnType::Char) return Value(std::string(text(col)));
        return Value(static_cast<int64_t>(sqlite3_column_int64(stmt_, col)));
      case SQLITE_FLOAT:
        if (info.type == ColumnType::Decimal) {
          auto d = Decimal::from_double(sqlite3_column_double(stmt_, col), info.scale);
          if (d) return *d;
        }
        if (info.type == ColumnType::Char) return Value(std::string(text(col)));
        return Value(sqlite3_column_double(stmt_, col));
      default: {
        std::string_view t = text(col);
        if (info.type == ColumnType::DateTime) {
          if (auto dt = DateTime::parse(t)) return *dt;
        } else if (info.type == ColumnType::Decimal) {
          if (auto d = Decimal::parse(t)) return d->rescale(info.scale);
        }
        return Value(std::string(t));
      }
    }
  }

  std::string_view text(int col) override {
    const unsigned char* p = sqlite3_column_text(stmt_, col);
    if (!p) return {};
    return {reinterpret_cast<const char*>(p), static_cast<size_t>(sqlite3_column_bytes(stmt_, col))};
  }

  std::optional<Decimal> decimal(int col, int scale) override {
    switch (sqlite3_column_type(stmt_, col)) {
      case SQLITE_NULL: return std::nullopt;
      case SQLITE_INTEGER: return Decimal::from_integer(sqlite3_column_int64(stmt_, col)).rescale(scale);
      case SQLITE_FLOAT: return Decimal::from_double(sqlite3_column_double(stmt_, col), scale);
      default: {
        auto d = Decimal::parse(text(col));
        if (!d) return std::nullopt;
        return d->rescale(scale);
      }
    }
  }

  int64_t integer(int col) override {
    if (sqlite3_column_type(stmt_, col) == SQLITE_FLOAT)
      return static_cast<int64_t>(std::llround(sqlite3_column_double(stmt_, col)));
    return sqlite3_column_int64(stmt_, col);
  }
  double real(int col) override { return sqlite3_column_double(stmt_, col); }

  void derive_types(const std::vector<ColumnInfo>& types) override {
    for (size_t i = 0; i < types.size() && i < columns_.size(); ++i)
      if (columns_[i].type == ColumnType::Unknown && types[i].type != ColumnType::Unknown) {
        std::string name = std::move(columns_[i].name);
        columns_[i] = types[i];
        columns_[i].name = std::move(name);
      }
  }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_;
  std::vector<ColumnInfo> columns_;
  bool done_ = false;
};

// round_decimal(x, s): x rounded half away from zero to s places, as the decimal it stands for.
// Arithmetic that the translation writes into a decimal column goes through it, so that what is
// stored is the number nearest to the exact decimal (0.3 - 0.1 - 0.1 - 0.1 stores 0, not
// -2.8e-17). Integers stay as they are, a whole result is stored as an integer, text must read
// as a number, null gives null.
void round_decimal(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  int scale = sqlite3_value_int(argv[1]);
  if (scale < 0 || scale > Decimal::kMaxScale) {
    sqlite3_result_error(ctx, "round_decimal: places must be 0 to 8", -1);
    return;
  }
  std::optional<Decimal> d;
  switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL: sqlite3_result_null(ctx); return;
    case SQLITE_INTEGER: sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0])); return;
    case SQLITE_FLOAT: d = Decimal::from_computed(sqlite3_value_double(argv[0]), scale); break;
    default: {
      const unsigned char* text = sqlite3_value_text(argv[0]);
      if (text) d = Decimal::parse(reinterpret_cast<const char*>(text));
      if (d) {
        try {
          d = d->rescale(scale);
        } catch (const std::overflow_error&) {
          d.reset();
        }
      }
    }
  }
  if (!d) {
    std::string msg = "round_decimal: not a number: ";
    const unsigned char* text = sqlite3_value_text(argv[0]);
    msg += text ? reinterpret_cast<const char*>(text) : "";
    sqlite3_result_error(ctx, msg.c_str(), -1);
    return;
  }
  if (d->rescale(0) == *d)
    sqlite3_result_int64(ctx, d->rescale(0).units());
  else
    sqlite3_result_double(ctx, d->to_double());
}

class SqliteConnection : public Connection {
 public:
  SqliteConnection(const std::string& path, bool create) {
    namespace fs = std::filesystem;
    if (!create && path != ":memory:" && !fs::exists(path))
      throw DbError("database file does not exist: " + path);
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
      std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      db_ = nullptr;
      throw DbError("cannot open database file " + path + ": " + msg);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    sqlite3_create_function_v2(db_, "round_decimal", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                               nullptr, round_decimal, nullptr, nullptr, nullptr);
    try {
      // Fails on a file that is not a database, which is the place to say so.
      // LIKE compares case-sensitively, as on PostgreSQL and on the original server.
      exec_script("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA case_sensitive_like=ON;");
    } catch (const DbError& e) {
      sqlite3_close(db_);
      db_ = nullptr;
      throw DbError("cannot open database file " + path + ": " + e.what());
    }
  }

  ~SqliteConnection() override {
    for (auto& [sql, stmt] : cache_) sqlite3_finalize(stmt);
    if (db_ && !sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    // A cursor may outlive its connection: the handle then stays until the cursor's statement is
    // finalized, instead of the close failing and the handle leaking.
    sqlite3_close_v2(db_);
  }

  Backend backend() const override { return Backend::Sqlite; }

  int64_t exec(std::string_view sql, const std::vector<Value>& params) override {
    sqlite3_stmt* stmt = cached(sql);
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    bind_params(db_, stmt, params);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE) throw SqliteError(db_, "");
    return sqlite3_changes64(db_);
  }

  std::unique_ptr<Cursor> query(std::string_view sql, const std::vector<Value>& params) override {
    sqlite3_stmt* stmt = prepare(sql);
    try {
      bind_params(db_, stmt, params);
    } catch (...) {
      sqlite3_finalize(stmt);
      throw;
    }
    return std::make_unique<SqliteCursor>(db_, stmt);
  }

  void exec_script(std::string_view sql) override {
    char* err = nullptr;
    std::string text(sql);
    if (sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      std::string msg = err ? err : "unknown error";
      sqlite3_free(err);
      throw DbError(msg, sqlite3_extended_errcode(db_));
    }
  }

  // IMMEDIATE takes the write lock at once: two sessions that both read and then write would
  // otherwise deadlock on the upgrade.
  void begin() override { exec_script("BEGIN IMMEDIATE"); }
  void commit() override { exec_script("COMMIT"); }
  void rollback() override {
    if (in_transaction()) exec_script("ROLLBACK");
  }
  bool in_transaction() const override { return !sqlite3_get_autocommit(db_); }

  Catalog load_catalog() override {
    Catalog catalog;
    std::vector<std::string> names;
    {
      auto c = query(
          "SELECT name FROM sqlite_master WHERE type IN ('table','view') "
          "AND name NOT LIKE 'sqlite_%' ORDER BY name",
          {});
      while (c->next()) names.emplace_back(c->text(0));
    }
    for (const auto& name : names) {
      auto c = query("SELECT name, type FROM pragma_table_info(?)", {Value(name)});
      while (c->next()) catalog.add(name, column_info_from_decl(std::string(c->text(0)), c->text(1)));
    }
    return catalog;
  }

 private:
  sqlite3_stmt* prepare(std::string_view sql) {
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt, &tail) != SQLITE_OK)
      throw SqliteError(db_, "");
    if (!stmt) throw DbError("empty statement");
    return stmt;
  }

  sqlite3_stmt* cached(std::string_view sql) {
    auto it = cache_.find(std::string(sql));
    if (it != cache_.end()) return it->second;
    sqlite3_stmt* stmt = prepare(sql);
    cache_.emplace(std::string(sql), stmt);
    return stmt;
  }

  sqlite3* db_ = nullptr;
  std::unordered_map<std::string, sqlite3_stmt*> cache_;
};

}  // namespace

std::unique_ptr<Connection> open_sqlite_connection(const std::string& path, bool create) {
  return std::make_unique<SqliteConnection>(path, create);
}

}  // namespace sparestock::db
