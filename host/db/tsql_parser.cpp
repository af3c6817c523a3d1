#include "host/db/tsql_parser.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "host/base/text.h"
#include "host/db/catalog.h"
#include "host/db/tsql.h"

namespace sparestock::db::tsql {

namespace {

[[noreturn]] void unsupported(const std::string& what) {
  throw TranslationError("unsupported construct: " + what);
}

[[noreturn]] void syntax(const std::string& what) { throw TranslationError("syntax error: " + what); }

bool ident_start(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool ident_char(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#';
}
bool digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::vector<Token> tokenize(std::string_view s) {
  std::vector<Token> out;
  size_t i = 0;
  auto push = [&](TokenKind kind, std::string text, size_t at) {
    out.push_back(Token{kind, std::move(text), at});
  };
  while (i < s.size()) {
    char c = s[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      ++i;
      continue;
    }
    if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      while (i < s.size() && s[i] != '\n') ++i;
      continue;
    }
    if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      // Block comments nest, as on the server.
      int depth = 0;
      size_t start = i;
      do {
        if (i + 1 < s.size() && s[i] == '/' && s[i + 1] == '*') {
          ++depth;
          i += 2;
        } else if (i + 1 < s.size() && s[i] == '*' && s[i + 1] == '/') {
          --depth;
          i += 2;
        } else if (i < s.size()) {
          ++i;
        }
      } while (depth > 0 && i < s.size());
      if (depth > 0) syntax("unterminated comment at offset " + std::to_string(start));
      continue;
    }
    size_t at = i;
    bool national = (c == 'N' || c == 'n') && i + 1 < s.size() && s[i + 1] == '\'';
    if (c == '\'' || national) {
      if (national) ++i;
      ++i;
      std::string text;
      for (;;) {
        if (i >= s.size()) syntax("unterminated string at offset " + std::to_string(at));
        if (s[i] == '\'') {
          if (i + 1 < s.size() && s[i + 1] == '\'') {
            text += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        text += s[i++];
      }
      push(TokenKind::String, std::move(text), at);
      continue;
    }
    if (ident_start(c)) {
      while (i < s.size() && ident_char(s[i])) ++i;
      push(TokenKind::Identifier, std::string(s.substr(at, i - at)), at);
      continue;
    }
    if (digit(c) || (c == '.' && i + 1 < s.size() && digit(s[i + 1]))) {
      while (i < s.size() && digit(s[i])) ++i;
      if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && digit(s[i])) ++i;
      }
      if (i < s.size() && (ident_char(s[i]) || s[i] == '.'))
        syntax("malformed number at offset " + std::to_string(at));
      push(TokenKind::Number, std::string(s.substr(at, i - at)), at);
      continue;
    }
    if (c == ':') {
      ++i;
      if (i >= s.size() || !ident_start(s[i])) syntax("':' not followed by a host variable name");
      size_t start = i;
      while (i < s.size() && ident_char(s[i])) ++i;
      push(TokenKind::HostVar, std::string(s.substr(start, i - start)), at);
      continue;
    }
    if (c == '@') {
      ++i;
      if (i < s.size() && s[i] == '@') unsupported("@@ global variable");
      if (i >= s.size() || !ident_start(s[i])) syntax("'@' not followed by a name");
      size_t start = i;
      while (i < s.size() && ident_char(s[i])) ++i;
      push(TokenKind::AtName, std::string(s.substr(start, i - start)), at);
      continue;
    }
    if (c == '"' || c == '[') unsupported("quoted identifier");
    if (c == '{') unsupported("{...} escape");
    static constexpr std::array<std::string_view, 8> kTwo = {"<>", "!=", "<=", ">=", "*=", "=*", "!<", "!>"};
    std::string_view two = s.substr(i, 2);
    if (std::find(kTwo.begin(), kTwo.end(), two) != kTwo.end()) {
      if (two == "!<" || two == "!>") unsupported("operator " + std::string(two));
      push(TokenKind::Symbol, std::string(two), at);
      i += 2;
      continue;
    }
    if (std::string_view("(),.;*=<>+-/%").find(c) != std::string_view::npos) {
      push(TokenKind::Symbol, std::string(1, c), at);
      ++i;
      continue;
    }
    if (std::string_view("&|^~").find(c) != std::string_view::npos)
      unsupported("bitwise operator " + std::string(1, c));
    syntax("unexpected character '" + std::string(1, c) + "' at offset " + std::to_string(at));
  }
  out.push_back(Token{TokenKind::End, "", s.size()});
  return out;
}

namespace {

// Words that end an expression or a list, so they are never taken as an alias or a column.
constexpr std::string_view kReserved[] = {
    "select",   "from", "where", "group",  "by",        "having", "order",    "union",   "all",
    "distinct", "and",  "or",    "not",    "in",        "like",   "is",       "null",    "between",
    "exists",   "as",   "on",    "join",   "inner",     "left",   "right",    "full",    "outer",
    "cross",    "top",  "into",  "values", "set",       "update", "delete",   "insert",  "execute",
    "exec",     "case", "when",  "then",   "else",      "end",    "with",     "compute", "for",
    "option",   "asc",  "desc",  "escape", "returning", "except", "intersect"};

// Statements of the server's language that are outside the subset.
constexpr std::string_view kOtherStatements[] = {
    "create", "drop",     "alter",   "truncate",  "declare", "set",   "if",     "begin",
    "commit", "rollback", "while",   "print",     "return",  "grant", "revoke", "use",
    "merge",  "with",     "waitfor", "raiserror", "goto",    "fetch", "open",   "close"};

bool is_reserved(const Token& t) {
  if (t.kind != TokenKind::Identifier) return false;
  std::string l = text::lower(t.text);
  return std::find(std::begin(kReserved), std::end(kReserved), l) != std::end(kReserved);
}

class Parser {
 public:
  explicit Parser(std::string_view text) : tokens_(tokenize(text)) {}

