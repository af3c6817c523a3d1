// Translation of parsed T-SQL into SQLite or PostgreSQL SQL.
//
// The parser (tsql_parser.cpp) refuses what it cannot read; this file decides what the
// constructs mean and writes them for the backend:
// - outer joins `*=` / `=*` become LEFT JOINs: the tables that are never outer-joined come
//   first (in FROM order), each outer-joined table follows as a LEFT JOIN whose ON holds its
//   join comparisons and the conditions that name it alone (as the server applied them);
// - `+` joins strings (`||`) when an operand is a string and adds otherwise, decided from
//   literal kinds and the catalog's column types;
// - convert(char(10), x, 111) becomes the backend's "yyyy/mm/dd" formatting;
// - host variables become `?` placeholders, in the order they appear in the emitted text;
// - values written into char(n) and decimal columns keep the column's type, and on SQLite
//   decimal comparisons are made at the scale of their operands (see tsql.h).

#include "host/db/tsql.h"

#include <fmt/format.h>

#include <functional>
#include <limits>
#include <optional>
#include <set>

#include "host/base/text.h"
#include "host/db/tsql_parser.h"

namespace sparestock::db {

namespace {

using namespace tsql;

[[noreturn]] void unsupported(const std::string& what) {
  throw TranslationError("unsupported construct: " + what);
}

using UseKind = ParameterUse::Kind;

// What the translation knows of a numeric expression, for SQLite, which computes decimals in
// binary floating point: whether its exact value has a known number of places.
struct Numeric {
  enum class Kind {
    None,   // not a number (text, date-time, condition), or of unknown type
    Exact,  // integers and decimals: the exact value has `scale` places
    Float,  // 8-byte floats, division, averages: there is no scale to compare at
    Free,   // host variable or NULL: takes the scale of what it meets
  };
  Kind kind = Kind::None;
  int scale = 0;
  bool decimal = false;  // a decimal column takes part, so binary residue can arise
};

// The numeric kind of `a op b` from those of its operands.
Numeric combine(const Numeric& a, const Numeric& b, char op) {
  using K = Numeric::Kind;
  if (a.kind == K::None || b.kind == K::None) return {};
  bool decimal = a.decimal || b.decimal;
  if (a.kind == K::Float || b.kind == K::Float || op == '/') return {K::Float, 0, decimal};
  if (a.kind == K::Free && b.kind == K::Free) return {K::Free, 0, false};
  if (a.kind == K::Free || b.kind == K::Free) {
    // A sum or difference has the places of its known operand; a product would need the host
    // variable's places too.
    if (op == '*') return {K::Float, 0, decimal};
    return {K::Exact, a.kind == K::Free ? b.scale : a.scale, decimal};
  }
  int scale = op == '*' ? a.scale + b.scale : std::max(a.scale, b.scale);
  if (scale > Decimal::kMaxScale) return {K::Float, 0, decimal};
  return {K::Exact, scale, decimal};
}

// Places of a number as written ("0.25" has 2); numbers carry no exponent in the dialect.
int places_of(const std::string& number) {
  size_t point = number.find('.');
  return point == std::string::npos ? 0 : static_cast<int>(number.size() - point - 1);
}

// Half a unit in the last place of `scale` places, as SQL text: 0.005 for 2.
std::string half_unit(int scale) {
  if (scale == 0) return "0.5";
  return "0." + std::string(static_cast<size_t>(scale), '0') + "5";
}

bool is_zero_constant(const Expr& e) {
  if (e.kind != ExprKind::Constant) return false;
  const auto& c = e.Cast<ConstantExpr>();
  if (c.type != ConstantExpr::Type::Number) return false;
  auto d = Decimal::parse(c.text);
  return d && d->is_zero();
}

// What the translation knows of an expression's type, for `+`.
enum class Type {
  String,
  Number,
  DateTime,
  Unknown,     // host variable or NULL: takes the type of what it meets
  Unresolved,  // a column whose type the catalog does not give
};

// The tables visible to an expression: those of its own SELECT, then of enclosing ones.
struct Scope {
  const Scope* parent = nullptr;
  const std::vector<TableRef>* from = nullptr;
};

constexpr size_t kNoTable = std::numeric_limits<size_t>::max();

struct Resolution {
  const Scope* scope = nullptr;  // null when no visible table could be told
  size_t index = kNoTable;       // position in scope->from
  const ColumnInfo* info = nullptr;
};

using ColumnVisitor = std::function<void(const ColumnExpr&, const Scope&)>;

void visit_columns(const Expr& e, const Scope& scope, const ColumnVisitor& fn);

void visit_select_columns(const SelectStmt& s, const Scope& parent, const ColumnVisitor& fn) {
  Scope scope{&parent, &s.from};
  for (const auto& item : s.items) visit_columns(*item.expr, scope, fn);
  if (s.where) visit_columns(*s.where, scope, fn);
  for (const auto& g : s.group_by) visit_columns(*g, scope, fn);
  if (s.having) visit_columns(*s.having, scope, fn);
  for (const auto& o : s.order_by) visit_columns(*o.expr, scope, fn);
}

// Calls fn for every column reference in e, subqueries included (with their own scopes).
void visit_columns(const Expr& e, const Scope& scope, const ColumnVisitor& fn) {
  auto v = [&](const ExprPtr& child) {
    if (child) visit_columns(*child, scope, fn);
  };
  switch (e.kind) {
    case ExprKind::Column: fn(e.Cast<ColumnExpr>(), scope); break;
    case ExprKind::Star:
    case ExprKind::Constant:
    case ExprKind::HostVar: break;
    case ExprKind::Paren: v(e.Cast<ParenExpr>().child); break;
    case ExprKind::Unary: v(e.Cast<UnaryExpr>().child); break;
    case ExprKind::Arith:
      v(e.Cast<ArithExpr>().left);
      v(e.Cast<ArithExpr>().right);
      break;
    case ExprKind::Compare:
      v(e.Cast<CompareExpr>().left);
      v(e.Cast<CompareExpr>().right);
      break;
    case ExprKind::Conjunction:
      for (const auto& c : e.Cast<ConjunctionExpr>().children) v(c);
      break;
    case ExprKind::In: {
      const auto& in = e.Cast<InExpr>();
      v(in.child);
      for (const auto& c : in.list) v(c);
      if (in.subquery) visit_select_columns(*in.subquery, scope, fn);
      break;
    }
    case ExprKind::Like:
      v(e.Cast<LikeExpr>().child);
      v(e.Cast<LikeExpr>().pattern);
      break;
    case ExprKind::IsNull: v(e.Cast<IsNullExpr>().child); break;
    case ExprKind::Between:
      v(e.Cast<BetweenExpr>().child);
      v(e.Cast<BetweenExpr>().low);
      v(e.Cast<BetweenExpr>().high);
      break;
    case ExprKind::Function:
      for (const auto& a : e.Cast<FunctionExpr>().args) v(a);
      break;
    case ExprKind::Convert: v(e.Cast<ConvertExpr>().child); break;
    case ExprKind::Subquery: visit_select_columns(*e.Cast<SubqueryExpr>().select, scope, fn); break;
    case ExprKind::Exists: visit_select_columns(*e.Cast<ExistsExpr>().select, scope, fn); break;
  }
}

bool is_outer_join(const Expr& e) {
  return e.kind == ExprKind::Compare && e.Cast<CompareExpr>().is_outer_join();
}

bool contains_outer_join(const Expr& e) {
  switch (e.kind) {
    case ExprKind::Compare: return is_outer_join(e);
    case ExprKind::Paren: return contains_outer_join(*e.Cast<ParenExpr>().child);
    case ExprKind::Unary: return contains_outer_join(*e.Cast<UnaryExpr>().child);
    case ExprKind::Conjunction:
      for (const auto& c : e.Cast<ConjunctionExpr>().children)
        if (contains_outer_join(*c)) return true;
      return false;
    default: return false;  // operands of other predicates cannot hold a comparison
  }
}

// Splits a WHERE clause into its top-level AND terms. Parentheses are looked through only
// where they hold an outer join (so other groups keep their parentheses as written).
void flatten_conjuncts(const Expr& e, std::vector<const Expr*>& out) {
  if (e.kind == ExprKind::Conjunction && e.Cast<ConjunctionExpr>().is_and) {
    for (const auto& c : e.Cast<ConjunctionExpr>().children) flatten_conjuncts(*c, out);
    return;
  }
  if (e.kind == ExprKind::Paren && contains_outer_join(e)) {
    const Expr& inner = *e.Cast<ParenExpr>().child;
    bool looks_through = is_outer_join(inner) || inner.kind == ExprKind::Paren ||
                         (inner.kind == ExprKind::Conjunction && inner.Cast<ConjunctionExpr>().is_and);
    if (looks_through) {
      flatten_conjuncts(inner, out);
      return;
    }
  }
  out.push_back(&e);
}

// How the FROM list of one SELECT is written when its WHERE holds outer joins.
struct JoinPlan {
  bool active = false;
  std::vector<bool> optional;                // per FROM entry: outer-joined
  std::vector<std::vector<const Expr*>> on;  // per FROM entry: its ON terms
  std::vector<const Expr*> where;            // terms left in WHERE
  bool reordered = false;                    // an outer-joined table moved behind another
};

// The column a value is written into.
struct Target {
  const ColumnInfo* info = nullptr;  // null when the catalog does not know the column
  std::string column;                // "table.column"
};

class Emitter {
 public:
  Emitter(Backend backend, const Catalog& catalog, const TranslateOptions& options)
      : backend_(backend), catalog_(catalog), options_(options) {}

