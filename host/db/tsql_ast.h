#pragma once
// Syntax tree of the T-SQL subset that tsql.cpp translates. One class per node kind, children
// owned by unique_ptr, ToString() giving a compact T-SQL-like form for diagnostics and tests.
// The tree keeps the statement as written (explicit parentheses included) so that the emitted
// SQL follows the author's grouping.

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace sparestock::db::tsql {

enum class ExprKind {
  Column,       // t.c or c
  Star,         // * or t.* (select list, count(*))
  Constant,     // number, 'string', NULL
  HostVar,      // :name
  Paren,        // ( expr ) as written
  Unary,        // -x, +x, NOT x
  Arith,        // + - * / %
  Compare,      // = <> != < > <= >= *= =*
  Conjunction,  // AND / OR, n-ary
  In,           // x [NOT] IN (list | subquery)
  Like,         // x [NOT] LIKE p
  IsNull,       // x IS [NOT] NULL
  Between,      // x [NOT] BETWEEN a AND b
  Function,     // whitelisted function or aggregate
  Convert,      // convert(char(n), x, style)
  Subquery,     // (SELECT ...) as a value
  Exists,       // EXISTS (SELECT ...)
};

struct SelectStmt;

class Expr {
 public:
  explicit Expr(ExprKind kind) : kind(kind) {}
  virtual ~Expr() = default;
  Expr(const Expr&) = delete;
  Expr& operator=(const Expr&) = delete;

  virtual std::string ToString() const = 0;

  // Checked downcast: a kind mismatch is a bug in the caller and throws.
  template <class T>
  T& Cast() {
    if (kind != T::kKind) throw std::logic_error("tsql: bad expression cast");
    return static_cast<T&>(*this);
  }
  template <class T>
  const T& Cast() const {
    if (kind != T::kKind) throw std::logic_error("tsql: bad expression cast");
    return static_cast<const T&>(*this);
  }

  const ExprKind kind;
};

using ExprPtr = std::unique_ptr<Expr>;

struct ColumnExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::Column;
  ColumnExpr(std::string table, std::string column)
      : Expr(kKind), table(std::move(table)), column(std::move(column)) {}
  std::string ToString() const override;
  std::string table;  // as written; empty for a bare column
  std::string column;
};

struct StarExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::Star;
  explicit StarExpr(std::string table = {}) : Expr(kKind), table(std::move(table)) {}
  std::string ToString() const override;
  std::string table;  // empty for a plain *
};

struct ConstantExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::Constant;
  enum class Type { Number, String, Null };
  ConstantExpr(Type type, std::string text) : Expr(kKind), type(type), text(std::move(text)) {}
  std::string ToString() const override;
  Type type;
  std::string text;  // a number as written; a string's content without quotes
};

struct HostVarExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::HostVar;
  explicit HostVarExpr(std::string name) : Expr(kKind), name(std::move(name)) {}
  std::string ToString() const override;
  std::string name;  // without ':'
};

struct ParenExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::Paren;
  explicit ParenExpr(ExprPtr child) : Expr(kKind), child(std::move(child)) {}
  std::string ToString() const override;
  ExprPtr child;
};

struct UnaryExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::Unary;
  enum class Op { Minus, Plus, Not };
  UnaryExpr(Op op, ExprPtr child) : Expr(kKind), op(op), child(std::move(child)) {}
  std::string ToString() const override;
  Op op;
  ExprPtr child;
};

struct ArithExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::Arith;
  ArithExpr(char op, ExprPtr left, ExprPtr right)
      : Expr(kKind), op(op), left(std::move(left)), right(std::move(right)) {}
  std::string ToString() const override;
  char op;  // one of + - * / %
  ExprPtr left, right;
};

struct CompareExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::Compare;
  CompareExpr(std::string op, ExprPtr left, ExprPtr right)
      : Expr(kKind), op(std::move(op)), left(std::move(left)), right(std::move(right)) {}
  std::string ToString() const override;
  bool is_outer_join() const { return op == "*=" || op == "=*"; }
  std::string op;  // "=", "<>", "!=", "<", ">", "<=", ">=", "*=", "=*"
  ExprPtr left, right;
};

struct ConjunctionExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::Conjunction;
  explicit ConjunctionExpr(bool is_and) : Expr(kKind), is_and(is_and) {}
  std::string ToString() const override;
  bool is_and;
  std::vector<ExprPtr> children;  // two or more
};

