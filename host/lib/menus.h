#pragma once
// Menus of the host: the item tree of a window's menu bar and toolbar, each item with its text,
// its state (visible, toolbar button visible, enabled) and its action. A menu lives as long as
// the window it is attached to (Window::menu) and acts on that window.
//
// The host menus, each a class deriving from the one above it:
//
//   m_e       m_edit 编辑      m_change 修改 -> ue_getfocus (store the record being edited)
//                              m_add    增加 -> ue_add
//                              m_delete 删除 -> ue_delete
//                              m_cancel 取消 -> ue_cancel
//                              m_save   保存 -> ue_save
//                              m_exit1  退出 -> closes the window
//             m_print1 打印    m_preview 打印预览 (disabled: this host prints to files)
//                              m_print  打印 -> gd_print through w_dw_print_options
//                              m_saveas 另存为 -> gd_print saved as XLSX (save_as.h)
//             m_help1 帮助     m_help   帮助主题 -> ue_help
//   m_module  adds m_2 查询    m_1 条件查询 -> ue_query
//                  m_4 浏览    m_3 排序 -> ue_sort, m_ (separator),
//                              m_5 第一条 -> ue_first, m_6 上一条 -> ue_last,
//                              m_7 下一条 -> ue_next, m_8 最后一条 -> ue_end
//   me_yshx   m_module as it is (editing forms)
//   m_e3      m_module with the record commands m_change, m_add, m_delete, m_cancel, m_save
//             hidden (forms that post through their own button)
//   m_e4      m_module with the record commands hidden (read-only lists with navigation)
//
// An item that raises an event is enabled only while the window has that event; the record
// commands (修改, 增加, 删除, 取消, 保存) besides only while the window can edit
// (Window::can_edit), and 打印 only while one of the window's grids is the print service's
// (gd_print). These conditions are read when the menu is shown or clicked, on top of the item's
// own `enabled`. A descendant menu changes an inherited item in its constructor, and extends an
// item's action by wrapping it:
//
//   auto inherited = item("m_add").clicked;
//   item("m_add").clicked = [this, inherited] { inherited(); item("m_add").enabled = false; };

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/ui/window.h"

namespace sparestock::lib {

struct MenuItem {
  std::string name;    // "m_add"
  std::string text;    // "增加(&A)"; "-" for a separator
  std::string parent;  // name of the submenu holding it; "" for the menu bar
  bool visible = true;
  bool toolbaritemvisible = true;
  bool enabled = true;
  std::function<void()> clicked;
  // A condition the window decides at the moment; the item is enabled only while it holds.
  std::function<bool()> available;

  bool usable() const { return enabled && (!available || available()); }

  bool separator() const { return text == "-"; }
};

class Menu : public ui::MenuObject {
 public:
  Menu(ui::Window& window, std::string class_name);

  const std::string& class_name() const { return class_name_; }
  ui::Window& window() const { return window_; }

  // The item of that name. REQUIRES: the menu has it (a missing item is a defect of the code
  // that asks; throws std::logic_error).
  MenuItem& item(std::string_view name);
  // nullptr when there is none. Accepts a name ("m_change") or a path ("m_edit.m_change").
  MenuItem* find(std::string_view name_or_path);
  const MenuItem* find(std::string_view name_or_path) const;
  // Items in menu order (each submenu's items follow it).
  const std::vector<std::unique_ptr<MenuItem>>& items() const { return items_; }

  // Whether a click can reach the item: it and every submenu above it enabled, and either its
  // entry shown (it and every submenu above it visible) or its toolbar button shown. "" when
  // it can, else the reason.
  std::string refusal(const MenuItem& item) const;

  // ui::MenuObject
  nlohmann::json state() const override;
  std::string click(std::string_view item) override;

 protected:
  MenuItem& add(std::string name, std::string text, std::string parent = {},
                std::function<void()> clicked = {});
  // An item raising a user event of the window, available while the window has the event.
  MenuItem& add_event(std::string name, std::string text, std::string parent, std::string event);
  // Hides an item and its toolbar button.
  void hide(std::string_view name);

 private:
  ui::Window& window_;
  std::string class_name_;
  std::vector<std::unique_ptr<MenuItem>> items_;
};

class m_e : public Menu {
 public:
  explicit m_e(ui::Window& window, std::string class_name = "m_e");
};

class m_module : public m_e {
 public:
  explicit m_module(ui::Window& window, std::string class_name = "m_module");
};

class me_yshx : public m_module {
 public:
  explicit me_yshx(ui::Window& window, std::string class_name = "me_yshx");
};

class m_e3 : public m_module {
 public:
  explicit m_e3(ui::Window& window, std::string class_name = "m_e3");
};

class m_e4 : public m_module {
 public:
  explicit m_e4(ui::Window& window, std::string class_name = "m_e4");
};

// The menu of a window as a host Menu; nullptr when it has none or another kind.
Menu* menu_of(ui::Window& window);

// Menu classes by name, so that a host can attach a menu named in its settings.
using MenuFactory = std::function<std::unique_ptr<Menu>(ui::Window&)>;
void register_menu_class(const std::string& class_name, MenuFactory factory);
// nullptr for an unknown class.
std::unique_ptr<Menu> create_menu(std::string_view class_name, ui::Window& window);

}  // namespace sparestock::lib
