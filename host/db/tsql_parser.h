#pragma once
// Tokenizer and recursive-descent parser for the T-SQL subset of tsql.h. Constructs outside the
// subset are refused here with TranslationError("unsupported construct: ..." or
// "unsupported function: ..."); malformed text gives "syntax error: ...".

#include <string>
#include <string_view>
#include <vector>

#include "host/db/tsql_ast.h"

namespace sparestock::db::tsql {

enum class TokenKind { Identifier, Number, String, HostVar, AtName, Symbol, End };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;  // identifier or number as written, string content unescaped, symbol,
                     // host variable or @name without its sigil
  size_t offset = 0;
};

// Splits the text into tokens; comments (`--`, `/* */`) are dropped. Ends with one End token.
std::vector<Token> tokenize(std::string_view text);

// Parses exactly one statement (an optional trailing ';' allowed).
Statement parse_statement(std::string_view text);

}  // namespace sparestock::db::tsql