  Statement statement() {
    Statement st;
    const Token& t = peek();
    if (t.kind != TokenKind::Identifier)
      syntax("a statement must begin with a keyword, found " + describe(t));
    if (is_kw("select")) {
      st.select = select(/*top_level=*/true);
    } else if (is_kw("insert")) {
      st.insert = insert();
    } else if (is_kw("update")) {
      st.update = update();
    } else if (is_kw("delete")) {
      st.del = del();
    } else if (is_kw("execute") || is_kw("exec")) {
      st.execute = execute();
    } else {
      std::string l = text::lower(t.text);
      if (std::find(std::begin(kOtherStatements), std::end(kOtherStatements), l) != std::end(kOtherStatements))
        unsupported(text::upper(t.text) + " statement");
      syntax("unknown statement " + describe(t));
    }
    if (accept_symbol(";")) {
      if (peek().kind != TokenKind::End) unsupported("several statements");
    }
    if (peek().kind != TokenKind::End) {
      if (starts_statement(peek())) unsupported("several statements");
      refuse_clause_word();
      syntax("unexpected " + describe(peek()));
    }
    return st;
  }

 private:
  // ---- token helpers ----
  const Token& peek(size_t ahead = 0) const {
    size_t i = std::min(pos_ + ahead, tokens_.size() - 1);
    return tokens_[i];
  }
  const Token& next() {
    const Token& t = tokens_[pos_];
    if (pos_ + 1 < tokens_.size()) ++pos_;
    return t;
  }
  bool is_kw(std::string_view kw, size_t ahead = 0) const {
    const Token& t = peek(ahead);
    return t.kind == TokenKind::Identifier && text::iequals(t.text, kw);
  }
  bool accept_kw(std::string_view kw) {
    if (!is_kw(kw)) return false;
    next();
    return true;
  }
  void expect_kw(std::string_view kw) {
    if (!accept_kw(kw)) syntax("expected " + text::upper(kw) + ", found " + describe(peek()));
  }
  bool is_symbol(std::string_view sym, size_t ahead = 0) const {
    const Token& t = peek(ahead);
    return t.kind == TokenKind::Symbol && t.text == sym;
  }
  bool accept_symbol(std::string_view sym) {
    if (!is_symbol(sym)) return false;
    next();
    return true;
  }
  void expect_symbol(std::string_view sym) {
    if (!accept_symbol(sym)) syntax("expected '" + std::string(sym) + "', found " + describe(peek()));
  }
  static std::string describe(const Token& t) {
    switch (t.kind) {
      case TokenKind::End: return "end of statement";
      case TokenKind::String: return "string '" + t.text + "'";
      case TokenKind::HostVar: return "':" + t.text + "'";
      case TokenKind::AtName: return "'@" + t.text + "'";
      default: return "'" + t.text + "'";
    }
  }
  static bool starts_statement(const Token& t) {
    if (t.kind != TokenKind::Identifier) return false;
    std::string l = text::lower(t.text);
    return l == "select" || l == "insert" || l == "update" || l == "delete" || l == "execute" || l == "exec";
  }
  std::string identifier(const char* what) {
    const Token& t = peek();
    if (t.kind != TokenKind::Identifier || is_reserved(t))
      syntax(std::string("expected ") + what + ", found " + describe(t));
    return next().text;
  }