  std::vector<std::string> parameters;
  std::vector<ParameterUse> uses;  // parallel to parameters

  // `targets`: for INSERT ... SELECT, the columns the select items are written into.
  std::string select(const SelectStmt& s, const Scope* parent, const std::vector<Target>* targets = nullptr) {
    Scope scope{parent, &s.from};
    check_unique_names(s.from);
    JoinPlan plan = s.where ? plan_joins(s, scope) : JoinPlan{};
    // Items are matched with the columns they are written into only one for one, without `*`.
    for (const auto& item : s.items)
      if (item.expr->kind == ExprKind::Star) targets = nullptr;

    std::string out = s.distinct ? "SELECT DISTINCT " : "SELECT ";
    {
      Place place(*this, "in the select list");
      for (size_t i = 0; i < s.items.size(); ++i) {
        if (i) out += ", ";
        const SelectItem& item = s.items[i];
        if (plan.reordered && item.expr->kind == ExprKind::Star && item.expr->Cast<StarExpr>().table.empty()) {
          // Keep the columns of `*` in the order the FROM list gave them.
          for (size_t t = 0; t < s.from.size(); ++t) out += (t ? ", " : "") + s.from[t].ref_name() + ".*";
        } else if (targets && i < targets->size()) {
          out += emit_written(*item.expr, scope, (*targets)[i]);
        } else {
          out += emit(*item.expr, scope);
        }
        if (!item.alias.empty()) out += " AS " + item.alias;
      }
    }
    if (!s.from.empty()) out += " FROM " + from_clause(s, scope, plan);
    if (plan.active) {
      Place place(*this, "in a nested condition");
      for (size_t i = 0; i < plan.where.size(); ++i)
        out += (i ? " AND " : " WHERE ") + emit(*plan.where[i], scope);
    } else if (s.where) {
      Place place(*this, "in a nested condition");
      out += " WHERE " + emit(*s.where, scope);
    }
    if (!s.group_by.empty()) {
      Place place(*this, "in GROUP BY");
      out += " GROUP BY ";
      for (size_t i = 0; i < s.group_by.size(); ++i) out += (i ? ", " : "") + emit(*s.group_by[i], scope);
    }
    if (s.having) {
      Place place(*this, "in HAVING");
      out += " HAVING " + emit(*s.having, scope);
    }
    if (!s.order_by.empty()) {
      Place place(*this, "in ORDER BY");
      out += " ORDER BY ";
      for (size_t i = 0; i < s.order_by.size(); ++i) {
        const OrderItem& o = s.order_by[i];
        out += (i ? ", " : "") + emit(*o.expr, scope);
        if (o.direction == OrderItem::Direction::Asc) out += " ASC";
        if (o.direction == OrderItem::Direction::Desc) out += " DESC";
      }
    }
    return out;
  }

