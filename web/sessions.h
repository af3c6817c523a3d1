#pragma once
// The web sessions: one logged-in browser each, holding one automation-protocol Driver (and
// with it a runtime session: its thread, its windows, its two database connections).
//
// A session is known by three random values: its id (public, in the request path), the cookie
// token (secret, HttpOnly cookie; the store keeps only its digest) and the CSRF token (secret,
// sent back by the client in a header on every POST). A session ends on logout, when it has
// been idle longer than the idle timeout, or when the store is destroyed; ending it shuts the
// runtime session down, which stops its thread and closes its connections.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/driver/driver.h"
#include "web/users.h"

namespace sparestock::web {

class WebSession {
 public:
  using Clock = std::chrono::steady_clock;

  WebSession(std::string id, std::string csrf, UserRecord user, std::unique_ptr<driver::Driver> driver);
  ~WebSession();
  WebSession(const WebSession&) = delete;
  WebSession& operator=(const WebSession&) = delete;

  const std::string& id() const { return id_; }
  const std::string& csrf() const { return csrf_; }
  const UserRecord& user() const { return user_; }
  driver::Driver& driver() { return *driver_; }

  // Marks the start and end of a request; a session with a request running is never idle.
  void begin_request();
  void end_request();
  // Counts as used now.
  void touch();
  bool idle_longer_than(std::chrono::milliseconds timeout, Clock::time_point now) const;

  // Files the session's save-as command wrote, offered to this session's browser alone under a
  // random token of their own. A session keeps its latest kDownloadsKept files.
  static constexpr size_t kDownloadsKept = 32;
  struct Download {
    std::string path;  // on the server
    std::string name;  // as the browser saves it
  };
  std::string add_download(Download d);
  std::optional<Download> download(const std::string& token) const;

  // Sessions alive in this process (ended ones are counted out once their runtime session
  // has shut down).
  static long alive();

 private:
  std::string id_, csrf_;
  UserRecord user_;
  std::unique_ptr<driver::Driver> driver_;
  std::atomic<int> running_{0};
  mutable std::mutex downloads_mutex_;
  std::deque<std::pair<std::string, Download>> downloads_;  // token, file; oldest first
  std::atomic<Clock::rep> last_used_;
};

class SessionStore {
 public:
  // `idle_timeout`: how long a session may go without a request; at most `max_sessions`
  // sessions at once, and `max_per_user` of one user (company and user code).
  SessionStore(std::chrono::milliseconds idle_timeout, size_t max_sessions, size_t max_per_user);
  ~SessionStore();  // ends every session

  struct Filed {
    std::shared_ptr<WebSession> session;  // null when refused
    std::string cookie;                   // the cookie token: the only time it is seen
    bool user_full = false;               // refused for the user's count, not the store's
  };
  // Files a new session under a fresh id, cookie token and CSRF token; refused when the store
  // or the user's share of it is full.
  Filed add(UserRecord user, std::unique_ptr<driver::Driver> driver);
  // Whether `user` may file one more session now (add decides; this saves building one).
  bool room_for(const UserRecord& user) const;
  // The live session of a cookie token, which counts as used from now on; null when there is
  // none or it has gone idle too long (then it is ended here).
  std::shared_ptr<WebSession> find(const std::string& cookie_token);
  // Ends the session of a cookie token; false when there was none.
  bool remove(const std::string& cookie_token);
  size_t size() const;

 private:
  void reap_loop();
  // Ends the sessions idle too long; returns them so that they are destroyed outside the lock.
  std::vector<std::shared_ptr<WebSession>> take_idle();
  // Sessions of `user` filed now; the lock is held.
  size_t count_of(const UserRecord& user) const;

  const std::chrono::milliseconds idle_timeout_;
  const size_t max_sessions_;
  const size_t max_per_user_;
  mutable std::mutex mutex_;
  std::map<std::string, std::shared_ptr<WebSession>> by_cookie_digest_;
  std::condition_variable wake_reaper_;
  bool stopping_ = false;
  std::thread reaper_;
};

}  // namespace sparestock::web