  // A small whole number (a length, a style, a procedure number).
  int whole_number(const char* what) {
    const Token& t = peek();
    bool digits = t.kind == TokenKind::Number && !t.text.empty() && t.text.size() <= 6 &&
                  std::all_of(t.text.begin(), t.text.end(), digit);
    if (!digits) syntax(std::string("expected ") + what + ", found " + describe(t));
    return std::stoi(next().text);
  }

  // Clause words that may follow a complete SELECT but are outside the subset.
  void refuse_clause_word() {
    static constexpr std::array<std::string_view, 8> kClauses = {"union", "except", "intersect", "compute",
                                                                 "for",   "option", "with",      "escape"};
    const Token& t = peek();
    if (t.kind != TokenKind::Identifier) return;
    std::string l = text::lower(t.text);
    if (std::find(kClauses.begin(), kClauses.end(), l) != kClauses.end()) unsupported(text::upper(l));
    if (l == "join" || l == "inner" || l == "left" || l == "right" || l == "full" || l == "cross" ||
        l == "outer")
      unsupported("JOIN");
  }

  // ---- SELECT ----
  std::unique_ptr<SelectStmt> select(bool top_level) {
    expect_kw("select");
    auto s = std::make_unique<SelectStmt>();
    if (accept_kw("distinct"))
      s->distinct = true;
    else
      accept_kw("all");
    if (is_kw("top")) unsupported("TOP");
    do s->items.push_back(select_item());
    while (accept_symbol(","));
    if (accept_kw("into")) {
      if (!top_level) unsupported("INTO in a subquery");
      if (peek().kind != TokenKind::HostVar) unsupported("SELECT INTO a table");
      do {
        if (peek().kind != TokenKind::HostVar) syntax("expected a host variable after INTO");
        s->into.push_back(next().text);
      } while (accept_symbol(","));
    }
    if (accept_kw("from")) {
      do s->from.push_back(table_ref(/*in_from=*/true));
      while (accept_symbol(","));
      refuse_clause_word();
    }
    if (accept_kw("where")) s->where = expr();
    if (accept_kw("group")) {
      expect_kw("by");
      if (is_kw("all")) unsupported("GROUP BY ALL");
      do s->group_by.push_back(expr());
      while (accept_symbol(","));
    }
    if (accept_kw("having")) s->having = expr();
    if (accept_kw("order")) {
      expect_kw("by");
      do {
        OrderItem item;
        item.expr = expr();
        if (accept_kw("asc"))
          item.direction = OrderItem::Direction::Asc;
        else if (accept_kw("desc"))
          item.direction = OrderItem::Direction::Desc;
        s->order_by.push_back(std::move(item));
      } while (accept_symbol(","));
    }
    refuse_clause_word();
    return s;
  }

