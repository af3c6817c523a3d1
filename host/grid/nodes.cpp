#include "host/grid/nodes.h"

#include <fmt/format.h>

#include <array>
#include <cassert>
#include <cstring>
#include <unordered_set>

namespace sparestock::grid {

std::string_view value_type_name(ValueType t) {
  switch (t) {
    case ValueType::Null: return "null";
    case ValueType::Bool: return "condition";
    case ValueType::Text: return "text";
    case ValueType::Decimal: return "number";
    case ValueType::Real: return "number";
    case ValueType::DateTime: return "date";
  }
  return "?";
}

db::Value Scalar::to_value() const {
  switch (type) {
    case ValueType::Null: return {};
    case ValueType::Bool: return db::Value(int64_t{b ? 1 : 0});
    case ValueType::Text: return db::Value(std::string(s));
    case ValueType::Decimal: return db::Value(decimal());
    case ValueType::Real: return db::Value(r);
    case ValueType::DateTime: return db::Value(db::DateTime{i});
  }
  return {};
}

Scalar Scalar::from_value(const db::Value& v) {
  switch (v.kind()) {
    case db::ValueKind::Null: return null();
    case db::ValueKind::Integer: return dec(db::Decimal(v.integer(), 0));
    case db::ValueKind::Real: return real(v.real());
    case db::ValueKind::Decimal: return dec(v.decimal());
    case db::ValueKind::Text: return text(v.text());
    case db::ValueKind::DateTime: return datetime(v.datetime().seconds);
  }
  return null();
}

std::string Scalar::to_text() const {
  switch (type) {
    case ValueType::Null: return {};
    case ValueType::Bool: return b ? "true" : "false";
    case ValueType::Text: return std::string(s);
    case ValueType::Decimal: return decimal().to_string();
    case ValueType::Real: return fmt::format("{}", r);
    case ValueType::DateTime: return db::DateTime{i}.iso();
  }
  return {};
}

std::string& Scratch::next() {
  if (used_ == pool_.size()) pool_.push_back(std::make_unique<std::string>());
  std::string& s = *pool_[used_++];
  s.clear();
  return s;
}

uint32_t* SelectionBuffers::take(size_t n) {
  if (used_ == buffers_.size()) {
    buffers_.emplace_back();
    sizes_.push_back(0);
  }
  if (sizes_[used_] < n) {
    buffers_[used_].reset(new uint32_t[n]);
    sizes_[used_] = n;
  }
  return buffers_[used_++].get();
}

int compare_scalars(const Scalar& a, const Scalar& b) {
  if (a.type == ValueType::Text && b.type == ValueType::Text) {
    int c = a.s.compare(b.s);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  if (a.type == ValueType::Decimal && b.type == ValueType::Decimal)
    return db::Decimal::compare(a.decimal(), b.decimal());
  auto as_double = [](const Scalar& x) { return x.type == ValueType::Real ? x.r : x.decimal().to_double(); };
  if ((a.type == ValueType::Decimal || a.type == ValueType::Real) &&
      (b.type == ValueType::Decimal || b.type == ValueType::Real)) {
    double x = as_double(a), y = as_double(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (a.type == b.type) {
    if (a.type == ValueType::DateTime) return a.i < b.i ? -1 : (a.i > b.i ? 1 : 0);
    if (a.type == ValueType::Bool) return static_cast<int>(a.b) - static_cast<int>(b.b);
    return 0;
  }
  // Types the binder never lets meet; order them by kind so sorting stays consistent.
  return static_cast<int>(a.type) < static_cast<int>(b.type) ? -1 : 1;
}

bool same_scalars(const Scalar& a, const Scalar& b) {
  if (a.is_null() || b.is_null()) return a.is_null() && b.is_null();
  return compare_scalars(a, b) == 0;
}

namespace {

int64_t to_int(const Scalar& v) {
  if (v.type == ValueType::Real) return static_cast<int64_t>(v.r);
  int64_t u = v.i;
  for (int k = 0; k < v.scale; ++k) u /= 10;
  return u;
}

bool is_true(const Scalar& v) { return v.type == ValueType::Bool && v.b; }

// Appends a value to a key so that equal values (1.5 and 1.50 alike) give equal keys.
void append_key(std::string& key, const Scalar& v) {
  key += static_cast<char>(v.type);
  switch (v.type) {
    case ValueType::Null: break;
    case ValueType::Bool: key += v.b ? '1' : '0'; break;
    case ValueType::Text: {
      uint32_t n = static_cast<uint32_t>(v.s.size());
      key.append(reinterpret_cast<const char*>(&n), sizeof n);
      key.append(v.s);
      break;
    }
    case ValueType::Decimal: {
      int64_t u = v.i;
      int s = v.scale;
      while (s > 0 && u % 10 == 0) {
        u /= 10;
        --s;
      }
      key.append(reinterpret_cast<const char*>(&u), sizeof u);
      key += static_cast<char>(s);
      break;
    }
    case ValueType::Real: key.append(reinterpret_cast<const char*>(&v.r), sizeof v.r); break;
    case ValueType::DateTime: key.append(reinterpret_cast<const char*>(&v.i), sizeof v.i); break;
  }
}

}  // namespace

ConstNode::ConstNode(const Scalar& v, ValueType declared) : Node(declared), value_(v) {
  if (v.type == ValueType::Text) {
    text_ = std::string(v.s);
    value_.s = text_;
  }
}

std::string ConstNode::ToString() const {
  if (value_.type == ValueType::Text) return quote_literal(value_.s);
  if (value_.is_null()) return "null";
  return value_.to_text();
}

Scalar ColumnNode::eval(EvalContext& ctx, uint32_t row) const {
  const Column& c = ctx.data->columns[column_];
  if (row >= c.size() || c.is_null(row)) return Scalar::null();
  switch (c.type()) {
    case GridType::Char: return Scalar::text(c.text(row));
    case GridType::Decimal: {
      Scalar x;
      x.type = ValueType::Decimal;
      x.i = c.integer(row);
      x.scale = c.scale();
      return x;
    }
    case GridType::Long: {
      Scalar x;
      x.type = ValueType::Decimal;
      x.i = c.integer(row);
      return x;
    }
    case GridType::Number: return Scalar::real(c.real(row));
    case GridType::DateTime: return Scalar::datetime(c.integer(row));
  }
  return Scalar::null();
}

Scalar ArgumentNode::eval(EvalContext& ctx, uint32_t) const {
  if (!ctx.arguments || index_ >= static_cast<int>(ctx.arguments->size())) return Scalar::null();
  const db::Value& v = (*ctx.arguments)[index_];
  if (v.is_null()) return Scalar::null();
  switch (type()) {
    case ValueType::Text:
      if (v.kind() == db::ValueKind::Text) return Scalar::text(v.text());
      return Scalar::text(ctx.scratch.next() = v.as_text());
    case ValueType::Real:
      if (auto r = v.as_real()) return Scalar::real(*r);
      return Scalar::null();
    case ValueType::Decimal: {
      Scalar x = Scalar::from_value(v);
      if (x.type == ValueType::Decimal) return x;
      if (x.type == ValueType::Text)
        if (auto d = db::Decimal::parse(v.text())) return Scalar::dec(*d);
      if (x.type == ValueType::Real)
        if (auto d = db::Decimal::from_double(v.real(), 8)) return Scalar::dec(*d);
      return Scalar::null();
    }
    case ValueType::DateTime: {
      if (v.kind() == db::ValueKind::DateTime) return Scalar::datetime(v.datetime().seconds);
      if (v.kind() == db::ValueKind::Text)
        if (auto dt = db::DateTime::parse(v.text())) return Scalar::datetime(dt->seconds);
      return Scalar::null();
    }
    default: return Scalar::from_value(v);
  }
}

Scalar MidNode::eval(EvalContext& ctx, uint32_t row) const {
  Scalar s = source_->eval(ctx, row);
  if (s.is_null()) return s;
  Scalar start = start_->eval(ctx, row);
  if (start.is_null()) return Scalar::null();
  int64_t length = -1;
  if (length_) {
    Scalar l = length_->eval(ctx, row);
    if (l.is_null()) return Scalar::null();
    length = to_int(l);
    if (length < 0) length = 0;  // a negative length takes nothing
  }
  return Scalar::text(mid(s.s, to_int(start), length));
}

bool MidNode::constant_bounds(int64_t* start, int64_t* length) const {
  if (!start_->is_constant() || (length_ && !length_->is_constant())) return false;
  EvalContext none;
  Scalar s = start_->eval(none, 0);
  if (s.is_null()) return false;
  *start = to_int(s);
  *length = -1;
  if (length_) {
    Scalar l = length_->eval(none, 0);
    if (l.is_null()) return false;
    *length = std::max<int64_t>(0, to_int(l));
  }
  return true;
}

std::string MidNode::ToString() const {
  return "mid(" + source_->ToString() + ", " + start_->ToString() +
         (length_ ? ", " + length_->ToString() : std::string()) + ")";
}

Scalar FunctionNode::eval(EvalContext& ctx, uint32_t row) const {
  std::array<Scalar, 4> values;
  assert(args_.size() <= values.size());
  for (size_t k = 0; k < args_.size(); ++k) values[k] = args_[k]->eval(ctx, row);
  return fn_(ctx, values.data(), args_.size());
}

std::string FunctionNode::ToString() const {
  std::string out = name_ + "(";
  for (size_t k = 0; k < args_.size(); ++k) out += (k ? ", " : "") + args_[k]->ToString();
  return out + ")";
}

Scalar ArithNode::eval(EvalContext& ctx, uint32_t row) const {
  Scalar a = left_->eval(ctx, row);
  if (a.is_null()) return a;
  if (op_ == ArithmeticOp::Negate) {
    if (a.type == ValueType::Real) return Scalar::real(-a.r);
    try {
      return Scalar::dec(-a.decimal());
    } catch (const std::overflow_error&) {
      return Scalar::null();
    }
  }
  Scalar b = right_->eval(ctx, row);
  if (b.is_null()) return b;
  if (type() == ValueType::Real) {
    double x = a.type == ValueType::Real ? a.r : a.decimal().to_double();
    double y = b.type == ValueType::Real ? b.r : b.decimal().to_double();
    switch (op_) {
      case ArithmeticOp::Add: return Scalar::real(x + y);
      case ArithmeticOp::Subtract: return Scalar::real(x - y);
      case ArithmeticOp::Multiply: return Scalar::real(x * y);
      case ArithmeticOp::Divide: return y == 0 ? Scalar::null() : Scalar::real(x / y);
      default: return Scalar::null();
    }
  }
  // Exact decimals. A result out of range, or a division by zero, is null.
  try {
    db::Decimal x = a.decimal(), y = b.decimal();
    switch (op_) {
      case ArithmeticOp::Add: return Scalar::dec(x + y);
      case ArithmeticOp::Subtract: return Scalar::dec(x - y);
      case ArithmeticOp::Multiply: return Scalar::dec(x * y);
      case ArithmeticOp::Divide: {
        if (y.is_zero()) return Scalar::null();
        // The quotient keeps 8 places, or as many as fit.
        for (int scale = db::Decimal::kMaxScale; scale >= 0; --scale) {
          try {
            return Scalar::dec(db::Decimal::divide(x, y, scale));
          } catch (const std::overflow_error&) {
          }
        }
        return Scalar::null();
      }
      default: return Scalar::null();
    }
  } catch (const std::exception&) {
    return Scalar::null();
  }
}

std::string ArithNode::ToString() const {
  static const char* ops[] = {" + ", " - ", " * ", " / "};
  if (op_ == ArithmeticOp::Negate) return "-" + left_->ToString();
  return "(" + left_->ToString() + ops[static_cast<int>(op_)] + right_->ToString() + ")";
}

Scalar ConcatNode::eval(EvalContext& ctx, uint32_t row) const {
  Scalar a = left_->eval(ctx, row);
  if (a.is_null()) return a;
  Scalar b = right_->eval(ctx, row);
  if (b.is_null()) return b;
  std::string& out = ctx.scratch.next();
  if (a.type == ValueType::Text)
    out.append(a.s);
  else
    out += a.to_text();
  if (b.type == ValueType::Text)
    out.append(b.s);
  else
    out += b.to_text();
  return Scalar::text(out);
}

std::string ConcatNode::ToString() const {
  return "(" + left_->ToString() + " + " + right_->ToString() + ")";
}

Scalar CompareNode::eval(EvalContext& ctx, uint32_t row) const {
  Scalar a = left_->eval(ctx, row);
  if (a.is_null()) return Scalar::boolean(false);
  Scalar b = right_->eval(ctx, row);
  if (b.is_null()) return Scalar::boolean(false);
  int c = compare_scalars(a, b);
  switch (op_) {
    case CompareOp::Equal: return Scalar::boolean(c == 0);
    case CompareOp::NotEqual: return Scalar::boolean(c != 0);
    case CompareOp::Less: return Scalar::boolean(c < 0);
    case CompareOp::LessEqual: return Scalar::boolean(c <= 0);
    case CompareOp::Greater: return Scalar::boolean(c > 0);
    case CompareOp::GreaterEqual: return Scalar::boolean(c >= 0);
  }
  return Scalar::boolean(false);
}

std::string CompareNode::ToString() const {
  return left_->ToString() + " " + std::string(compare_op_text(op_)) + " " + right_->ToString();
}

LikeNode::LikeNode(bool negated, NodePtr value, NodePtr pattern)
    : Node(ValueType::Bool), negated_(negated), value_(std::move(value)), pattern_(std::move(pattern)) {
  if (pattern_->is_constant()) {
    EvalContext none;
    Scalar p = pattern_->eval(none, 0);
    if (p.type == ValueType::Text) fixed_.emplace(p.s);
  }
}

Scalar LikeNode::eval(EvalContext& ctx, uint32_t row) const {
  Scalar v = value_->eval(ctx, row);
  if (v.is_null()) return Scalar::boolean(false);
  bool m;
  if (fixed_) {
    m = fixed_->matches(v.s);
  } else {
    Scalar p = pattern_->eval(ctx, row);
    if (p.is_null()) return Scalar::boolean(false);
    m = LikePattern::match_general(p.s, v.s);
  }
  return Scalar::boolean(m != negated_);
}

std::string LikeNode::ToString() const {
  return value_->ToString() + (negated_ ? " not like " : " like ") + pattern_->ToString();
}

Scalar InNode::eval(EvalContext& ctx, uint32_t row) const {
  Scalar v = value_->eval(ctx, row);
  if (v.is_null()) return Scalar::boolean(false);
  bool found = false;
  for (const auto& item : list_) {
    Scalar x = item->eval(ctx, row);
    if (!x.is_null() && compare_scalars(v, x) == 0) {
      found = true;
      break;
    }
  }
  return Scalar::boolean(found != negated_);
}

std::string InNode::ToString() const {
  std::string out = value_->ToString() + (negated_ ? " not in (" : " in (");
  for (size_t k = 0; k < list_.size(); ++k) out += (k ? ", " : "") + list_[k]->ToString();
  return out + ")";
}

Scalar ConjunctionNode::eval(EvalContext& ctx, uint32_t row) const {
  bool is_and = kind_ == ConjunctionType::And;
  for (const auto& c : children_) {
    bool t = is_true(c->eval(ctx, row));
    if (is_and && !t) return Scalar::boolean(false);
    if (!is_and && t) return Scalar::boolean(true);
  }
  return Scalar::boolean(is_and);
}

std::string ConjunctionNode::ToString() const {
  std::string out = "(";
  for (size_t k = 0; k < children_.size(); ++k)
    out += (k ? (kind_ == ConjunctionType::And ? " and " : " or ") : "") + children_[k]->ToString();
  return out + ")";
}

Scalar NotNode::eval(EvalContext& ctx, uint32_t row) const {
  return Scalar::boolean(!is_true(child_->eval(ctx, row)));
}

Scalar IfNode::eval(EvalContext& ctx, uint32_t row) const {
  return is_true(cond_->eval(ctx, row)) ? yes_->eval(ctx, row) : no_->eval(ctx, row);
}

std::string IfNode::ToString() const {
  return "if(" + cond_->ToString() + ", " + yes_->ToString() + ", " + no_->ToString() + ")";
}

Scalar ToRealNode::eval(EvalContext& ctx, uint32_t row) const {
  Scalar v = child_->eval(ctx, row);
  if (v.type == ValueType::Decimal) return Scalar::real(v.decimal().to_double());
  return v;
}

AggregateNode::AggregateNode(AggregateFn fn, ValueType type, NodePtr value, AggregateScope scope, int group,
                             bool distinct, std::vector<NodePtr> distinct_values)
    : Node(type),
      fn_(fn),
      value_(std::move(value)),
      scope_(scope),
      group_(group),
      distinct_(distinct),
      distinct_values_(std::move(distinct_values)) {}

Scalar AggregateNode::eval(EvalContext& ctx, uint32_t row) const {
  if (!ctx.aggregate_rows || !ctx.data) return Scalar::null();
  std::pair<size_t, size_t> range;
  switch (scope_) {
    case AggregateScope::Group: range = ctx.aggregate_rows->group_range(group_, row); break;
    case AggregateScope::Page: range = ctx.aggregate_rows->page_range(row); break;
    default: range = {0, ctx.aggregate_rows->shown_rows().size()}; break;
  }
  if (cache_.valid && cache_.data == ctx.data && cache_.version == ctx.data->version() &&
      cache_.value_version == ctx.data->value_version() && cache_.first == range.first &&
      cache_.last == range.second)
    return cache_.value;
  Scalar v = compute(ctx, range.first, range.second);
  cache_.data = ctx.data;
  cache_.version = ctx.data->version();
  cache_.value_version = ctx.data->value_version();
  cache_.first = range.first;
  cache_.last = range.second;
  if (v.type == ValueType::Text) {
    cache_.text = std::string(v.s);
    v.s = cache_.text;
  }
  cache_.value = v;
  cache_.valid = true;
  return v;
}

Scalar AggregateNode::compute(EvalContext& ctx, size_t first, size_t last) const {
  const std::vector<uint32_t>& rows = ctx.aggregate_rows->shown_rows();
  last = std::min(last, rows.size());
  std::unordered_set<std::string> seen;
  std::string key;
  int64_t count = 0;
  db::Decimal dsum(0, 0);
  double rsum = 0;
  bool overflow = false;
  Scalar best;
  std::string best_text;
  for (size_t p = first; p < last; ++p) {
    uint32_t row = rows[p];
    size_t mark = ctx.scratch.mark();
    Scalar v = value_->eval(ctx, row);
    if (v.is_null()) {
      ctx.scratch.release(mark);
      continue;
    }
    if (distinct_) {
      key.clear();
      if (distinct_values_.empty()) {
        append_key(key, v);
      } else {
        for (const auto& d : distinct_values_) append_key(key, d->eval(ctx, row));
      }
      if (!seen.insert(key).second) {
        ctx.scratch.release(mark);
        continue;
      }
    }
    ++count;
    switch (fn_) {
      case AggregateFn::Sum:
      case AggregateFn::Avg:
        if (v.type == ValueType::Real) {
          rsum += v.r;
        } else if (!overflow) {
          try {
            dsum = dsum + v.decimal();
          } catch (const std::overflow_error&) {
            overflow = true;
          }
        }
        break;
      case AggregateFn::Max:
      case AggregateFn::Min: {
        bool better = best.is_null() ||
                      (fn_ == AggregateFn::Max ? compare_scalars(v, best) > 0 : compare_scalars(v, best) < 0);
        if (better) {
          best = v;
          if (v.type == ValueType::Text) {
            best_text = std::string(v.s);
            best.s = best_text;
          }
        }
        break;
      }
      case AggregateFn::Count: break;
    }
    ctx.scratch.release(mark);
  }
  switch (fn_) {
    case AggregateFn::Count: return Scalar::dec(db::Decimal(count, 0));
    case AggregateFn::Sum:
      if (type() == ValueType::Real) return Scalar::real(rsum);
      return overflow ? Scalar::null() : Scalar::dec(dsum);
    case AggregateFn::Avg:
      if (count == 0) return Scalar::null();
      if (type() == ValueType::Real) return Scalar::real(rsum / static_cast<double>(count));
      if (overflow) return Scalar::null();
      try {
        int scale = std::min(db::Decimal::kMaxScale, std::max(4, dsum.scale()));
        return Scalar::dec(db::Decimal::divide(dsum, db::Decimal(count, 0), scale));
      } catch (const std::exception&) {
        return Scalar::null();
      }
    case AggregateFn::Max:
    case AggregateFn::Min:
      if (best.type == ValueType::Text) {
        std::string& keep = ctx.scratch.next();
        keep = best_text;
        best.s = keep;
      }
      return best;
  }
  return Scalar::null();
}

std::string AggregateNode::ToString() const {
  static const char* names[] = {"sum", "count", "avg", "max", "min"};
  std::string out = std::string(names[static_cast<int>(fn_)]) + "(" + value_->ToString();
  switch (scope_) {
    case AggregateScope::Group: out += " for group " + std::to_string(group_); break;
    case AggregateScope::Page: out += " for page"; break;
    default: out += " for all"; break;
  }
  if (distinct_) {
    out += " distinct";
    for (size_t k = 0; k < distinct_values_.size(); ++k)
      out += (k ? ", " : " ") + distinct_values_[k]->ToString();
  }
  return out + ")";
}

}  // namespace sparestock::grid