  std::string insert(const InsertStmt& s) {
    Place place(*this, "in INSERT");
    std::string out = "INSERT INTO " + s.table;
    if (!s.columns.empty()) {
      out += " (";
      for (size_t i = 0; i < s.columns.size(); ++i) out += (i ? ", " : "") + s.columns[i];
      out += ")";
    }
    // Without a column list the values go into the table's columns in order.
    std::vector<Target> targets;
    if (!s.columns.empty()) {
      for (const auto& c : s.columns) targets.push_back(target(s.table, c));
    } else if (const auto* columns = catalog_.columns(s.table)) {
      for (const auto& c : *columns) targets.push_back(target(s.table, c.name));
    }
    if (s.select) {
      out += " " + select(*s.select, nullptr, &targets);
    } else {
      std::vector<TableRef> none;
      Scope scope{nullptr, &none};
      out += " VALUES (";
      for (size_t i = 0; i < s.values.size(); ++i)
        out += (i ? ", " : "") + (i < targets.size() ? emit_written(*s.values[i], scope, targets[i])
                                                     : emit(*s.values[i], scope));
      out += ")";
    }
    if (!s.returning.empty()) out += " RETURNING " + s.returning;
    return out;
  }

  std::string update(const UpdateStmt& s) {
    Place place(*this, "in UPDATE");
    std::vector<TableRef> from{s.table};
    Scope scope{nullptr, &from};
    std::string out = "UPDATE " + s.table.name + " SET ";
    for (size_t i = 0; i < s.sets.size(); ++i)
      out += (i ? ", " : "") + s.sets[i].column + " = " +
             emit_written(*s.sets[i].value, scope, target(s.table.name, s.sets[i].column));
    if (s.where) out += " WHERE " + emit(*s.where, scope);
    return out;
  }

  std::string del(const DeleteStmt& s) {
    Place place(*this, "in DELETE");
    std::vector<TableRef> from{s.table};
    Scope scope{nullptr, &from};
    std::string out = "DELETE FROM " + s.table.name;
    if (s.where) out += " WHERE " + emit(*s.where, scope);
    return out;
  }

 private:
  // Names where an outer-join operator would sit if met while emitting; see emit(Compare).
  class Place {
   public:
    Place(Emitter& e, std::string place) : e_(e), saved_(std::move(e.place_)) {
      e_.place_ = std::move(place);
    }
    ~Place() { e_.place_ = std::move(saved_); }

   private:
    Emitter& e_;
    std::string saved_;
  };

  static void check_unique_names(const std::vector<TableRef>& from) {
    for (size_t i = 0; i < from.size(); ++i)
      for (size_t j = i + 1; j < from.size(); ++j)
        if (text::iequals(from[i].ref_name(), from[j].ref_name()))
          throw TranslationError("syntax error: table " + from[i].ref_name() +
                                 " appears twice in FROM without distinct aliases");
  }

  // ---- names and types ----
  Resolution resolve(const ColumnExpr& c, const Scope& scope) const {
    if (!c.table.empty()) {
      for (const Scope* s = &scope; s; s = s->parent) {
        const auto& from = *s->from;
        for (size_t i = 0; i < from.size(); ++i)
          if (text::iequals(from[i].ref_name(), c.table))
            return {s, i, catalog_.find(from[i].name, c.column)};
        for (size_t i = 0; i < from.size(); ++i)
          if (text::iequals(from[i].name, c.table)) return {s, i, catalog_.find(from[i].name, c.column)};
      }
      throw TranslationError("syntax error: unknown table or alias " + c.table + " in " + c.ToString());
    }
    for (const Scope* s = &scope; s; s = s->parent) {
      const auto& from = *s->from;
      Resolution found;
      int matches = 0;
      for (size_t i = 0; i < from.size(); ++i) {
        if (const ColumnInfo* info = catalog_.find(from[i].name, c.column)) {
          if (++matches == 1) found = {s, i, info};
        }
      }
      if (matches == 1) return found;
      if (matches > 1) return {};  // ambiguous; the server refuses it too
    }
    // Not in the catalog: a single-table SELECT can only mean its own table.
    if (scope.from->size() == 1) return {&scope, 0, nullptr};
    return {};
  }