  SelectItem select_item() {
    SelectItem item;
    if (accept_symbol("*")) {
      item.expr = std::make_unique<StarExpr>();
      return item;
    }
    if (peek().kind == TokenKind::Identifier && is_symbol(".", 1) && is_symbol("*", 2)) {
      std::string table = next().text;
      next();
      next();
      item.expr = std::make_unique<StarExpr>(table);
      return item;
    }
    // `alias = expr` (also `'alias' = expr`).
    if (is_symbol("=", 1) && ((peek().kind == TokenKind::Identifier && !is_reserved(peek())) ||
                              peek().kind == TokenKind::String)) {
      item.alias = alias_text(next());
      next();
      item.expr = expr();
    } else {
      item.expr = expr();
      if (accept_kw("as")) {
        if (peek().kind == TokenKind::String)
          item.alias = alias_text(next());
        else
          item.alias = identifier("an alias after AS");
      } else if (peek().kind == TokenKind::Identifier && !is_reserved(peek())) {
        item.alias = next().text;
      } else if (peek().kind == TokenKind::String) {
        item.alias = alias_text(next());
      }
    }
    if (is_predicate(*item.expr)) unsupported("condition in the select list");
    return item;
  }

  static std::string alias_text(const Token& t) {
    if (t.kind == TokenKind::Identifier) return t.text;
    bool ok = !t.text.empty() && ident_start(t.text[0]) &&
              std::all_of(t.text.begin(), t.text.end(), ident_char);
    if (!ok) unsupported("column alias '" + t.text + "' that is not a plain name");
    return t.text;
  }

  static bool is_predicate(const Expr& e) {
    switch (e.kind) {
      case ExprKind::Compare:
      case ExprKind::Conjunction:
      case ExprKind::In:
      case ExprKind::Like:
      case ExprKind::IsNull:
      case ExprKind::Between:
      case ExprKind::Exists: return true;
      case ExprKind::Unary: return e.Cast<UnaryExpr>().op == UnaryExpr::Op::Not;
      case ExprKind::Paren: return is_predicate(*e.Cast<ParenExpr>().child);
      default: return false;
    }
  }

  // A table name, owner `dbo.` dropped, with an optional alias (a FROM entry) or without (the
  // table of INSERT, UPDATE, DELETE).
  TableRef table_ref(bool in_from) {
    TableRef ref;
    if (is_symbol("(")) unsupported("derived table");
    ref.name = identifier("a table name");
    if (accept_symbol(".")) {
      if (!text::iequals(ref.name, "dbo")) unsupported("owner " + ref.name);
      ref.name = identifier("a table name");
    }
    if (in_from) {
      if (accept_kw("as"))
        ref.alias = identifier("a table alias");
      else if (peek().kind == TokenKind::Identifier && !is_reserved(peek()))
        ref.alias = next().text;
      if (is_symbol("(")) unsupported("table hint");
    }
    return ref;
  }

  // ---- INSERT / UPDATE / DELETE / EXECUTE ----
  std::unique_ptr<InsertStmt> insert() {
    expect_kw("insert");
    accept_kw("into");
    auto s = std::make_unique<InsertStmt>();
    s->table = table_ref(/*in_from=*/false).name;
    if (accept_symbol("(")) {
      do s->columns.push_back(identifier("a column name"));
      while (accept_symbol(","));
      expect_symbol(")");
    }
    if (is_kw("select")) {
      s->select = select(/*top_level=*/false);
    } else if (accept_kw("values")) {
      expect_symbol("(");
      do s->values.push_back(expr());
      while (accept_symbol(","));
      expect_symbol(")");
      if (is_symbol(",")) unsupported("several VALUES rows");
    } else if (is_kw("default")) {
      unsupported("DEFAULT VALUES");
    } else if (is_kw("execute") || is_kw("exec")) {
      unsupported("INSERT ... EXECUTE");
    } else {
      syntax("expected VALUES or SELECT, found " + describe(peek()));
    }
    if (accept_kw("returning")) s->returning = identifier("a column after RETURNING");
    return s;
  }

