#include "host/grid/expression.h"

#include "host/base/text.h"

namespace sparestock::grid {

namespace {

std::string join(const std::vector<ExprPtr>& items, std::string_view sep) {
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += sep;
    out += items[i]->ToString();
  }
  return out;
}

}  // namespace

std::string escape_literal(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '~' || c == '\'') out += '~';
    out += c;
  }
  return out;
}

std::string quote_literal(std::string_view text) { return "'" + escape_literal(text) + "'"; }

std::string position_text(std::string_view text, size_t byte_offset) {
  if (byte_offset > text.size()) byte_offset = text.size();
  return "position " + std::to_string(text::char_count(text.substr(0, byte_offset)) + 1);
}

std::string ConstantExpression::ToString() const {
  return is_text ? quote_literal(text) : number.to_string();
}

std::string ColumnRefExpression::ToString() const { return number > 0 ? "#" + std::to_string(number) : name; }

std::string FunctionExpression::ToString() const { return name + "(" + join(children, ", ") + ")"; }

std::string AggregateExpression::ToString() const {
  std::string out = name + "(" + child->ToString();
  switch (scope) {
    case AggregateScope::Default: break;
    case AggregateScope::All: out += " for all"; break;
    case AggregateScope::Group: out += " for group " + std::to_string(group); break;
    case AggregateScope::Page: out += " for page"; break;
  }
  if (distinct) {
    out += " distinct";
    if (!distinct_children.empty()) out += " " + join(distinct_children, ", ");
  }
  return out + ")";
}

std::string ArithmeticExpression::ToString() const {
  switch (op) {
    case ArithmeticOp::Negate: return "(-" + left->ToString() + ")";
    case ArithmeticOp::Add: return "(" + left->ToString() + " + " + right->ToString() + ")";
    case ArithmeticOp::Subtract: return "(" + left->ToString() + " - " + right->ToString() + ")";
    case ArithmeticOp::Multiply: return "(" + left->ToString() + " * " + right->ToString() + ")";
    case ArithmeticOp::Divide: return "(" + left->ToString() + " / " + right->ToString() + ")";
  }
  return {};
}

std::string_view compare_op_text(CompareOp op) {
  switch (op) {
    case CompareOp::Equal: return "=";
    case CompareOp::NotEqual: return "<>";
    case CompareOp::Less: return "<";
    case CompareOp::LessEqual: return "<=";
    case CompareOp::Greater: return ">";
    case CompareOp::GreaterEqual: return ">=";
  }
  return "?";
}

std::string ComparisonExpression::ToString() const {
  return "(" + left->ToString() + " " + std::string(compare_op_text(op)) + " " + right->ToString() + ")";
}

std::string LikeExpression::ToString() const {
  return "(" + value->ToString() + (negated ? " not like " : " like ") + pattern->ToString() + ")";
}

std::string InExpression::ToString() const {
  return "(" + value->ToString() + (negated ? " not in (" : " in (") + join(list, ", ") + "))";
}

std::string BetweenExpression::ToString() const {
  return "(" + value->ToString() + (negated ? " not between " : " between ") + low->ToString() + " and " +
         high->ToString() + ")";
}

std::string ConjunctionExpression::ToString() const {
  return "(" + join(children, type == ConjunctionType::And ? " and " : " or ") + ")";
}

std::string NotExpression::ToString() const { return "(not " + child->ToString() + ")"; }

}  // namespace sparestock::grid