  Type column_type(const ColumnExpr& c, const Scope& scope) const {
    const ColumnInfo* info = resolve(c, scope).info;
    if (!info) return Type::Unresolved;
    switch (info->type) {
      case ColumnType::Char: return Type::String;
      case ColumnType::Decimal:
      case ColumnType::Integer:
      case ColumnType::Real: return Type::Number;
      case ColumnType::DateTime: return Type::DateTime;
      case ColumnType::Unknown: return Type::Unresolved;
    }
    return Type::Unresolved;
  }

  // The operands of a chain `a + b + c` (left-deep, parentheses end it).
  static void plus_operands(const Expr& e, std::vector<const Expr*>& out) {
    if (e.kind == ExprKind::Arith && e.Cast<ArithExpr>().op == '+') {
      plus_operands(*e.Cast<ArithExpr>().left, out);
      out.push_back(e.Cast<ArithExpr>().right.get());
      return;
    }
    out.push_back(&e);
  }

  // Decides whether a `+` chain joins strings; refuses chains whose meaning cannot be told.
  Type plus_chain_type(const std::vector<const Expr*>& operands, const Scope& scope) const {
    bool string = false, number = false, datetime = false;
    const Expr* unresolved = nullptr;
    for (const Expr* op : operands) {
      switch (type_of(*op, scope)) {
        case Type::String: string = true; break;
        case Type::Number: number = true; break;
        case Type::DateTime: datetime = true; break;
        case Type::Unresolved:
          if (!unresolved) unresolved = op;
          break;
        case Type::Unknown: break;
      }
    }
    if (datetime) unsupported("+ on a date-time");
    if (string && number) unsupported("+ between a string and a number");
    if (string) {
      if (unresolved) unsupported("+ on " + unresolved->ToString() + ", a column of unknown type");
      return Type::String;
    }
    if (number) return Type::Number;
    if (unresolved) unsupported("+ on " + unresolved->ToString() + ", a column of unknown type");
    return Type::Unknown;
  }

  Type type_of(const Expr& e, const Scope& scope) const {
    switch (e.kind) {
      case ExprKind::Column: return column_type(e.Cast<ColumnExpr>(), scope);
      case ExprKind::Constant:
        switch (e.Cast<ConstantExpr>().type) {
          case ConstantExpr::Type::Number: return Type::Number;
          case ConstantExpr::Type::String: return Type::String;
          case ConstantExpr::Type::Null: return Type::Unknown;
        }
        return Type::Unknown;
      case ExprKind::Star:
      case ExprKind::HostVar: return Type::Unknown;
      case ExprKind::Paren: return type_of(*e.Cast<ParenExpr>().child, scope);
      case ExprKind::Arith: {
        if (e.Cast<ArithExpr>().op != '+') return Type::Number;
        std::vector<const Expr*> operands;
        plus_operands(e, operands);
        return plus_chain_type(operands, scope);
      }
      case ExprKind::Function: {
        const auto& f = e.Cast<FunctionExpr>();
        if (f.name == "upper" || f.name == "lower" || f.name == "ltrim" || f.name == "rtrim")
          return Type::String;
        if (f.name == "min" || f.name == "max") return type_of(*f.args[0], scope);
        return Type::Number;
      }
      case ExprKind::Convert: return Type::String;
      case ExprKind::Subquery: {
        const SelectStmt& sub = *e.Cast<SubqueryExpr>().select;
        Scope inner{&scope, &sub.from};
        return sub.items.empty() ? Type::Unknown : type_of(*sub.items[0].expr, inner);
      }
      case ExprKind::Unary:
      case ExprKind::Compare:
      case ExprKind::Conjunction:
      case ExprKind::In:
      case ExprKind::Like:
      case ExprKind::IsNull:
      case ExprKind::Between:
      case ExprKind::Exists: return Type::Number;
    }
    return Type::Unknown;
  }

  // The FROM entries of `scope` (its own SELECT, not enclosing ones) that e names.
  std::set<size_t> tables_of(const Expr& e, const Scope& scope) const {
    std::set<size_t> out;
    visit_columns(e, scope, [&](const ColumnExpr& c, const Scope& at) {
      Resolution r = resolve(c, at);
      if (!r.scope || r.index == kNoTable)
        unsupported("column " + c.ToString() + " of an unknown table beside outer joins");
      if (r.scope == &scope) out.insert(r.index);
    });
    return out;
  }