  std::unique_ptr<UpdateStmt> update() {
    expect_kw("update");
    auto s = std::make_unique<UpdateStmt>();
    s->table = table_ref(/*in_from=*/false);
    expect_kw("set");
    do {
      Assignment a;
      if (peek().kind == TokenKind::AtName) unsupported("variable @" + peek().text);
      std::string first = identifier("a column name");
      if (accept_symbol(".")) {
        if (!text::iequals(first, s->table.name))
          syntax("SET names a column of " + first + ", not of " + s->table.name);
        first = identifier("a column name");
      }
      a.column = first;
      expect_symbol("=");
      a.value = expr();
      s->sets.push_back(std::move(a));
    } while (accept_symbol(","));
    if (is_kw("from")) unsupported("UPDATE with FROM");
    if (accept_kw("where")) s->where = expr();
    return s;
  }

  std::unique_ptr<DeleteStmt> del() {
    expect_kw("delete");
    accept_kw("from");
    auto s = std::make_unique<DeleteStmt>();
    s->table = table_ref(/*in_from=*/false);
    if (is_kw("from")) unsupported("DELETE with FROM");
    if (accept_kw("where")) s->where = expr();
    return s;
  }

  std::unique_ptr<ExecuteStmt> execute() {
    next();  // execute | exec
    auto s = std::make_unique<ExecuteStmt>();
    if (is_symbol("(") || peek().kind == TokenKind::String) unsupported("dynamic SQL");
    if (peek().kind == TokenKind::AtName) unsupported("execute with a return status");
    std::string name = identifier("a procedure name");
    if (accept_symbol(".")) {
      s->owner = name;
      if (!text::iequals(name, "dbo")) unsupported("owner " + name);
      name = identifier("a procedure name");
    }
    s->procedure = text::lower(name);
    if (is_symbol(";") && peek(1).kind == TokenKind::Number) {
      next();
      s->number = whole_number("a procedure number");
    }
    if (peek().kind == TokenKind::End || is_symbol(";")) return s;
    do {
      if (peek().kind != TokenKind::AtName) unsupported("execute argument without a name");
      ExecuteArg arg;
      arg.name = text::lower(next().text);
      for (const auto& other : s->args)
        if (other.name == arg.name) syntax("argument @" + arg.name + " given twice");
      expect_symbol("=");
      const Token& v = peek();
      if (v.kind == TokenKind::HostVar) {
        arg.value = std::make_unique<HostVarExpr>(next().text);
      } else if (v.kind == TokenKind::String) {
        arg.value = std::make_unique<ConstantExpr>(ConstantExpr::Type::String, next().text);
      } else if (is_kw("null")) {
        next();
        arg.value = std::make_unique<ConstantExpr>(ConstantExpr::Type::Null, "NULL");
      } else {
        std::string sign;
        if (accept_symbol("-"))
          sign = "-";
        else
          accept_symbol("+");
        if (peek().kind != TokenKind::Number)
          syntax("argument @" + arg.name + " must be a host variable or a literal, found " + describe(peek()));
        arg.value = std::make_unique<ConstantExpr>(ConstantExpr::Type::Number, sign + next().text);
      }
      if (is_kw("output") || is_kw("out")) unsupported("OUTPUT argument");
      s->args.push_back(std::move(arg));
    } while (accept_symbol(","));
    return s;
  }

  // ---- expressions, loosest first ----
  ExprPtr expr() {
    // Parentheses and subqueries recurse; a bound keeps absurd nesting from exhausting the stack.
    if (++depth_ > kMaxDepth) syntax("statement nested too deeply");
    ExprPtr e = disjunction();
    --depth_;
    return e;
  }

  ExprPtr disjunction() {
    ExprPtr first = conjunction();
    if (!is_kw("or")) return first;
    auto node = std::make_unique<ConjunctionExpr>(false);
    node->children.push_back(std::move(first));
    while (accept_kw("or")) node->children.push_back(conjunction());
    return node;
  }

