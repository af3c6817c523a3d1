#include "host/lib/w_cx.h"

#include <fmt/format.h>

#include <algorithm>
#include <any>
#include <map>

#include "host/base/text.h"
#include "host/db/decimal.h"
#include "host/grid/expression.h"
#include "host/lib/global_functions.h"

namespace sparestock::lib {

namespace {

// Each operator's name as offered, and the operator of the expression language ("" for 包含,
// which is written with pos()).
struct Operator {
  const char* name;
  const char* symbol;
};
constexpr Operator kOperators[] = {{"等于", "="}, {"不等于", "<>"},   {"大于", ">"},    {"大于等于", ">="},
                                   {"小于", "<"}, {"小于等于", "<="}, {"匹配", "like"}, {"包含", ""}};

bool is_number(grid::GridType t) {
  return t == grid::GridType::Decimal || t == grid::GridType::Long || t == grid::GridType::Number;
}

std::string label_of(const grid::ColumnDef& c) { return c.heading.empty() ? c.name : c.heading; }

}  // namespace

const std::vector<std::string>& query_operators() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    for (const Operator& o : kOperators) out.emplace_back(o.name);
    return out;
  }();
  return names;
}

ConditionResult build_condition(const grid::ColumnDef& column, const std::string& op,
                                const std::string& value) {
  const Operator* chosen = nullptr;
  for (const Operator& o : kOperators)
    if (op == o.name) chosen = &o;
  if (!chosen) return {{}, "请选择运算符!"};
  const std::string symbol = chosen->symbol;
  const std::string& col = column.name;
  std::string v(text::trim(value));
  bool text_op = symbol == "like" || symbol.empty();

  if (v.empty()) {
    // Nothing typed: = and <> ask for an empty (or null) item; the others need a value.
    if (symbol == "=") {
      return {column.type == grid::GridType::Char ? fmt::format("(isnull({0}) or {0} = '')", col)
                                                  : fmt::format("isnull({})", col),
              {}};
    }
    if (symbol == "<>") {
      return {column.type == grid::GridType::Char ? fmt::format("(not isnull({0}) and {0} <> '')", col)
                                                  : fmt::format("not isnull({})", col),
              {}};
    }
    return {{}, "请输入“" + label_of(column) + "”的值!"};
  }

  if (is_number(column.type)) {
    if (text_op) return {{}, "“" + label_of(column) + "”是数值列，不能使用 " + op + "!"};
    auto number = db::Decimal::parse(v);
    if (!number) return {{}, "“" + label_of(column) + "”是数值列，请输入数字!"};
    return {fmt::format("{} {} {}", col, symbol, number->to_string()), {}};
  }

  if (column.type == grid::GridType::DateTime) {
    if (text_op) return {{}, "“" + label_of(column) + "”是日期列，不能使用 " + op + "!"};
    auto when = db::DateTime::parse(v);
    if (!when) return {{}, "“" + label_of(column) + "”是日期列，请输入日期，如 2026-12-08!"};
    // A date alone compares whole days; a date with a time compares the moment.
    if (v.size() <= 10)
      return {fmt::format("date({}) {} date({})", col, symbol, grid::quote_literal(when->iso_date())), {}};
    return {fmt::format("{} {} datetime({})", col, symbol, grid::quote_literal(when->iso())), {}};
  }

  std::string literal = grid::quote_literal(v);
  if (symbol.empty()) return {fmt::format("pos({}, {}) > 0", col, literal), {}};
  return {fmt::format("{} {} {}", col, symbol, literal), {}};
}

grid::Grid* grid_parameter(const std::any& parm) {
  if (auto* c = std::any_cast<ui::GridControl*>(&parm)) return *c ? &(*c)->grid : nullptr;
  if (auto* g = std::any_cast<grid::Grid*>(&parm)) return *g;
  return nullptr;
}

std::vector<ColumnChoice> column_choices(const grid::GridDefinition& definition) {
  std::map<std::string, int> uses;
  for (const auto& c : definition.columns)
    if (c.visible) ++uses[label_of(c)];
  std::vector<ColumnChoice> out;
  for (const auto& c : definition.columns) {
    if (!c.visible) continue;
    std::string text = label_of(c);
    if (uses[text] > 1 && text != c.name) text += "(" + c.name + ")";
    out.push_back({text, &c});
  }
  return out;
}