  // ---- outer joins ----
  JoinPlan plan_joins(const SelectStmt& s, const Scope& scope) const {
    std::vector<const Expr*> terms;
    flatten_conjuncts(*s.where, terms);
    JoinPlan plan;
    bool any = false;
    for (const Expr* t : terms) any = any || is_outer_join(*t);
    if (!any) return plan;

    const size_t n = s.from.size();
    plan.active = true;
    plan.optional.assign(n, false);
    plan.on.resize(n);
    std::vector<bool> preserved(n, false);
    std::vector<size_t> joined_table(terms.size(), kNoTable);
    for (size_t k = 0; k < terms.size(); ++k) {
      if (!is_outer_join(*terms[k])) continue;
      const auto& cmp = terms[k]->Cast<CompareExpr>();
      std::set<size_t> left = tables_of(*cmp.left, scope), right = tables_of(*cmp.right, scope);
      if (left.size() != 1 || right.size() != 1 || left == right)
        unsupported("outer join that does not compare columns of two tables");
      size_t kept = cmp.op == "*=" ? *left.begin() : *right.begin();
      size_t outer = cmp.op == "*=" ? *right.begin() : *left.begin();
      preserved[kept] = true;
      plan.optional[outer] = true;
      joined_table[k] = outer;
    }
    for (size_t i = 0; i < n; ++i)
      if (plan.optional[i] && preserved[i]) unsupported("outer join chain through " + s.from[i].ref_name());

    for (size_t k = 0; k < terms.size(); ++k) {
      if (joined_table[k] != kNoTable) {
        plan.on[joined_table[k]].push_back(terms[k]);
        continue;
      }
      std::set<size_t> named = tables_of(*terms[k], scope);
      size_t outer = kNoTable;
      for (size_t i : named)
        if (plan.optional[i]) outer = i;
      if (outer == kNoTable) {
        plan.where.push_back(terms[k]);
      } else if (named.size() == 1) {
        // A condition on the outer-joined table alone restricts the rows it joins with.
        plan.on[outer].push_back(terms[k]);
      } else {
        unsupported("outer-joined table " + s.from[outer].ref_name() + " in an inner join condition");
      }
    }
    bool seen_outer = false;
    for (size_t i = 0; i < n; ++i) {
      if (plan.optional[i])
        seen_outer = true;
      else if (seen_outer)
        plan.reordered = true;
    }
    return plan;
  }

  static std::string table_text(const TableRef& t) {
    return t.alias.empty() ? t.name : t.name + " " + t.alias;
  }

  std::string from_clause(const SelectStmt& s, const Scope& scope, const JoinPlan& plan) {
    std::string out;
    if (!plan.active) {
      for (size_t i = 0; i < s.from.size(); ++i) out += (i ? ", " : "") + table_text(s.from[i]);
      return out;
    }
    // PostgreSQL needs explicit joins so that an ON may name any earlier table; SQLite reads
    // a comma list the same way and keeps its freedom to choose the join order.
    const char* sep = backend_ == Backend::Sqlite ? ", " : " CROSS JOIN ";
    bool first = true;
    for (size_t i = 0; i < s.from.size(); ++i) {
      if (plan.optional[i]) continue;
      out += (first ? "" : sep) + table_text(s.from[i]);
      first = false;
    }
    for (size_t i = 0; i < s.from.size(); ++i) {
      if (!plan.optional[i]) continue;
      out += " LEFT JOIN " + table_text(s.from[i]) + " ON ";
      for (size_t k = 0; k < plan.on[i].size(); ++k) {
        const Expr& term = *plan.on[i][k];
        if (k) out += " AND ";
        if (is_outer_join(term)) {
          const auto& cmp = term.Cast<CompareExpr>();
          out += emit(*cmp.left, scope) + " = " + emit(*cmp.right, scope);
        } else {
          out += emit(term, scope);
        }
      }
    }
    return out;
  }

  // ---- expressions ----
  std::string emit(const Expr& e, const Scope& scope) {
    switch (e.kind) {
      case ExprKind::Column: {
        resolve(e.Cast<ColumnExpr>(), scope);  // refuses unknown qualifiers
        return e.ToString();
      }
      case ExprKind::Star:
      case ExprKind::Constant: return e.ToString();
      case ExprKind::HostVar: return placeholder(e.Cast<HostVarExpr>().name);
      case ExprKind::Paren: return "(" + emit(*e.Cast<ParenExpr>().child, scope) + ")";
      case ExprKind::Unary: {
        const auto& u = e.Cast<UnaryExpr>();
        if (u.op == UnaryExpr::Op::Not) {
          Place place(*this, "under NOT");
          return "NOT " + emit(*u.child, scope);
        }
        std::string child = emit_number(*u.child, scope);
        char sign = u.op == UnaryExpr::Op::Minus ? '-' : '+';
        // "- -1" must not become the comment "--1".
        return std::string(1, sign) + (child[0] == '-' || child[0] == '+' ? " " : "") + child;
      }
      case ExprKind::Arith: return emit_arith(e.Cast<ArithExpr>(), scope);
      case ExprKind::Compare: {
        const auto& c = e.Cast<CompareExpr>();
        if (c.is_outer_join()) unsupported("outer join " + place_);
        return emit_compare(*c.left, c.op, *c.right, scope);
      }
      case ExprKind::Conjunction: {
        const auto& c = e.Cast<ConjunctionExpr>();
        std::optional<Place> place;
        if (!c.is_and) place.emplace(*this, "under OR");
        std::string out;
        for (size_t i = 0; i < c.children.size(); ++i)
          out += (i ? (c.is_and ? " AND " : " OR ") : "") + emit(*c.children[i], scope);
        return out;
      }
      case ExprKind::In: {
        const auto& in = e.Cast<InExpr>();
        std::string out = emit(*in.child, scope) + (in.negated ? " NOT IN (" : " IN (");
        if (in.subquery) {
          out += select(*in.subquery, &scope);
        } else {
          bool with_string = type_of(*in.child, scope) == Type::String;
          for (size_t i = 0; i < in.list.size(); ++i)
            out += (i ? ", " : "") + emit_compared(*in.list[i], scope, with_string);
        }
        return out + ")";
      }
      case ExprKind::Like: {
        const auto& l = e.Cast<LikeExpr>();
        return emit(*l.child, scope) + (l.negated ? " NOT LIKE " : " LIKE ") + emit(*l.pattern, scope);
      }
      case ExprKind::IsNull: {
        const auto& n = e.Cast<IsNullExpr>();
        return emit(*n.child, scope) + (n.negated ? " IS NOT NULL" : " IS NULL");
      }
      case ExprKind::Between: {
        const auto& b = e.Cast<BetweenExpr>();
        if (exact_decimals() && comparison_scale(*b.child, *b.low, scope) &&
            comparison_scale(*b.child, *b.high, scope)) {
          std::string both = emit_compare(*b.child, ">=", *b.low, scope) + " AND " +
                             emit_compare(*b.child, "<=", *b.high, scope);
          return (b.negated ? "NOT (" : "(") + both + ")";
        }
        bool with_string = type_of(*b.child, scope) == Type::String;
        std::string out = emit(*b.child, scope) + (b.negated ? " NOT BETWEEN " : " BETWEEN ");
        out += emit_compared(*b.low, scope, with_string);
        return out + " AND " + emit_compared(*b.high, scope, with_string);
      }
      case ExprKind::Function: {
        const auto& f = e.Cast<FunctionExpr>();
        std::string out = f.name + "(" + (f.distinct ? "DISTINCT " : "");
        bool numeric = f.name == "abs" || f.name == "sum" || f.name == "avg";
        for (size_t i = 0; i < f.args.size(); ++i)
          out += (i ? ", " : "") + (numeric ? emit_number(*f.args[i], scope) : emit(*f.args[i], scope));
        return out + ")";
      }
      case ExprKind::Convert: return emit_convert(e.Cast<ConvertExpr>(), scope);
      case ExprKind::Subquery: return "(" + select(*e.Cast<SubqueryExpr>().select, &scope) + ")";
      case ExprKind::Exists: return "EXISTS (" + select(*e.Cast<ExistsExpr>().select, &scope) + ")";
    }
    return e.ToString();
  }

