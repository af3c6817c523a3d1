// Binding: names resolved, types checked, constants folded, built-in functions attached.

#include <cmath>
#include <cstdlib>

#include "host/grid/filter.h"
#include "host/grid/nodes.h"
#include "host/grid/text.h"

namespace sparestock::grid {

namespace {

struct BindError {
  std::string message;
  size_t position;
};

ValueType value_type_of(GridType t) {
  switch (t) {
    case GridType::Char: return ValueType::Text;
    case GridType::Decimal:
    case GridType::Long: return ValueType::Decimal;
    case GridType::Number: return ValueType::Real;
    case GridType::DateTime: return ValueType::DateTime;
  }
  return ValueType::Null;
}

bool is_number(ValueType t) { return t == ValueType::Decimal || t == ValueType::Real; }

int64_t to_int(const Scalar& v) {
  if (v.type == ValueType::Real) return static_cast<int64_t>(v.r);
  int64_t u = v.i;
  for (int k = 0; k < v.scale; ++k) u /= 10;
  return u;
}

// ---- Built-in functions. Every one returns null for a null argument. ----

Scalar fn_left(EvalContext&, const Scalar* a, size_t) {
  if (a[0].is_null() || a[1].is_null()) return Scalar::null();
  int64_t n = to_int(a[1]);
  return Scalar::text(n <= 0 ? std::string_view() : mid(a[0].s, 1, n));
}

Scalar fn_right(EvalContext&, const Scalar* a, size_t) {
  if (a[0].is_null() || a[1].is_null()) return Scalar::null();
  int64_t n = to_int(a[1]);
  if (n <= 0) return Scalar::text({});
  int64_t count = static_cast<int64_t>(text::char_count(a[0].s));
  if (n >= count) return Scalar::text(a[0].s);
  return Scalar::text(mid(a[0].s, count - n + 1, n));
}

Scalar fn_len(EvalContext&, const Scalar* a, size_t) {
  if (a[0].is_null()) return Scalar::null();
  return Scalar::dec(db::Decimal(static_cast<int64_t>(text::char_count(a[0].s)), 0));
}

Scalar fn_trim(EvalContext&, const Scalar* a, size_t) {
  return a[0].is_null() ? a[0] : Scalar::text(text::trim(a[0].s));
}
Scalar fn_lefttrim(EvalContext&, const Scalar* a, size_t) {
  return a[0].is_null() ? a[0] : Scalar::text(text::trim_leading(a[0].s));
}
Scalar fn_righttrim(EvalContext&, const Scalar* a, size_t) {
  return a[0].is_null() ? a[0] : Scalar::text(text::trim_trailing(a[0].s));
}
Scalar fn_upper(EvalContext& ctx, const Scalar* a, size_t) {
  return a[0].is_null() ? a[0] : Scalar::text(ctx.scratch.next() = text::upper(a[0].s));
}
Scalar fn_lower(EvalContext& ctx, const Scalar* a, size_t) {
  return a[0].is_null() ? a[0] : Scalar::text(ctx.scratch.next() = text::lower(a[0].s));
}

Scalar fn_pos(EvalContext&, const Scalar* a, size_t n) {
  if (a[0].is_null() || a[1].is_null() || (n > 2 && a[2].is_null())) return Scalar::null();
  int64_t start = n > 2 ? to_int(a[2]) : 1;
  return Scalar::dec(db::Decimal(pos(a[0].s, a[1].s, start), 0));
}

Scalar fn_string(EvalContext& ctx, const Scalar* a, size_t) {
  if (a[0].is_null() || a[0].type == ValueType::Text) return a[0];
  return Scalar::text(ctx.scratch.next() = a[0].to_text());
}

Scalar fn_number(EvalContext& ctx, const Scalar* a, size_t) {
  switch (a[0].type) {
    case ValueType::Real: return a[0];
    case ValueType::Decimal: return Scalar::real(a[0].decimal().to_double());
    case ValueType::Text: {
      std::string& s = ctx.scratch.next();
      s = std::string(text::trim(a[0].s));
      if (s.empty()) return Scalar::null();
      char* end = nullptr;
      double v = std::strtod(s.c_str(), &end);
      if (end != s.c_str() + s.size()) return Scalar::null();
      return Scalar::real(v);
    }
    default: return Scalar::null();
  }
}

Scalar fn_dec(EvalContext&, const Scalar* a, size_t) {
  switch (a[0].type) {
    case ValueType::Decimal: return a[0];
    case ValueType::Real: {
      auto d = db::Decimal::from_double(a[0].r, 8);
      return d ? Scalar::dec(*d) : Scalar::null();
    }
    case ValueType::Text: {
      auto d = db::Decimal::parse(a[0].s);
      return d ? Scalar::dec(*d) : Scalar::null();
    }
    default: return Scalar::null();
  }
}

Scalar fn_long(EvalContext& ctx, const Scalar* a, size_t n) {
  Scalar d = fn_dec(ctx, a, n);
  if (d.is_null()) return d;
  return Scalar::dec(db::Decimal(to_int(d), 0));
}

Scalar fn_isnull(EvalContext&, const Scalar* a, size_t) { return Scalar::boolean(a[0].is_null()); }

Scalar fn_abs(EvalContext&, const Scalar* a, size_t) {
  if (a[0].type == ValueType::Real) return Scalar::real(std::fabs(a[0].r));
  if (a[0].type == ValueType::Decimal) {
    Scalar x = a[0];
    if (x.i < 0) {
      if (x.i == INT64_MIN) return Scalar::null();
      x.i = -x.i;
    }
    return x;
  }
  return Scalar::null();
}

// round(x, n): half away from zero to n places (0..8).
Scalar fn_round(EvalContext&, const Scalar* a, size_t) {
  if (a[0].is_null() || a[1].is_null()) return Scalar::null();
  int64_t n = to_int(a[1]);
  if (n < 0 || n > db::Decimal::kMaxScale) return Scalar::null();
  if (a[0].type == ValueType::Real) {
    auto d = db::Decimal::from_double(a[0].r, static_cast<int>(n));
    return d ? Scalar::real(d->to_double()) : Scalar::null();
  }
  db::Decimal d = a[0].decimal();
  if (d.scale() <= n) return a[0];
  return Scalar::dec(d.rescale(static_cast<int>(n)));
}

Scalar fn_page(EvalContext& ctx, const Scalar*, size_t) { return Scalar::dec(db::Decimal(ctx.page, 0)); }
Scalar fn_pagecount(EvalContext& ctx, const Scalar*, size_t) {
  return Scalar::dec(db::Decimal(ctx.page_count, 0));
}

Scalar fn_date(EvalContext&, const Scalar* a, size_t) {
  if (a[0].type == ValueType::DateTime) return Scalar::datetime(db::DateTime{a[0].i}.date().seconds);
  if (a[0].type == ValueType::Text)
    if (auto dt = db::DateTime::parse(a[0].s)) return Scalar::datetime(dt->date().seconds);
  return Scalar::null();
}

Scalar fn_datetime(EvalContext&, const Scalar* a, size_t) {
  if (a[0].type == ValueType::DateTime) return a[0];
  if (a[0].type == ValueType::Text)
    if (auto dt = db::DateTime::parse(a[0].s)) return Scalar::datetime(dt->seconds);
  return Scalar::null();
}

Scalar fn_year(EvalContext&, const Scalar* a, size_t) {
  if (a[0].type != ValueType::DateTime) return Scalar::null();
  return Scalar::dec(db::Decimal(db::DateTime{a[0].i}.year(), 0));
}
Scalar fn_month(EvalContext&, const Scalar* a, size_t) {
  if (a[0].type != ValueType::DateTime) return Scalar::null();
  return Scalar::dec(db::Decimal(db::DateTime{a[0].i}.month(), 0));
}
Scalar fn_day(EvalContext&, const Scalar* a, size_t) {
  if (a[0].type != ValueType::DateTime) return Scalar::null();
  return Scalar::dec(db::Decimal(db::DateTime{a[0].i}.day(), 0));
}

// ---- Binder ----

enum class ArgKind { Text, Number, Date, TextOrDate, Any, Condition };

struct FunctionSpec {
  const char* name;
  size_t min_args, max_args;
  ArgKind args[3];
  ValueType result;  // Null: the type of the first argument
  BuiltinFn fn;
  bool foldable;
};

constexpr FunctionSpec kFunctions[] = {
    {"left", 2, 2, {ArgKind::Text, ArgKind::Number}, ValueType::Text, fn_left, true},
    {"right", 2, 2, {ArgKind::Text, ArgKind::Number}, ValueType::Text, fn_right, true},
    {"len", 1, 1, {ArgKind::Text}, ValueType::Decimal, fn_len, true},
    {"trim", 1, 1, {ArgKind::Text}, ValueType::Text, fn_trim, true},
    {"lefttrim", 1, 1, {ArgKind::Text}, ValueType::Text, fn_lefttrim, true},
    {"righttrim", 1, 1, {ArgKind::Text}, ValueType::Text, fn_righttrim, true},
    {"upper", 1, 1, {ArgKind::Text}, ValueType::Text, fn_upper, true},
    {"lower", 1, 1, {ArgKind::Text}, ValueType::Text, fn_lower, true},
    {"pos", 2, 3, {ArgKind::Text, ArgKind::Text, ArgKind::Number}, ValueType::Decimal, fn_pos, true},
    {"string", 1, 1, {ArgKind::Any}, ValueType::Text, fn_string, true},
    {"number", 1, 1, {ArgKind::Any}, ValueType::Real, fn_number, true},
    {"real", 1, 1, {ArgKind::Any}, ValueType::Real, fn_number, true},
    {"double", 1, 1, {ArgKind::Any}, ValueType::Real, fn_number, true},
    {"dec", 1, 1, {ArgKind::Any}, ValueType::Decimal, fn_dec, true},
    {"long", 1, 1, {ArgKind::Any}, ValueType::Decimal, fn_long, true},
    {"integer", 1, 1, {ArgKind::Any}, ValueType::Decimal, fn_long, true},
    {"isnull", 1, 1, {ArgKind::Any}, ValueType::Bool, fn_isnull, true},
    {"abs", 1, 1, {ArgKind::Number}, ValueType::Null, fn_abs, true},
    {"round", 2, 2, {ArgKind::Number, ArgKind::Number}, ValueType::Null, fn_round, true},
    {"page", 0, 0, {}, ValueType::Decimal, fn_page, false},
    {"pagecount", 0, 0, {}, ValueType::Decimal, fn_pagecount, false},
    {"date", 1, 1, {ArgKind::TextOrDate}, ValueType::DateTime, fn_date, true},
    {"datetime", 1, 1, {ArgKind::TextOrDate}, ValueType::DateTime, fn_datetime, true},
    {"year", 1, 1, {ArgKind::Date}, ValueType::Decimal, fn_year, true},
    {"month", 1, 1, {ArgKind::Date}, ValueType::Decimal, fn_month, true},
    {"day", 1, 1, {ArgKind::Date}, ValueType::Decimal, fn_day, true},
};

NodePtr make_const(const Scalar& v, ValueType declared) { return std::make_unique<ConstNode>(v, declared); }

// Evaluates a node whose value depends on nothing but literals, once.
NodePtr fold(NodePtr n) {
  EvalContext none;
  Scalar v = n->eval(none, 0);
  return make_const(v, n->type());
}

bool all_constant(const std::vector<NodePtr>& v) {
  for (const auto& n : v)
    if (!n->is_constant()) return false;
  return true;
}

class Binder {
 public:
  Binder(const GridDefinition& def, const CompileOptions& options) : def_(def), options_(options) {}