long query_with_conditions(ui::Window& window, ui::GridControl& list, const std::string& standing,
                           const std::string& standing_words) {
  ui::Session& s = window.session();
  s.windows().openwithparm(kQueryFormClass, &list);
  std::string expression = s.windows().message.stringparm;
  if (expression.empty()) return -1;
  std::string words;
  if (auto* w = std::any_cast<QueryWords>(&s.windows().message.powerobjectparm)) words = w->text;
  if (!standing.empty()) expression = standing + " and (" + expression + ")";
  if (!standing_words.empty()) words = standing_words + (words.empty() ? "" : "，" + words);
  grid::Grid& g = list.grid;
  if (g.setfilter(expression) != 1) {
    s.messagebox(window.title, "查询条件不正确：" + g.last_error(), ui::Icon::StopSign);
    return -1;
  }
  g.filter();
  window.condition = words;
  if (g.rowcount() == 0) {
    s.messagebox(window.title, "没有符合条件的记录");
    g.setfilter(standing);
    g.filter();
    window.condition = standing_words;
  }
  g.selectrow(0, false);
  f_select_current_row(g);
  return g.rowcount();
}

w_cx::w_cx(ui::Session& session) : Window(session, kQueryFormClass, ui::WindowType::Response) {
  title = "条件查询";
  width = 1800;
  height = 1100;
  st_1.place(73, 60, 320, 72);
  ddlb_1.place(420, 48, 1300, 400);
  st_2.place(73, 168, 320, 72);
  ddlb_2.place(420, 156, 640, 400);
  st_3.place(73, 276, 320, 72);
  sle_1.place(420, 264, 1300, 88);
  gb_1.place(73, 376, 860, 150);
  rb_1.place(110, 432, 380, 72);
  rb_2.place(500, 432, 400, 72);
  cb_1.place(960, 400, 420, 100);
  cb_2.place(1400, 400, 320, 100);
  st_4.place(73, 560, 1650, 300);
  cb_3.place(1060, 900, 300, 100);
  cb_4.place(1420, 900, 300, 100);
  sle_1.ue_press = [this](ui::Key key) {
    if (key == ui::Key::Escape) answer("");
  };
  sle_1.ue_enter = [this] { add_condition(); };
  rb_1.group = &gb_1;
  rb_2.group = &gb_1;
  cb_1.clicked = [this] { add_condition(); };
  cb_2.clicked = [this] {
    expression_.clear();
    st_4.text.clear();
  };
  cb_3.clicked = [this] {
    // A condition filled in but not added yet counts.
    bool pending = !ddlb_1.text.empty() && !text::trim(sle_1.text).empty();
    if (pending && !add_condition().empty()) return;
    answer(expression_);
  };
  cb_4.clicked = [this] { answer(""); };
}

void w_cx::open() {
  lib::f_aotocenter(*this);
  grid::Grid* g = grid_parameter(session().windows().message.powerobjectparm);
  if (!g) {
    session().messagebox(session().globals().gs_tsxx, "没有可查询的数据窗口!", ui::Icon::Exclamation);
    answer("");
    return;
  }
  choices_ = column_choices(g->definition());
  for (const auto& c : choices_) ddlb_1.items.push_back(c.text);
  ddlb_2.text = query_operators().front();
  sle_1.setfocus();
}

std::string w_cx::add_condition() {
  const ColumnChoice* choice = nullptr;
  for (const auto& c : choices_)
    if (c.text == ddlb_1.text) choice = &c;
  ConditionResult r;
  if (!choice)
    r.error = "请选择列名!";
  else
    r = build_condition(*choice->column, ddlb_2.text, sle_1.text);
  if (!r.error.empty()) {
    session().messagebox(session().globals().gs_tsxx, r.error, ui::Icon::Exclamation);
    return r.error;
  }
  std::string shown = fmt::format("{} {} {}", choice->text, ddlb_2.text, text::trim(sle_1.text));
  if (expression_.empty()) {
    expression_ = r.expression;
    st_4.text = shown;
  } else {
    const char* joint = rb_2.checked ? "or" : "and";
    expression_ += fmt::format(" {} {}", joint, r.expression);
    st_4.text += fmt::format("\n{} {}", rb_2.checked ? "或者" : "并且", shown);
  }
  sle_1.text.clear();
  sle_1.setfocus();
  return {};
}

void w_cx::answer(std::string expression) {
  // The words go with a whole expression only.
  std::string words;
  if (!expression.empty()) {
    words = st_4.text;
    std::replace(words.begin(), words.end(), '\n', ' ');
  }
  ui::WindowManager& windows = session().windows();
  windows.closewithreturn(*this, std::move(expression));
  if (!words.empty()) windows.message.powerobjectparm = QueryWords{std::move(words)};
}

}  // namespace sparestock::lib