  std::string emit_arith(const ArithExpr& a, const Scope& scope) {
    if (a.op != '+') return emit_number(*a.left, scope) + " " + a.op + " " + emit_number(*a.right, scope);
    std::vector<const Expr*> operands;
    plus_operands(a, operands);
    bool concat = plus_chain_type(operands, scope) == Type::String;
    std::string out;
    for (size_t i = 0; i < operands.size(); ++i) {
      if (i) out += concat ? " || " : " + ";
      out += concat ? emit(*operands[i], scope) : emit_number(*operands[i], scope);
    }
    return out;
  }

  // An operand of arithmetic. PostgreSQL infers a placeholder's type from the other operand
  // (`? + 1` would read the value as an integer and refuse 1.5) or not at all (`? + ?`), so a
  // host variable there is read as numeric.
  std::string emit_number(const Expr& e, const Scope& scope) {
    std::string out = emit(e, scope);
    if (backend_ == Backend::Postgres && e.kind == ExprKind::HostVar) return "CAST(" + out + " AS numeric)";
    return out;
  }

  // convert(char(n), x, 111): the date of x as "yyyy/mm/dd" (n >= 10, checked by the parser).
  std::string emit_convert(const ConvertExpr& c, const Scope& scope) {
    Type t = type_of(*c.child, scope);
    if (t == Type::String || t == Type::Number)
      unsupported("convert style 111 of a value that is not a date-time");
    std::string arg = emit(*c.child, scope);
    if (backend_ == Backend::Sqlite) return "strftime('%Y/%m/%d', " + arg + ")";
    // A host variable or untyped value must be read as a timestamp before formatting.
    if (t != Type::DateTime) arg = "CAST(" + arg + " AS timestamp)";
    return "to_char(" + arg + ", 'YYYY/MM/DD')";
  }

  // ---- exact values ----
 public:
  // The types of the select items of the statement's own SELECT (see Translation).
  std::vector<ColumnInfo> result_types(const SelectStmt& s) const {
    std::vector<ColumnInfo> out;
    Scope scope{nullptr, &s.from};
    for (const auto& item : s.items) {
      if (item.expr->kind == ExprKind::Star) return {};
      ColumnInfo info;
      info.name = text::lower(item.alias);
      // A plain column is typed by the backend itself.
      if (exact_decimals() && item.expr->kind != ExprKind::Column) {
        Numeric n = numeric_of(*item.expr, scope);
        if (n.kind == Numeric::Kind::Exact && n.decimal) {
          info.type = ColumnType::Decimal;
          info.scale = n.scale;
        }
      }
      out.push_back(std::move(info));
    }
    return out;
  }

 private:
  bool exact_decimals() const { return backend_ == Backend::Sqlite && options_.exact_decimals; }

  std::string placeholder(const std::string& name, ParameterUse use = {}) {
    parameters.push_back(name);
    uses.push_back(std::move(use));
    return "?";
  }

  Target target(const std::string& table, const std::string& column) const {
    return {catalog_.find(table, column), text::lower(table) + "." + text::lower(column)};
  }

