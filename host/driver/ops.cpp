#include "host/driver/ops.h"

#include <algorithm>

#include "host/grid/display_format.h"
#include "host/lib/pick_list.h"
#include "host/ui/grid_control.h"

namespace sparestock::driver {

using nlohmann::json;
using ui::ControlKind;
using ui::RequestError;

namespace {

// ---- Host globals ----

std::optional<db::DateTime> date_global(const json& value, const std::string& name) {
  if (value.is_null()) return std::nullopt;
  if (!value.is_string()) throw RequestError("global " + name + " must be an ISO date text");
  auto dt = db::DateTime::parse(value.get<std::string>());
  if (!dt) throw RequestError("global " + name + " is not a date: " + value.get<std::string>());
  return dt;
}

// Sets host globals from a JSON object; unknown names are refused before anything is set.
void apply_globals(ui::Globals& g, const json& globals) {
  ui::Globals next = g;
  for (auto& [name, value] : globals.items()) {
    auto text = [&](std::string& field) {
      if (!value.is_string()) throw RequestError("global " + name + " must be a string");
      field = value.get<std::string>();
    };
    if (name == "gs_yhssgsh")
      text(next.gs_yhssgsh);
    else if (name == "gs_yhdm")
      text(next.gs_yhdm);
    else if (name == "gs_yhmc")
      text(next.gs_yhmc);
    else if (name == "gs_tsxx")
      text(next.gs_tsxx);
    else if (name == "gs_title")
      text(next.gs_title);
    else if (name == "gs_dq")
      text(next.gs_dq);
    else if (name == "gs_dqn")
      text(next.gs_dqn);
    else if (name == "gs_dqy")
      text(next.gs_dqy);
    else if (name == "gs_kjn")
      text(next.gs_kjn);
    else if (name == "gs_kjy")
      text(next.gs_kjy);
    else if (name == "gd_qsrq")
      next.gd_qsrq = date_global(value, name);
    else if (name == "gd_jzrq")
      next.gd_jzrq = date_global(value, name);
    else if (name == "gd_xtrq")
      next.gd_xtrq = date_global(value, name);
    else if (name == "gd_zxrq")
      next.gd_zxrq = date_global(value, name);
    else if (name == "gi_pzh") {
      auto n = whole_number(value, INT32_MIN, INT32_MAX);
      if (!n) throw RequestError("global gi_pzh must be a whole number");
      next.gi_pzh = *n;
    } else
      throw RequestError("unknown global: " + name);
  }
  g = next;
}

// ---- Rows of a grid ----

json value_json(const db::Value& v) {
  switch (v.kind()) {
    case db::ValueKind::Null: return nullptr;
    case db::ValueKind::Integer: return v.integer();
    case db::ValueKind::Real: return v.real();
    case db::ValueKind::Decimal: return v.decimal().to_double();
    case db::ValueKind::Text: return v.text();
    case db::ValueKind::DateTime: return v.datetime().iso();
  }
  return nullptr;
}

// The last row of a window of `count` rows from `from` (both checked: from >= 1, count >= 0).
long last_row(const grid::Grid& g, long from, long count) { return std::min(g.rowcount(), from + count - 1); }

// Rows of a grid as shown, one object per row keyed by column name.
json rows_json(grid::Grid& g, long from, long count, const json& columns) {
  std::vector<std::string> names;
  if (columns.is_array()) {
    for (const auto& c : columns) {
      if (g.column_index(c.get<std::string>()) < 0)
        throw RequestError("the grid has no column " + c.get<std::string>());
      names.push_back(c.get<std::string>());
    }
  } else {
    for (const auto& c : g.definition().columns) names.push_back(c.name);
  }
  json rows = json::array();
  for (long r = from, last = last_row(g, from, count); r <= last; ++r) {
    json row = json::object();
    for (const auto& n : names) row[n] = value_json(g.getitem(r, n).value_or(db::Value()));
    rows.push_back(row);
  }
  return rows;
}

// The same rows as the grid shows them: per row the display text of each column (code table
// and display format applied) and of each computed field of the detail band. `columns` may name
// columns and computed fields; without it every visible column and every computed field.
json display_rows_json(grid::Grid& g, long from, long count, const json& columns) {
  const auto& def = g.definition();
  struct Item {
    std::string name;
    const grid::ColumnDef* column = nullptr;
    std::string format;  // computed fields
  };
  std::vector<Item> items;
  auto computed = [&](const std::string& name) -> const grid::ComputedDef* {
    for (const auto& c : def.computed)
      if (c.name == name) return &c;
    return nullptr;
  };
  if (columns.is_array()) {
    for (const auto& c : columns) {
      std::string name = c.get<std::string>();
      if (int i = g.column_index(name); i >= 0)
        items.push_back({name, &def.columns[static_cast<size_t>(i)], {}});
      else if (const auto* cd = computed(name))
        items.push_back({name, nullptr, cd->format});
      else
        throw RequestError("the grid has no column " + name);
    }
  } else {
    for (const auto& c : def.columns)
      if (c.visible) items.push_back({c.name, &c, {}});
    for (const auto& c : def.computed) items.push_back({c.name, nullptr, c.format});
  }
  json rows = json::array();
  for (long r = from, last = last_row(g, from, count); r <= last; ++r) {
    json row = json::object();
    for (const auto& item : items) {
      db::Value v = g.getitem(r, item.name).value_or(db::Value());
      row[item.name] = item.column ? grid::column_display(*item.column, v)
                                   : grid::format_display(v, item.format);
    }
    rows.push_back(row);
  }
  return rows;
}

// The summary band: each item's label and its value as the band shows it ("" for a plain text).
json summary_json(grid::Grid& g) {
  json out = json::array();
  for (const auto& b : g.definition().band_items) {
    if (b.band != grid::Band::Summary) continue;
    std::string text;
    if (!b.expression.empty())
      if (auto v = g.band_value(b.name)) text = grid::format_display(*v, b.format);
    out.push_back({{"name", b.name}, {"label", b.label}, {"text", text}});
  }
  return out;
}

// ---- Handlers ----

void refuse_unless_empty(const std::string& refused, const std::string& user_text = {}) {
  if (!refused.empty()) throw RequestError(refused, user_text);
}

// Logs in (the first time) and sets host globals.
void op_host(Call& c) {
  ui::Session& s = c.session;
  ui::Globals g = s.globals();
  if (c.fields.has("globals")) apply_globals(g, c.fields.raw("globals"));
  bool autoanswer = c.fields.flag_or("autoanswer", true);
  if (!s.sqlca.connected()) {
    if (s.sqlca.connect(c.database) != 0) throw RequestError("cannot connect: " + s.sqlca.sqlerrtext);
    if (s.sqlls.connect(c.database) != 0) throw RequestError("cannot connect: " + s.sqlls.sqlerrtext);
  }
  s.globals() = g;
  s.autoanswer = autoanswer;
}

void op_open(Call& c) {
  ui::Session& s = c.session;
  std::string cls = c.fields.text("window");
  if (!ui::find_window_class(cls)) throw RequestError("unknown window class: " + cls);
  if (ui::Window* modal = s.windows().blocking())
    throw RequestError("the modal window " + modal->class_name() + " is open", finish_modal_first(*modal));
  if (!s.sqlca.connected()) throw RequestError("log in first (op \"host\")");
  // The launcher opens without a parameter; an open with one is an opener's, for its own use.
  if (c.fields.has("parm"))
    s.windows().open(cls, c.fields.text("parm"), true);
  else
    s.windows().open_sheet(cls);
}

void op_activate(Call& c) { c.session.windows().bring_to_front(*c.window); }

void op_text(Call& c) {
  auto& sle = c.control_as<ui::SingleLineEdit>();
  if (!sle.type(c.fields.text("value")))
    throw RequestError(fmt::format("the field {} takes at most {} characters", sle.name(), sle.limit),
                       fmt::format("此处最多输入 {} 个字符", sle.limit));
  sle.setfocus();
}

void op_key(Call& c) {
  auto& sle = c.control_as<ui::SingleLineEdit>();
  std::string name = c.fields.text("key");
  auto key = ui::key_from_name(name);
  if (!key) throw RequestError("unknown key: " + name);
  sle.setfocus();
  if (sle.ue_press) sle.ue_press(*key);
  if (*key == ui::Key::Enter && sle.ue_enter && !sle.parent().closed()) sle.ue_enter();
}

// A click gives the clicked control the focus before its handler runs (which may move it on), and
// so does a choice in a list, as the pointer does in a desktop window.
void op_click(Call& c) {
  c.control->setfocus();
  if (c.control->kind() == ControlKind::RadioButton) {
    c.control_as<ui::RadioButton>().click();
    return;
  }
  auto& button = c.control_as<ui::CommandButton>();
  if (button.clicked) button.clicked();
}

void op_select(Call& c) {
  auto& list = c.control_as<ui::DropDownListBox>();
  std::string value = c.fields.text("value");
  if (std::find(list.items.begin(), list.items.end(), value) == list.items.end())
    throw RequestError("the list " + list.name() + " has no item " + value);
  list.setfocus();
  list.select(value);
}

void op_event(Call& c) {
  std::string name = c.fields.text("name");
  if (!c.window->user_event(name))
    throw RequestError("window " + c.window->class_name() + " has no event " + name);
}

void op_menu(Call& c) {
  std::string item = c.fields.text("item");
  if (!c.window->menu) throw RequestError("window " + c.window->class_name() + " has no menu");
  refuse_unless_empty(c.window->menu->click(item), "该命令现在不能使用");
}

void op_grid(Call& c) {
  auto& g = c.control_as<ui::GridControl>();
  std::string action = c.fields.text("action");
  if (action == "click" || action == "doubleclick")
    refuse_unless_empty(g.user_click(c.fields.whole_or("row", 0), c.fields.text_or("band", "detail"),
                                     action == "doubleclick"));
  else if (action == "setrow")
    refuse_unless_empty(g.user_setrow(c.fields.whole("row")));
  else if (action == "key")
    refuse_unless_empty(g.user_key(c.fields.text("key")));
  else
    throw RequestError("unknown grid action: " + action);
}

void op_edit(Call& c) {
  auto& g = c.control_as<ui::GridControl>();
  refuse_unless_empty(g.user_edit(c.fields.whole("row"), c.fields.text("column"), c.fields.text("value")),
                      "此处不能修改");
}

// Reading rows changes nothing, so it is answered beneath a modal window or a message box too,
// and on a disabled grid: a front end still draws them.
void op_rows(Call& c) {
  grid::Grid& g = c.control_as<ui::GridControl>().grid;
  json& answer = *c.answer;
  long from = c.fields.whole_or("from", 1), count = c.fields.whole_or("count", 100);
  const json& columns = c.fields.raw("columns");
  // A front end draws the rows: their texts as shown (values are not needed then).
  if (c.fields.flag_or("display", false))
    answer["display"] = display_rows_json(g, from, count, columns);
  else
    answer["rows"] = rows_json(g, from, count, columns);
  if (c.fields.flag_or("summary", false)) answer["summary"] = summary_json(g);
  answer["rowcount"] = g.rowcount();
}

void op_close(Call& c) { c.session.windows().close(*c.window); }

void op_pick(Call& c) {
  lib::PickListWindow* list = lib::open_pick_list(c.session);
  if (!list) throw RequestError("no pick list is open");
  refuse_unless_empty(list->pick(c.fields.text("value")));
}

void op_answer(Call& c) { c.session.answer(static_cast<int>(c.fields.whole("button"))); }

void op_state(Call&) {}

// Fields most ops share.
constexpr FieldDecl kWindow{"window", FieldType::WindowRef, true};
constexpr FieldDecl kControl{"control", FieldType::Text, true};

constexpr FieldDecl text(std::string_view name, bool required = true) {
  return {name, FieldType::Text, required};
}

}  // namespace

const std::vector<OpSpec>& all_ops() {
  using enum OpMode;
  using enum OpTarget;
  using enum FieldType;
  static const std::vector<OpSpec> ops{
      {"host", {{"globals", Object}, {"autoanswer", Flag}}, WhilePending, None, {}, op_host},
      {"open", {text("window"), text("parm", false)}, Act, None, {}, op_open},
      {"text", {kWindow, kControl, text("value")}, Act, Control, {ControlKind::SingleLineEdit}, op_text},
      {"key", {kWindow, kControl, text("key")}, Act, Control, {ControlKind::SingleLineEdit}, op_key},
      {"click",
       {kWindow, kControl},
       Act,
       Control,
       {ControlKind::CommandButton, ControlKind::PictureButton, ControlKind::RadioButton},
       op_click},
      {"select", {kWindow, kControl, text("value")}, Act, Control, {ControlKind::DropDownListBox}, op_select},
      {"event", {kWindow, text("name")}, Act, Window, {}, op_event},
      {"menu", {kWindow, text("item")}, Act, Window, {}, op_menu},
      {"grid",
       {kWindow,
        kControl,
        text("action"),
        {"row", WholeNumber, false, 0},
        text("band", false),
        text("key", false)},
       Act,
       Control,
       {ControlKind::Grid},
       op_grid},
      {"edit",
       {kWindow, kControl, {"row", WholeNumber, true, 1}, text("column"), text("value")},
       Act,
       Control,
       {ControlKind::Grid},
       op_edit},
      {"rows",
       {kWindow,
        kControl,
        {"from", WholeNumber, false, 1},
        {"count", WholeNumber, false, 0},
        {"columns", NameList},
        {"display", Flag},
        {"summary", Flag}},
       Read,
       Control,
       {ControlKind::Grid},
       op_rows},
      {"close", {kWindow}, Act, Window, {}, op_close},
      {"activate", {kWindow}, Act, Window, {}, op_activate},
      {"pick", {text("value")}, Act, None, {}, op_pick},
      {"answer", {{"button", WholeNumber, true, 1}}, WhilePending, None, {}, op_answer},
      {"state", {}, Read, None, {}, op_state},
  };
  return ops;
}

const OpSpec* find_op(std::string_view name) {
  for (const OpSpec& op : all_ops())
    if (op.name == name) return &op;
  return nullptr;
}

std::string finish_modal_first(const ui::Window& modal) {
  return modal.title.empty() ? "请先完成或关闭对话框" : "请先完成或关闭“" + modal.title + "”";
}

std::string wrong_kind_message(const ui::Control& control, const OpSpec& op) {
  std::string kinds;
  for (size_t i = 0; i < op.kinds.size(); ++i) {
    if (i) kinds += i + 1 == op.kinds.size() ? " or " : ", ";
    kinds += ui::control_kind_name(op.kinds[i]);
  }
  return fmt::format("control {} is a {}; op {} needs a {}", control.name(),
                     ui::control_kind_name(control.kind()), op.name, kinds);
}

}  // namespace sparestock::driver
