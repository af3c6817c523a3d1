#include "web/sessions.h"

#include <algorithm>

#include "web/crypto.h"

namespace sparestock::web {

namespace {
std::atomic<long> g_alive{0};
}

WebSession::WebSession(std::string id, std::string csrf, UserRecord user,
                       std::unique_ptr<driver::Driver> driver)
    : id_(std::move(id)),
      csrf_(std::move(csrf)),
      user_(std::move(user)),
      driver_(std::move(driver)),
      last_used_(Clock::now().time_since_epoch().count()) {
  ++g_alive;
}

WebSession::~WebSession() {
  driver_.reset();  // shuts the runtime session down: its thread ends, its connections close
  --g_alive;
}

long WebSession::alive() { return g_alive.load(); }

void WebSession::begin_request() {
  ++running_;
  last_used_ = Clock::now().time_since_epoch().count();
}

void WebSession::touch() { last_used_ = Clock::now().time_since_epoch().count(); }

void WebSession::end_request() {
  last_used_ = Clock::now().time_since_epoch().count();
  --running_;
}

bool WebSession::idle_longer_than(std::chrono::milliseconds timeout, Clock::time_point now) const {
  if (running_.load() > 0) return false;
  Clock::time_point last{Clock::duration(last_used_.load())};
  return now - last > timeout;
}

SessionStore::SessionStore(std::chrono::milliseconds idle_timeout, size_t max_sessions, size_t max_per_user)
    : idle_timeout_(idle_timeout),
      max_sessions_(max_sessions),
      max_per_user_(max_per_user),
      reaper_([this] { reap_loop(); }) {}

SessionStore::~SessionStore() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_reaper_.notify_all();
  reaper_.join();
  std::map<std::string, std::shared_ptr<WebSession>> ending;
  {
    std::lock_guard lock(mutex_);
    ending.swap(by_cookie_digest_);
  }
}

SessionStore::Filed SessionStore::add(UserRecord user, std::unique_ptr<driver::Driver> driver) {
  std::string cookie = random_token();
  auto session = std::make_shared<WebSession>(random_token(16), random_token(), std::move(user),
                                              std::move(driver));
  std::vector<std::shared_ptr<WebSession>> idle = take_idle();  // make room before refusing
  std::lock_guard lock(mutex_);
  if (count_of(session->user()) >= max_per_user_) return {nullptr, {}, true};
  if (by_cookie_digest_.size() >= max_sessions_) return {};
  by_cookie_digest_.emplace(token_digest(cookie), session);
  return {session, cookie};
}

size_t SessionStore::count_of(const UserRecord& user) const {
  auto now = WebSession::Clock::now();
  // A session idle past its time is as good as ended (the reaper takes it soon).
  return static_cast<size_t>(
      std::count_if(by_cookie_digest_.begin(), by_cookie_digest_.end(), [&](const auto& entry) {
        const WebSession& s = *entry.second;
        return s.user().company == user.company && s.user().code == user.code &&
               !s.idle_longer_than(idle_timeout_, now);
      }));
}

bool SessionStore::room_for(const UserRecord& user) const {
  std::lock_guard lock(mutex_);
  return count_of(user) < max_per_user_;
}

std::shared_ptr<WebSession> SessionStore::find(const std::string& cookie_token) {
  if (cookie_token.empty()) return nullptr;
  std::shared_ptr<WebSession> ended;  // destroyed after the lock is released
  std::lock_guard lock(mutex_);
  auto it = by_cookie_digest_.find(token_digest(cookie_token));
  if (it == by_cookie_digest_.end()) return nullptr;
  if (it->second->idle_longer_than(idle_timeout_, WebSession::Clock::now())) {
    ended = std::move(it->second);
    by_cookie_digest_.erase(it);
    return nullptr;
  }
  it->second->touch();  // the reaper must not take it between here and its request's start
  return it->second;
}

bool SessionStore::remove(const std::string& cookie_token) {
  std::shared_ptr<WebSession> ended;
  std::lock_guard lock(mutex_);
  auto it = by_cookie_digest_.find(token_digest(cookie_token));
  if (it == by_cookie_digest_.end()) return false;
  ended = std::move(it->second);
  by_cookie_digest_.erase(it);
  return true;
}

size_t SessionStore::size() const {
  std::lock_guard lock(mutex_);
  return by_cookie_digest_.size();
}

std::vector<std::shared_ptr<WebSession>> SessionStore::take_idle() {
  std::vector<std::shared_ptr<WebSession>> out;
  auto now = WebSession::Clock::now();
  std::lock_guard lock(mutex_);
  for (auto it = by_cookie_digest_.begin(); it != by_cookie_digest_.end();) {
    if (it->second->idle_longer_than(idle_timeout_, now)) {
      out.push_back(std::move(it->second));
      it = by_cookie_digest_.erase(it);
    } else {
      ++it;
    }
  }
  return out;
}

void SessionStore::reap_loop() {
  // Checks a few times per timeout, so a session ends at most a quarter of the timeout late.
  auto interval = std::clamp(idle_timeout_ / 4, std::chrono::milliseconds(50),
                             std::chrono::milliseconds(std::chrono::seconds(30)));
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    wake_reaper_.wait_for(lock, interval, [this] { return stopping_; });
    if (stopping_) break;
    lock.unlock();
    take_idle();  // the sessions end here, outside the lock
    lock.lock();
  }
}

std::string WebSession::add_download(Download d) {
  std::string token = random_token(24);
  std::lock_guard lock(downloads_mutex_);
  downloads_.emplace_back(token, std::move(d));
  if (downloads_.size() > kDownloadsKept) downloads_.pop_front();
  return token;
}

std::optional<WebSession::Download> WebSession::download(const std::string& token) const {
  std::lock_guard lock(downloads_mutex_);
  for (const auto& [t, d] : downloads_)
    if (constant_time_equal(t, token)) return d;
  return std::nullopt;
}

}  // namespace sparestock::web