  Numeric numeric_of(const Expr& e, const Scope& scope) const {
    using K = Numeric::Kind;
    switch (e.kind) {
      case ExprKind::Column: {
        const ColumnInfo* info = resolve(e.Cast<ColumnExpr>(), scope).info;
        if (!info) return {};
        if (info->type == ColumnType::Decimal) return {K::Exact, info->scale, true};
        if (info->type == ColumnType::Integer) return {K::Exact, 0, false};
        if (info->type == ColumnType::Real) return {K::Float, 0, false};
        return {};
      }
      case ExprKind::Constant: {
        const auto& c = e.Cast<ConstantExpr>();
        if (c.type == ConstantExpr::Type::Null) return {K::Free, 0, false};
        if (c.type == ConstantExpr::Type::String) return {};
        int places = places_of(c.text);
        if (places > Decimal::kMaxScale) return {K::Float, 0, false};
        return {K::Exact, places, false};
      }
      case ExprKind::HostVar: return {K::Free, 0, false};
      case ExprKind::Paren: return numeric_of(*e.Cast<ParenExpr>().child, scope);
      case ExprKind::Unary: {
        const auto& u = e.Cast<UnaryExpr>();
        if (u.op == UnaryExpr::Op::Not) return {};
        return numeric_of(*u.child, scope);
      }
      case ExprKind::Arith: {
        const auto& a = e.Cast<ArithExpr>();
        if (a.op == '+' && type_of(e, scope) == Type::String) return {};
        return combine(numeric_of(*a.left, scope), numeric_of(*a.right, scope), a.op);
      }
      case ExprKind::Function: {
        const auto& f = e.Cast<FunctionExpr>();
        if (f.name == "count") return {K::Exact, 0, false};
        if (f.args.empty() || f.args[0]->kind == ExprKind::Star) return {};
        Numeric arg = numeric_of(*f.args[0], scope);
        if (f.name == "sum" || f.name == "min" || f.name == "max" || f.name == "abs") return arg;
        if (f.name == "avg" && arg.kind != K::None) return {K::Float, 0, arg.decimal};
        return {};
      }
      case ExprKind::Subquery: {
        const SelectStmt& sub = *e.Cast<SubqueryExpr>().select;
        Scope inner{&scope, &sub.from};
        return sub.items.empty() ? Numeric{} : numeric_of(*sub.items[0].expr, inner);
      }
      default: return {};
    }
  }

  // The places at which `a` and `b` are compared on SQLite: both sides numbers of known scale
  // (or host variables), a decimal column among them. nullopt: compare as the backend does.
  std::optional<int> comparison_scale(const Expr& a, const Expr& b, const Scope& scope) const {
    using K = Numeric::Kind;
    Numeric x = numeric_of(a, scope), y = numeric_of(b, scope);
    auto usable = [](const Numeric& n) { return n.kind == K::Exact || n.kind == K::Free; };
    if (!usable(x) || !usable(y) || !(x.decimal || y.decimal)) return std::nullopt;
    return std::max(x.kind == K::Exact ? x.scale : 0, y.kind == K::Exact ? y.scale : 0);
  }

  // `a op b`. On SQLite two decimal expressions are compared by their difference rounded to the
  // places they carry (half away from zero), written without a function call: at 2 places,
  // `a = b` holds when |a - b| < 0.005, `a < b` when a - b <= -0.005, and so on. Strings
  // compared with a literal or host variable meet it without trailing blanks.
  std::string emit_compare(const Expr& a, const std::string& op, const Expr& b, const Scope& scope) {
    std::optional<int> scale = exact_decimals() ? comparison_scale(a, b, scope) : std::nullopt;
    if (!scale) {
      bool with_string = type_of(a, scope) == Type::String || type_of(b, scope) == Type::String;
      return emit_compared(a, scope, with_string) + " " + op + " " + emit_compared(b, scope, with_string);
    }
    std::string diff = emit(a, scope);
    if (!is_zero_constant(b)) {
      bool group = (b.kind == ExprKind::Arith &&
                    (b.Cast<ArithExpr>().op == '+' || b.Cast<ArithExpr>().op == '-'));
      std::string right = emit(b, scope);
      diff += " - " + (group ? "(" + right + ")" : right);
    }
    std::string half = half_unit(*scale);
    if (op == "=") return "abs(" + diff + ") < " + half;
    if (op == "<>" || op == "!=") return "abs(" + diff + ") >= " + half;
    if (op == "<") return diff + " <= -" + half;
    if (op == "<=") return diff + " < " + half;
    if (op == ">") return diff + " >= " + half;
    return diff + " > -" + half;  // >=
  }

  // An operand compared with a string: a literal or host variable loses its trailing blanks, as
  // char values are stored without them.
  std::string emit_compared(const Expr& e, const Scope& scope, bool with_string) {
    if (with_string && e.kind == ExprKind::HostVar) {
      ParameterUse use;
      use.kind = UseKind::CompareChar;
      return placeholder(e.Cast<HostVarExpr>().name, std::move(use));
    }
    if (with_string && e.kind == ExprKind::Constant &&
        e.Cast<ConstantExpr>().type == ConstantExpr::Type::String) {
      return ConstantExpr(ConstantExpr::Type::String,
                          std::string(text::trim_trailing(e.Cast<ConstantExpr>().text)))
          .ToString();
    }
    return emit(e, scope);
  }

