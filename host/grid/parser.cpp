// Lexer and recursive-descent parser of the grid expression language.
//
// Precedence, loosest first: or; and; not; comparison (= <> < <= > >= like in between);
// + -; * /; unary minus; primary (literal, column, function call, parenthesised expression).

#include <optional>

#include "host/base/text.h"
#include "host/grid/expression.h"

namespace sparestock::grid {

namespace {

enum class Tok { End, Ident, Number, String, ColumnNumber, Op };

struct Token {
  Tok kind = Tok::End;
  std::string text;  // identifier as written, resolved string literal, operator, number text
  size_t pos = 0;
  int column_number = 0;
};

class SyntaxError {
 public:
  SyntaxError(std::string what, size_t pos) : what(std::move(what)), pos(pos) {}
  std::string what;
  size_t pos;
};

bool is_ident_start(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
}
bool is_ident_char(char c) { return is_ident_start(c) || (c >= '0' && c <= '9'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::vector<Token> tokenize(std::string_view s) {
  std::vector<Token> out;
  size_t i = 0;
  while (true) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')) ++i;
    Token t;
    t.pos = i;
    if (i >= s.size()) {
      out.push_back(t);
      return out;
    }
    char c = s[i];
    if (is_ident_start(c)) {
      size_t b = i;
      while (i < s.size() && is_ident_char(s[i])) ++i;
      t.kind = Tok::Ident;
      t.text = std::string(s.substr(b, i - b));
    } else if (is_digit(c) || (c == '.' && i + 1 < s.size() && is_digit(s[i + 1]))) {
      size_t b = i;
      while (i < s.size() && is_digit(s[i])) ++i;
      if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && is_digit(s[i])) ++i;
      }
      t.kind = Tok::Number;
      t.text = std::string(s.substr(b, i - b));
    } else if (c == '\'' || c == '"') {
      // A text literal. ~ escapes the next character: ~' ~" ~~ stand for themselves, ~n ~t ~r
      // ~f ~b ~v for the control characters, and ~ before any other character for that
      // character.
      char quote = c;
      ++i;
      t.kind = Tok::String;
      bool closed = false;
      while (i < s.size()) {
        char d = s[i++];
        if (d == quote) {
          closed = true;
          break;
        }
        if (d == '~') {
          if (i >= s.size()) break;
          char e = s[i++];
          switch (e) {
            case 'n': t.text += '\n'; break;
            case 't': t.text += '\t'; break;
            case 'r': t.text += '\r'; break;
            case 'f': t.text += '\f'; break;
            case 'b': t.text += '\b'; break;
            case 'v': t.text += '\v'; break;
            default: t.text += e; break;
          }
          continue;
        }
        t.text += d;
      }
      if (!closed) throw SyntaxError("unterminated text literal", t.pos);
    } else if (c == '#' && i + 1 < s.size() && is_digit(s[i + 1])) {
      ++i;
      size_t b = i;
      while (i < s.size() && is_digit(s[i])) ++i;
      if (i - b > 4) throw SyntaxError("column number too large", t.pos);
      t.kind = Tok::ColumnNumber;
      t.column_number = std::stoi(std::string(s.substr(b, i - b)));
      t.text = "#" + std::string(s.substr(b, i - b));
      if (t.column_number == 0) throw SyntaxError("there is no column #0", t.pos);
    } else {
      static const char* two[] = {"<=", ">=", "<>", "!="};
      t.kind = Tok::Op;
      for (const char* op : two)
        if (s.substr(i, 2) == op) t.text = op;
      if (!t.text.empty()) {
        i += 2;
        if (t.text == "!=") t.text = "<>";
      } else if (std::string_view("=<>+-*/(),").find(c) != std::string_view::npos) {
        t.text = std::string(1, c);
        ++i;
      } else {
        // Show the whole character, which may take several bytes.
        throw SyntaxError("unexpected character '" + std::string(s.substr(i, text::char_length(s, i))) + "'",
                          t.pos);
      }
    }
    out.push_back(std::move(t));
  }
}

bool is_keyword(std::string_view lower) {
  static const char* words[] = {"and", "or",  "not",   "like", "in",      "between",
                                "for", "all", "group", "page", "distinct"};
  for (const char* w : words)
    if (lower == w) return true;
  return false;
}

bool is_aggregate(std::string_view lower) {
  return lower == "sum" || lower == "count" || lower == "avg" || lower == "max" || lower == "min";
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text), tokens_(tokenize(text)) {}

  ExprPtr parse_whole() {
    ExprPtr e = parse_or();
    if (peek().kind != Tok::End) unexpected();
    return e;
  }

