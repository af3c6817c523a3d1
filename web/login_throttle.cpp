#include "web/login_throttle.h"

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

bool LoginThrottle::allowed(const std::string& user, const std::string& address) {
  std::lock_guard lock(mutex_);
  auto now = Clock::now();
  sweep(now);
  auto over = [&](std::unordered_map<std::string, Failures>& table, const std::string& key, size_t limit) {
    auto it = table.find(key);
    return it != table.end() && !expire(it->second, now) && it->second.size() >= limit;
  };
  return !over(users_, user, limits_.failures_per_user) &&
         !over(addresses_, address, limits_.failures_per_address);
}

void LoginThrottle::record_failure(const std::string& user, const std::string& address) {
  std::lock_guard lock(mutex_);
  auto now = Clock::now();
  users_[user].push_back(now);
  addresses_[address].push_back(now);
}

void LoginThrottle::record_success(const std::string& user) {
  std::lock_guard lock(mutex_);
  users_.erase(user);
}

}  // namespace sparestock::web
