// PostgreSQL backend over libpq. Statements are prepared once per connection and run with text
// parameters whose types the server infers from their place in the statement.
//
// A failed statement inside a transaction would abort the whole transaction on PostgreSQL,
// while the module's handlers expect it to leave the unit of work open (they test sqlcode and
// then roll back or go on). Each statement inside a transaction therefore runs under a
// savepoint that is rolled back on failure.

#include <libpq-fe.h>

#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "host/db/connection.h"

namespace sparestock::db {

namespace {

// PostgreSQL type OIDs used below (pg_type.h).
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
              kBpchar = 1042, kVarchar = 1043, kDate = 1082, kTimestamp = 1114, kTimestampTz = 1184,
              kNumeric = 1700;

long sqlstate_code(const PGresult* res) {
  const char* state = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
  if (!state) return -1;
  // The five characters read as a base-36 number keep distinct states distinct.
  return std::strtol(state, nullptr, 36);
}

std::string error_text(PGconn* conn, const PGresult* res) {
  std::string msg = res ? PQresultErrorMessage(res) : PQerrorMessage(conn);
  while (!msg.empty() && (msg.back() == '\n' || msg.back() == ' ')) msg.pop_back();
  if (msg.rfind("ERROR:  ", 0) == 0) msg = msg.substr(8);
  return msg;
}

// Rewrites `?` placeholders as $1, $2, ... outside string literals, quoted identifiers and
// comments.
std::string number_placeholders(std::string_view sql, int& count) {
  std::string out;
  out.reserve(sql.size() + 16);
  int n = 0;
  for (size_t i = 0; i < sql.size(); ++i) {
    char c = sql[i];
    if (c == '\'' || c == '"') {
      size_t j = i + 1;
      while (j < sql.size()) {
        if (sql[j] == c) {
          if (j + 1 < sql.size() && sql[j + 1] == c) {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      out.append(sql.substr(i, j - i + 1));
      i = j;
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      size_t j = sql.find('\n', i);
      if (j == std::string_view::npos) j = sql.size();
      out.append(sql.substr(i, j - i));
      i = j - 1;
    } else if (c == '?') {
      out += '$';
      out += std::to_string(++n);
    } else {
      out += c;
    }
  }
  count = n;
  return out;
}

struct TextParams {
  std::vector<std::string> storage;
  std::vector<const char*> pointers;

  explicit TextParams(const std::vector<Value>& params) {
    storage.reserve(params.size());
    for (const Value& v : params) {
      switch (v.kind()) {
        case ValueKind::Real: {
          char buf[32];
          std::snprintf(buf, sizeof buf, "%.17g", v.real());
          storage.emplace_back(buf);
          break;
        }
        default: storage.push_back(v.as_text());
      }
    }
    for (size_t i = 0; i < params.size(); ++i)
      pointers.push_back(params[i].is_null() ? nullptr : storage[i].c_str());
  }
};

struct ResultDeleter {
  void operator()(PGresult* r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

ColumnInfo info_of(const PGresult* res, int col) {
  Oid type = PQftype(res, col);
  int mod = PQfmod(res, col);
  ColumnInfo info;
  info.name = PQfname(res, col);
  switch (type) {
    case kBpchar:
    case kVarchar:
      info.type = ColumnType::Char;
      info.length = mod > 4 ? mod - 4 : 0;
      break;
    case kNumeric:
      info.type = ColumnType::Decimal;
      info.scale = mod >= 4 ? ((mod - 4) & 0xffff) : -1;
      break;
    case kBool:
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid: info.type = ColumnType::Integer; break;
    case kFloat4:
    case kFloat8: info.type = ColumnType::Real; break;
    case kDate:
    case kTimestamp:
    case kTimestampTz: info.type = ColumnType::DateTime; break;
    default: info.type = ColumnType::Char; break;
  }
  return info;
}

class PostgresCursor : public Cursor {
 public:
  explicit PostgresCursor(Result res) : res_(std::move(res)), rows_(PQntuples(res_.get())) {
    int n = PQnfields(res_.get());
    for (int i = 0; i < n; ++i) {
      columns_.push_back(info_of(res_.get(), i));
      types_.push_back(PQftype(res_.get(), i));
    }
  }

  int column_count() const override { return static_cast<int>(columns_.size()); }
  const std::string& column_name(int col) const override { return columns_[col].name; }
  ColumnInfo column_info(int col) const override {
    ColumnInfo info = columns_[col];
    if (info.scale < 0) info.scale = 0;
    return info;
  }
  bool next() override { return ++row_ < rows_; }
  bool is_null(int col) override { return PQgetisnull(res_.get(), row_, col); }

  Value value(int col) override {
    if (is_null(col)) return Value();
    std::string_view t = text(col);
    switch (types_[col]) {
      case kBool: return Value(int64_t{t == "t" ? 1 : 0});
      case kInt2:
      case kInt4:
      case kInt8:
      case kOid: return Value(static_cast<int64_t>(std::strtoll(t.data(), nullptr, 10)));
      case kFloat4:
      case kFloat8: return Value(std::strtod(t.data(), nullptr));
      case kNumeric:
        if (auto d = Decimal::parse(t)) return *d;
        return Value(std::strtod(t.data(), nullptr));
      case kDate:
      case kTimestamp:
      case kTimestampTz:
        if (auto dt = DateTime::parse(t.substr(0, std::min<size_t>(t.size(), 19)))) return *dt;
        return Value(std::string(t));
      default: return Value(std::string(t));
    }
  }

  std::string_view text(int col) override {
    return {PQgetvalue(res_.get(), row_, col), static_cast<size_t>(PQgetlength(res_.get(), row_, col))};
  }

  std::optional<Decimal> decimal(int col, int scale) override {
    if (is_null(col)) return std::nullopt;
    std::string_view t = text(col);
    if (types_[col] == kFloat4 || types_[col] == kFloat8)
      return Decimal::from_double(std::strtod(t.data(), nullptr), scale);
    if (types_[col] == kBool) return Decimal::from_integer(t == "t" ? 1 : 0).rescale(scale);
    auto d = Decimal::parse(t);
    if (!d) return std::nullopt;
    return d->rescale(scale);
  }

  int64_t integer(int col) override {
    if (is_null(col)) return 0;
    if (types_[col] == kBool) return text(col) == "t";
    auto d = decimal(col, 0);
    return d ? d->units() : 0;
  }

  double real(int col) override {
    if (is_null(col)) return 0;
    return std::strtod(PQgetvalue(res_.get(), row_, col), nullptr);
  }

 private:
  Result res_;
  int rows_;
  int row_ = -1;
  std::vector<ColumnInfo> columns_;
  std::vector<Oid> types_;
};

class PostgresConnection : public Connection {
 public:
  explicit PostgresConnection(const std::string& uri) {
    conn_ = PQconnectdb(uri.c_str());
    if (PQstatus(conn_) != CONNECTION_OK) {
      std::string msg = PQerrorMessage(conn_);
      while (!msg.empty() && msg.back() == '\n') msg.pop_back();
      PQfinish(conn_);
      conn_ = nullptr;
      throw DbError("cannot connect to PostgreSQL: " + msg);
    }
    PQsetClientEncoding(conn_, "UTF8");
    exec_script("SET datestyle = ISO; SET client_min_messages = warning;");
  }

  ~PostgresConnection() override { PQfinish(conn_); }

  Backend backend() const override { return Backend::Postgres; }

  int64_t exec(std::string_view sql, const std::vector<Value>& params) override {
    Result res = run(sql, params);
    const char* n = PQcmdTuples(res.get());
    return n && *n ? std::strtoll(n, nullptr, 10) : 0;
  }

  std::unique_ptr<Cursor> query(std::string_view sql, const std::vector<Value>& params) override {
    return std::make_unique<PostgresCursor>(run(sql, params));
  }

  void exec_script(std::string_view sql) override {
    Result res(PQexec(conn_, std::string(sql).c_str()));
    auto status = PQresultStatus(res.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
      throw DbError(error_text(conn_, res.get()), sqlstate_code(res.get()));
  }

  void begin() override { exec_script("BEGIN"); }
  void commit() override {
    // COMMIT of a transaction that failed reports ROLLBACK; that must not pass for success.
    Result res(PQexec(conn_, "COMMIT"));
    if (PQresultStatus(res.get()) != PGRES_COMMAND_OK)
      throw DbError(error_text(conn_, res.get()), sqlstate_code(res.get()));
    if (std::strcmp(PQcmdStatus(res.get()), "ROLLBACK") == 0)
      throw DbError("the transaction was rolled back by the server");
  }
  void rollback() override {
    if (in_transaction()) exec_script("ROLLBACK");
  }
  bool in_transaction() const override { return PQtransactionStatus(conn_) != PQTRANS_IDLE; }

  Catalog load_catalog() override {
    Catalog catalog;
    auto c = query(
        "SELECT table_name, column_name, data_type, character_maximum_length, numeric_scale "
        "FROM information_schema.columns WHERE table_schema = current_schema() "
        "ORDER BY table_name, ordinal_position",
        {});
    while (c->next()) {
      int length = c->is_null(3) ? 0 : static_cast<int>(c->integer(3));
      int scale = c->is_null(4) ? -1 : static_cast<int>(c->integer(4));
      catalog.add(c->text(0), column_info_from_decl(std::string(c->text(1)), c->text(2), length, scale));
    }
    return catalog;
  }

 private:
  Result run(std::string_view sql, const std::vector<Value>& params) {
    bool guarded = in_transaction();
    if (guarded) exec_script("SAVEPOINT sparestock_statement");
    try {
      const std::string& name = prepared(sql, static_cast<int>(params.size()));
      TextParams text(params);
      Result res(PQexecPrepared(conn_, name.c_str(), static_cast<int>(params.size()), text.pointers.data(),
                                nullptr, nullptr, 0));
      auto status = PQresultStatus(res.get());
      if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        throw DbError(error_text(conn_, res.get()), sqlstate_code(res.get()));
      if (guarded) exec_script("RELEASE SAVEPOINT sparestock_statement");
      return res;
    } catch (const DbError&) {
      if (guarded) exec_script("ROLLBACK TO SAVEPOINT sparestock_statement");
      throw;
    }
  }

  const std::string& prepared(std::string_view sql, int nparams) {
    auto it = statements_.find(std::string(sql));
    if (it != statements_.end()) return it->second;
    int placeholders = 0;
    std::string numbered = number_placeholders(sql, placeholders);
    // Checked here rather than by asking the server to describe the statement: libpq drops
    // the connection on a description of several thousand parameters.
    if (placeholders != nparams)
      throw DbError("statement takes " + std::to_string(placeholders) + " parameters, " +
                    std::to_string(nparams) + " given");
    std::string name = "s" + std::to_string(statements_.size() + 1);
    Result res(PQprepare(conn_, name.c_str(), numbered.c_str(), 0, nullptr));
    if (PQresultStatus(res.get()) != PGRES_COMMAND_OK)
      throw DbError(error_text(conn_, res.get()), sqlstate_code(res.get()));
    return statements_.emplace(std::string(sql), name).first->second;
  }

  PGconn* conn_ = nullptr;
  std::unordered_map<std::string, std::string> statements_;
};

}  // namespace

std::unique_ptr<Connection> open_postgres_connection(const std::string& uri) {
  return std::make_unique<PostgresConnection>(uri);
}

}  // namespace sparestock::db
