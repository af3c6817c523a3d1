#pragma once
// Throttling of login attempts. Failed attempts are counted per user (company and user code)
// and per client address over a sliding window; once a user or an address has failed too
// often within the window, its further attempts are refused without looking at the password,
// until the oldest failure leaves the window. A successful login clears the user's count (not
// the address's, so one known password does not open the door to guessing others).

#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace sparestock::web {

struct ThrottleLimits {
  size_t failures_per_user = 5;
  size_t failures_per_address = 20;
  std::chrono::milliseconds window = std::chrono::minutes(15);
};

class LoginThrottle {
 public:
  using Clock = std::chrono::steady_clock;
  explicit LoginThrottle(ThrottleLimits limits = {}) : limits_(limits) {}

  // Whether an attempt for `user` from `address` may be checked now.
  bool allowed(const std::string& user, const std::string& address);
  void record_failure(const std::string& user, const std::string& address);
  void record_success(const std::string& user);

 private:
  using Failures = std::deque<Clock::time_point>;
  // Drops failures older than the window; true when none is left.
  bool expire(Failures& f, Clock::time_point now) const;
  // Keeps the tables bounded: forgets keys whose failures have all left the window.
  void sweep(Clock::time_point now);

  ThrottleLimits limits_;
  std::mutex mutex_;
  std::unordered_map<std::string, Failures> users_, addresses_;
  Clock::time_point last_sweep_{};
};

}  // namespace sparestock::web
