#include "host/driver/driver.h"

#include <fmt/format.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "host/driver/ops.h"
#include "host/lib/host_library.h"
#include "host/lib/pdf_print.h"

namespace sparestock::driver {

using nlohmann::json;
using ui::RequestError;

namespace {

constexpr const char* kNotNow = "此项现在不能使用";
// What the user reads for a refusal that brought no text of its own.
constexpr const char* kRefused = "操作未完成";

std::string string_field(const json& r, const char* name) {
  auto it = r.find(name);
  if (it == r.end() || !it->is_string())
    throw RequestError(fmt::format("field \"{}\" (a string) is missing", name));
  return it->get<std::string>();
}

json message_json(const ui::MessageBoxRecord& m) {
  return {{"title", m.title},
          {"text", m.text},
          {"icon", ui::icon_name(m.icon)},
          {"buttons", ui::button_captions(m.buttons)}};
}

}  // namespace

ui::Window& window_of(ui::Session& s, const json& request) {
  ui::Window& w = shown_window(s, request);
  if (ui::Window* modal = s.windows().blocking(); modal && modal != &w)
    throw RequestError(
        fmt::format("window {} is blocked by the modal window {}", w.class_name(), modal->class_name()),
        finish_modal_first(*modal));
  return w;
}

ui::Window& shown_window(ui::Session& s, const json& request) {
  static const std::vector<FieldDecl> kWindowField{{"window", FieldType::WindowRef, true}};
  std::string key = Fields(kWindowField, request).window();
  ui::Window* w = s.windows().find(key);
  if (!w) throw RequestError("no open window " + key, "窗口已关闭");
  return *w;
}

ui::Control& control_of(ui::Window& w, const json& request) {
  ui::Control& c = shown_control(w, request);
  if (!c.visible) throw RequestError(fmt::format("control {} is not visible", c.name()), kNotNow);
  if (!c.enabled) throw RequestError(fmt::format("control {} is disabled", c.name()), kNotNow);
  return c;
}

ui::Control& shown_control(ui::Window& w, const json& request) {
  std::string name = string_field(request, "control");
  ui::Control* c = w.find_control(name);
  if (!c) throw RequestError(fmt::format("window {} has no control {}", w.class_name(), name));
  return *c;
}

namespace {

// Finds what the op acts on and runs its handler. Runs on the session thread (or, for Read
// ops, while that thread waits for the user).
void run_op(const OpSpec& op, const json& request, ui::Session& s, const std::string& database, json* answer) {
  Fields fields(op.fields, request);
  Call call{op, fields, s, database};
  call.answer = answer;
  bool read = op.mode == OpMode::Read;
  if (op.target != OpTarget::None) call.window = read ? &shown_window(s, request) : &window_of(s, request);
  if (op.target == OpTarget::Control) {
    call.control = read ? &shown_control(*call.window, request) : &control_of(*call.window, request);
    if (std::find(op.kinds.begin(), op.kinds.end(), call.control->kind()) == op.kinds.end())
      throw RequestError(wrong_kind_message(*call.control, op));
  }
  op.handler(call);
}

}  // namespace

Driver::Driver(std::string target) : target_(std::move(target)), session_(std::make_unique<ui::Session>()) {
  lib::register_host_library();
  // Each session prints into a folder of its own, under SPARESTOCK_PRINT_DIR or the temporary
  // folder; the folder goes with the session.
  static std::atomic<long> sessions{0};
  const char* base = std::getenv("SPARESTOCK_PRINT_DIR");
  print_directory_ = (base && *base ? std::filesystem::path(base) : std::filesystem::temp_directory_path()) /
                     ("sparestock-print-" + std::to_string(getpid()) + "-" + std::to_string(++sessions));
  lib::install_pdf_printer(*session_, print_directory_.string());
}

Driver::~Driver() {
  session_->shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(print_directory_, ignored);
}

std::string Driver::handle_line(const std::string& line) {
  // The parser's message quotes the bytes it stopped at, which may be no valid UTF-8; the
  // answer replaces such bytes rather than failing to be written.
  auto dump = [](const json& answer) { return answer.dump(-1, ' ', false, json::error_handler_t::replace); };
  json request;
  try {
    request = json::parse(line);
  } catch (const json::exception& e) {
    // A syntax error, or a number too large for a double (out_of_range, not a parse_error).
    return dump({{"ok", false}, {"error", std::string("malformed JSON: ") + e.what()}});
  }
  return dump(handle(request));
}

json Driver::handle(const json& request) {
  std::lock_guard lock(mutex_);
  try {
    if (!request.is_object()) throw RequestError("a request must be a JSON object");
    std::string name = string_field(request, "op");
    const OpSpec* op = find_op(name);
    if (!op) throw RequestError("unknown op: " + name);
    // Every field is checked before anything runs, so a malformed request changes nothing.
    check_fields(op->fields, request);
    ui::Session& s = *session_;
    json answer = {{"ok", true}};
    if (op->mode == OpMode::Read) {
      s.read([&] { run_op(*op, request, s, target_, &answer); });
    } else {
      if (op->mode == OpMode::Act && s.pending())
        throw RequestError("a message box is waiting for an answer", "请先回答提示框");
      if (max_windows_ > 0 && op->name == "open") {
        size_t open_windows = 0;
        s.read([&] { open_windows = s.windows().windows().size(); });
        if (open_windows >= max_windows_) {
          std::string refused = fmt::format("打开的窗口已达上限 ({} 个)，请先关闭不用的窗口", max_windows_);
          throw RequestError(refused, refused);
        }
      }
      // A handler may be suspended by a message box or a modal window and go on after this
      // request has been answered: the action owns a copy of the request.
      s.post([op, request, &s, database = target_] { run_op(*op, request, s, database, nullptr); });
    }
    answer["state"] = state();
    return answer;
  } catch (const RequestError& e) {
    return {{"ok", false}, {"error", e.what()}, {"message", e.user_text().empty() ? kRefused : e.user_text()}};
  } catch (const std::exception&) {
    // A fault of the program, not of the request: its text means nothing to a front end.
    return {{"ok", false}, {"error", "internal error"}, {"message", kRefused}};
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
    ui::Window* active = s.windows().active();
    out = {{"frame", {{"title", s.frame_title}, {"microhelp", s.microhelp}}},
           {"windows", windows},
           {"active", active ? json(active->id()) : json()},
           {"pending", s.pending() ? message_json(*s.pending()) : json()},
           {"messages", messages},
           {"closed", reports.closed},
           {"printed", reports.printed},
           {"saved", reports.saved}};
  });
  return out;
}

}  // namespace sparestock::driver
