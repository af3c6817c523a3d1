#pragma once
// Binding of a module's compiled scripts to the events of a built object: the runtime calls a
// script through `call` with the event's arguments packed into ScriptArgs.

#include <functional>
#include <string_view>

#include "host/ui/controls.h"
#include "host/ui/entry_points.h"

namespace sparestock::ui {

using ScriptCall = std::function<intptr_t(ScriptArgs&)>;

// Makes `call` the handler of the control's event. false when a control of that kind has no
// such event (the script does not fit the object as built).
bool bind_control_event(Control& control, std::string_view event, ScriptCall call);

// Makes `call` the handler of a window event: open, close, closequery, or a user event
// ("ue_query"). false for any other name.
bool bind_window_event(Window& window, std::string_view event, ScriptCall call);

}  // namespace sparestock::ui