  NodePtr bind(const ParsedExpression& e) {
    switch (e.expression_class()) {
      case ExprClass::Constant: {
        const auto& c = e.Cast<ConstantExpression>();
        return c.is_text ? make_const(Scalar::text(c.text), ValueType::Text)
                         : make_const(Scalar::dec(c.number), ValueType::Decimal);
      }
      case ExprClass::ColumnRef: return bind_name(e.Cast<ColumnRefExpression>());
      case ExprClass::Function: return bind_function(e.Cast<FunctionExpression>());
      case ExprClass::Aggregate: return bind_aggregate(e.Cast<AggregateExpression>());
      case ExprClass::Arithmetic: return bind_arithmetic(e.Cast<ArithmeticExpression>());
      case ExprClass::Comparison: {
        const auto& c = e.Cast<ComparisonExpression>();
        return bind_comparison(c.op, bind(*c.left), bind(*c.right), c.position());
      }
      case ExprClass::Like: return bind_like(e.Cast<LikeExpression>());
      case ExprClass::In: return bind_in(e.Cast<InExpression>());
      case ExprClass::Between: return bind_between(e.Cast<BetweenExpression>());
      case ExprClass::Conjunction: return bind_conjunction(e.Cast<ConjunctionExpression>());
      case ExprClass::Not: {
        const auto& n = e.Cast<NotExpression>();
        NodePtr child = bind(*n.child);
        require_condition(*child, "not", n.child->position());
        bool c = child->is_constant();
        NodePtr out = std::make_unique<NotNode>(std::move(child));
        return c ? fold(std::move(out)) : std::move(out);
      }
    }
    fail("unsupported expression", e.position());
  }

