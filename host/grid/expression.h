#pragma once
// The grid expression language: the parsed tree of a filter, a sort key, a find condition or a
// computed field. One class per node kind, children owned by unique_ptr, ToString() on every
// node. The tree is only syntax: column names are resolved and types checked when the tree is
// compiled against a grid (compiler.h), and evaluation never looks at the tree again.

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/db/decimal.h"

namespace sparestock::grid {

enum class ExprClass {
  Constant,     // 'text', "text", 12, 12.50
  ColumnRef,    // dbj030_ccph, CCPH, #3
  Function,     // mid(x, 5, 4), page()
  Aggregate,    // sum(x for all), count(x for all distinct a, b)
  Arithmetic,   // a + b, a - b, a * b, a / b, -a
  Comparison,   // a = b, a <> b, a < b, a <= b, a > b, a >= b
  Like,         // a like 'P%', a not like 'P%'
  In,           // a in ('01', '02')
  Between,      // a between 1 and 5
  Conjunction,  // a and b and c; a or b
  Not,          // not a
};

class ParsedExpression {
 public:
  ParsedExpression(ExprClass cls, size_t position) : class_(cls), position_(position) {}
  virtual ~ParsedExpression() = default;
  ParsedExpression(const ParsedExpression&) = delete;
  ParsedExpression& operator=(const ParsedExpression&) = delete;

  ExprClass expression_class() const { return class_; }
  // Byte offset of the node's first token in the source text.
  size_t position() const { return position_; }
  virtual std::string ToString() const = 0;

  // Checked downcast: throws std::logic_error when the node is of another kind.
  template <class T>
  T& Cast() {
    if (class_ != T::kClass) throw std::logic_error("expression node is not of the expected kind");
    return static_cast<T&>(*this);
  }
  template <class T>
  const T& Cast() const {
    if (class_ != T::kClass) throw std::logic_error("expression node is not of the expected kind");
    return static_cast<const T&>(*this);
  }

 private:
  ExprClass class_;
  size_t position_;
};

using ExprPtr = std::unique_ptr<ParsedExpression>;

class ConstantExpression : public ParsedExpression {
 public:
  static constexpr ExprClass kClass = ExprClass::Constant;
  ConstantExpression(size_t pos, std::string text)
      : ParsedExpression(kClass, pos), is_text(true), text(std::move(text)) {}
  ConstantExpression(size_t pos, db::Decimal number)
      : ParsedExpression(kClass, pos), is_text(false), number(number) {}
  std::string ToString() const override;

  bool is_text;
  std::string text;    // when is_text, with escapes resolved
  db::Decimal number;  // otherwise
};

class ColumnRefExpression : public ParsedExpression {
 public:
  static constexpr ExprClass kClass = ExprClass::ColumnRef;
  ColumnRefExpression(size_t pos, std::string name, int number = 0)
      : ParsedExpression(kClass, pos), name(std::move(name)), number(number) {}
  std::string ToString() const override;

  std::string name;  // as written; empty for #n
  int number;        // n of #n (1-based), 0 for a name
};

class FunctionExpression : public ParsedExpression {
 public:
  static constexpr ExprClass kClass = ExprClass::Function;
  FunctionExpression(size_t pos, std::string name, std::vector<ExprPtr> children)
      : ParsedExpression(kClass, pos), name(std::move(name)), children(std::move(children)) {}
  std::string ToString() const override;

  std::string name;  // lower case
  std::vector<ExprPtr> children;
};

enum class AggregateScope {
  Default,  // no `for`: all rows in the summary band, the group in a group trailer
  All,      // for all
  Group,    // for group n
  Page,     // for page
};

class AggregateExpression : public ParsedExpression {
 public:
  static constexpr ExprClass kClass = ExprClass::Aggregate;
  AggregateExpression(size_t pos, std::string name, ExprPtr child)
      : ParsedExpression(kClass, pos), name(std::move(name)), child(std::move(child)) {}
  std::string ToString() const override;

  std::string name;  // sum, count, avg, max, min
  ExprPtr child;
  AggregateScope scope = AggregateScope::Default;
  int group = 0;  // for AggregateScope::Group
  bool distinct = false;
  // The values that make rows distinct; empty with `distinct` means the aggregated value.
  std::vector<ExprPtr> distinct_children;
};

enum class ArithmeticOp { Add, Subtract, Multiply, Divide, Negate };

class ArithmeticExpression : public ParsedExpression {
 public:
  static constexpr ExprClass kClass = ExprClass::Arithmetic;
  ArithmeticExpression(size_t pos, ArithmeticOp op, ExprPtr left, ExprPtr right = nullptr)
      : ParsedExpression(kClass, pos), op(op), left(std::move(left)), right(std::move(right)) {}
  std::string ToString() const override;

