#pragma once
// w_cx: the query-condition form. Opened with a grid (openwithparm with a ui::GridControl* or
// a grid::Grid*), it lets the user build conditions on the grid's shown columns and answers
// with a filter expression of the grid expression language in message.stringparm; cancelling
// answers "".
//
// A condition is a column (chosen by its heading in ddlb_1), an operator (ddlb_2) and a value
// (sle_1); cb_1 (or Enter in sle_1) adds it to the expression, joined to the conditions before
// it by and (rb_1) or or (rb_2). cb_2 clears the expression, cb_3 answers it (adding a
// condition still filled in first), cb_4 and Escape cancel.
//
// Operators, offered by their names: 等于 不等于 大于 大于等于 小于 小于等于 (= <> > >= < <=) on
// every column; 匹配 (like: the value is the pattern, % any run of characters, _ one character)
// and 包含 (contains the value as typed) on text columns.
// Values: text is trimmed and written as a literal with the language's escape (~' for a quote,
// ~~ for a tilde), so whatever is typed stays a value; an empty text with = or <> means
// empty-or-null; numbers must read as numbers; dates as dates ("2026-12-08", with = meaning
// that day). A value that does not fit its column is refused with a message and nothing is
// added.
//
// The answer is a whole expression with no trailing connective: a caller that adds a
// condition of its own joins it with " and ". With it, message.powerobjectparm holds the
// conditions in words (QueryWords: "备件号 包含 JL01 并且 库号 等于 01").

#include <string>
#include <vector>

#include "host/grid/definition.h"
#include "host/grid/grid.h"
#include "host/ui/controls.h"
#include "host/ui/grid_control.h"
#include "host/ui/session.h"
#include "host/ui/window.h"

namespace sparestock::lib {

inline constexpr const char* kQueryFormClass = "w_cx";

// The operators offered, in order, by their names.
const std::vector<std::string>& query_operators();

// The conditions of a query in words, handed back beside the expression.
struct QueryWords {
  std::string text;
};

struct ConditionResult {
  std::string expression;  // when error is empty
  std::string error;       // the message shown to the user
};
// One condition on a column.
ConditionResult build_condition(const grid::ColumnDef& column, const std::string& op,
                                const std::string& value);

// The grid a host dialog was opened with (message.powerobjectparm holding a ui::GridControl*
// or a grid::Grid*); nullptr when there is none.
grid::Grid* grid_parameter(const std::any& powerobjectparm);

// The columns a user picks from: the shown columns of the grid, each with the text offered
// (its heading, or its name when it has none; a heading two columns share gets the name added).
struct ColumnChoice {
  std::string text;
  const grid::ColumnDef* column = nullptr;
};
std::vector<ColumnChoice> column_choices(const grid::GridDefinition& definition);

// The query command on a list grid: w_cx on `list`, then its answer as the grid's filter,
// joined to `standing` (a condition that always holds, such as the company's) when one is
// given. When no row passes, "没有符合条件的记录" (titled with the window's title) and the
// filter goes back to `standing` alone. The current row is highlighted alone. The window's
// condition becomes the query's words, joined after `standing_words` (the words of
// `standing`), or `standing_words` alone when the filter went back. Cancelling changes
// nothing. Returns the rows shown, or -1 when the user cancelled.
long query_with_conditions(ui::Window& window, ui::GridControl& list, const std::string& standing = {},
                           const std::string& standing_words = {});

class w_cx : public ui::Window {
 public:
  explicit w_cx(ui::Session& session);

  void open() override;

  // Adds the condition in the fields; "" or the reason it was refused (also shown).
  std::string add_condition();
  const std::string& expression() const { return expression_; }

  ui::StaticText st_1{*this, "st_1", "列名"};
  ui::DropDownListBox ddlb_1{*this, "ddlb_1", {}};
  ui::StaticText st_2{*this, "st_2", "运算符"};
  ui::DropDownListBox ddlb_2{*this, "ddlb_2", query_operators()};
  ui::StaticText st_3{*this, "st_3", "值"};
  ui::SingleLineEdit sle_1{*this, "sle_1"};
  ui::GroupBox gb_1{*this, "gb_1", "连接"};
  ui::RadioButton rb_1{*this, "rb_1", "并且", true};
  ui::RadioButton rb_2{*this, "rb_2", "或者"};
  ui::CommandButton cb_1{*this, "cb_1", "加入条件(&A)"};
  ui::CommandButton cb_2{*this, "cb_2", "清除(&R)"};
  ui::StaticText st_4{*this, "st_4", ""};  // the conditions so far
  ui::CommandButton cb_3{*this, "cb_3", "确定(&O)"};
  ui::CommandButton cb_4{*this, "cb_4", "取消(&C)"};

 private:
  void answer(std::string expression);

  std::vector<ColumnChoice> choices_;
  std::string expression_;
};

}  // namespace sparestock::lib