 private:
  [[noreturn]] void fail(const std::string& what, size_t pos) const { throw BindError{what, pos}; }

  void require_condition(const Node& n, std::string_view where, size_t pos) const {
    if (n.type() != ValueType::Bool)
      fail(std::string(where) + " needs a condition, not a " + std::string(value_type_name(n.type())), pos);
  }

  NodePtr bind_name(const ColumnRefExpression& ref) {
    const auto& cols = def_.columns;
    if (ref.number > 0) {
      if (ref.number > static_cast<int>(cols.size()))
        fail("there is no column #" + std::to_string(ref.number), ref.position());
      int i = ref.number - 1;
      return std::make_unique<ColumnNode>(i, cols[i].name, value_type_of(cols[i].type));
    }
    for (size_t i = 0; i < cols.size(); ++i)
      if (text::iequals(cols[i].name, ref.name))
        return std::make_unique<ColumnNode>(static_cast<int>(i), cols[i].name, value_type_of(cols[i].type));
    for (const auto& c : def_.computed)
      if (text::iequals(c.name, ref.name)) return bind_computed(c, ref.position());
    for (size_t i = 0; i < def_.arguments.size(); ++i)
      if (text::iequals(def_.arguments[i].name, ref.name))
        return std::make_unique<ArgumentNode>(static_cast<int>(i), def_.arguments[i].name,
                                              value_type_of(def_.arguments[i].type));
    std::string error;
    int i = resolve_column(def_, ref.name, &error);
    if (i < 0) fail(error, ref.position());
    return std::make_unique<ColumnNode>(i, cols[i].name, value_type_of(cols[i].type));
  }