  ArithmeticOp op;
  ExprPtr left;
  ExprPtr right;  // null for Negate
};

enum class CompareOp { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };
std::string_view compare_op_text(CompareOp op);

class ComparisonExpression : public ParsedExpression {
 public:
  static constexpr ExprClass kClass = ExprClass::Comparison;
  ComparisonExpression(size_t pos, CompareOp op, ExprPtr left, ExprPtr right)
      : ParsedExpression(kClass, pos), op(op), left(std::move(left)), right(std::move(right)) {}
  std::string ToString() const override;

  CompareOp op;
  ExprPtr left;
  ExprPtr right;
};

class LikeExpression : public ParsedExpression {
 public:
  static constexpr ExprClass kClass = ExprClass::Like;
  LikeExpression(size_t pos, bool negated, ExprPtr value, ExprPtr pattern)
      : ParsedExpression(kClass, pos),
        negated(negated),
        value(std::move(value)),
        pattern(std::move(pattern)) {}
  std::string ToString() const override;

  bool negated;
  ExprPtr value;
  ExprPtr pattern;
};

class InExpression : public ParsedExpression {
 public:
  static constexpr ExprClass kClass = ExprClass::In;
  InExpression(size_t pos, bool negated, ExprPtr value, std::vector<ExprPtr> list)
      : ParsedExpression(kClass, pos), negated(negated), value(std::move(value)), list(std::move(list)) {}
  std::string ToString() const override;

  bool negated;
  ExprPtr value;
  std::vector<ExprPtr> list;
};

class BetweenExpression : public ParsedExpression {
 public:
  static constexpr ExprClass kClass = ExprClass::Between;
  BetweenExpression(size_t pos, bool negated, ExprPtr value, ExprPtr low, ExprPtr high)
      : ParsedExpression(kClass, pos),
        negated(negated),
        value(std::move(value)),
        low(std::move(low)),
        high(std::move(high)) {}
  std::string ToString() const override;

  bool negated;
  ExprPtr value;
  ExprPtr low;
  ExprPtr high;
};

enum class ConjunctionType { And, Or };

// `a and b and c` is one node with three children.
class ConjunctionExpression : public ParsedExpression {
 public:
  static constexpr ExprClass kClass = ExprClass::Conjunction;
  ConjunctionExpression(size_t pos, ConjunctionType type, std::vector<ExprPtr> children)
      : ParsedExpression(kClass, pos), type(type), children(std::move(children)) {}
  std::string ToString() const override;

  ConjunctionType type;
  std::vector<ExprPtr> children;
};

class NotExpression : public ParsedExpression {
 public:
  static constexpr ExprClass kClass = ExprClass::Not;
  NotExpression(size_t pos, ExprPtr child) : ParsedExpression(kClass, pos), child(std::move(child)) {}
  std::string ToString() const override;

  ExprPtr child;
};

// One key of a sort list: "mid(dbj030_ccph,5,4) A".
struct SortItem {
  ExprPtr expression;
  bool descending = false;
};

// Outcome of parsing. On failure `error` says what is wrong and where
// ("expected ')' at position 12"); positions count characters from 1.
struct ParseResult {
  ExprPtr expression;
  std::string error;
  bool ok() const { return error.empty(); }
};

struct SortParseResult {
  std::vector<SortItem> items;  // empty for an empty sort list
  std::string error;
  bool ok() const { return error.empty(); }
};

// Parses an expression. An empty (or all-blank) text is an error here; callers that accept an
// empty filter test for it first.
ParseResult parse_expression(std::string_view text);

// Parses a sort list: keys separated by commas, each an expression optionally followed by its
// direction, A/ASC (ascending, the default) or D/DESC (descending), in any case.
SortParseResult parse_sort(std::string_view text);

// The text as a literal of the language: in single quotes, with ~ written as ~~ and ' as ~'.
// Any text a user typed can be put into an expression this way.
std::string quote_literal(std::string_view text);
// The same without the surrounding quotes, for expressions whose quotes are written around
// the pieces ("dbj030_ckh = '" + escape_literal(w) + "'").
std::string escape_literal(std::string_view text);

// "position N" for a byte offset into `text` (N counts characters from 1).
std::string position_text(std::string_view text, size_t byte_offset);

}  // namespace sparestock::grid
