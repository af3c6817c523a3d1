#include "host/lib/pick_list.h"

#include <fmt/format.h>

#include <set>
#include <stdexcept>

#include "host/base/text.h"
#include "host/grid/expression.h"

namespace sparestock::lib {

namespace {

// The request the next w_pick_list is built from. f_popcx sets it on the session thread right
// before opening the window, whose factory takes it on that same thread; a w_pick_list opened
// any other way (the protocol's `open`) finds none and is refused.
thread_local std::unique_ptr<PickRequest> next_request;

[[maybe_unused]] const bool registered = [] {
  ui::register_window_class(kPickListClass, [](ui::Session& s) -> std::unique_ptr<ui::Window> {
    if (!next_request) throw ui::RequestError("the pick list opens only from a pick-list button");
    auto request = std::move(next_request);
    return std::make_unique<PickListWindow>(s, std::move(*request));
  });
  return true;
}();

bool has_ascii_letter(std::string_view s) {
  for (char c : s)
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
  return false;
}

grid::ColumnDef column_from_catalog(const db::ColumnInfo& info, std::string heading) {
  grid::ColumnDef c;
  c.name = info.name;
  c.heading = std::move(heading);
  switch (info.type) {
    case db::ColumnType::Char:
    case db::ColumnType::Unknown:
      c.type = grid::GridType::Char;
      c.length = info.length;
      break;
    case db::ColumnType::Decimal:
      c.type = grid::GridType::Decimal;
      c.scale = info.scale;
      c.format = "[general]";
      break;
    case db::ColumnType::Integer:
      c.type = grid::GridType::Long;
      c.format = "[general]";
      break;
    case db::ColumnType::Real:
      c.type = grid::GridType::Number;
      c.format = "[general]";
      break;
    case db::ColumnType::DateTime:
      c.type = grid::GridType::DateTime;
      c.format = "yyyy-mm-dd";
      break;
  }
  return c;
}

// The text a column is searched in, as a grid expression.
std::string searched_text(const grid::ColumnDef& c) {
  return c.type == grid::GridType::Char ? c.name : "string(" + c.name + ")";
}

std::string open_list(ui::Session& session, const std::string& table, const std::string& columns,
                      const std::string& headings, const std::string& return_column, const std::string& fifth,
                      const std::string& where, bool parts) {
  auto request = std::make_unique<PickRequest>();
  request->definition = pick_list_definition(session.sqlca.catalog(), table, columns, headings, return_column,
                                             where);
  request->return_column = text::lower(text::trim(return_column));
  if (parts) {
    request->sort = request->return_column + " A";
    request->title = "选择备件";
  } else {
    std::string sort;
    for (const auto& c : request->definition.columns)
      if (c.visible) sort += (sort.empty() ? "" : ", ") + c.name + " A";
    request->sort = sort;
    request->title = "选择";
  }
  request->search = fifth;
  auto answer = request->answer;
  next_request = std::move(request);
  try {
    session.windows().open(kPickListClass);
  } catch (...) {
    next_request.reset();
    throw;
  }
  next_request.reset();
  return *answer;
}

}  // namespace

std::string f_popcx(ui::Session& session, const std::string& table, const std::string& columns,
                    const std::string& headings, const std::string& return_column, const std::string& fifth,
                    const std::string& where) {
  return open_list(session, table, columns, headings, return_column, fifth, where, false);
}

std::string f_cph_popcx(ui::Session& session, const std::string& table, const std::string& columns,
                        const std::string& headings, const std::string& return_column,
                        const std::string& fifth, const std::string& where) {
  return open_list(session, table, columns, headings, return_column, fifth, where, true);
}

std::vector<std::string> pair_headings(const std::vector<std::string>& columns,
                                       const std::vector<std::string>& headings) {
  std::vector<std::string> out(columns.size());
  size_t n = columns.size(), m = headings.size();
  // Too few headings: they name the columns from the left, the trailing columns are headed
  // by their names.
  if (m < n) {
    for (size_t i = 0; i < n; ++i) out[i] = i < m ? headings[i] : columns[i];
    return out;
  }
  // Extra headings fall off the front.
  for (size_t i = 0; i < n; ++i) out[i] = headings[m - n + i];
  return out;
}

grid::GridDefinition pick_list_definition(const db::Catalog& catalog, const std::string& table,
                                          const std::string& columns, const std::string& headings,
                                          const std::string& return_column, const std::string& where) {
  std::string table_name = text::lower(text::trim(table));
  if (table_name.empty()) throw std::invalid_argument("pick list: no table given");
  if (!catalog.has_table(table_name))
    throw std::invalid_argument("pick list: table " + table_name + " is not in the database");

  std::vector<std::string> names = text::split_list(columns);
  if (names.empty()) throw std::invalid_argument("pick list: no columns given for " + table_name);
  std::vector<std::string> shown_headings = pair_headings(names, text::split_list(headings));

  grid::GridDefinition def;
  def.name = "d_pick_list_" + table_name;
  std::set<std::string> seen;
  auto add_column = [&](const std::string& name, const std::string& heading, bool visible) {
    const db::ColumnInfo* info = catalog.find(table_name, name);
    if (!info)
      throw std::invalid_argument(
          fmt::format("pick list: table {} has no column {}", table_name, name.empty() ? "\"\"" : name));
    if (!seen.insert(info->name).second)
      throw std::invalid_argument(fmt::format("pick list: column {} is listed twice", info->name));
    grid::ColumnDef c = column_from_catalog(*info, heading);
    c.visible = visible;
    def.columns.push_back(std::move(c));
  };
  for (size_t i = 0; i < names.size(); ++i) add_column(names[i], shown_headings[i], true);

  std::string ret = text::lower(text::trim(return_column));
  if (!catalog.find(table_name, ret))
    throw std::invalid_argument(
        fmt::format("pick list: table {} has no column {}", table_name, ret.empty() ? "\"\"" : ret));
  if (!seen.count(ret)) add_column(ret, ret, false);

  // Only catalog names reach the statement; the where clause is the caller's code.
  std::string select;
  for (const auto& c : def.columns) select += (select.empty() ? "" : ", ") + c.name;
  def.statement = "SELECT " + select + " FROM " + table_name;
  if (!text::trim(where).empty()) def.statement += " WHERE " + where;
  def.readonly_default = true;
  return def;
}

std::string search_filter(const grid::GridDefinition& def, const std::string& text) {
  std::string needle(text::trim(text));
  if (needle.empty()) return {};
  bool fold = has_ascii_letter(needle);
  std::string literal = grid::escape_literal(fold ? text::upper(needle) : needle);
  std::string out;
  for (const auto& c : def.columns) {
    if (!c.visible) continue;
    std::string value = searched_text(c);
    if (fold) value = "upper(" + value + ")";
    out += (out.empty() ? "" : " or ") + fmt::format("pos({}, '{}') > 0", value, literal);
  }
  return out;
}

PickListWindow::PickListWindow(ui::Session& session, PickRequest request)
    : Window(session, kPickListClass, ui::WindowType::Response), request_(std::move(request)) {
  title = request_.title;
  width = 2400;
  height = 1600;
  st_1.place(40, 40, 160, 72);
  sle_1.place(210, 32, 1300, 88);
  dw_1.place(40, 150, 2300, 1250);
  cb_1.place(1640, 1440, 320, 100);
  cb_2.place(2000, 1440, 320, 100);

  sle_1.ue_press = [this](ui::Key key) {
    if (key == ui::Key::Escape)
      cancel();
    else if (key == ui::Key::Enter)
      enter_in_search_field();
  };
  dw_1.doubleclicked = [this](long row) {
    if (row > 0) choose_row(row);
    return 0L;
  };
  dw_1.rownotmove = [this] {
    choose_row(dw_1.grid.getrow());
    return 0L;
  };
  cb_1.clicked = [this] { choose_row(dw_1.grid.getrow()); };
  cb_2.clicked = [this] { cancel(); };
}

void PickListWindow::open() {
  sle_1.setfocus();
  grid::Grid& g = dw_1.grid;
  g.set_definition(request_.definition);
  g.settransobject(session().sqlca);
  if (g.retrieve() < 0) {
    session().messagebox(session().globals().gs_tsxx, "读取列表失败：" + session().sqlca.sqlerrtext,
                         ui::Icon::StopSign);
    cancel();
    return;
  }
  g.set_readonly(true);
  if (!request_.sort.empty() && g.setsort(request_.sort) == 1) g.sort();
  if (!text::trim(request_.search).empty()) {
    sle_1.text = request_.search;
    search(request_.search);
  }
}

void PickListWindow::search(const std::string& text) {
  grid::Grid& g = dw_1.grid;
  std::string needle(text::trim(text));
  if (g.setfilter(search_filter(g.definition(), needle)) != 1)
    throw std::logic_error("pick list search: " + g.last_error());
  g.filter();
  search_in_force_ = needle;
}

void PickListWindow::enter_in_search_field() {
  grid::Grid& g = dw_1.grid;
  std::string typed(text::trim(sle_1.text));
  bool again = typed == search_in_force_;
  if (!again) search(typed);
  long n = g.rowcount();
  if (n == 0) return;
  if (!typed.empty()) {
    const grid::ColumnDef& ret = g.definition().columns[g.column_index(request_.return_column)];
    long exact = g.find(
        fmt::format("upper({}) = '{}'", searched_text(ret), grid::escape_literal(text::upper(typed))), 1, n);
    if (exact > 0) return choose_row(exact);
  }
  if (n == 1) return choose_row(1);
  if (again && g.getrow() > 0) choose_row(g.getrow());
}

void PickListWindow::choose_row(long row) {
  grid::Grid& g = dw_1.grid;
  if (row < 1 || row > g.rowcount()) return;
  finish(g.getitemstring(row, request_.return_column).value_or(""));
}

void PickListWindow::cancel() { finish({}); }

void PickListWindow::finish(std::string value) {
  *request_.answer = value;
  session().windows().closewithreturn(*this, std::move(value));
}

std::string PickListWindow::pick(const std::string& value) {
  if (value.empty()) {
    cancel();
    return {};
  }
  grid::Grid& g = dw_1.grid;
  for (long r = 1; r <= g.rowcount(); ++r)
    if (g.getitemstring(r, request_.return_column) == value) {
      g.scrolltorow(r);
      choose_row(r);
      return {};
    }
  for (long r = 1; r <= g.filteredcount(); ++r)
    if (g.getitemstring(r, request_.return_column, grid::Buffer::Filter) == value) {
      finish(value);
      return {};
    }
  return fmt::format("the pick list has no row with {} = {}", request_.return_column, value);
}

PickListWindow* open_pick_list(ui::Session& session) {
  return dynamic_cast<PickListWindow*>(session.windows().blocking());
}

}  // namespace sparestock::lib
