#pragma once
// The automation protocol: JSON requests describing what a user did, answered with the
// session's state. `sparestock drive` speaks it as JSON Lines on stdin/stdout and the web
// server over HTTP; it is the only way a front end touches a session.
//
// Every response is {"ok": true, "state": ...} or {"ok": false, "error": "..."}; a request
// that is refused changes nothing.

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include <nlohmann/json.hpp>

#include "host/ui/session.h"

namespace sparestock::driver {

class Driver {
 public:
  // A session on the database `target`; it connects when the first `host` request logs in.
  explicit Driver(std::string target);
  ~Driver();

  // Handles one request. Never throws.
  nlohmann::json handle(const nlohmann::json& request);
  // Parses one line of JSON and handles it; a malformed line is answered with an error.
  std::string handle_line(const std::string& line);

  ui::Session& session() { return *session_; }
  // Where the session's print jobs are written (removed with the driver).
  const std::filesystem::path& print_directory() const { return print_directory_; }

  // At most `max` windows open at once (0: no limit): an `open` request beyond it is refused
  // with a message telling the user to close some. The web server sets it; each window holds
  // its grids' rows, so a session opening window after window would take the server's memory.
  void limit_windows(size_t max) { max_windows_ = max; }

 private:
  nlohmann::json state();

  std::string target_;
  std::unique_ptr<ui::Session> session_;
  std::filesystem::path print_directory_;
  std::mutex mutex_;  // one request at a time per session
  size_t max_windows_ = 0;
};

// The window and control a request names (fields "window" and "control"); each throws
// ui::RequestError when there is none. window_of refuses a window blocked by a modal window and
// control_of a hidden or disabled control, as for anything a user does; shown_window and
// shown_control find them for reading (a front end still draws them).
ui::Window& window_of(ui::Session& s, const nlohmann::json& request);
ui::Window& shown_window(ui::Session& s, const nlohmann::json& request);
ui::Control& control_of(ui::Window& w, const nlohmann::json& request);
ui::Control& shown_control(ui::Window& w, const nlohmann::json& request);

}  // namespace sparestock::driver
