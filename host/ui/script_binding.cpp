#include "host/ui/script_binding.h"

#include "host/grid/grid.h"
#include "host/ui/grid_control.h"
#include "host/ui/window.h"

namespace sparestock::ui {

namespace {

bool bind_grid_event(GridControl& g, std::string_view event, ScriptCall call) {
  auto row_event = [call](long row) {
    ScriptArgs a;
    a.row = row;
    return static_cast<long>(call(a));
  };
  auto column_event = [call](long row, const std::string& column, const std::string& data) {
    ScriptArgs a;
    a.row = row;
    a.column = column;
    a.data = data;
    return static_cast<long>(call(a));
  };
  if (event == "clicked") {
    g.clicked = row_event;
  } else if (event == "doubleclicked") {
    g.doubleclicked = row_event;
  } else if (event == "rowfocuschanged") {
    g.rowfocuschanged = row_event;
  } else if (event == "itemchanged") {
    g.itemchanged = column_event;
  } else if (event == "editchanged") {
    g.editchanged = column_event;
  } else if (event == "itemfocuschanged") {
    g.itemfocuschanged = [call](long row, const std::string& column) {
      ScriptArgs a;
      a.row = row;
      a.column = column;
      return static_cast<long>(call(a));
    };
  } else if (event == "rownotmove") {
    g.rownotmove = [call] {
      ScriptArgs a;
      return static_cast<long>(call(a));
    };
  } else if (event == "dberror") {
    g.dberror = [call](const grid::DbErrorEvent& e) {
      ScriptArgs a;
      a.dberror = &e;
      return static_cast<long>(call(a));
    };
  } else {
    return false;
  }
  return true;
}

}  // namespace

bool bind_control_event(Control& control, std::string_view event, ScriptCall call) {
  auto plain = [call] {
    ScriptArgs a;
    call(a);
  };
  switch (control.kind()) {
    case ControlKind::CommandButton:
    case ControlKind::PictureButton:
      if (event != "clicked") return false;
      static_cast<CommandButton&>(control).clicked = plain;
      return true;
    case ControlKind::RadioButton:
      if (event != "clicked") return false;
      static_cast<RadioButton&>(control).clicked = plain;
      return true;
    case ControlKind::SingleLineEdit: {
      auto& sle = static_cast<SingleLineEdit&>(control);
      if (event == "ue_enter") {
        sle.ue_enter = plain;
      } else if (event == "ue_press") {
        sle.ue_press = [call](Key key) {
          ScriptArgs a;
          a.key = static_cast<int>(key);
          call(a);
        };
      } else {
        return false;
      }
      return true;
    }
    case ControlKind::DropDownListBox:
      if (event != "selectionchanged") return false;
      static_cast<DropDownListBox&>(control).selectionchanged = [call](int index) {
        ScriptArgs a;
        a.index = index;
        call(a);
      };
      return true;
    case ControlKind::Grid:
      return bind_grid_event(static_cast<GridControl&>(control), event, std::move(call));
    case ControlKind::StaticText:
    case ControlKind::GroupBox:
    case ControlKind::Picture: return false;
  }
  return false;
}

bool bind_window_event(Window& window, std::string_view event, ScriptCall call) {
  if (event == "open" || event == "close" || event == "closequery") {
    window.bind_event(std::string(event), [call] {
      ScriptArgs a;
      return static_cast<long>(call(a));
    });
    return true;
  }
  if (event.starts_with("ue_")) {
    window.on_user_event(std::string(event), [call] {
      ScriptArgs a;
      call(a);
    });
    return true;
  }
  return false;
}

}  // namespace sparestock::ui
