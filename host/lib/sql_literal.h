#pragma once
// Text placed into a SQL statement as a quoted literal, for the few statements that are built
// as text (the where clauses handed to the pick lists). Statements the module runs itself bind
// host variables instead.

#include <string>
#include <string_view>

namespace sparestock::lib {

// `value` as a T-SQL string literal: in single quotes, every quote inside doubled, so that
// whatever the text holds it can only ever be a value ("O'Brien" -> 'O''Brien').
std::string sql_literal(std::string_view value);

}  // namespace sparestock::lib
