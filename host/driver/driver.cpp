#include "host/driver/driver.h"

#include <fmt/format.h>

#include "host/db/clock.h"
#include "host/grid/display_format.h"
#include "host/lib/host_library.h"
#include "host/lib/pick_list.h"
#include "host/ui/grid_control.h"

namespace sparestock::driver {

using nlohmann::json;
using ui::RequestError;

namespace {

std::string string_field(const json& r, const char* name) {
  auto it = r.find(name);
  if (it == r.end() || !it->is_string()) throw RequestError(fmt::format("field \"{}\" (a string) is missing", name));
  return it->get<std::string>();
}

std::optional<db::DateTime> date_field(const json& value, const std::string& name) {
  if (value.is_null()) return std::nullopt;
  if (!value.is_string()) throw RequestError("global " + name + " must be an ISO date text");
  auto dt = db::DateTime::parse(value.get<std::string>());
  if (!dt) throw RequestError("global " + name + " is not a date: " + value.get<std::string>());
  return dt;
}

// Sets host globals from a JSON object; unknown names are refused before anything is set.
void apply_globals(ui::Globals& g, const json& globals) {
  if (!globals.is_object()) throw RequestError("\"globals\" must be an object");
  ui::Globals next = g;
  for (auto& [name, value] : globals.items()) {
    auto text = [&](std::string& field) {
      if (!value.is_string()) throw RequestError("global " + name + " must be a string");
      field = value.get<std::string>();
    };
    if (name == "gs_yhssgsh") text(next.gs_yhssgsh);
    else if (name == "gs_yhdm") text(next.gs_yhdm);
    else if (name == "gs_yhmc") text(next.gs_yhmc);
    else if (name == "gs_tsxx") text(next.gs_tsxx);
    else if (name == "gs_title") text(next.gs_title);
    else if (name == "gs_dq") text(next.gs_dq);
    else if (name == "gs_dqn") text(next.gs_dqn);
    else if (name == "gs_dqy") text(next.gs_dqy);
    else if (name == "gs_kjn") text(next.gs_kjn);
    else if (name == "gs_kjy") text(next.gs_kjy);
    else if (name == "gd_qsrq") next.gd_qsrq = date_field(value, name);
    else if (name == "gd_jzrq") next.gd_jzrq = date_field(value, name);
    else if (name == "gd_xtrq") next.gd_xtrq = date_field(value, name);
    else if (name == "gd_zxrq") next.gd_zxrq = date_field(value, name);
    else if (name == "gi_pzh") {
      if (!value.is_number_integer()) throw RequestError("global gi_pzh must be a whole number");
      next.gi_pzh = value.get<long>();
    } else
      throw RequestError("unknown global: " + name);
  }
  g = next;
}

ui::GridControl& grid_of(ui::Window& w, const json& request) {
  auto& c = control_of(w, request);
  if (c.kind() != ui::ControlKind::Grid) throw RequestError("control " + c.name() + " is no grid");
  return static_cast<ui::GridControl&>(c);
}

long long_field(const json& r, const char* name) {
  auto it = r.find(name);
  if (it == r.end() || !it->is_number_integer())
    throw RequestError(fmt::format("field \"{}\" (a whole number) is missing", name));
  return it->get<long>();
}

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

// Rows of a grid as shown, one object per row keyed by column name.
json rows_json(grid::Grid& g, long from, long count, const json& columns) {
  std::vector<std::string> names;
  if (columns.is_array()) {
    for (const auto& c : columns) {
      if (!c.is_string()) throw RequestError("\"columns\" must list column names");
      if (g.column_index(c.get<std::string>()) < 0) throw RequestError("the grid has no column " + c.get<std::string>());
      names.push_back(c.get<std::string>());
    }
  } else {
    for (const auto& c : g.definition().columns) names.push_back(c.name);
  }
  if (from < 1) throw RequestError("\"from\" starts at row 1");
  if (count < 0) throw RequestError("\"count\" cannot be negative");
  json rows = json::array();
  for (long r = from; r < from + count && r <= g.rowcount(); ++r) {
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
  for (long r = from; r < from + count && r <= g.rowcount(); ++r) {
    json row = json::object();
    for (const auto& item : items) {
      db::Value v = g.getitem(r, item.name).value_or(db::Value());
      row[item.name] = item.column ? grid::column_display(*item.column, v) : grid::format_display(v, item.format);
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

json message_json(const ui::MessageBoxRecord& m) {
  return {{"title", m.title},
          {"text", m.text},
          {"icon", ui::icon_name(m.icon)},
          {"buttons", ui::button_captions(m.buttons)}};
}

}  // namespace

ui::Window& window_of(ui::Session& s, const json& request) {
  auto it = request.find("window");
  if (it == request.end() || !(it->is_string() || it->is_number_integer()))
    throw RequestError("field \"window\" (a class name or an id) is missing");
  std::string key = it->is_string() ? it->get<std::string>() : std::to_string(it->get<int>());
  ui::Window* w = s.windows().find(key);
  if (!w) throw RequestError("no open window " + key);
  if (ui::Window* modal = s.windows().blocking(); modal && modal != w)
    throw RequestError(fmt::format("window {} is blocked by the modal window {}", w->class_name(),
                                   modal->class_name()));
  return *w;
}

// The window a request names, also one beneath a modal window.
static ui::Window& shown_window(ui::Session& s, const json& request) {
  auto it = request.find("window");
  if (it == request.end() || !(it->is_string() || it->is_number_integer()))
    throw RequestError("field \"window\" (a class name or an id) is missing");
  std::string key = it->is_string() ? it->get<std::string>() : std::to_string(it->get<int>());
  ui::Window* w = s.windows().find(key);
  if (!w) throw RequestError("no open window " + key);
  return *w;
}

ui::Control& control_of(ui::Window& w, const json& request) {
  std::string name = string_field(request, "control");
  ui::Control* c = w.find_control(name);
  if (!c) throw RequestError(fmt::format("window {} has no control {}", w.class_name(), name));
  if (!c->visible) throw RequestError(fmt::format("control {} is not visible", name));
  if (!c->enabled) throw RequestError(fmt::format("control {} is disabled", name));
  return *c;
}

Driver::Driver(std::string target)
    : target_(std::move(target)), session_(std::make_unique<ui::Session>()) {
  lib::register_host_library();
}

Driver::~Driver() { session_->shutdown(); }

std::string Driver::handle_line(const std::string& line) {
  json request;
  try {
    request = json::parse(line);
  } catch (const json::parse_error& e) {
    return json{{"ok", false}, {"error", std::string("malformed JSON: ") + e.what()}}.dump();
  }
  return handle(request).dump();
}

json Driver::handle(const json& request) {
  std::lock_guard lock(mutex_);
  try {
    if (!request.is_object()) throw RequestError("a request must be a JSON object");
    std::string op = string_field(request, "op");
    ui::Session& s = *session_;
    if (op == "state") return {{"ok", true}, {"state", state()}};

    std::function<void()> action;
    if (op == "host") {
      action = [&s, request, this] {
        ui::Globals g = s.globals();
        if (request.contains("globals")) apply_globals(g, request["globals"]);
        bool autoanswer = request.value("autoanswer", true);
        if (!s.sqlca.connected()) {
          if (s.sqlca.connect(target_) != 0) throw RequestError("cannot connect: " + s.sqlca.sqlerrtext);
          if (s.sqlls.connect(target_) != 0) throw RequestError("cannot connect: " + s.sqlls.sqlerrtext);
        }
        s.globals() = g;
        s.autoanswer = autoanswer;
      };
    } else if (op == "answer") {
      auto b = request.find("button");
      if (b == request.end() || !b->is_number_integer()) throw RequestError("field \"button\" (a number) is missing");
      int button = b->get<int>();
      action = [&s, button] { s.answer(button); };
    } else if (op == "rows") {
      json answer = {{"ok", true}};
      session_->read([&] {
        // Reading rows changes nothing, so it is answered under a modal window or a message box
        // too, and on a disabled grid: a front end still draws them.
        ui::Window& w = shown_window(s, request);
        std::string name = string_field(request, "control");
        ui::Control* c = w.find_control(name);
        if (!c) throw RequestError(fmt::format("window {} has no control {}", w.class_name(), name));
        if (c->kind() != ui::ControlKind::Grid) throw RequestError("control " + name + " is no grid");
        auto& g = static_cast<ui::GridControl&>(*c);
        long from = request.value("from", 1L), count = request.value("count", 100L);
        json columns = request.value("columns", json());
        if (request.value("display", false)) {
          // A front end draws the rows: their texts as shown (values are not needed then).
          if (from < 1) throw RequestError("\"from\" starts at row 1");
          if (count < 0) throw RequestError("\"count\" cannot be negative");
          if (!columns.is_null() && !columns.is_array()) throw RequestError("\"columns\" must list column names");
          for (const auto& c : columns.is_array() ? columns : json::array())
            if (!c.is_string()) throw RequestError("\"columns\" must list column names");
          answer["display"] = display_rows_json(g.grid, from, count, columns);
        } else {
          answer["rows"] = rows_json(g.grid, from, count, columns);
        }
        if (request.value("summary", false)) answer["summary"] = summary_json(g.grid);
        answer["rowcount"] = g.grid.rowcount();
      });
      answer["state"] = state();
      return answer;
    } else {
      if (s.pending()) throw RequestError("a message box is waiting for an answer");
      if (op == "open") {
        std::string cls = string_field(request, "window");
        bool with_parm = request.contains("parm");
        std::string parm = with_parm ? string_field(request, "parm") : "";
        if (!ui::find_window_class(cls)) throw RequestError("unknown window class: " + cls);
        if (ui::Window* modal = s.windows().blocking())
          throw RequestError("the modal window " + modal->class_name() + " is open");
        if (!s.sqlca.connected()) throw RequestError("log in first (op \"host\")");
        action = [&s, cls, parm, with_parm] { s.windows().open(cls, parm, with_parm); };
      } else if (op == "text") {
        action = [&s, request] {
          auto& c = control_of(window_of(s, request), request);
          if (c.kind() != ui::ControlKind::SingleLineEdit) throw RequestError("control " + c.name() + " takes no text");
          auto& sle = static_cast<ui::SingleLineEdit&>(c);
          if (!sle.type(string_field(request, "value")))
            throw RequestError(fmt::format("the field {} takes at most {} characters", sle.name(), sle.limit));
          sle.setfocus();
        };
      } else if (op == "key") {
        action = [&s, request] {
          auto& c = control_of(window_of(s, request), request);
          auto key = ui::key_from_name(string_field(request, "key"));
          if (!key) throw RequestError("unknown key: " + string_field(request, "key"));
          if (c.kind() != ui::ControlKind::SingleLineEdit) throw RequestError("control " + c.name() + " takes no keys");
          auto& sle = static_cast<ui::SingleLineEdit&>(c);
          sle.setfocus();
          if (sle.ue_press) sle.ue_press(*key);
          if (*key == ui::Key::Enter && sle.ue_enter && !sle.parent().closed()) sle.ue_enter();
        };
      } else if (op == "click") {
        action = [&s, request] {
          auto& c = control_of(window_of(s, request), request);
          if (c.kind() == ui::ControlKind::CommandButton || c.kind() == ui::ControlKind::PictureButton) {
            auto& b = static_cast<ui::CommandButton&>(c);
            if (b.clicked) b.clicked();
          } else if (c.kind() == ui::ControlKind::RadioButton) {
            static_cast<ui::RadioButton&>(c).click();
          } else {
            throw RequestError("control " + c.name() + " cannot be clicked");
          }
        };
      } else if (op == "select") {
        action = [&s, request] {
          auto& c = control_of(window_of(s, request), request);
          if (c.kind() != ui::ControlKind::DropDownListBox) throw RequestError("control " + c.name() + " is no drop-down list");
          std::string value = string_field(request, "value");
          if (!static_cast<ui::DropDownListBox&>(c).select(value))
            throw RequestError("the list " + c.name() + " has no item " + value);
        };
      } else if (op == "event") {
        action = [&s, request] {
          auto& w = window_of(s, request);
          std::string name = string_field(request, "name");
          if (!w.user_event(name)) throw RequestError("window " + w.class_name() + " has no event " + name);
        };
      } else if (op == "menu") {
        action = [&s, request] {
          auto& w = window_of(s, request);
          std::string item = string_field(request, "item");
          if (!w.menu) throw RequestError("window " + w.class_name() + " has no menu");
          std::string refused = w.menu->click(item);
          if (!refused.empty()) throw RequestError(refused);
        };
      } else if (op == "grid") {
        action = [&s, request] {
          auto& g = grid_of(window_of(s, request), request);
          std::string what = string_field(request, "action");
          std::string refused;
          if (what == "click" || what == "doubleclick")
            refused = g.user_click(request.value("row", 0L), request.value("band", std::string("detail")),
                                   what == "doubleclick");
          else if (what == "setrow")
            refused = g.user_setrow(long_field(request, "row"));
          else if (what == "key")
            refused = g.user_key(string_field(request, "key"));
          else
            refused = "unknown grid action: " + what;
          if (!refused.empty()) throw RequestError(refused);
        };
      } else if (op == "edit") {
        action = [&s, request] {
          auto& g = grid_of(window_of(s, request), request);
          std::string refused = g.user_edit(long_field(request, "row"), string_field(request, "column"),
                                            string_field(request, "value"));
          if (!refused.empty()) throw RequestError(refused);
        };
      } else if (op == "pick") {
        std::string value = string_field(request, "value");
        action = [&s, value] {
          lib::PickListWindow* list = lib::open_pick_list(s);
          if (!list) throw RequestError("no pick list is open");
          std::string refused = list->pick(value);
          if (!refused.empty()) throw RequestError(refused);
        };
      } else if (op == "close") {
        action = [&s, request] { s.windows().close(window_of(s, request)); };
      } else {
        throw RequestError("unknown op: " + op);
      }
    }
    s.post(action);
    return {{"ok", true}, {"state", state()}};
  } catch (const RequestError& e) {
    return {{"ok", false}, {"error", e.what()}};
  } catch (const std::exception& e) {
    return {{"ok", false}, {"error", std::string("internal error: ") + e.what()}};
  }
}

json Driver::state() {
  json out;
  session_->read([&] {
    ui::Session& s = *session_;
    json windows = json::array();
    for (ui::Window* w : s.windows().windows()) windows.push_back(w->state());
    auto reports = s.take_reports();
    json messages = json::array();
    for (const auto& m : reports.messages) messages.push_back(message_json(m));
    out = {{"frame", {{"title", s.frame_title}, {"microhelp", s.microhelp}}},
           {"windows", windows},
           {"pending", s.pending() ? message_json(*s.pending()) : json()},
           {"messages", messages},
           {"closed", reports.closed},
           {"printed", reports.printed}};
  });
  return out;
}

}  // namespace sparestock::driver
