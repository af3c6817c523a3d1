#include "host/ui/window.h"

#include <algorithm>
#include <mutex>
#include <typeindex>

#include "host/grid/grid.h"
#include "host/ui/grid_control.h"
#include "host/ui/session.h"

namespace sparestock::ui {

namespace {

std::mutex registry_mutex;

std::map<std::string, WindowFactory, std::less<>>& window_registry() {
  static std::map<std::string, WindowFactory, std::less<>> r;
  return r;
}

std::map<std::type_index, std::function<nlohmann::json(const std::any&)>>& structure_registry() {
  static std::map<std::type_index, std::function<nlohmann::json(const std::any&)>> r;
  return r;
}

std::function<void(Window&)>& user_object_binder() {
  static std::function<void(Window&)> binder;
  return binder;
}

}  // namespace

void set_user_object_binder(std::function<void(Window&)> binder) {
  std::lock_guard lock(registry_mutex);
  user_object_binder() = std::move(binder);
}

Window::Window(Session& session, std::string class_name, WindowType type)
    : session_(session), class_name_(std::move(class_name)), type_(type) {}

Control* Window::find_control(std::string_view name) const {
  for (Control* c : controls_)
    if (c->name() == name) return c;
  return nullptr;
}

bool Window::user_event(std::string_view name) {
  auto it = user_events_.find(name);
  if (it == user_events_.end()) return false;
  if (it->second) it->second();
  return true;
}

void Window::on_user_event(std::string name, std::function<void()> handler) {
  user_events_[std::move(name)] = std::move(handler);
}

bool Window::owns_grid(const grid::Grid* g) const {
  if (!g) return false;
  for (const Control* c : controls_)
    if (c->kind() == ControlKind::Grid && &static_cast<const GridControl*>(c)->grid == g) return true;
  return false;
}

void Window::bind_event(std::string event, std::function<long()> script) {
  event_scripts_[std::move(event)] = std::move(script);
}

void Window::raise_open() {
  auto it = event_scripts_.find("open");
  if (it != event_scripts_.end())
    it->second();
  else
    open();
}

int Window::raise_closequery() {
  auto it = event_scripts_.find("closequery");
  return it != event_scripts_.end() ? static_cast<int>(it->second()) : closequery();
}

void Window::raise_close() {
  auto it = event_scripts_.find("close");
  if (it != event_scripts_.end())
    it->second();
  else
    close();
}

nlohmann::json Window::state() const {
  nlohmann::json controls = nlohmann::json::object();
  // The state's objects list their keys by name; `order` keeps the window's own control order,
  // which a client follows for the keyboard (Tab goes from control to control in this order).
  nlohmann::json order = nlohmann::json::array();
  for (Control* c : controls_) {
    controls[c->name()] = c->state();
    order.push_back(c->name());
  }
  nlohmann::json events = nlohmann::json::array();
  for (const auto& [name, fn] : user_events_) events.push_back(name);
  return {{"id", id_},        {"class", class_name_},
          {"title", title},   {"condition", condition},
          {"modal", modal()}, {"focus", focus_ ? nlohmann::json(focus_->name()) : nlohmann::json()},
          {"x", x},           {"y", y},
          {"width", width},   {"height", height},
          {"events", events}, {"controls", controls},
          {"order", order},   {"menu", menu ? menu->state() : nlohmann::json()}};
}

void register_window_class(const std::string& class_name, WindowFactory factory) {
  std::lock_guard lock(registry_mutex);
  window_registry()[class_name] = std::move(factory);
}

const WindowFactory* find_window_class(std::string_view class_name) {
  std::lock_guard lock(registry_mutex);
  auto it = window_registry().find(class_name);
  return it == window_registry().end() ? nullptr : &it->second;
}

std::vector<std::string> window_classes() {
  std::lock_guard lock(registry_mutex);
  std::vector<std::string> out;
  for (const auto& [name, f] : window_registry()) out.push_back(name);
  return out;
}

Window* WindowManager::open(const std::string& class_name, const std::string& parm, bool with_parm) {
  Message m;
  if (with_parm) m.stringparm = parm;
  return open_window(class_name, std::move(m));
}

Window* WindowManager::openwithparm(const std::string& class_name, std::any object) {
  Message m;
  m.powerobjectparm = std::move(object);
  return open_window(class_name, std::move(m));
}

Window* WindowManager::open_window(const std::string& class_name, Message parm) {
  const WindowFactory* factory = find_window_class(class_name);
  if (!factory) throw std::runtime_error("unknown window class: " + class_name);
  std::unique_ptr<Window> w = (*factory)(session_);
  std::function<void(Window&)> binder;
  {
    std::lock_guard lock(registry_mutex);
    binder = user_object_binder();
  }
  if (binder) binder(*w);
  w->id_ = next_id_++;
  message = std::move(parm);
  Window* raw = w.get();
  if (!raw->modal()) leave_front();
  owned_.push_back(std::move(w));
  order_.push_back(raw);
  raw->raise_open();
  if (raw->type() == WindowType::Response && !raw->closed())
    session_.wait_until([raw] { return raw->closed(); });
  return raw->closed() ? nullptr : raw;
}

int WindowManager::close(Window& w) {
  if (w.closed_ || w.closing_) return 1;
  if (w.raise_closequery() == 1) return -1;
  w.closing_ = true;
  w.raise_close();
  w.closed_ = true;
  // A response window closed without a value hands back none, whatever a window it opened
  // left in message.
  if (w.modal() && !w.has_close_value_) message.clear();
  bool was_in_front = active() == &w;
  order_.erase(std::remove(order_.begin(), order_.end(), &w), order_.end());
  sheets_opened_.erase(std::remove(sheets_opened_.begin(), sheets_opened_.end(), &w), sheets_opened_.end());
  auto it = std::find_if(owned_.begin(), owned_.end(), [&](auto& p) { return p.get() == &w; });
  std::any returned;
  if (it != owned_.end()) {
    graveyard_.push_back(std::move(*it));
    owned_.erase(it);
  }
  session_.reports().closed.push_back(
      {{"id", w.id()}, {"class", w.class_name()}, {"returned", close_value_to_json(w.close_value_)}});
  if (Window* next = active(); was_in_front && next) enter_front(*next);
  return 1;
}

int WindowManager::closewithreturn(Window& w, std::any value) {
  message.clear();
  if (auto* s = std::any_cast<std::string>(&value))
    message.stringparm = *s;
  else if (auto* d = std::any_cast<double>(&value))
    message.doubleparm = *d;
  else if (auto* i = std::any_cast<long>(&value))
    message.doubleparm = static_cast<double>(*i);
  else
    message.powerobjectparm = value;
  // From inside the window's close event: the close under way hands back this value.
  w.close_value_ = std::move(value);
  w.has_close_value_ = true;
  if (w.closing_) return 1;
  int rc = close(w);
  if (rc != 1) {
    w.close_value_.reset();
    w.has_close_value_ = false;
  }
  return rc;
}

Window* WindowManager::open_sheet(const std::string& class_name, const std::string& parm, bool with_parm) {
  for (Window* w : sheets_opened_)
    if (w->class_name() == class_name) {
      bring_to_front(*w);
      return w;
    }
  Window* w = open(class_name, parm, with_parm);
  if (w && !w->modal()) sheets_opened_.push_back(w);
  return w;
}

Window* WindowManager::active() const {
  for (auto it = order_.rbegin(); it != order_.rend(); ++it)
    if (!(*it)->modal()) return *it;
  return nullptr;
}

void WindowManager::bring_to_front(Window& w) {
  if (w.modal() || w.closed_ || active() == &w) return;
  leave_front();
  // Above the other sheets, below any response window.
  order_.erase(std::remove(order_.begin(), order_.end(), &w), order_.end());
  auto above = std::find_if(order_.begin(), order_.end(), [](Window* x) { return x->modal(); });
  order_.insert(above, &w);
  enter_front(w);
}

void WindowManager::leave_front() {
  Window* front = active();
  Globals& g = session_.globals();
  if (front && front->owns_grid(g.gd_print)) front->print_grid_ = g.gd_print;
}

void WindowManager::enter_front(Window& w) {
  Globals& g = session_.globals();
  if (w.print_grid_) g.gd_print = w.print_grid_;
  w.activate();
}

std::string WindowManager::report_title(const grid::Grid& g) const {
  if (!g.definition().title.empty()) return g.definition().title;
  for (const Window* w : order_)
    if (w->owns_grid(&g)) return w->title;
  if (const Window* w = find(g.window_name())) return w->title;
  return {};
}

Window* WindowManager::find(std::string_view class_or_id) const {
  for (auto it = order_.rbegin(); it != order_.rend(); ++it)
    if ((*it)->class_name() == class_or_id || std::to_string((*it)->id()) == class_or_id) return *it;
  return nullptr;
}

Window* WindowManager::blocking() const {
  for (auto it = order_.rbegin(); it != order_.rend(); ++it)
    if ((*it)->modal()) return *it;
  return nullptr;
}

void WindowManager::collect_garbage() { graveyard_.clear(); }

nlohmann::json close_value_to_json(const std::any& value) {
  if (!value.has_value()) return nullptr;
  if (auto* s = std::any_cast<std::string>(&value)) return *s;
  if (auto* d = std::any_cast<double>(&value)) return *d;
  if (auto* i = std::any_cast<long>(&value)) return *i;
  if (auto* i = std::any_cast<int>(&value)) return *i;
  std::lock_guard lock(registry_mutex);
  auto it = structure_registry().find(std::type_index(value.type()));
  if (it != structure_registry().end()) return it->second(value);
  return nullptr;
}

void register_structure(const std::type_info& type, std::function<nlohmann::json(const std::any&)> fn) {
  std::lock_guard lock(registry_mutex);
  structure_registry()[std::type_index(type)] = std::move(fn);
}

}  // namespace sparestock::ui
