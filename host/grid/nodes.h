#pragma once
// Bound expression nodes (internal to the grid engine). Each node knows its result type and
// evaluates one row. The filter compiler (filter.cpp) recognises some node shapes and runs
// them with column-at-a-time kernels instead.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/grid/column_store.h"
#include "host/grid/compiler.h"
#include "host/grid/text.h"

namespace sparestock::grid {

class Node {
 public:
  explicit Node(ValueType type) : type_(type) {}
  virtual ~Node() = default;
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;

  ValueType type() const { return type_; }
  virtual Scalar eval(EvalContext& ctx, uint32_t row) const = 0;
  // True for a literal (and for anything folded into one at compile time).
  virtual bool is_constant() const { return false; }
  // True when the value depends on nothing but the children (no row, page or argument).
  virtual bool foldable() const { return true; }
  virtual std::string ToString() const = 0;

 private:
  ValueType type_;
};

using NodePtr = std::unique_ptr<Node>;

class ConstNode : public Node {
 public:
  explicit ConstNode(const Scalar& v, ValueType declared);
  Scalar eval(EvalContext&, uint32_t) const override { return value_; }
  bool is_constant() const override { return true; }
  std::string ToString() const override;
  const Scalar& value() const { return value_; }

 private:
  std::string text_;  // owns the text of value_
  Scalar value_;
};

class ColumnNode : public Node {
 public:
  ColumnNode(int column, std::string name, ValueType type)
      : Node(type), column_(column), name_(std::move(name)) {}
  Scalar eval(EvalContext& ctx, uint32_t row) const override;
  bool foldable() const override { return false; }
  std::string ToString() const override { return name_; }
  int column() const { return column_; }
  const std::string& name() const { return name_; }

 private:
  int column_;
  std::string name_;
};

class ArgumentNode : public Node {
 public:
  ArgumentNode(int index, std::string name, ValueType type)
      : Node(type), index_(index), name_(std::move(name)) {}
  Scalar eval(EvalContext& ctx, uint32_t row) const override;
  bool foldable() const override { return false; }
  std::string ToString() const override { return ":" + name_; }

 private:
  int index_;
  std::string name_;
};

// mid(text, start [, length]).
class MidNode : public Node {
 public:
  MidNode(NodePtr source, NodePtr start, NodePtr length)
      : Node(ValueType::Text),
        source_(std::move(source)),
        start_(std::move(start)),
        length_(std::move(length)) {}
  Scalar eval(EvalContext& ctx, uint32_t row) const override;
  std::string ToString() const override;
  const Node& source() const { return *source_; }
  // The bounds when both are literals (length -1 when omitted).
  bool constant_bounds(int64_t* start, int64_t* length) const;

 private:
  NodePtr source_, start_, length_;
};

// A built-in scalar function over evaluated arguments.
using BuiltinFn = Scalar (*)(EvalContext& ctx, const Scalar* args, size_t n);

class FunctionNode : public Node {
 public:
  FunctionNode(std::string name, ValueType type, BuiltinFn fn, std::vector<NodePtr> args, bool foldable = true)
      : Node(type), name_(std::move(name)), fn_(fn), args_(std::move(args)), foldable_(foldable) {}
  Scalar eval(EvalContext& ctx, uint32_t row) const override;
  bool foldable() const override { return foldable_; }
  std::string ToString() const override;
  const std::string& name() const { return name_; }
  const std::vector<NodePtr>& args() const { return args_; }

 private:
  std::string name_;
  BuiltinFn fn_;
  std::vector<NodePtr> args_;
  bool foldable_;
};

class ArithNode : public Node {
 public:
  ArithNode(ArithmeticOp op, ValueType type, NodePtr left, NodePtr right)
      : Node(type), op_(op), left_(std::move(left)), right_(std::move(right)) {}
  Scalar eval(EvalContext& ctx, uint32_t row) const override;
  std::string ToString() const override;

 private:
  ArithmeticOp op_;
  NodePtr left_, right_;
};

// text + text, text + number: joins the texts.
class ConcatNode : public Node {
 public:
  ConcatNode(NodePtr left, NodePtr right)
      : Node(ValueType::Text), left_(std::move(left)), right_(std::move(right)) {}
  Scalar eval(EvalContext& ctx, uint32_t row) const override;
  std::string ToString() const override;

