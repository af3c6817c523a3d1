#include "host/db/tsql_ast.h"

namespace sparestock::db::tsql {

namespace {

std::string quote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

template <class List>
std::string join(const List& list, const char* sep) {
  std::string out;
  for (const auto& e : list) {
    if (!out.empty()) out += sep;
    out += e->ToString();
  }
  return out;
}

std::string where_clause(const ExprPtr& where) {
  return where ? " WHERE " + where->ToString() : std::string();
}

}  // namespace

std::string ColumnExpr::ToString() const { return table.empty() ? column : table + "." + column; }

std::string StarExpr::ToString() const { return table.empty() ? "*" : table + ".*"; }

std::string ConstantExpr::ToString() const {
  switch (type) {
    case Type::Number: return text;
    case Type::String: return quote(text);
    case Type::Null: return "NULL";
  }
  return text;
}

std::string HostVarExpr::ToString() const { return ":" + name; }

std::string ParenExpr::ToString() const { return "(" + child->ToString() + ")"; }

std::string UnaryExpr::ToString() const {
  switch (op) {
    case Op::Minus: return "-" + child->ToString();
    case Op::Plus: return "+" + child->ToString();
    case Op::Not: return "NOT " + child->ToString();
  }
  return child->ToString();
}

std::string ArithExpr::ToString() const {
  return "[" + left->ToString() + " " + op + " " + right->ToString() + "]";
}

std::string CompareExpr::ToString() const {
  return "[" + left->ToString() + " " + this->op + " " + right->ToString() + "]";
}

std::string ConjunctionExpr::ToString() const {
  return "[" + join(children, is_and ? " AND " : " OR ") + "]";
}

std::string InExpr::ToString() const {
  std::string out = child->ToString() + (negated ? " NOT IN (" : " IN (");
  out += subquery ? subquery->ToString() : join(list, ", ");
  return out + ")";
}

std::string LikeExpr::ToString() const {
  return child->ToString() + (negated ? " NOT LIKE " : " LIKE ") + pattern->ToString();
}

std::string IsNullExpr::ToString() const {
  return child->ToString() + (negated ? " IS NOT NULL" : " IS NULL");
}

std::string BetweenExpr::ToString() const {
  return child->ToString() + (negated ? " NOT BETWEEN " : " BETWEEN ") + low->ToString() + " AND " +
         high->ToString();
}

bool FunctionExpr::is_aggregate() const {
  return name == "count" || name == "sum" || name == "min" || name == "max" || name == "avg";
}

std::string FunctionExpr::ToString() const {
  return name + "(" + (distinct ? "DISTINCT " : "") + join(args, ", ") + ")";
}

std::string ConvertExpr::ToString() const {
  return "convert(" + type + "(" + std::to_string(length) + "), " + child->ToString() + ", " +
         std::to_string(style) + ")";
}

SubqueryExpr::SubqueryExpr(std::unique_ptr<SelectStmt> select) : Expr(kKind), select(std::move(select)) {}
SubqueryExpr::~SubqueryExpr() = default;
std::string SubqueryExpr::ToString() const { return "(" + select->ToString() + ")"; }

ExistsExpr::ExistsExpr(std::unique_ptr<SelectStmt> select) : Expr(kKind), select(std::move(select)) {}
ExistsExpr::~ExistsExpr() = default;
std::string ExistsExpr::ToString() const { return "EXISTS (" + select->ToString() + ")"; }

std::string SelectStmt::ToString() const {
  std::string out = distinct ? "SELECT DISTINCT " : "SELECT ";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += ", ";
    out += items[i].expr->ToString();
    if (!items[i].alias.empty()) out += " AS " + items[i].alias;
  }
  if (!into.empty()) {
    out += " INTO ";
    for (size_t i = 0; i < into.size(); ++i) out += (i ? ", :" : ":") + into[i];
  }
  if (!from.empty()) {
    out += " FROM ";
    for (size_t i = 0; i < from.size(); ++i) {
      if (i) out += ", ";
      out += from[i].name;
      if (!from[i].alias.empty()) out += " " + from[i].alias;
    }
  }
  out += where_clause(where);
  if (!group_by.empty()) out += " GROUP BY " + join(group_by, ", ");
  if (having) out += " HAVING " + having->ToString();
  if (!order_by.empty()) {
    out += " ORDER BY ";
    for (size_t i = 0; i < order_by.size(); ++i) {
      if (i) out += ", ";
      out += order_by[i].expr->ToString();
      if (order_by[i].direction == OrderItem::Direction::Asc) out += " ASC";
      if (order_by[i].direction == OrderItem::Direction::Desc) out += " DESC";
    }
  }
  return out;
}

std::string InsertStmt::ToString() const {
  std::string out = "INSERT INTO " + table;
  if (!columns.empty()) {
    out += " (";
    for (size_t i = 0; i < columns.size(); ++i) out += (i ? ", " : "") + columns[i];
    out += ")";
  }
  out += select ? " " + select->ToString() : " VALUES (" + join(values, ", ") + ")";
  if (!returning.empty()) out += " RETURNING " + returning;
  return out;
}

std::string UpdateStmt::ToString() const {
  std::string out = "UPDATE " + table.name + " SET ";
  for (size_t i = 0; i < sets.size(); ++i) {
    if (i) out += ", ";
    out += sets[i].column + " = " + sets[i].value->ToString();
  }
  return out + where_clause(where);
}

std::string DeleteStmt::ToString() const { return "DELETE FROM " + table.name + where_clause(where); }

std::string ExecuteStmt::ToString() const {
  std::string out = "EXECUTE " + (owner.empty() ? "" : owner + ".") + procedure;
  if (number) out += ";" + std::to_string(number);
  for (size_t i = 0; i < args.size(); ++i)
    out += (i ? ", @" : " @") + args[i].name + " = " + args[i].value->ToString();
  return out;
}

std::string Statement::ToString() const {
  if (select) return select->ToString();
  if (insert) return insert->ToString();
  if (update) return update->ToString();
  if (del) return del->ToString();
  if (execute) return execute->ToString();
  return "";
}

}  // namespace sparestock::db::tsql
