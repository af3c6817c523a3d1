#pragma once
// Compiling expressions of the grid expression language against a grid's columns.
//
// An expression is parsed once (expression.h), then bound: every name is resolved to a column,
// a computed field or a retrieval argument of the grid definition, and types are checked
// (comparing text with a number is an error, not a silent conversion). The bound form is a tree
// of typed nodes that evaluates one row without looking at the text again. Filters are further
// compiled into predicates that work over a selection of row positions, column at a time, with
// special kernels for the shapes the forms use (`mid(col,a,b) like 'X%'` is a prefix test on a
// view of the column's text: no copy, no allocation per row).
//
// Names (resolve_column):
//   #n                       the n-th column (1-based);
//   a column's name          in any case: CCPH finds a column named ccph;
//   a computed field's name  its expression;
//   a retrieval argument     its value in the last retrieve (`gsh` in d_bj704_002's sums);
//   otherwise                the one column whose name ends in "_" + name, in any case: CCPH
//                            finds dbj030_ccph when no other column ends in _ccph. When several
//                            columns end so, the name is ambiguous and refused.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/db/value.h"
#include "host/grid/definition.h"
#include "host/grid/expression.h"

namespace sparestock::grid {

class GridData;
class Node;

enum class ValueType : uint8_t { Null, Bool, Text, Decimal, Real, DateTime };
std::string_view value_type_name(ValueType t);

// One value during evaluation. Text is a view: into a column's arena, into a literal of the
// compiled expression, or into the evaluation's scratch space.
struct Scalar {
  ValueType type = ValueType::Null;
  bool b = false;
  int scale = 0;  // Decimal
  int64_t i = 0;  // Decimal units, DateTime seconds
  double r = 0;   // Real
  std::string_view s;

  bool is_null() const { return type == ValueType::Null; }
  db::Decimal decimal() const { return db::Decimal(i, scale); }
  static Scalar null() { return {}; }
  static Scalar boolean(bool v) {
    Scalar x;
    x.type = ValueType::Bool;
    x.b = v;
    return x;
  }
  static Scalar text(std::string_view v) {
    Scalar x;
    x.type = ValueType::Text;
    x.s = v;
    return x;
  }
  static Scalar dec(const db::Decimal& d) {
    Scalar x;
    x.type = ValueType::Decimal;
    x.i = d.units();
    x.scale = d.scale();
    return x;
  }
  static Scalar real(double v) {
    Scalar x;
    x.type = ValueType::Real;
    x.r = v;
    return x;
  }
  static Scalar datetime(int64_t seconds) {
    Scalar x;
    x.type = ValueType::DateTime;
    x.i = seconds;
    return x;
  }
  // Bool as Integer 1/0.
  db::Value to_value() const;
  static Scalar from_value(const db::Value& v);  // text views into v
  // The text form used by string() and by + with text: decimals with their places.
  std::string to_text() const;
};

// Text made while evaluating (upper(), string concatenation). Views stay valid until the
// scratch is released back to an earlier mark.
class Scratch {
 public:
  std::string& next();
  size_t mark() const { return used_; }
  void release(size_t mark) { used_ = mark; }

 private:
  std::vector<std::unique_ptr<std::string>> pool_;
  size_t used_ = 0;
};

// Buffers of row positions for filters, reused from one filter to the next so that a warm
// filter allocates nothing. Buffers taken after a mark are given back by release(mark).
class SelectionBuffers {
 public:
  // A buffer of at least n entries (uninitialised), valid until released.
  uint32_t* take(size_t n);
  size_t mark() const { return used_; }
  void release(size_t mark) { used_ = mark; }
  size_t memory_bytes() const {
    size_t n = 0;
    for (size_t s : sizes_) n += s * sizeof(uint32_t);
    return n;
  }