 private:
  NodePtr left_, right_;
};

class CompareNode : public Node {
 public:
  CompareNode(CompareOp op, NodePtr left, NodePtr right)
      : Node(ValueType::Bool), op_(op), left_(std::move(left)), right_(std::move(right)) {}
  Scalar eval(EvalContext& ctx, uint32_t row) const override;
  std::string ToString() const override;
  CompareOp op() const { return op_; }
  const Node& left() const { return *left_; }
  const Node& right() const { return *right_; }

 private:
  CompareOp op_;
  NodePtr left_, right_;
};

class LikeNode : public Node {
 public:
  LikeNode(bool negated, NodePtr value, NodePtr pattern);
  Scalar eval(EvalContext& ctx, uint32_t row) const override;
  std::string ToString() const override;
  bool negated() const { return negated_; }
  const Node& value() const { return *value_; }
  // The analysed pattern when it is a literal.
  const LikePattern* fixed_pattern() const { return fixed_ ? &*fixed_ : nullptr; }

 private:
  bool negated_;
  NodePtr value_, pattern_;
  std::optional<LikePattern> fixed_;
};

class InNode : public Node {
 public:
  InNode(bool negated, NodePtr value, std::vector<NodePtr> list)
      : Node(ValueType::Bool), negated_(negated), value_(std::move(value)), list_(std::move(list)) {}
  Scalar eval(EvalContext& ctx, uint32_t row) const override;
  std::string ToString() const override;

 private:
  bool negated_;
  NodePtr value_;
  std::vector<NodePtr> list_;
};

class ConjunctionNode : public Node {
 public:
  ConjunctionNode(ConjunctionType kind, std::vector<NodePtr> children)
      : Node(ValueType::Bool), kind_(kind), children_(std::move(children)) {}
  Scalar eval(EvalContext& ctx, uint32_t row) const override;
  std::string ToString() const override;
  ConjunctionType kind() const { return kind_; }
  const std::vector<NodePtr>& children() const { return children_; }
  std::vector<NodePtr> take_children() { return std::move(children_); }

 private:
  ConjunctionType kind_;
  std::vector<NodePtr> children_;
};

class NotNode : public Node {
 public:
  explicit NotNode(NodePtr child) : Node(ValueType::Bool), child_(std::move(child)) {}
  Scalar eval(EvalContext& ctx, uint32_t row) const override;
  std::string ToString() const override { return "not " + child_->ToString(); }
  const Node& child() const { return *child_; }

 private:
  NodePtr child_;
};

class IfNode : public Node {
 public:
  IfNode(ValueType type, NodePtr cond, NodePtr yes, NodePtr no)
      : Node(type), cond_(std::move(cond)), yes_(std::move(yes)), no_(std::move(no)) {}
  Scalar eval(EvalContext& ctx, uint32_t row) const override;
  std::string ToString() const override;

 private:
  NodePtr cond_, yes_, no_;
};

// Converts a Decimal result to Real where the other branch or operand is Real.
class ToRealNode : public Node {
 public:
  explicit ToRealNode(NodePtr child) : Node(ValueType::Real), child_(std::move(child)) {}
  Scalar eval(EvalContext& ctx, uint32_t row) const override;
  std::string ToString() const override { return child_->ToString(); }

 private:
  NodePtr child_;
};

enum class AggregateFn { Sum, Count, Avg, Max, Min };

class AggregateNode : public Node {
 public:
  AggregateNode(AggregateFn fn, ValueType type, NodePtr value, AggregateScope scope, int group, bool distinct,
                std::vector<NodePtr> distinct_values);
  Scalar eval(EvalContext& ctx, uint32_t row) const override;
  bool foldable() const override { return false; }
  std::string ToString() const override;

 private:
  Scalar compute(EvalContext& ctx, size_t first, size_t last) const;

  AggregateFn fn_;
  NodePtr value_;
  AggregateScope scope_;
  int group_;
  bool distinct_;
  std::vector<NodePtr> distinct_values_;
  // The last result, reused while the rows, their values and the range stay the same.
  struct Cache {
    const GridData* data = nullptr;
    uint64_t version = 0, value_version = 0;
    size_t first = 0, last = 0;
    Scalar value;
    std::string text;
    bool valid = false;
  };
  mutable Cache cache_;
};

// Compares two non-null values of comparable types: <0, 0, >0.
int compare_scalars(const Scalar& a, const Scalar& b);
// Equality for grouping and distinct: nulls equal each other.
bool same_scalars(const Scalar& a, const Scalar& b);

}  // namespace sparestock::grid