  NodePtr bind_computed(const ComputedDef& c, size_t pos) {
    for (const auto& open : computing_)
      if (open == c.name) fail("computed field " + c.name + " refers to itself", pos);
    auto parsed = parse_expression(c.expression);
    if (!parsed.ok()) fail("computed field " + c.name + ": " + parsed.error, pos);
    computing_.push_back(c.name);
    Binder inner(def_, options_);
    inner.computing_ = computing_;
    try {
      NodePtr n = inner.bind(*parsed.expression);
      computing_.pop_back();
      return n;
    } catch (const BindError& e) {
      fail("computed field " + c.name + ": " + e.message + " at " + position_text(c.expression, e.position),
           pos);
    }
  }

  void check_arg(const Node& n, ArgKind kind, const std::string& fn, size_t pos) const {
    bool ok = true;
    switch (kind) {
      case ArgKind::Text: ok = n.type() == ValueType::Text; break;
      case ArgKind::Number: ok = is_number(n.type()); break;
      case ArgKind::Date: ok = n.type() == ValueType::DateTime; break;
      case ArgKind::TextOrDate: ok = n.type() == ValueType::Text || n.type() == ValueType::DateTime; break;
      case ArgKind::Condition: ok = n.type() == ValueType::Bool; break;
      case ArgKind::Any: break;
    }
    if (!ok) fail(fn + " does not take a " + std::string(value_type_name(n.type())) + " here", pos);
  }

