#include "host/db/transaction.h"

#include "host/base/text.h"
#include "host/db/procedures.h"

namespace sparestock::db {

namespace {

bool writes(StatementKind k) {
  return k == StatementKind::Insert || k == StatementKind::Update || k == StatementKind::Delete;
}

}  // namespace

long Transaction::connect(const std::string& target, bool create) {
  disconnect();
  try {
    conn_ = open_connection(target, create);
    catalog_ = conn_->load_catalog();
    succeed();
  } catch (const std::exception& e) {
    conn_.reset();
    fail(e);
  }
  return sqlcode;
}

void Transaction::disconnect() {
  if (conn_) {
    try {
      conn_->rollback();
    } catch (const DbError&) {
    }
  }
  conn_.reset();
  cache_.clear();
  catalog_ = Catalog();
}

Backend Transaction::backend() const { return conn_ ? conn_->backend() : Backend::Sqlite; }

void Transaction::reload_catalog() {
  catalog_ = conn_->load_catalog();
  cache_.clear();
}

void Transaction::fail(const std::exception& e) {
  sqlcode = -1;
  sqlerrtext = e.what();
  auto* db = dynamic_cast<const DbError*>(&e);
  sqldbcode = db ? db->code() : -1;
  sqlnrows = 0;
}

void Transaction::succeed(long code) {
  sqlcode = code;
  sqlerrtext.clear();
  sqldbcode = 0;
}

const Translation& Transaction::translated(std::string_view tsql) {
  std::string key(tsql);
  auto it = cache_.find(key);
  if (it != cache_.end()) return it->second;
  Translation t = translate(tsql, conn_->backend(), catalog_, options_);
  return cache_.emplace(std::move(key), std::move(t)).first->second;
}

std::vector<Value> Transaction::bind(const Translation& t, const HostVariables& vars) {
  std::vector<Value> params;
  params.reserve(t.parameters.size());
  for (size_t i = 0; i < t.parameters.size(); ++i) {
    const std::string& name = t.parameters[i];
    const Value* found = nullptr;
    for (const auto& [n, v] : vars)
      if (text::iequals(n, name)) found = &v;
    if (!found) throw DbError("host variable :" + name + " has no value");
    params.push_back(i < t.uses.size() ? bound_value(*found, t.uses[i]) : *found);
  }
  return params;
}

// A SELECT's rows, with the types the translation derived for its computed columns.
std::unique_ptr<Cursor> Transaction::query(const Translation& t, const HostVariables& vars) {
  auto cursor = conn_->query(t.sql, bind(t, vars));
  if (!t.result_types.empty()) cursor->derive_types(t.result_types);
  return cursor;
}

void Transaction::set_exact_decimals(bool on) {
  options_.exact_decimals = on;
  cache_.clear();
}

void Transaction::begin_unit_of_work() {
  if (!conn_->in_transaction()) conn_->begin();
}

std::unique_ptr<Cursor> Transaction::run_procedure(const Translation& t, const HostVariables& vars) {
  const ProcedureSpec* procedure = find_procedure(t.procedure);
  if (!procedure) throw DbError("unknown procedure: " + t.procedure);
  ProcedureArguments args;
  for (const auto& a : t.arguments) {
    if (args.count(a.name))
      throw DbError("procedure " + t.procedure + ": argument @" + a.name + " given twice");
    bool known = false;
    for (const auto& p : procedure->parameters) known = known || p == a.name;
    if (!known) throw DbError("procedure " + t.procedure + " has no argument @" + a.name);
    if (a.host_variable.empty()) {
      args[a.name] = a.literal;
    } else {
      Translation one;
      one.parameters = {a.host_variable};
      args[a.name] = bind(one, vars)[0];
    }
  }
  for (const auto& p : procedure->parameters)
    if (!args.count(p)) throw DbError("procedure " + t.procedure + ": missing argument @" + p);
  if (procedure->writes) begin_unit_of_work();
  return procedure->body(*this, args);
}

long Transaction::execute(std::string_view tsql, const HostVariables& vars) {
  if (!conn_) {
    fail(DbError("not connected"));
    return sqlcode;
  }
  try {
    const Translation& t = translated(tsql);
    if (t.kind == StatementKind::Execute || t.kind == StatementKind::Select) {
      auto cursor = t.kind == StatementKind::Execute ? run_procedure(t, vars) : query(t, vars);
      long rows = 0;
      while (cursor->next()) ++rows;
      succeed(rows == 0 && cursor->column_count() > 0 ? 100 : 0);
      sqlnrows = rows;
      return sqlcode;
    }
    std::vector<Value> params = bind(t, vars);
    if (writes(t.kind)) begin_unit_of_work();
    sqlnrows = static_cast<long>(conn_->exec(t.sql, params));
    // An UPDATE or DELETE that matches no row is no error; sqlnrows tells how many it changed.
    succeed();
  } catch (const std::exception& e) {
    fail(e);
  }
  return sqlcode;
}

std::optional<std::vector<Value>> Transaction::select_row(std::string_view tsql, const HostVariables& vars) {
  auto cursor = open_cursor(tsql, vars);
  if (!cursor) return std::nullopt;
  try {
    if (!cursor->next()) {
      succeed(100);
      sqlnrows = 0;
      return std::nullopt;
    }
    std::vector<Value> row;
    for (int i = 0; i < cursor->column_count(); ++i) row.push_back(cursor->value(i));
    succeed();
    sqlnrows = 1;
    return row;
  } catch (const std::exception& e) {
    fail(e);
    return std::nullopt;
  }
}

std::unique_ptr<Cursor> Transaction::open_cursor(std::string_view tsql, const HostVariables& vars) {
  if (!conn_) {
    fail(DbError("not connected"));
    return nullptr;
  }
  try {
    const Translation& t = translated(tsql);
    std::unique_ptr<Cursor> cursor;
    if (t.kind == StatementKind::Execute)
      cursor = run_procedure(t, vars);
    else if (t.kind == StatementKind::Select)
      cursor = query(t, vars);
    else {
      // A write that returns rows (INSERT ... RETURNING an identity key).
      std::vector<Value> params = bind(t, vars);
      begin_unit_of_work();
      cursor = conn_->query(t.sql, params);
    }
    succeed();
    return cursor;
  } catch (const std::exception& e) {
    fail(e);
    return nullptr;
  }
}

long Transaction::commit() {
  if (!conn_) {
    fail(DbError("not connected"));
    return sqlcode;
  }
  try {
    if (conn_->in_transaction()) conn_->commit();
    succeed();
  } catch (const std::exception& e) {
    fail(e);
  }
  return sqlcode;
}

long Transaction::rollback() {
  if (!conn_) {
    fail(DbError("not connected"));
    return sqlcode;
  }
  try {
    conn_->rollback();
    succeed();
  } catch (const std::exception& e) {
    fail(e);
  }
  return sqlcode;
}

}  // namespace sparestock::db
