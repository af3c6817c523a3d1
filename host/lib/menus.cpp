#include "host/lib/menus.h"

#include <map>
#include <mutex>
#include <stdexcept>
#include <tuple>

#include "host/lib/save_as.h"
#include "host/lib/w_dw_print_options.h"
#include "host/ui/session.h"

namespace sparestock::lib {

Menu::Menu(ui::Window& window, std::string class_name)
    : window_(window), class_name_(std::move(class_name)) {}

MenuItem& Menu::add(std::string name, std::string text, std::string parent, std::function<void()> clicked) {
  auto item = std::make_unique<MenuItem>();
  item->name = std::move(name);
  item->text = std::move(text);
  item->parent = std::move(parent);
  item->clicked = std::move(clicked);
  // Submenu titles and separators have no toolbar button; commands have one.
  if (item->separator()) item->toolbaritemvisible = false;
  if (!item->parent.empty()) {
    MenuItem& holder = this->item(item->parent);
    holder.toolbaritemvisible = false;
  }
  // Items are added in menu order: each submenu's items right after it.
  items_.push_back(std::move(item));
  return *items_.back();
}

MenuItem& Menu::add_event(std::string name, std::string text, std::string parent, std::string event) {
  MenuItem& i = add(std::move(name), std::move(text), std::move(parent),
                    [this, event] { window_.user_event(event); });
  i.available = [this, event] { return window_.has_user_event(event); };
  return i;
}

void Menu::hide(std::string_view name) {
  MenuItem& i = item(name);
  i.visible = false;
  i.toolbaritemvisible = false;
}

MenuItem& Menu::item(std::string_view name) {
  MenuItem* i = find(name);
  if (!i) throw std::logic_error("menu " + class_name_ + " has no item " + std::string(name));
  return *i;
}

MenuItem* Menu::find(std::string_view name_or_path) {
  return const_cast<MenuItem*>(static_cast<const Menu*>(this)->find(name_or_path));
}

const MenuItem* Menu::find(std::string_view name_or_path) const {
  std::string_view name = name_or_path;
  std::string_view parents;
  if (auto dot = name_or_path.rfind('.'); dot != std::string_view::npos) {
    name = name_or_path.substr(dot + 1);
    parents = name_or_path.substr(0, dot);
  }
  for (const auto& i : items_) {
    if (i->name != name) continue;
    if (parents.empty()) return i.get();
    // Every name of the path must be the parent of the one after it.
    std::string_view rest = parents;
    const MenuItem* child = i.get();
    bool matches = true;
    while (!rest.empty()) {
      auto dot = rest.rfind('.');
      std::string_view parent = dot == std::string_view::npos ? rest : rest.substr(dot + 1);
      rest = dot == std::string_view::npos ? std::string_view() : rest.substr(0, dot);
      if (child->parent != parent) {
        matches = false;
        break;
      }
      child = find(parent);
    }
    if (matches) return i.get();
  }
  return nullptr;
}

std::string Menu::refusal(const MenuItem& item) const {
  if (item.separator()) return "menu item " + item.name + " is a separator";
  bool entry_shown = true;
  for (const MenuItem* i = &item; i; i = i->parent.empty() ? nullptr : find(i->parent)) {
    if (!i->usable()) return "menu item " + item.name + " is disabled";
    if (!i->visible) entry_shown = false;
  }
  if (!entry_shown && !item.toolbaritemvisible) return "menu item " + item.name + " is hidden";
  return {};
}

nlohmann::json Menu::state() const {
  nlohmann::json items = nlohmann::json::array();
  for (const auto& i : items_) {
    items.push_back({{"name", i->name},
                     {"text", i->text},
                     {"parent", i->parent.empty() ? nlohmann::json() : nlohmann::json(i->parent)},
                     {"visible", i->visible},
                     {"toolbaritemvisible", i->toolbaritemvisible},
                     {"enabled", i->usable()}});
  }
  return {{"class", class_name_}, {"items", items}};
}

std::string Menu::click(std::string_view name) {
  MenuItem* i = find(name);
  if (!i) return "menu " + class_name_ + " has no item " + std::string(name);
  for (const auto& other : items_)
    if (other->parent == i->name) return "menu item " + i->name + " opens a submenu";
  if (std::string refused = refusal(*i); !refused.empty()) return refused;
  // The action may replace the item's own function (a descendant's extension does); run a copy.
  if (auto action = i->clicked) action();
  return {};
}

m_e::m_e(ui::Window& window, std::string class_name) : Menu(window, std::move(class_name)) {
  add("m_edit", "编辑(&E)");
  for (auto [name, text, event] : {std::tuple{"m_change", "修改(&M)", "ue_getfocus"},
                                   {"m_add", "增加(&A)", "ue_add"},
                                   {"m_delete", "删除(&D)", "ue_delete"},
                                   {"m_cancel", "取消(&C)", "ue_cancel"},
                                   {"m_save", "保存(&S)", "ue_save"}}) {
    MenuItem& i = add_event(name, text, "m_edit", event);
    i.available = [this, e = std::string(event)] {
      return this->window().has_user_event(e) && this->window().can_edit();
    };
  }
  add("m_exit1", "退出(&X)", "m_edit", [this] { this->window().session().windows().close(this->window()); });
  add("m_print1", "打印(&P)");
  // Printing goes to files, which serve as the preview; the entry stays for the familiar layout.
  MenuItem& preview = add("m_preview", "打印预览(&V)", "m_print1");
  preview.enabled = false;
  MenuItem& print = add("m_print", "打印(&P)...", "m_print1", [this] {
    ui::Session& s = this->window().session();
    print_with_options(s, s.globals().gd_print);
  });
  print.available = [this] { return this->window().owns_grid(this->window().session().globals().gd_print); };
  // Saving the list the print command would print, as a spreadsheet.
  MenuItem& save_as = add("m_saveas", "另存为(&A)...", "m_print1", [this] {
    save_grid_as(this->window(), this->window().session().globals().gd_print);
  });
  save_as.available = print.available;
  add("m_help1", "帮助(&H)");
  add_event("m_help", "帮助主题(&H)", "m_help1", "ue_help");
}

m_module::m_module(ui::Window& window, std::string class_name) : m_e(window, std::move(class_name)) {
  add("m_2", "查询(&Q)");
  add_event("m_1", "条件查询(&Q)...", "m_2", "ue_query");
  add("m_4", "浏览(&B)");
  add_event("m_3", "排序(&S)...", "m_4", "ue_sort");
  add("m_", "-", "m_4");
  add_event("m_5", "第一条(&F)", "m_4", "ue_first");
  add_event("m_6", "上一条(&P)", "m_4", "ue_last");
  add_event("m_7", "下一条(&N)", "m_4", "ue_next");
  add_event("m_8", "最后一条(&L)", "m_4", "ue_end");
}

me_yshx::me_yshx(ui::Window& window, std::string class_name) : m_module(window, std::move(class_name)) {}

m_e3::m_e3(ui::Window& window, std::string class_name) : m_module(window, std::move(class_name)) {
  for (const char* name : {"m_change", "m_add", "m_delete", "m_cancel", "m_save"}) hide(name);
}

m_e4::m_e4(ui::Window& window, std::string class_name) : m_module(window, std::move(class_name)) {
  for (const char* name : {"m_change", "m_add", "m_delete", "m_cancel", "m_save"}) hide(name);
}

Menu* menu_of(ui::Window& window) { return dynamic_cast<Menu*>(window.menu.get()); }

namespace {

std::mutex menu_registry_mutex;

std::map<std::string, MenuFactory, std::less<>>& menu_registry() {
  static std::map<std::string, MenuFactory, std::less<>> r;
  return r;
}

}  // namespace

void register_menu_class(const std::string& class_name, MenuFactory factory) {
  std::lock_guard lock(menu_registry_mutex);
  menu_registry()[class_name] = std::move(factory);
}

std::unique_ptr<Menu> create_menu(std::string_view class_name, ui::Window& window) {
  MenuFactory factory;
  {
    std::lock_guard lock(menu_registry_mutex);
    auto it = menu_registry().find(class_name);
    if (it == menu_registry().end()) return nullptr;
    factory = it->second;
  }
  return factory(window);
}

}  // namespace sparestock::lib