  std::vector<SortItem> parse_sort_list() {
    std::vector<SortItem> items;
    if (peek().kind == Tok::End) return items;
    while (true) {
      SortItem item;
      item.expression = parse_or();
      if (peek().kind == Tok::Ident) {
        std::string d = text::lower(peek().text);
        if (d == "a" || d == "asc") {
          next();
        } else if (d == "d" || d == "desc") {
          item.descending = true;
          next();
        } else {
          throw SyntaxError("expected A or D after a sort key, found '" + peek().text + "'", peek().pos);
        }
      }
      items.push_back(std::move(item));
      if (peek().kind == Tok::End) break;
      if (!is_op(",")) unexpected();
      next();
    }
    return items;
  }

 private:
  const Token& peek(size_t ahead = 0) const {
    size_t k = std::min(pos_ + ahead, tokens_.size() - 1);
    return tokens_[k];
  }
  const Token& next() {
    const Token& t = tokens_[pos_];
    if (pos_ + 1 < tokens_.size()) ++pos_;
    return t;
  }
  bool is_op(std::string_view op, size_t ahead = 0) const {
    return peek(ahead).kind == Tok::Op && peek(ahead).text == op;
  }
  bool is_word(std::string_view word, size_t ahead = 0) const {
    return peek(ahead).kind == Tok::Ident && text::lower(peek(ahead).text) == word;
  }

  [[noreturn]] void unexpected() const {
    const Token& t = peek();
    switch (t.kind) {
      case Tok::End: throw SyntaxError("unexpected end of expression", t.pos);
      case Tok::String: throw SyntaxError("unexpected text literal", t.pos);
      default: throw SyntaxError("unexpected '" + t.text + "'", t.pos);
    }
  }
  void expect_op(std::string_view op) {
    if (!is_op(op)) {
      if (peek().kind == Tok::End)
        throw SyntaxError("expected '" + std::string(op) + "' before the end of expression", peek().pos);
      throw SyntaxError("expected '" + std::string(op) + "', found '" +
                            (peek().kind == Tok::String ? "text literal" : peek().text) + "'",
                        peek().pos);
    }
    next();
  }

  ExprPtr parse_or() {
    size_t pos = peek().pos;
    std::vector<ExprPtr> items;
    items.push_back(parse_and());
    while (is_word("or")) {
      next();
      items.push_back(parse_and());
    }
    if (items.size() == 1) return std::move(items[0]);
    return std::make_unique<ConjunctionExpression>(pos, ConjunctionType::Or, std::move(items));
  }

  ExprPtr parse_and() {
    size_t pos = peek().pos;
    std::vector<ExprPtr> items;
    items.push_back(parse_not());
    while (is_word("and")) {
      next();
      items.push_back(parse_not());
    }
    if (items.size() == 1) return std::move(items[0]);
    return std::make_unique<ConjunctionExpression>(pos, ConjunctionType::And, std::move(items));
  }

  ExprPtr parse_not() {
    if (is_word("not")) {
      size_t pos = next().pos;
      return std::make_unique<NotExpression>(pos, parse_not());
    }
    return parse_comparison();
  }

  std::optional<CompareOp> compare_op() const {
    if (peek().kind != Tok::Op) return std::nullopt;
    const std::string& t = peek().text;
    if (t == "=") return CompareOp::Equal;
    if (t == "<>") return CompareOp::NotEqual;
    if (t == "<") return CompareOp::Less;
    if (t == "<=") return CompareOp::LessEqual;
    if (t == ">") return CompareOp::Greater;
    if (t == ">=") return CompareOp::GreaterEqual;
    return std::nullopt;
  }

  ExprPtr parse_comparison() {
    ExprPtr left = parse_additive();
    size_t pos = left->position();
    if (auto op = compare_op()) {
      next();
      ExprPtr right = parse_additive();
      if (compare_op()) throw SyntaxError("comparisons cannot be chained; use and", peek().pos);
      return std::make_unique<ComparisonExpression>(pos, *op, std::move(left), std::move(right));
    }
    bool negated = false;
    if (is_word("not") && (is_word("like", 1) || is_word("in", 1) || is_word("between", 1))) {
      negated = true;
      next();
    }
    if (is_word("like")) {
      next();
      return std::make_unique<LikeExpression>(pos, negated, std::move(left), parse_additive());
    }
    if (is_word("in")) {
      next();
      expect_op("(");
      std::vector<ExprPtr> list;
      list.push_back(parse_additive());
      while (is_op(",")) {
        next();
        list.push_back(parse_additive());
      }
      expect_op(")");
      return std::make_unique<InExpression>(pos, negated, std::move(left), std::move(list));
    }
    if (is_word("between")) {
      next();
      ExprPtr low = parse_additive();
      if (!is_word("and")) throw SyntaxError("expected 'and' in between", peek().pos);
      next();
      ExprPtr high = parse_additive();
      return std::make_unique<BetweenExpression>(pos, negated, std::move(left), std::move(low),
                                                 std::move(high));
    }
    return left;
  }

  ExprPtr parse_additive() {
    ExprPtr left = parse_multiplicative();
    while (is_op("+") || is_op("-")) {
      ArithmeticOp op = is_op("+") ? ArithmeticOp::Add : ArithmeticOp::Subtract;
      next();
      size_t pos = left->position();
      left = std::make_unique<ArithmeticExpression>(pos, op, std::move(left), parse_multiplicative());
    }
    return left;
  }

