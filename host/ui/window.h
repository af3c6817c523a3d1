#pragma once
// Windows of a session. A form is a class deriving from Window (or from a host ancestor such as
// w_spmm), with its controls as members and its handlers as overridden virtual functions or
// control callbacks. Windows are built by class name through the window registry.

#include <any>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/ui/controls.h"

namespace sparestock::grid {
class Grid;
}

namespace sparestock::ui {

class Session;

enum class WindowType { Main, Child, Popup, Response };

// A window's menu as the runtime sees it: the state a front end reads and a click on an item.
// The host menus (host/lib/menus.h) implement it.
class MenuObject {
 public:
  virtual ~MenuObject() = default;
  virtual nlohmann::json state() const = 0;
  // Runs the item's action; "" when it ran, else why the click was refused (no such item, the
  // item hidden or disabled), and then nothing happened.
  virtual std::string click(std::string_view item) = 0;
};

// The host's message object: the parameter a window is opened with and the value a window
// closes with.
struct Message {
  std::string stringparm;
  double doubleparm = 0;
  std::any powerobjectparm;  // a structure (see structure_to_json) or a grid
  void clear() { *this = Message(); }
};

class Window {
 public:
  Window(Session& session, std::string class_name, WindowType type = WindowType::Child);
  virtual ~Window() = default;
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  Session& session() const { return session_; }
  const std::string& class_name() const { return class_name_; }
  WindowType type() const { return type_; }
  int id() const { return id_; }
  bool modal() const { return type_ == WindowType::Response; }

  std::string title;
  int x = 0, y = 0, width = 0, height = 0;
  // The filter in force on the window's list, in the user's words ("" when it shows every
  // row); a front end shows it in the status area.
  std::string condition;
  bool closed() const { return closed_; }

  const std::vector<Control*>& controls() const { return controls_; }
  Control* find_control(std::string_view name) const;
  Control* focus() const { return focus_; }
  void set_focus(Control* c) { focus_ = c; }

  // ---- events; a descendant that extends one calls the ancestor's first ----
  virtual void open() {}
  // Returns 1 to keep the window open.
  virtual int closequery() { return 0; }
  virtual void close() {}
  // Raises a user event by name (`ue_query`, `ue_save`, ...). false when the window has none.
  virtual bool user_event(std::string_view name);
  // Registers a user event the protocol and menus can raise.
  void on_user_event(std::string name, std::function<void()> handler);
  bool has_user_event(std::string_view name) const { return user_events_.find(name) != user_events_.end(); }
  // Whether the record commands (修改, 增加, 删除, 保存, 取消) can act on the window now; an
  // editing form answers whether its records can be stored.
  virtual bool can_edit() const { return true; }
  // Raised when the window comes to the front of the session's sheets: opened over them,
  // brought to the front, or uncovered when the sheet in front of it closes.
  virtual void activate() {}
  // Whether `g` is the grid of one of the window's grid controls.
  bool owns_grid(const grid::Grid* g) const;

  // The window events open, close and closequery bound to a module's scripts; an event without
  // a script runs the virtual handler above. The runtime raises them through these.
  void bind_event(std::string event, std::function<long()> script);
  void raise_open();
  int raise_closequery();
  void raise_close();

  // User objects placed on the window (each places its controls as "<name>.<control>").
  struct UserObject {
    std::string name;        // "uo_1"
    std::string class_name;  // "uo_pdpx"
    void* self;
  };
  void add_user_object(std::string name, std::string class_name, void* self) {
    user_objects_.push_back({std::move(name), std::move(class_name), self});
  }
  const std::vector<UserObject>& user_objects() const { return user_objects_; }

  // The menu attached on creation (nullptr: none); its state is part of the window's.
  std::unique_ptr<MenuObject> menu;

  // The state a front end reads.
  virtual nlohmann::json state() const;

 protected:
  friend class Control;
  friend class WindowManager;
  void add_control(Control* c) { controls_.push_back(c); }

