#include "web/login_throttle.h"

#include <algorithm>

namespace sparestock::web {

bool LoginThrottle::expire(Failures& f, Clock::time_point now) const {
  while (!f.empty() && now - f.front() >= limits_.window) f.pop_front();
  return f.empty();
}

void LoginThrottle::sweep(Clock::time_point now) {
  if (now - last_sweep_ < limits_.window) return;
  last_sweep_ = now;
  for (auto* table : {&users_, &addresses_})
    for (auto it = table->begin(); it != table->end();)
      it = expire(it->second, now) ? table->erase(it) : std::next(it);
}

bool LoginThrottle::take_back(std::unordered_map<std::string, Failures>& table, const std::string& key,
                              Clock::time_point at) {
  auto it = table.find(key);
  if (it == table.end()) return false;
  Failures& f = it->second;
  auto found = std::find(f.rbegin(), f.rend(), at);
  bool taken = found != f.rend();
  if (taken) f.erase(std::next(found).base());
  if (f.empty()) table.erase(it);
  return taken;
}

std::optional<LoginThrottle::Attempt> LoginThrottle::begin(const std::string& user,
                                                           const std::string& address) {
  std::lock_guard lock(mutex_);
  auto now = Clock::now();
  sweep(now);
  auto over = [&](std::unordered_map<std::string, Failures>& table, const std::string& key, size_t limit) {
    auto it = table.find(key);
    return it != table.end() && !expire(it->second, now) && it->second.size() >= limit;
  };
  if (over(users_, user, limits_.failures_per_user) || over(addresses_, address, limits_.failures_per_address))
    return std::nullopt;
  users_[user].push_back(now);
  addresses_[address].push_back(now);
  return Attempt{user, address, now};
}

void LoginThrottle::succeeded(const Attempt& attempt) {
  std::lock_guard lock(mutex_);
  users_.erase(attempt.user);
  take_back(addresses_, attempt.address, attempt.at);
}

void LoginThrottle::failed(const Attempt& attempt) {
  std::lock_guard lock(mutex_);
  auto now = Clock::now();
  // Moved to the end, which keeps each list in time order (an attempt already expired is gone).
  if (take_back(users_, attempt.user, attempt.at)) users_[attempt.user].push_back(now);
  if (take_back(addresses_, attempt.address, attempt.at)) addresses_[attempt.address].push_back(now);
}

void LoginThrottle::abandoned(const Attempt& attempt) {
  std::lock_guard lock(mutex_);
  take_back(users_, attempt.user, attempt.at);
  take_back(addresses_, attempt.address, attempt.at);
}

}  // namespace sparestock::web
