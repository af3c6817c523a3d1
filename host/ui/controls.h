#pragma once
// Controls of a window. Each control is a member of its window's class, named as the form
// names it (`cb_1`, `sle_1`), and registers itself with the window on construction. Events are
// std::function members that the form sets in its constructor; a descendant form that extends
// an ancestor's handler wraps the previous function and calls it first.

#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace sparestock::ui {

class Window;

enum class ControlKind {
  CommandButton,
  PictureButton,
  SingleLineEdit,
  StaticText,
  RadioButton,
  GroupBox,
  DropDownListBox,
  Grid,
  Picture,
};
std::string_view control_kind_name(ControlKind kind);

// Keys a front end can press in a control.
enum class Key { Enter, Escape, F1, F9, Tab, Up, Down, PageUp, PageDown, Home, End, Other };
std::optional<Key> key_from_name(std::string_view name);
std::string_view key_name(Key key);

class Control {
 public:
  Control(Window& parent, std::string name, ControlKind kind, std::string text = {});
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  Window& parent() const { return parent_; }
  const std::string& name() const { return name_; }
  ControlKind kind() const { return kind_; }

  std::string text;
  bool visible = true;
  bool enabled = true;
  int x = 0, y = 0, width = 0, height = 0;
  // The group box or user object that frames this control (radio buttons are exclusive within
  // it); nullptr: the window itself.
  Control* group = nullptr;

  void place(int x_, int y_, int w, int h) {
    x = x_;
    y = y_;
    width = w;
    height = h;
  }
  void setfocus();
  virtual nlohmann::json state() const;

 private:
  Window& parent_;
  std::string name_;
  ControlKind kind_;
};

class CommandButton : public Control {
 public:
  CommandButton(Window& parent, std::string name, std::string caption,
                ControlKind kind = ControlKind::CommandButton)
      : Control(parent, std::move(name), kind, std::move(caption)) {}
  std::string picture;  // picture buttons
  std::function<void()> clicked;
  // The accelerator letter of a caption "按备件号(&1)" ('1'), or 0.
  char accelerator() const;
  nlohmann::json state() const override;
};

class StaticText : public Control {
 public:
  StaticText(Window& parent, std::string name, std::string text)
      : Control(parent, std::move(name), ControlKind::StaticText, std::move(text)) {}
};

class GroupBox : public Control {
 public:
  GroupBox(Window& parent, std::string name, std::string text)
      : Control(parent, std::move(name), ControlKind::GroupBox, std::move(text)) {}
};

class SingleLineEdit : public Control {
 public:
  SingleLineEdit(Window& parent, std::string name, int limit = 0, bool uppercase = false)
      : Control(parent, std::move(name), ControlKind::SingleLineEdit), limit(limit), uppercase(uppercase) {}
  int limit;       // characters; 0 = no limit
  bool uppercase;  // the field turns what is typed into upper case
  // Key-down of the field (raised for every key the user presses), then Enter as ue_enter.
  std::function<void(Key)> ue_press;
  std::function<void()> ue_enter;
  // What the user types replaces the text. A text longer than the limit is refused (the field
  // takes no more characters); returns false then and changes nothing.
  bool type(const std::string& value);
  nlohmann::json state() const override;
};

class RadioButton : public Control {
 public:
  RadioButton(Window& parent, std::string name, std::string caption, bool checked = false)
      : Control(parent, std::move(name), ControlKind::RadioButton, std::move(caption)), checked(checked) {}
  bool checked;
  std::function<void()> clicked;
  // Checks this button and unchecks the others of its group, then raises clicked.
  void click();
  nlohmann::json state() const override;
};

class DropDownListBox : public Control {
 public:
  DropDownListBox(Window& parent, std::string name, std::vector<std::string> items)
      : Control(parent, std::move(name), ControlKind::DropDownListBox), items(std::move(items)) {}
  std::vector<std::string> items;
  std::function<void(int)> selectionchanged;  // 1-based index
  // Chooses an item by its text; false when there is no such item.
  bool select(const std::string& item);
  nlohmann::json state() const override;
};

// A picture (a page preview): the front end shows the PNG image it holds.
class Picture : public Control {
 public:
  Picture(Window& parent, std::string name) : Control(parent, std::move(name), ControlKind::Picture) {}
  std::string png;  // the image's bytes; empty: no picture
  // Adds "picture": the image as a data URL ("data:image/png;base64,..."), null when empty.
  nlohmann::json state() const override;
};

}  // namespace sparestock::ui
