#include "host/lib/w_sort.h"

#include <fmt/format.h>

#include <any>

#include "host/base/text.h"
#include "host/grid/expression.h"
#include "host/lib/global_functions.h"

namespace sparestock::lib {

int sort_with_dialog(ui::Window& window, ui::GridControl& list, const std::string& tablename) {
  ui::Session& s = window.session();
  s.windows().openwithparm(kSortFormClass, SortRequest{&list.grid, tablename});
  std::string sort_list = s.windows().message.stringparm;
  if (sort_list.empty()) return -1;
  grid::Grid& g = list.grid;
  if (g.setsort(sort_list) != 1) return -1;
  g.sort();
  f_select_current_row(g);
  return 1;
}

w_sort::w_sort(ui::Session& session) : Window(session, kSortFormClass, ui::WindowType::Response) {
  title = "排序";
  width = 1600;
  height = 1000;
  st_1.place(73, 60, 320, 72);
  ddlb_1.place(420, 48, 1100, 400);
  gb_1.place(73, 170, 900, 150);
  rb_1.place(128, 226, 360, 72);
  rb_2.place(530, 226, 360, 72);
  cb_1.place(1000, 196, 260, 100);
  cb_2.place(1280, 196, 260, 100);
  st_2.place(73, 360, 1460, 380);
  cb_3.place(900, 800, 300, 100);
  cb_4.place(1240, 800, 300, 100);
  rb_1.group = &gb_1;
  rb_2.group = &gb_1;
  cb_1.clicked = [this] { add_key(); };
  cb_2.clicked = [this] {
    keys_.clear();
    show_keys();
  };
  cb_3.clicked = [this] {
    if (!ddlb_1.text.empty() && !add_key().empty()) return;
    std::string list;
    for (const auto& [column, descending] : keys_)
      list += (list.empty() ? "" : ", ") + column->name + (descending ? " D" : " A");
    sort_list_ = list;
    this->session().windows().closewithreturn(*this, list);
  };
  cb_4.clicked = [this] { this->session().windows().closewithreturn(*this, std::string()); };
}

void w_sort::open() {
  lib::f_aotocenter(*this);
  const std::any& parm = session().windows().message.powerobjectparm;
  SortRequest request;
  if (auto* r = std::any_cast<SortRequest>(&parm))
    request = *r;
  else
    request.grid = grid_parameter(parm);
  if (!request.grid) {
    session().messagebox(session().globals().gs_tsxx, "没有可排序的数据窗口!", ui::Icon::Exclamation);
    session().windows().closewithreturn(*this, std::string());
    return;
  }
  // Columns of the form's table first, each group in the grid's order.
  std::string prefix = text::lower(request.tablename) + "_";
  auto all = column_choices(request.grid->definition());
  for (int pass = 0; pass < 2; ++pass)
    for (const auto& c : all) {
      bool own = !request.tablename.empty() && text::lower(c.column->name).rfind(prefix, 0) == 0;
      if (own == (pass == 0)) choices_.push_back(c);
    }
  for (const auto& c : choices_) ddlb_1.items.push_back(c.text);
  // The current sort, where its keys are plain columns, is where the user starts.
  auto parsed = grid::parse_sort(request.grid->sort_text());
  for (const auto& item : parsed.items) {
    if (item.expression->expression_class() != grid::ExprClass::ColumnRef) continue;
    const auto& ref = item.expression->Cast<grid::ColumnRefExpression>();
    for (const auto& c : choices_)
      if (text::iequals(c.column->name, ref.name)) keys_.emplace_back(c.column, item.descending);
  }
  show_keys();
}

std::string w_sort::add_key() {
  const ColumnChoice* choice = nullptr;
  for (const auto& c : choices_)
    if (c.text == ddlb_1.text) choice = &c;
  if (!choice) {
    session().messagebox(session().globals().gs_tsxx, "请选择列名!", ui::Icon::Exclamation);
    return "请选择列名!";
  }
  // A column sorts once: choosing it again changes its direction.
  bool descending = rb_2.checked;
  bool found = false;
  for (auto& key : keys_)
    if (key.first == choice->column) {
      key.second = descending;
      found = true;
    }
  if (!found) keys_.emplace_back(choice->column, descending);
  ddlb_1.text.clear();
  show_keys();
  return {};
}

void w_sort::show_keys() {
  std::string text;
  for (const auto& [column, descending] : keys_) {
    std::string label = column->name;
    for (const auto& c : choices_)
      if (c.column == column) label = c.text;
    text += (text.empty() ? "" : "\n") + label + (descending ? " 降序" : " 升序");
  }
  st_2.text = text;
}

}  // namespace sparestock::lib