  NodePtr bind_function(const FunctionExpression& f) {
    std::vector<NodePtr> args;
    if (f.name == "mid") {
      if (f.children.size() < 2 || f.children.size() > 3)
        fail("mid takes a text, a start and an optional length", f.position());
      for (const auto& c : f.children) args.push_back(bind(*c));
      check_arg(*args[0], ArgKind::Text, "mid", f.children[0]->position());
      check_arg(*args[1], ArgKind::Number, "mid", f.children[1]->position());
      if (args.size() == 3) check_arg(*args[2], ArgKind::Number, "mid", f.children[2]->position());
      bool c = all_constant(args);
      NodePtr n = std::make_unique<MidNode>(std::move(args[0]), std::move(args[1]),
                                            args.size() == 3 ? std::move(args[2]) : nullptr);
      return c ? fold(std::move(n)) : std::move(n);
    }
    if (f.name == "if") {
      if (f.children.size() != 3) fail("if takes a condition and two values", f.position());
      for (const auto& c : f.children) args.push_back(bind(*c));
      require_condition(*args[0], "if", f.children[0]->position());
      ValueType t = unify(args[1], args[2], "if", f.position());
      bool c = all_constant(args);
      NodePtr n = std::make_unique<IfNode>(t, std::move(args[0]), std::move(args[1]), std::move(args[2]));
      return c ? fold(std::move(n)) : std::move(n);
    }
    const FunctionSpec* signature = nullptr;
    for (const auto& s : kFunctions)
      if (f.name == s.name) signature = &s;
    if (!signature) fail("unknown function " + f.name, f.position());
    if (f.children.size() < signature->min_args || f.children.size() > signature->max_args) {
      std::string count = signature->min_args == signature->max_args
                              ? std::to_string(signature->min_args)
                              : std::to_string(signature->min_args) + " to " +
                                    std::to_string(signature->max_args);
      fail(f.name + " takes " + count + " argument" + (signature->max_args == 1 ? "" : "s"), f.position());
    }
    for (size_t k = 0; k < f.children.size(); ++k) {
      args.push_back(bind(*f.children[k]));
      check_arg(*args[k], signature->args[k], f.name, f.children[k]->position());
    }
    ValueType result = signature->result == ValueType::Null ? args[0]->type() : signature->result;
    bool c = signature->foldable && all_constant(args);
    NodePtr n = std::make_unique<FunctionNode>(f.name, result, signature->fn, std::move(args),
                                               signature->foldable);
    return c ? fold(std::move(n)) : std::move(n);
  }

  // Makes two values of one type for if(): equal types, or numbers (Real wins).
  ValueType unify(NodePtr& a, NodePtr& b, const std::string& where, size_t pos) const {
    if (a->type() == b->type()) return a->type();
    if (is_number(a->type()) && is_number(b->type())) {
      if (a->type() == ValueType::Decimal) a = std::make_unique<ToRealNode>(std::move(a));
      if (b->type() == ValueType::Decimal) b = std::make_unique<ToRealNode>(std::move(b));
      return ValueType::Real;
    }
    fail(where + " needs values of one type, not " + std::string(value_type_name(a->type())) + " and " +
             std::string(value_type_name(b->type())),
         pos);
  }