  ExprPtr parse_multiplicative() {
    ExprPtr left = parse_unary();
    while (is_op("*") || is_op("/")) {
      ArithmeticOp op = is_op("*") ? ArithmeticOp::Multiply : ArithmeticOp::Divide;
      next();
      size_t pos = left->position();
      left = std::make_unique<ArithmeticExpression>(pos, op, std::move(left), parse_unary());
    }
    return left;
  }

  ExprPtr parse_unary() {
    if (is_op("-")) {
      size_t pos = next().pos;
      ExprPtr child = parse_unary();
      // A negative number literal stays a literal.
      if (child->expression_class() == ExprClass::Constant) {
        auto& c = child->Cast<ConstantExpression>();
        if (!c.is_text) return std::make_unique<ConstantExpression>(pos, -c.number);
      }
      return std::make_unique<ArithmeticExpression>(pos, ArithmeticOp::Negate, std::move(child));
    }
    if (is_op("+")) {
      next();
      return parse_unary();
    }
    return parse_primary();
  }

  ExprPtr parse_primary() {
    const Token& t = peek();
    switch (t.kind) {
      case Tok::Number: {
        next();
        auto d = db::Decimal::parse(t.text);
        if (!d) throw SyntaxError("number " + t.text + " is out of range or has too many places", t.pos);
        return std::make_unique<ConstantExpression>(t.pos, *d);
      }
      case Tok::String: next(); return std::make_unique<ConstantExpression>(t.pos, t.text);
      case Tok::ColumnNumber:
        next();
        return std::make_unique<ColumnRefExpression>(t.pos, std::string(), t.column_number);
      case Tok::Ident: {
        std::string lower = text::lower(t.text);
        if (is_op("(", 1)) return parse_call(lower);
        if (is_keyword(lower)) unexpected();
        next();
        return std::make_unique<ColumnRefExpression>(t.pos, t.text);
      }
      case Tok::Op:
        if (t.text == "(") {
          next();
          ExprPtr e = parse_or();
          expect_op(")");
          return e;
        }
        unexpected();
      case Tok::End: unexpected();
    }
    unexpected();
  }

  ExprPtr parse_call(const std::string& name) {
    size_t pos = next().pos;
    if (is_keyword(name) && name != "page") unexpected_at(pos, name);
    next();  // (
    if (is_aggregate(name)) return parse_aggregate(name, pos);
    std::vector<ExprPtr> args;
    if (!is_op(")")) {
      args.push_back(parse_or());
      while (is_op(",")) {
        next();
        args.push_back(parse_or());
      }
    }
    expect_op(")");
    return std::make_unique<FunctionExpression>(pos, name, std::move(args));
  }

  [[noreturn]] void unexpected_at(size_t pos, const std::string& word) const {
    throw SyntaxError("unexpected '" + word + "'", pos);
  }

  ExprPtr parse_aggregate(const std::string& name, size_t pos) {
    if (is_op(")")) throw SyntaxError(name + " needs a value", peek().pos);
    auto agg = std::make_unique<AggregateExpression>(pos, name, parse_or());
    if (is_word("for")) {
      next();
      if (is_word("all")) {
        next();
        agg->scope = AggregateScope::All;
      } else if (is_word("page")) {
        next();
        agg->scope = AggregateScope::Page;
      } else if (is_word("group")) {
        next();
        if (peek().kind != Tok::Number || peek().text.find('.') != std::string::npos)
          throw SyntaxError("expected a group number after 'for group'", peek().pos);
        agg->scope = AggregateScope::Group;
        agg->group = std::stoi(next().text);
        if (agg->group < 1) throw SyntaxError("group numbers start at 1", pos);
      } else {
        throw SyntaxError("expected all, group n or page after 'for'", peek().pos);
      }
    }
    if (is_word("distinct")) {
      next();
      agg->distinct = true;
      if (!is_op(")")) {
        agg->distinct_children.push_back(parse_additive());
        while (is_op(",")) {
          next();
          agg->distinct_children.push_back(parse_additive());
        }
      }
    }
    expect_op(")");
    return agg;
  }

  std::string_view text_;
  std::vector<Token> tokens_;
  size_t pos_ = 0;
};

}  // namespace

ParseResult parse_expression(std::string_view text) {
  ParseResult r;
  try {
    Parser p(text);
    r.expression = p.parse_whole();
  } catch (const SyntaxError& e) {
    r.expression.reset();
    r.error = e.what + " at " + position_text(text, e.pos);
  }
  return r;
}

SortParseResult parse_sort(std::string_view text) {
  SortParseResult r;
  try {
    Parser p(text);
    r.items = p.parse_sort_list();
  } catch (const SyntaxError& e) {
    r.items.clear();
    r.error = e.what + " at " + position_text(text, e.pos);
  }
  return r;
}

}  // namespace sparestock::grid
