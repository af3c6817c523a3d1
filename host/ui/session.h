#pragma once
// A session: one logged-in user. It owns the user's host globals, the frame, the windows open
// in it and its two transaction objects, and it runs every handler on its own thread, one
// event at a time, to the handler's end.
//
// Front ends never run handler code. They call post() with what the user did; the session
// thread runs it, and post() returns once the thread waits for the user again: either the
// handler ended, or it is suspended inside a message box or a modal window. A suspended
// handler goes on, on the same thread, when the answer arrives (a nested event loop, as the
// original GUI runtime ran modal windows), so handler code reads straight through:
//
//   if (session.messagebox(gs_tsxx, "确定删除?", Icon::Question, Buttons::YesNo) == 1) ...

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/db/transaction.h"
#include "host/grid/print.h"
#include "host/ui/globals.h"
#include "host/ui/window.h"

namespace sparestock::ui {

class Window;

enum class Icon { Information, StopSign, Exclamation, Question, None };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
std::string_view icon_name(Icon icon);
std::vector<std::string> button_captions(Buttons buttons);

// pixelstounits: screen pixels in window units. A unit is 1/32 of the system font's average
// character width across and 1/64 of its height down; with the 96-dpi system font (7 by 16
// pixels) a pixel is 32/7 units across and 4 units down. Rounded to the nearest unit.
enum class PixelConversion { XPixelsToUnits, YPixelsToUnits };
int pixelstounits(int pixels, PixelConversion direction);

struct MessageBoxRecord {
  std::string title, text;
  Icon icon = Icon::Information;
  Buttons buttons = Buttons::Ok;
};

// Raised inside a suspended handler when its session ends, so that the handler's stack unwinds
// and the thread can stop. Handlers must not catch it.
struct SessionEnded {};

// Raised by a front-end action that refuses its request; the session's state is unchanged.
// `what` tells a developer what was wrong; `user_text` is what a front end shows the user
// (Chinese, without internal names), "操作未完成" when the refusal gave none.
class RequestError : public std::runtime_error {
 public:
  explicit RequestError(const std::string& what, std::string user_text = {})
      : std::runtime_error(what), user_text_(std::move(user_text)) {}
  const std::string& user_text() const { return user_text_; }

 private:
  std::string user_text_;
};

class Session {
 public:
  explicit Session(Globals globals = {});
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // ---- front-end side (any thread but the session's) ----

  // Runs `action` on the session thread and returns once that thread waits for the user
  // again. An action that throws RequestError changes nothing; the error is rethrown here.
  void post(std::function<void()> action);
  // Runs `reader` on the calling thread while the session thread waits for the user (so the
  // state it reads is settled).
  void read(const std::function<void()>& reader);
  // Ends the session: suspended handlers unwind, windows are destroyed, connections released.
  void shutdown();

  // ---- session side (handlers) ----

  Globals& globals() { return globals_; }
  WindowManager& windows() { return *windows_; }
  db::Transaction sqlca{"sqlca"};
  db::Transaction sqlls{"sqlls"};

  // Shows a message box and suspends the handler until the user answers; returns the 1-based
  // button. With autoanswer set, a box whose only button is OK is acknowledged at once (and
  // still reported to the front end).
  int messagebox(const std::string& title, const std::string& text, Icon icon = Icon::Information,
                 Buttons buttons = Buttons::Ok, int default_button = 1);
  // The answer to the pending message box (from the front end's `answer`).
  void answer(int button);
  const MessageBoxRecord* pending() const { return pending_ ? &*pending_ : nullptr; }
  bool autoanswer = true;

  // Runs a nested event loop until `done()` holds (modal windows). Throws SessionEnded when
  // the session ends meanwhile.
  void wait_until(const std::function<bool()>& done);

  // Reports collected since the front end last took them.
  struct Reports {
    std::vector<MessageBoxRecord> messages;
    nlohmann::json closed = nlohmann::json::array();
    nlohmann::json printed = nlohmann::json::array();
    nlohmann::json saved = nlohmann::json::array();  // files saved by the save-as command
  };
  Reports& reports() { return reports_; }
  Reports take_reports();

  // The screen the front end shows the session on, in pixels (what getenvironment reports).
  int screen_width = 1280;
  int screen_height = 800;

  // The print service of the session's grids: every job is reported to the front end
  // (`printed`: window, control, dataobject, rows, file) and the latest kPrintJobsKept are
  // kept with the copy of the rows they printed.
  static constexpr size_t kPrintJobsKept = 16;
  grid::PrintService& print_service() { return printer_; }
  const std::deque<grid::PrintJob>& print_jobs() const { return printer_.jobs; }
  // What renders each job before it is reported (it sets the job's `file`); it throws
  // std::exception when the job cannot be rendered, and the print then fails. Unset: jobs are
  // only recorded.
  using PrintRenderer = std::function<void(grid::PrintJob&)>;
  void set_print_renderer(PrintRenderer renderer) { printer_.render = std::move(renderer); }

  // The frame: title and status line.
  std::string frame_title;
  std::string microhelp;
  void setmicrohelp(const std::string& text) { microhelp = text; }

  bool on_session_thread() const { return std::this_thread::get_id() == worker_.get_id(); }

 private:
  void run();
  void run_one(std::function<void()>& task);

  struct Printer : grid::PrintService {
    explicit Printer(Session& s) : session(s) {}
    int print(grid::PrintJob job) override;
    Session& session;
    PrintRenderer render;
    std::deque<grid::PrintJob> jobs;
  };

  Globals globals_;
  Printer printer_{*this};
  std::unique_ptr<WindowManager> windows_;
  int depth_ = 0;  // nesting of event loops on the session thread
  std::optional<MessageBoxRecord> pending_;
  std::optional<int> answer_;
  Reports reports_;

  std::mutex mutex_;
  std::condition_variable wake_worker_, wake_caller_;
  std::deque<std::function<void()>> queue_;
  bool idle_ = false;
  bool stopping_ = false;
  std::exception_ptr request_error_;
  std::thread worker_;
};

}  // namespace sparestock::ui