  // A value written into a column. Into a char column: a host variable is trimmed and checked
  // when bound, a literal here, an expression is trimmed by rtrim() (its length is the
  // database's rule). Into a decimal column: a host variable is rounded to the column's scale
  // when bound, a literal here, and on SQLite arithmetic by round_decimal().
  std::string emit_written(const Expr& e, const Scope& scope, const Target& t) {
    const ColumnInfo* info = t.info;
    bool is_char = info && info->type == ColumnType::Char;
    bool is_decimal = info && info->type == ColumnType::Decimal;
    if (!is_char && !is_decimal) return emit(e, scope);
    ParameterUse use;
    use.kind = is_char ? UseKind::WriteChar : UseKind::WriteDecimal;
    use.column = t.column;
    use.length = info->length;
    use.scale = info->scale;
    if (e.kind == ExprKind::HostVar) return placeholder(e.Cast<HostVarExpr>().name, std::move(use));
    if (e.kind == ExprKind::Constant) {
      const auto& c = e.Cast<ConstantExpr>();
      bool fits = is_char ? c.type == ConstantExpr::Type::String
                          : c.type == ConstantExpr::Type::Number && Decimal::parse(c.text);
      if (!fits) return emit(e, scope);
      Value literal = is_char ? Value(c.text) : Value(*Decimal::parse(c.text));
      try {
        literal = bound_value(literal, use);
      } catch (const DbError& error) {
        throw TranslationError(error.what());
      }
      if (is_char) return ConstantExpr(ConstantExpr::Type::String, literal.text()).ToString();
      return literal.decimal().to_string();
    }
    std::string value = emit(e, scope);
    if (copies_within_type(e, scope, *info)) return value;
    if (is_char) return type_of(e, scope) == Type::String ? "rtrim(" + value + ")" : value;
    if (exact_decimals()) return "round_decimal(" + value + ", " + std::to_string(info->scale) + ")";
    return value;
  }

  // A plain column copied into a column of its own kind whose rule it already keeps: a char
  // column (its values have no trailing blanks), a decimal of no more places, an integer.
  bool copies_within_type(const Expr& e, const Scope& scope, const ColumnInfo& into) const {
    if (e.kind != ExprKind::Column) return false;
    const ColumnInfo* from = resolve(e.Cast<ColumnExpr>(), scope).info;
    if (!from) return false;
    if (into.type == ColumnType::Char) return from->type == ColumnType::Char;
    return from->type == ColumnType::Integer ||
           (from->type == ColumnType::Decimal && from->scale <= into.scale);
  }

  Backend backend_;
  const Catalog& catalog_;
  TranslateOptions options_;
  std::string place_ = "outside a WHERE clause";
};

Value literal_value(const ConstantExpr& c) {
  switch (c.type) {
    case ConstantExpr::Type::Null: return Value();
    case ConstantExpr::Type::String: return Value(c.text);
    case ConstantExpr::Type::Number: break;
  }
  if (c.text.find('.') == std::string::npos) {
    try {
      size_t used = 0;
      int64_t v = std::stoll(c.text, &used);
      if (used == c.text.size()) return Value(v);
    } catch (const std::exception&) {
    }
  }
  if (auto d = Decimal::parse(c.text)) return Value(*d);
  throw TranslationError("syntax error: number " + c.text + " out of range");
}

}  // namespace

Value bound_value(const Value& value, const ParameterUse& use) {
  if (value.is_null()) return value;
  switch (use.kind) {
    case UseKind::Plain: return value;
    case UseKind::CompareChar:
      if (value.kind() != ValueKind::Text) return value;
      return Value(std::string(text::trim_trailing(value.text())));
    case UseKind::WriteChar: {
      std::string trimmed(text::trim_trailing(value.as_text()));
      size_t length = text::char_count(trimmed);
      if (use.length > 0 && length > static_cast<size_t>(use.length))
        throw DbError(fmt::format("value too long for {}: {} characters, at most {} ('{}')", use.column,
                                  length, use.length, trimmed));
      return Value(std::move(trimmed));
    }
    case UseKind::WriteDecimal: {
      std::optional<Decimal> d;
      try {
        d = value.as_decimal(use.scale);
      } catch (const std::overflow_error&) {
      }
      if (!d) throw DbError("not a number for " + use.column + ": " + value.to_string());
      return Value(*d);
    }
  }
  return value;
}

Translation translate(std::string_view text, Backend backend, const Catalog& catalog,
                      const TranslateOptions& options) {
  Statement st = parse_statement(text);
  Translation out;
  Emitter emitter(backend, catalog, options);
  if (st.select) {
    out.kind = StatementKind::Select;
    out.sql = emitter.select(*st.select, nullptr);
    out.into = st.select->into;
    out.result_types = emitter.result_types(*st.select);
  } else if (st.insert) {
    out.kind = StatementKind::Insert;
    out.sql = emitter.insert(*st.insert);
  } else if (st.update) {
    out.kind = StatementKind::Update;
    out.sql = emitter.update(*st.update);
  } else if (st.del) {
    out.kind = StatementKind::Delete;
    out.sql = emitter.del(*st.del);
  } else {
    out.kind = StatementKind::Execute;
    out.procedure = st.execute->procedure;
    for (const auto& arg : st.execute->args) {
      ProcedureArgument pa;
      pa.name = arg.name;
      if (arg.value->kind == ExprKind::HostVar)
        pa.host_variable = arg.value->Cast<HostVarExpr>().name;
      else
        pa.literal = literal_value(arg.value->Cast<ConstantExpr>());
      out.arguments.push_back(std::move(pa));
    }
    return out;
  }
  out.parameters = std::move(emitter.parameters);
  out.uses = std::move(emitter.uses);
  return out;
}

}  // namespace sparestock::db