  ExprPtr conjunction() {
    ExprPtr first = negation();
    if (!is_kw("and")) return first;
    auto node = std::make_unique<ConjunctionExpr>(true);
    node->children.push_back(std::move(first));
    while (accept_kw("and")) node->children.push_back(negation());
    return node;
  }

  ExprPtr negation() {
    if (accept_kw("not")) {
      if (++depth_ > kMaxDepth) syntax("statement nested too deeply");
      ExprPtr child = negation();
      --depth_;
      return std::make_unique<UnaryExpr>(UnaryExpr::Op::Not, std::move(child));
    }
    return predicate();
  }

  ExprPtr predicate() {
    if (accept_kw("exists")) {
      expect_symbol("(");
      auto sub = select(/*top_level=*/false);
      expect_symbol(")");
      return std::make_unique<ExistsExpr>(std::move(sub));
    }
    ExprPtr left = additive();
    const Token& t = peek();
    if (t.kind == TokenKind::Symbol) {
      static constexpr std::array<std::string_view, 9> kCompare = {"=",  "<>", "!=", "<", ">",
                                                                   "<=", ">=", "*=", "=*"};
      if (std::find(kCompare.begin(), kCompare.end(), t.text) != kCompare.end()) {
        std::string op = next().text;
        if (is_kw("all") || is_kw("any") || is_kw("some"))
          unsupported(text::upper(peek().text) + " comparison");
        ExprPtr right = additive();
        return std::make_unique<CompareExpr>(op, std::move(left), std::move(right));
      }
      return left;
    }
    bool negated = false;
    if (is_kw("not") && (is_kw("in", 1) || is_kw("like", 1) || is_kw("between", 1))) {
      next();
      negated = true;
    }
    if (accept_kw("in")) {
      auto node = std::make_unique<InExpr>();
      node->child = std::move(left);
      node->negated = negated;
      expect_symbol("(");
      if (is_kw("select")) {
        node->subquery = select(/*top_level=*/false);
      } else {
        do node->list.push_back(additive());
        while (accept_symbol(","));
      }
      expect_symbol(")");
      return node;
    }
    if (accept_kw("like")) {
      ExprPtr pattern = additive();
      if (is_kw("escape")) unsupported("LIKE ... ESCAPE");
      return std::make_unique<LikeExpr>(std::move(left), std::move(pattern), negated);
    }
    if (accept_kw("between")) {
      ExprPtr low = additive();
      expect_kw("and");
      ExprPtr high = additive();
      return std::make_unique<BetweenExpr>(std::move(left), std::move(low), std::move(high), negated);
    }
    if (accept_kw("is")) {
      bool is_not = accept_kw("not");
      expect_kw("null");
      return std::make_unique<IsNullExpr>(std::move(left), is_not);
    }
    return left;
  }

  ExprPtr additive() {
    ExprPtr left = multiplicative();
    while (is_symbol("+") || is_symbol("-")) {
      char op = next().text[0];
      left = std::make_unique<ArithExpr>(op, std::move(left), multiplicative());
    }
    return left;
  }

  ExprPtr multiplicative() {
    ExprPtr left = unary();
    while (is_symbol("*") || is_symbol("/") || is_symbol("%")) {
      char op = next().text[0];
      left = std::make_unique<ArithExpr>(op, std::move(left), unary());
    }
    return left;
  }

  ExprPtr unary() {
    if (is_symbol("-") || is_symbol("+")) {
      auto op = next().text == "-" ? UnaryExpr::Op::Minus : UnaryExpr::Op::Plus;
      if (++depth_ > kMaxDepth) syntax("statement nested too deeply");
      ExprPtr child = unary();
      --depth_;
      return std::make_unique<UnaryExpr>(op, std::move(child));
    }
    return primary();
  }