  NodePtr bind_aggregate(const AggregateExpression& a) {
    if (in_aggregate_) fail("an aggregate cannot hold another aggregate", a.position());
    in_aggregate_ = true;
    NodePtr value = bind(*a.child);
    std::vector<NodePtr> distinct;
    for (const auto& d : a.distinct_children) distinct.push_back(bind(*d));
    in_aggregate_ = false;
    AggregateFn fn = AggregateFn::Count;
    ValueType type = ValueType::Decimal;
    if (a.name == "sum" || a.name == "avg") {
      fn = a.name == "sum" ? AggregateFn::Sum : AggregateFn::Avg;
      if (!is_number(value->type())) fail(a.name + " needs a number", a.child->position());
      type = value->type();
    } else if (a.name == "max" || a.name == "min") {
      fn = a.name == "max" ? AggregateFn::Max : AggregateFn::Min;
      type = value->type();
    }
    AggregateScope scope = a.scope;
    int group = a.group;
    if (scope == AggregateScope::Default) {
      scope = options_.default_scope;
      group = options_.default_group;
      if (scope == AggregateScope::Default) scope = AggregateScope::All;
    }
    if (scope == AggregateScope::Group && (group < 1 || group > static_cast<int>(def_.groups.size())))
      fail("there is no group " + std::to_string(group), a.position());
    return std::make_unique<AggregateNode>(fn, type, std::move(value), scope, group, a.distinct,
                                           std::move(distinct));
  }

  NodePtr bind_arithmetic(const ArithmeticExpression& a) {
    NodePtr left = bind(*a.left);
    if (a.op == ArithmeticOp::Negate) {
      if (!is_number(left->type())) fail("only a number can be negated", a.position());
      bool c = left->is_constant();
      ValueType t = left->type();
      NodePtr n = std::make_unique<ArithNode>(a.op, t, std::move(left), nullptr);
      return c ? fold(std::move(n)) : std::move(n);
    }
    NodePtr right = bind(*a.right);
    bool c = left->is_constant() && right->is_constant();
    ValueType lt = left->type(), rt = right->type();
    NodePtr n;
    if (a.op == ArithmeticOp::Add && (lt == ValueType::Text || rt == ValueType::Text)) {
      // Text joined with text, or with a number or date in its text form ('第 ' + page()).
      if (lt == ValueType::Bool || rt == ValueType::Bool)
        fail("a condition cannot be joined to text", a.position());
      n = std::make_unique<ConcatNode>(std::move(left), std::move(right));
    } else {
      if (!is_number(lt) || !is_number(rt))
        fail("arithmetic needs numbers, not " + std::string(value_type_name(is_number(lt) ? rt : lt)),
             a.position());
      ValueType t = lt == ValueType::Real || rt == ValueType::Real ? ValueType::Real : ValueType::Decimal;
      n = std::make_unique<ArithNode>(a.op, t, std::move(left), std::move(right));
    }
    return c ? fold(std::move(n)) : std::move(n);
  }

  // A text literal compared with a date is read as a date.
  NodePtr date_literal(NodePtr n, size_t pos) const {
    EvalContext none;
    Scalar v = n->eval(none, 0);
    auto dt = db::DateTime::parse(v.s);
    if (!dt) fail("'" + std::string(v.s) + "' is not a date", pos);
    return make_const(Scalar::datetime(dt->seconds), ValueType::DateTime);
  }

  NodePtr bind_comparison(CompareOp op, NodePtr left, NodePtr right, size_t pos) {
    ValueType lt = left->type(), rt = right->type();
    if (lt == ValueType::DateTime && rt == ValueType::Text && right->is_constant()) {
      right = date_literal(std::move(right), pos);
      rt = ValueType::DateTime;
    } else if (rt == ValueType::DateTime && lt == ValueType::Text && left->is_constant()) {
      left = date_literal(std::move(left), pos);
      lt = ValueType::DateTime;
    }
    bool ok = (lt == rt && lt != ValueType::Bool) || (is_number(lt) && is_number(rt)) ||
              (lt == ValueType::Bool && rt == ValueType::Bool &&
               (op == CompareOp::Equal || op == CompareOp::NotEqual));
    if (!ok)
      fail("cannot compare " + std::string(value_type_name(lt)) + " with " + std::string(value_type_name(rt)),
           pos);
    bool c = left->is_constant() && right->is_constant();
    NodePtr n = std::make_unique<CompareNode>(op, std::move(left), std::move(right));
    return c ? fold(std::move(n)) : std::move(n);
  }

