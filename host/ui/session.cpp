#include "host/ui/session.h"

#include <exception>
#include "host/grid/grid.h"

namespace sparestock::ui {

std::string_view icon_name(Icon icon) {
  switch (icon) {
    case Icon::Information: return "information";
    case Icon::StopSign: return "stopsign";
    case Icon::Exclamation: return "exclamation";
    case Icon::Question: return "question";
    case Icon::None: return "none";
  }
  return "none";
}

std::vector<std::string> button_captions(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok: return {"确定"};
    case Buttons::OkCancel: return {"确定", "取消"};
    case Buttons::YesNo: return {"是", "否"};
    case Buttons::YesNoCancel: return {"是", "否", "取消"};
    case Buttons::RetryCancel: return {"重试", "取消"};
    case Buttons::AbortRetryIgnore: return {"终止", "重试", "忽略"};
  }
  return {"确定"};
}

int pixelstounits(int pixels, PixelConversion direction) {
  long long p = pixels;
  if (direction == PixelConversion::YPixelsToUnits) return static_cast<int>(p * 4);
  long long scaled = p * 32;
  return static_cast<int>(scaled >= 0 ? (scaled + 3) / 7 : -((-scaled + 3) / 7));
}

Session::Session(Globals globals)
    : globals_(std::move(globals)), windows_(std::make_unique<WindowManager>(*this)) {
  worker_ = std::thread([this] { run(); });
}

Session::~Session() { shutdown(); }

void Session::shutdown() {
  {
    std::lock_guard lock(mutex_);
    if (stopping_ && !worker_.joinable()) return;
    stopping_ = true;
  }
  wake_worker_.notify_all();
  wake_caller_.notify_all();
  if (worker_.joinable() && !on_session_thread()) worker_.join();
}

void Session::run() {
  try {
    wait_until([] { return false; });
  } catch (const SessionEnded&) {
  }
  windows_.reset();
  sqlca.disconnect();
  sqlls.disconnect();
}

void Session::post(std::function<void()> action) {
  if (on_session_thread()) throw std::logic_error("post() called from a handler");
  std::unique_lock lock(mutex_);
  if (stopping_) throw RequestError("the session has ended");
  queue_.push_back(std::move(action));
  idle_ = false;
  wake_worker_.notify_one();
  wake_caller_.wait(lock, [&] { return (idle_ && queue_.empty()) || stopping_; });
  if (request_error_) {
    auto e = request_error_;
    request_error_ = nullptr;
    std::rethrow_exception(e);
  }
}

void Session::read(const std::function<void()>& reader) {
  std::unique_lock lock(mutex_);
  wake_caller_.wait(lock, [&] { return (idle_ && queue_.empty()) || stopping_; });
  reader();
}

void Session::wait_until(const std::function<bool()>& done) {
  struct Nesting {
    int& depth;
    explicit Nesting(int& counter) : depth(counter) { ++depth; }
    ~Nesting() { --depth; }
  } nesting(depth_);
  for (;;) {
    std::function<void()> task;
    {
      std::unique_lock lock(mutex_);
      if (stopping_) throw SessionEnded{};
      if (done()) return;
      if (queue_.empty()) {
        idle_ = true;
        wake_caller_.notify_all();
      }
      wake_worker_.wait(lock, [&] { return !queue_.empty() || stopping_; });
      if (stopping_) throw SessionEnded{};
      task = std::move(queue_.front());
      queue_.pop_front();
      idle_ = false;
    }
    run_one(task);
    // Windows closed by a handler are deleted once no handler can be running on them.
    if (depth_ == 1) windows_->collect_garbage();
  }
}

void Session::run_one(std::function<void()>& task) {
  try {
    task();
  } catch (const RequestError&) {
    std::lock_guard lock(mutex_);
    request_error_ = std::current_exception();
  } catch (const SessionEnded&) {
    throw;
  } catch (const std::exception& e) {
    // A failing handler never takes the session down: the user is told and goes on.
    messagebox("系统错误", e.what(), Icon::StopSign);
  } catch (...) {
    messagebox("系统错误", "未知错误", Icon::StopSign);
  }
}

int Session::messagebox(const std::string& title, const std::string& text, Icon icon, Buttons buttons,
                        int default_button) {
  MessageBoxRecord record{title, text, icon, buttons};
  reports_.messages.push_back(record);
  if (autoanswer && buttons == Buttons::Ok) return 1;
  pending_ = record;
  answer_.reset();
  wait_until([&] { return answer_.has_value(); });
  int chosen = *answer_;
  pending_.reset();
  answer_.reset();
  (void)default_button;
  return chosen;
}

void Session::answer(int button) {
  if (!pending_) throw RequestError("no message box is waiting for an answer");
  int count = static_cast<int>(button_captions(pending_->buttons).size());
  if (button < 1 || button > count)
    throw RequestError("the message box has buttons 1 to " + std::to_string(count));
  answer_ = button;
}

int Session::Printer::print(grid::PrintJob job) {
  if (render) {
    try {
      render(job);
    } catch (const std::exception&) {
      return -1;
    }
  }
  session.reports().printed.push_back(
      {{"window", job.window},
       {"title", job.grid ? session.windows().report_title(*job.grid) : std::string()},
       {"control", job.control},
       {"dataobject", job.dataobject},
       {"rows", job.rows},
       {"pages", job.pages},
       {"file", job.file.empty() ? nlohmann::json() : nlohmann::json(job.file)}});
  jobs.push_back(std::move(job));
  if (jobs.size() > kPrintJobsKept) jobs.pop_front();
  return 1;
}

Session::Reports Session::take_reports() {
  Reports out = std::move(reports_);
  reports_ = Reports();
  return out;
}

}  // namespace sparestock::ui
