#include "host/ui/controls.h"

#include <cstdint>

#include "host/base/text.h"
#include "host/ui/window.h"

namespace sparestock::ui {

std::string_view control_kind_name(ControlKind kind) {
  switch (kind) {
    case ControlKind::CommandButton: return "commandbutton";
    case ControlKind::PictureButton: return "picturebutton";
    case ControlKind::SingleLineEdit: return "singlelineedit";
    case ControlKind::StaticText: return "statictext";
    case ControlKind::RadioButton: return "radiobutton";
    case ControlKind::GroupBox: return "groupbox";
    case ControlKind::DropDownListBox: return "dropdownlistbox";
    case ControlKind::Grid: return "grid";
    case ControlKind::Picture: return "picture";
  }
  return "control";
}

namespace {
constexpr std::pair<Key, std::string_view> kKeys[] = {
    {Key::Enter, "enter"},       {Key::Escape, "escape"}, {Key::F1, "f1"},     {Key::F9, "f9"},
    {Key::Tab, "tab"},           {Key::Up, "up"},         {Key::Down, "down"}, {Key::PageUp, "pageup"},
    {Key::PageDown, "pagedown"}, {Key::Home, "home"},     {Key::End, "end"},   {Key::Other, "other"},
};
}  // namespace

std::optional<Key> key_from_name(std::string_view name) {
  for (auto& [k, n] : kKeys)
    if (n == name) return k;
  return std::nullopt;
}

std::string_view key_name(Key key) {
  for (auto& [k, n] : kKeys)
    if (k == key) return n;
  return "other";
}

Control::Control(Window& parent, std::string name, ControlKind kind, std::string text)
    : text(std::move(text)), parent_(parent), name_(std::move(name)), kind_(kind) {
  parent.add_control(this);
}

void Control::setfocus() { parent_.set_focus(this); }

nlohmann::json Control::state() const {
  nlohmann::json j{{"kind", control_kind_name(kind_)},
                   {"text", text},
                   {"visible", visible},
                   {"enabled", enabled},
                   {"x", x},
                   {"y", y},
                   {"width", width},
                   {"height", height}};
  if (group) j["group"] = group->name();
  return j;
}

char CommandButton::accelerator() const {
  auto amp = text.find('&');
  if (amp == std::string::npos || amp + 1 >= text.size()) return 0;
  return text[amp + 1];
}

nlohmann::json CommandButton::state() const {
  auto j = Control::state();
  if (char a = accelerator()) j["accelerator"] = std::string(1, a);
  if (!picture.empty()) j["picture"] = picture;
  return j;
}

bool SingleLineEdit::type(const std::string& value) {
  if (limit > 0 && text::char_count(value) > static_cast<size_t>(limit)) return false;
  text = uppercase ? text::upper(value) : value;
  return true;
}

nlohmann::json SingleLineEdit::state() const {
  auto j = Control::state();
  j["limit"] = limit;
  j["uppercase"] = uppercase;
  return j;
}

void RadioButton::click() {
  for (Control* c : parent().controls())
    if (c != this && c->kind() == ControlKind::RadioButton && c->group == group)
      static_cast<RadioButton*>(c)->checked = false;
  checked = true;
  if (clicked) clicked();
}

nlohmann::json RadioButton::state() const {
  auto j = Control::state();
  j["checked"] = checked;
  return j;
}

bool DropDownListBox::select(const std::string& item) {
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] == item) {
      text = item;
      if (selectionchanged) selectionchanged(static_cast<int>(i + 1));
      return true;
    }
  }
  return false;
}

nlohmann::json DropDownListBox::state() const {
  auto j = Control::state();
  j["items"] = items;
  return j;
}

nlohmann::json Picture::state() const {
  auto j = Control::state();
  if (png.empty()) {
    j["picture"] = nullptr;
    return j;
  }
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out = "data:image/png;base64,";
  out.reserve(out.size() + (png.size() + 2) / 3 * 4);
  for (size_t i = 0; i < png.size(); i += 3) {
    uint32_t n = static_cast<uint32_t>(static_cast<unsigned char>(png[i])) << 16;
    if (i + 1 < png.size()) n |= static_cast<uint32_t>(static_cast<unsigned char>(png[i + 1])) << 8;
    if (i + 2 < png.size()) n |= static_cast<unsigned char>(png[i + 2]);
    out += kDigits[(n >> 18) & 63];
    out += kDigits[(n >> 12) & 63];
    out += i + 1 < png.size() ? kDigits[(n >> 6) & 63] : '=';
    out += i + 2 < png.size() ? kDigits[n & 63] : '=';
  }
  j["picture"] = std::move(out);
  return j;
}

}  // namespace sparestock::ui