 private:
  Session& session_;
  std::string class_name_;
  WindowType type_;
  int id_ = 0;
  bool closed_ = false;
  bool closing_ = false;  // its close event is running
  Control* focus_ = nullptr;
  std::vector<Control*> controls_;
  std::map<std::string, std::function<void()>, std::less<>> user_events_;
  std::map<std::string, std::function<long()>, std::less<>> event_scripts_;
  std::vector<UserObject> user_objects_;
  std::any close_value_;
  bool has_close_value_ = false;      // closed through closewithreturn
  grid::Grid* print_grid_ = nullptr;  // the grid it registered with the print service
};

using WindowFactory = std::function<std::unique_ptr<Window>(Session&)>;

// Window classes known to the host, by class name.
void register_window_class(const std::string& class_name, WindowFactory factory);
const WindowFactory* find_window_class(std::string_view class_name);
std::vector<std::string> window_classes();

// Called on every window the runtime builds, before its open event: the module loader binds
// the scripts of the user objects placed on it.
void set_user_object_binder(std::function<void(Window&)> binder);

// The windows open in a session and the runtime functions that open and close them.
class WindowManager {
 public:
  explicit WindowManager(Session& session) : session_(session) {}

  // open / openwithparm: builds the window, shows it and runs its open event. A response
  // window suspends the caller until it closes; then the caller reads message. Returns the
  // window (nullptr after a response window has closed again).
  Window* open(const std::string& class_name, const std::string& parm = {}, bool with_parm = false);
  // openwithparm with an object (a grid, a structure): the window finds it in
  // message.powerobjectparm when its open event runs.
  Window* openwithparm(const std::string& class_name, std::any object);
  // close: closequery (a window that answers 1 stays open), close event, then the window is
  // gone. Returns 1 when closed, -1 when it stayed open.
  int close(Window& w);
  // closewithreturn: sets message to `value` and closes. Called from the window's own close
  // event, it only sets message and the close value of the close under way.
  int closewithreturn(Window& w, std::any value);

  Message message;

  // The front end's open (the launcher): a window of that class the front end opened before
  // comes to the front instead of a second copy; otherwise as open. A copy a form opened for
  // its own use is not the front end's.
  Window* open_sheet(const std::string& class_name, const std::string& parm = {}, bool with_parm = false);
  // The sheet in front (the last opened or brought to the front that is still open; response
  // windows are not sheets); nullptr when none is open.
  Window* active() const;
  // Brings a sheet to the front (the user chose it): the print service's grid becomes the one
  // that sheet registered, and its activate event runs. Response windows stay where they are.
  void bring_to_front(Window& w);

  // The title a grid's printout carries: its definition's report title, else the title of the
  // window that holds the grid (found by the grid's window name for a copy); "" when neither.
  std::string report_title(const grid::Grid& g) const;

  const std::vector<Window*>& windows() const { return order_; }
  Window* find(std::string_view class_or_id) const;
  // The response window on top, which blocks every other window; nullptr when none.
  Window* blocking() const;
  // Windows closed since the front end last read them, and deletion of their objects once no
  // handler of theirs can still be running.
  void collect_garbage();

 private:
  Window* open_window(const std::string& class_name, Message parm);
  // The sheet in front leaves the front: the print service's grid, when it is one of its
  // grids, is remembered as the grid it registered.
  void leave_front();
  // After the sheet in front changed: the new one's registered grid and activate event.
  void enter_front(Window& w);

  Session& session_;
  int next_id_ = 1;
  std::vector<std::unique_ptr<Window>> owned_;
  std::vector<Window*> order_;
  std::vector<std::unique_ptr<Window>> graveyard_;
  std::vector<Window*> sheets_opened_;  // by the front end's open_sheet
};

// The close value of a window as a front end sees it: a string, a number, a structure
// (an object of its fields), or null.
nlohmann::json close_value_to_json(const std::any& value);
// Structures register how they turn into JSON so close values can be reported.
void register_structure(const std::type_info& type, std::function<nlohmann::json(const std::any&)> fn);

}  // namespace sparestock::ui
