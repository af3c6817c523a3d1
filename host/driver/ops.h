#pragma once
// The protocol's ops: one entry per op with the fields it takes, when it may run, what it acts
// on and its handler. The driver looks the op up, checks its fields, finds the window and the
// control it names (refusing a control of a kind the op does not take) and then runs the
// handler; a handler only does what the user did.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "host/driver/request_fields.h"
#include "host/ui/controls.h"
#include "host/ui/session.h"
#include "host/ui/window.h"

namespace sparestock::driver {

// When an op may run.
enum class OpMode {
  Read,          // reads only: also beneath a modal window or a waiting message box
  Act,           // what a user does: refused while a message box waits for an answer
  WhilePending,  // also while a message box waits (answering it, setting host globals)
};

// What the op acts on, found before its handler runs.
enum class OpTarget {
  None,
  Window,   // the field "window": an open window, not blocked by a modal one (for Read: any)
  Control,  // the window and its field "control", of one of the op's kinds; for Act ops also
            // visible and enabled
};

struct OpSpec;

// One request under way: its checked fields, the session, and the window and control it names.
struct Call {
  const OpSpec& op;
  const Fields& fields;
  ui::Session& session;
  const std::string& database;  // the target the first `host` connects to
  ui::Window* window = nullptr;
  ui::Control* control = nullptr;
  nlohmann::json* answer = nullptr;  // Read ops add their results here

  // The control as the class its kind stands for. A control whose object is not of that class
  // is refused like a control of the wrong kind, never cast blindly.
  template <class T>
  T& control_as() const;
};

using OpHandler = void (*)(Call&);

struct OpSpec {
  std::string_view name;
  std::vector<FieldDecl> fields;
  OpMode mode = OpMode::Act;
  OpTarget target = OpTarget::None;
  std::vector<ui::ControlKind> kinds;  // for OpTarget::Control: the kinds the op takes
  OpHandler handler = nullptr;
};

// The op of that name; nullptr when there is none.
const OpSpec* find_op(std::string_view name);
// Every op, in the order the protocol documents them.
const std::vector<OpSpec>& all_ops();

// What the user reads when a modal window must be finished first: "请先完成或关闭“条件查询”".
std::string finish_modal_first(const ui::Window& modal);
// "control st_1 is a statictext; op text needs a singlelineedit".
std::string wrong_kind_message(const ui::Control& control, const OpSpec& op);

template <class T>
T& Call::control_as() const {
  if (!control) throw std::logic_error(fmt::format("op {} names no control", op.name));
  if (auto* c = dynamic_cast<T*>(control)) return *c;
  throw ui::RequestError(fmt::format("control {} ({}) cannot take op {}", control->name(),
                                     ui::control_kind_name(control->kind()), op.name));
}

}  // namespace sparestock::driver