  ExprPtr primary() {
    const Token& t = peek();
    switch (t.kind) {
      case TokenKind::Number: return std::make_unique<ConstantExpr>(ConstantExpr::Type::Number, next().text);
      case TokenKind::String: return std::make_unique<ConstantExpr>(ConstantExpr::Type::String, next().text);
      case TokenKind::HostVar: return std::make_unique<HostVarExpr>(next().text);
      case TokenKind::AtName: unsupported("variable @" + t.text);
      case TokenKind::End: syntax("unexpected end of statement");
      case TokenKind::Symbol:
        if (accept_symbol("(")) {
          if (is_kw("select")) {
            auto sub = select(/*top_level=*/false);
            expect_symbol(")");
            return std::make_unique<SubqueryExpr>(std::move(sub));
          }
          ExprPtr inner = expr();
          expect_symbol(")");
          return std::make_unique<ParenExpr>(std::move(inner));
        }
        syntax("unexpected " + describe(t));
      case TokenKind::Identifier: break;
    }
    if (is_kw("null")) {
      next();
      return std::make_unique<ConstantExpr>(ConstantExpr::Type::Null, "NULL");
    }
    if (is_kw("case")) unsupported("CASE");
    if ((is_kw("left") || is_kw("right")) && is_symbol("(", 1)) unsupported_function(text::lower(t.text));
    if (is_reserved(t)) syntax("unexpected " + describe(t));
    std::string first = next().text;
    if (is_symbol("(")) return function(first);
    if (!accept_symbol(".")) return std::make_unique<ColumnExpr>("", first);
    std::string second = identifier("a column name");
    if (is_symbol("(")) unsupported_function(first + "." + second);
    if (!accept_symbol(".")) return std::make_unique<ColumnExpr>(first, second);
    // owner.table.column
    if (!text::iequals(first, "dbo")) unsupported("owner " + first);
    std::string third = identifier("a column name");
    return std::make_unique<ColumnExpr>(second, third);
  }

  [[noreturn]] static void unsupported_function(const std::string& name) {
    throw TranslationError("unsupported function: " + name);
  }

  ExprPtr function(const std::string& written) {
    std::string name = text::lower(written);
    if (name == "convert") return convert();
    static constexpr std::array<std::string_view, 10> kKnown = {"count", "sum",   "min",   "max",   "avg",
                                                                "upper", "lower", "ltrim", "rtrim", "abs"};
    if (std::find(kKnown.begin(), kKnown.end(), name) == kKnown.end()) unsupported_function(name);
    auto f = std::make_unique<FunctionExpr>(name);
    expect_symbol("(");
    if (f->is_aggregate()) {
      if (name == "count" && is_symbol("*")) {
        next();
        f->args.push_back(std::make_unique<StarExpr>());
      } else if (accept_kw("distinct")) {
        f->distinct = true;
      } else {
        accept_kw("all");
      }
    }
    if (f->args.empty()) f->args.push_back(expr());
    if (is_symbol(",")) syntax(name + " takes one argument");
    expect_symbol(")");
    if (is_kw("over")) unsupported("window function");
    return f;
  }

  ExprPtr convert() {
    auto c = std::make_unique<ConvertExpr>();
    expect_symbol("(");
    std::string type = text::lower(identifier("a type"));
    if (type != "char" && type != "varchar" && type != "nchar" && type != "nvarchar")
      unsupported("convert to " + type);
    c->type = type;
    if (!accept_symbol("(")) unsupported("convert to " + type + " without a length");
    c->length = whole_number("a length in convert");
    expect_symbol(")");
    expect_symbol(",");
    c->child = expr();
    if (!accept_symbol(",")) unsupported("convert without a style");
    c->style = whole_number("a style number in convert");
    expect_symbol(")");
    if (c->style != 111) unsupported("convert style " + std::to_string(c->style));
    if (c->length < 10)
      unsupported("convert to " + type + "(" + std::to_string(c->length) + ") with style 111");
    return c;
  }

  static constexpr int kMaxDepth = 200;
  std::vector<Token> tokens_;
  size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

Statement parse_statement(std::string_view text) { return Parser(text).statement(); }

}  // namespace sparestock::db::tsql