  NodePtr bind_like(const LikeExpression& l) {
    NodePtr value = bind(*l.value);
    NodePtr pattern = bind(*l.pattern);
    if (value->type() != ValueType::Text) fail("like needs text on its left", l.value->position());
    if (pattern->type() != ValueType::Text) fail("like needs a text pattern", l.pattern->position());
    bool c = value->is_constant() && pattern->is_constant();
    NodePtr n = std::make_unique<LikeNode>(l.negated, std::move(value), std::move(pattern));
    return c ? fold(std::move(n)) : std::move(n);
  }

  NodePtr bind_in(const InExpression& in) {
    NodePtr value = bind(*in.value);
    std::vector<NodePtr> list;
    for (const auto& item : in.list) {
      NodePtr n = bind(*item);
      if (value->type() == ValueType::DateTime && n->type() == ValueType::Text && n->is_constant())
        n = date_literal(std::move(n), item->position());
      bool ok = n->type() == value->type() || (is_number(n->type()) && is_number(value->type()));
      if (!ok || n->type() == ValueType::Bool)
        fail("cannot compare " + std::string(value_type_name(value->type())) + " with " +
                 std::string(value_type_name(n->type())),
             item->position());
      list.push_back(std::move(n));
    }
    bool c = value->is_constant() && all_constant(list);
    NodePtr n = std::make_unique<InNode>(in.negated, std::move(value), std::move(list));
    return c ? fold(std::move(n)) : std::move(n);
  }

  NodePtr bind_between(const BetweenExpression& b) {
    // value between low and high      ==  value >= low and value <= high
    // value not between low and high  ==  value < low or value > high
    // so that a null value, compared with nothing, passes neither.
    std::vector<NodePtr> both;
    if (!b.negated) {
      both.push_back(bind_comparison(CompareOp::GreaterEqual, bind(*b.value), bind(*b.low), b.position()));
      both.push_back(bind_comparison(CompareOp::LessEqual, bind(*b.value), bind(*b.high), b.position()));
      return simplify_conjunction(ConjunctionType::And, std::move(both));
    }
    both.push_back(bind_comparison(CompareOp::Less, bind(*b.value), bind(*b.low), b.position()));
    both.push_back(bind_comparison(CompareOp::Greater, bind(*b.value), bind(*b.high), b.position()));
    return simplify_conjunction(ConjunctionType::Or, std::move(both));
  }

  NodePtr bind_conjunction(const ConjunctionExpression& c) {
    std::vector<NodePtr> children;
    const char* word = c.type == ConjunctionType::And ? "and" : "or";
    for (const auto& child : c.children) {
      NodePtr n = bind(*child);
      require_condition(*n, word, child->position());
      children.push_back(std::move(n));
    }
    return simplify_conjunction(c.type, std::move(children));
  }

  // Drops literal children that cannot change the outcome (1=1 in an and) and folds the
  // conjunction when one decides it (a false in an and).
  static NodePtr simplify_conjunction(ConjunctionType type, std::vector<NodePtr> children) {
    bool is_and = type == ConjunctionType::And;
    std::vector<NodePtr> kept;
    for (auto& n : children) {
      if (n->is_constant()) {
        EvalContext none;
        bool v = n->eval(none, 0).b;
        if (v != is_and) return make_const(Scalar::boolean(v), ValueType::Bool);
        continue;
      }
      // and(a, and(b, c)) is and(a, b, c).
      if (auto* inner = dynamic_cast<ConjunctionNode*>(n.get()); inner && inner->kind() == type) {
        for (auto& g : inner->take_children()) kept.push_back(std::move(g));
        continue;
      }
      kept.push_back(std::move(n));
    }
    if (kept.empty()) return make_const(Scalar::boolean(is_and), ValueType::Bool);
    if (kept.size() == 1) return std::move(kept[0]);
    return std::make_unique<ConjunctionNode>(type, std::move(kept));
  }