 private:
  std::vector<std::unique_ptr<uint32_t[]>> buffers_;
  std::vector<size_t> sizes_;
  size_t used_ = 0;
};

// What aggregates run over: the rows as shown, and groups within them.
class AggregateRows {
 public:
  virtual ~AggregateRows() = default;
  virtual const std::vector<uint32_t>& shown_rows() const = 0;
  // Positions [first, last) in shown_rows() of the group of `level` (1-based) that holds
  // `row`; {0, 0} when the row is not shown or the level does not exist.
  virtual std::pair<size_t, size_t> group_range(int level, uint32_t row) const = 0;
  // Positions of the page that holds `row` while printing; all rows otherwise.
  virtual std::pair<size_t, size_t> page_range(uint32_t row) const = 0;
};

struct EvalContext {
  const GridData* data = nullptr;
  // For predicates: the row id at each position of a selection; null when positions are row
  // ids.
  const uint32_t* rows = nullptr;
  // Where predicates take their buffers; null: a pool of the context's own.
  SelectionBuffers* buffers = nullptr;
  SelectionBuffers& selections() { return buffers ? *buffers : own_buffers; }
  SelectionBuffers own_buffers;
  // Values of the retrieval arguments, in the definition's order.
  const std::vector<db::Value>* arguments = nullptr;
  const AggregateRows* aggregate_rows = nullptr;
  long page = 1;        // page() while printing
  long page_count = 1;  // pagecount()
  Scratch scratch;
};

struct CompileOptions {
  // Scope of an aggregate written without `for`: all rows (summary band) or the group of
  // `default_group` (a group trailer).
  AggregateScope default_scope = AggregateScope::All;
  int default_group = 0;
  // Use the special filter kernels; off, every condition goes through the general evaluator
  // (the tests run both ways and compare).
  bool specialise = true;
};

// A bound scalar expression.
class CompiledExpression {
 public:
  explicit CompiledExpression(std::unique_ptr<Node> root, std::string source);
  ~CompiledExpression();
  ValueType type() const;
  Scalar evaluate(EvalContext& ctx, uint32_t row) const;
  // The value of a row as a db::Value (text copied), scratch released.
  db::Value value(EvalContext& ctx, uint32_t row) const;
  const std::string& source() const { return source_; }
  std::string ToString() const;
  const Node& root() const { return *root_; }

 private:
  std::unique_ptr<Node> root_;
  std::string source_;
};

class Predicate;

// A bound filter condition.
class CompiledFilter {
 public:
  CompiledFilter(std::unique_ptr<Node> root, std::unique_ptr<Predicate> predicate, std::string source);
  ~CompiledFilter();

  // Keeps the positions of sel[0..n) whose rows pass (ctx.rows maps a position to a row id)
  // and writes them, in order, to out, which may be sel itself. Returns their count.
  size_t select(EvalContext& ctx, const uint32_t* sel, size_t n, uint32_t* out) const;
  // The rows of `rows` that pass, in order.
  std::vector<uint32_t> apply(EvalContext& ctx, const std::vector<uint32_t>& rows) const;
  bool test(EvalContext& ctx, uint32_t row) const;
  const std::string& source() const { return source_; }
  // How the filter runs, for tests and diagnostics:
  // "or(like.prefix(mid.ascii(dbj030_ccph)), ...)".
  std::string plan() const;

 private:
  std::unique_ptr<Node> root_;
  std::unique_ptr<Predicate> predicate_;
  std::string source_;
};

class CompiledSort {
 public:
  struct Key {
    std::unique_ptr<CompiledExpression> expression;
    bool descending = false;
  };
  explicit CompiledSort(std::vector<Key> keys, std::string source);
  ~CompiledSort();
  // Orders `rows` (row ids) by the keys, stably: rows with equal keys keep their order.
  // Nulls come before every value in ascending order.
  void sort(EvalContext& ctx, std::vector<uint32_t>& rows) const;
  bool empty() const { return keys_.empty(); }
  const std::string& source() const { return source_; }

 private:
  std::vector<Key> keys_;
  std::string source_;
};

// 0-based index of the column `name` names under the rules above, or -1 with the reason in
// `error`. Only columns are considered (not computed fields or arguments).
int resolve_column(const GridDefinition& def, std::string_view name, std::string* error);

// Compiles an expression of any type. nullptr with the reason in `error`.
std::unique_ptr<CompiledExpression> compile_expression(std::string_view text, const GridDefinition& def,
                                                       const CompileOptions& options, std::string* error);
// Compiles a condition (it must be true or false). An empty text is an error here.
std::unique_ptr<CompiledFilter> compile_filter(std::string_view text, const GridDefinition& def,
                                               const CompileOptions& options, std::string* error);
// Compiles a sort list; an empty text gives an empty sort.
std::unique_ptr<CompiledSort> compile_sort(std::string_view text, const GridDefinition& def,
                                           std::string* error);

}  // namespace sparestock::grid