struct InExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::In;
  InExpr() : Expr(kKind) {}
  std::string ToString() const override;
  ExprPtr child;
  bool negated = false;
  std::vector<ExprPtr> list;  // when subquery is null
  std::unique_ptr<SelectStmt> subquery;
};

struct LikeExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::Like;
  LikeExpr(ExprPtr child, ExprPtr pattern, bool negated)
      : Expr(kKind), child(std::move(child)), pattern(std::move(pattern)), negated(negated) {}
  std::string ToString() const override;
  ExprPtr child, pattern;
  bool negated;
};

struct IsNullExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::IsNull;
  IsNullExpr(ExprPtr child, bool negated) : Expr(kKind), child(std::move(child)), negated(negated) {}
  std::string ToString() const override;
  ExprPtr child;
  bool negated;
};

struct BetweenExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::Between;
  BetweenExpr(ExprPtr child, ExprPtr low, ExprPtr high, bool negated)
      : Expr(kKind), child(std::move(child)), low(std::move(low)), high(std::move(high)), negated(negated) {}
  std::string ToString() const override;
  ExprPtr child, low, high;
  bool negated;
};

struct FunctionExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::Function;
  explicit FunctionExpr(std::string name) : Expr(kKind), name(std::move(name)) {}
  std::string ToString() const override;
  bool is_aggregate() const;
  std::string name;  // lower case
  bool distinct = false;
  std::vector<ExprPtr> args;  // count(*) holds one StarExpr
};

struct ConvertExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::Convert;
  ConvertExpr() : Expr(kKind) {}
  std::string ToString() const override;
  std::string type;  // lower case: "char" or "varchar"
  int length = 0;
  ExprPtr child;
  int style = 0;
};

struct SubqueryExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::Subquery;
  explicit SubqueryExpr(std::unique_ptr<SelectStmt> select);
  ~SubqueryExpr() override;
  std::string ToString() const override;
  std::unique_ptr<SelectStmt> select;
};

struct ExistsExpr : Expr {
  static constexpr ExprKind kKind = ExprKind::Exists;
  explicit ExistsExpr(std::unique_ptr<SelectStmt> select);
  ~ExistsExpr() override;
  std::string ToString() const override;
  std::unique_ptr<SelectStmt> select;
};

// ---- Statements ----

struct SelectItem {
  ExprPtr expr;
  std::string alias;  // empty when none; `alias = expr` and `expr [as] alias` both land here
};

struct TableRef {
  std::string name;   // as written
  std::string alias;  // empty when none
  // The name other parts of the statement use for it.
  const std::string& ref_name() const { return alias.empty() ? name : alias; }
};

struct OrderItem {
  ExprPtr expr;
  enum class Direction { None, Asc, Desc } direction = Direction::None;
};

struct SelectStmt {
  std::string ToString() const;
  bool distinct = false;
  std::vector<SelectItem> items;
  std::vector<std::string> into;  // host variables of SELECT ... INTO :a, :b
  std::vector<TableRef> from;
  ExprPtr where;
  std::vector<ExprPtr> group_by;
  ExprPtr having;
  std::vector<OrderItem> order_by;
};

struct InsertStmt {
  std::string ToString() const;
  std::string table;
  std::vector<std::string> columns;
  std::vector<ExprPtr> values;         // VALUES (...) when select is null
  std::unique_ptr<SelectStmt> select;  // INSERT ... SELECT
  std::string returning;               // column, or empty
};

struct Assignment {
  std::string column;  // bare column name
  ExprPtr value;
};

struct UpdateStmt {
  std::string ToString() const;
  TableRef table;
  std::vector<Assignment> sets;
  ExprPtr where;
};

struct DeleteStmt {
  std::string ToString() const;
  TableRef table;
  ExprPtr where;
};

struct ExecuteArg {
  std::string name;  // without '@', lower case
  ExprPtr value;     // HostVar or Constant (a negative number is a Constant with '-')
};

struct ExecuteStmt {
  std::string ToString() const;
  std::string owner;      // "dbo" or empty
  std::string procedure;  // lower case
  int number = 0;         // the ;n group number, 0 when absent
  std::vector<ExecuteArg> args;
};

// Exactly one of the members is set.
struct Statement {
  std::string ToString() const;
  std::unique_ptr<SelectStmt> select;
  std::unique_ptr<InsertStmt> insert;
  std::unique_ptr<UpdateStmt> update;
  std::unique_ptr<DeleteStmt> del;
  std::unique_ptr<ExecuteStmt> execute;
};

}  // namespace sparestock::db::tsql