  const GridDefinition& def_;
  const CompileOptions& options_;
  std::vector<std::string> computing_;
  bool in_aggregate_ = false;
};

NodePtr bind_text(std::string_view text, const GridDefinition& def, const CompileOptions& options,
                  std::string* error) {
  auto parsed = parse_expression(text);
  if (!parsed.ok()) {
    if (error) *error = parsed.error;
    return nullptr;
  }
  try {
    Binder b(def, options);
    return b.bind(*parsed.expression);
  } catch (const BindError& e) {
    if (error) *error = e.message + " at " + position_text(text, e.position);
    return nullptr;
  }
}

}  // namespace

int resolve_column(const GridDefinition& def, std::string_view name, std::string* error) {
  const auto& cols = def.columns;
  for (size_t i = 0; i < cols.size(); ++i)
    if (text::iequals(cols[i].name, name)) return static_cast<int>(i);
  std::string suffix = "_" + text::lower(name);
  int found = -1;
  std::vector<std::string> candidates;
  for (size_t i = 0; i < cols.size(); ++i) {
    std::string n = text::lower(cols[i].name);
    if (n.size() > suffix.size() && n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0) {
      bool same_name = found >= 0 && text::lower(cols[found].name) == n;
      if (found < 0) {
        found = static_cast<int>(i);
        candidates.push_back(cols[i].name);
      } else if (!same_name) {
        candidates.push_back(cols[i].name);
      }
    }
  }
  if (candidates.size() > 1) {
    if (error) {
      *error = "column name '" + std::string(name) + "' is ambiguous (";
      for (size_t k = 0; k < candidates.size(); ++k) *error += (k ? ", " : "") + candidates[k];
      *error += ")";
    }
    return -1;
  }
  if (found < 0 && error) *error = "unknown column '" + std::string(name) + "'";
  return found;
}

CompiledExpression::CompiledExpression(std::unique_ptr<Node> root, std::string source)
    : root_(std::move(root)), source_(std::move(source)) {}
CompiledExpression::~CompiledExpression() = default;
ValueType CompiledExpression::type() const { return root_->type(); }
Scalar CompiledExpression::evaluate(EvalContext& ctx, uint32_t row) const { return root_->eval(ctx, row); }
db::Value CompiledExpression::value(EvalContext& ctx, uint32_t row) const {
  size_t mark = ctx.scratch.mark();
  db::Value v = root_->eval(ctx, row).to_value();
  ctx.scratch.release(mark);
  return v;
}
std::string CompiledExpression::ToString() const { return root_->ToString(); }

std::unique_ptr<CompiledExpression> compile_expression(std::string_view text, const GridDefinition& def,
                                                       const CompileOptions& options, std::string* error) {
  NodePtr root = bind_text(text, def, options, error);
  if (!root) return nullptr;
  return std::make_unique<CompiledExpression>(std::move(root), std::string(text));
}

std::unique_ptr<CompiledFilter> compile_filter(std::string_view text, const GridDefinition& def,
                                               const CompileOptions& options, std::string* error) {
  NodePtr root = bind_text(text, def, options, error);
  if (!root) return nullptr;
  if (root->type() != ValueType::Bool) {
    if (error)
      *error = "a filter must be a condition (true or false), not a " +
               std::string(value_type_name(root->type()));
    return nullptr;
  }
  auto predicate = make_predicate(*root, options.specialise);
  return std::make_unique<CompiledFilter>(std::move(root), std::move(predicate), std::string(text));
}

std::unique_ptr<CompiledSort> compile_sort(std::string_view text, const GridDefinition& def,
                                           std::string* error) {
  auto parsed = parse_sort(text);
  if (!parsed.ok()) {
    if (error) *error = parsed.error;
    return nullptr;
  }
  std::vector<CompiledSort::Key> keys;
  CompileOptions options;
  for (auto& item : parsed.items) {
    try {
      Binder b(def, options);
      NodePtr n = b.bind(*item.expression);
      CompiledSort::Key k;
      k.expression = std::make_unique<CompiledExpression>(std::move(n), item.expression->ToString());
      k.descending = item.descending;
      keys.push_back(std::move(k));
    } catch (const BindError& e) {
      if (error) *error = e.message + " at " + position_text(text, e.position);
      return nullptr;
    }
  }
  return std::make_unique<CompiledSort>(std::move(keys), std::string(text));
}

}  // namespace sparestock::grid
