#pragma once
// Throttling of login attempts. Attempts are counted per user (company and user code) and per
// client address over a sliding window; once a user or an address has failed too often within
// the window, its further attempts are refused without looking at the password, until the
// oldest failure leaves the window. A successful login clears the user's count (not the
// address's, so one known password does not open the door to guessing others).
//
// An attempt counts as a failure from the moment it is let in, before its password is checked
// (which takes a while): attempts sent side by side all count, so no more than the limit are
// ever checked at once. A success or an attempt that could not be checked takes its count back.
//
//   auto attempt = throttle.begin(user, address);
//   if (!attempt) refuse (429);
//   password matches ? throttle.succeeded(*attempt) : throttle.failed(*attempt);

#include <chrono>
#include <deque>
#include <mutex>
#include <optional>
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

  // An attempt let in, counted as a failure until told otherwise.
  struct Attempt {
    std::string user, address;
    Clock::time_point at;
  };

  // Lets an attempt for `user` from `address` in and counts it as a failure; nullopt (nothing
  // counted) when the user or the address has failed too often.
  std::optional<Attempt> begin(const std::string& user, const std::string& address);
  // The password matched: the user's failures are cleared and the address's count taken back.
  void succeeded(const Attempt& attempt);
  // The password did not match: the failure stays counted, from now (it leaves the window a
  // window's length after it was found, however long the check took).
  void failed(const Attempt& attempt);
  // The attempt could not be checked (the database was down): its count is taken back.
  void abandoned(const Attempt& attempt);

 private:
  using Failures = std::deque<Clock::time_point>;
  // Drops failures older than the window; true when none is left.
  bool expire(Failures& f, Clock::time_point now) const;
  // Keeps the tables bounded: forgets keys whose failures have all left the window.
  void sweep(Clock::time_point now);
  // Takes back the count of one attempt made at `at`; true when there was one.
  static bool take_back(std::unordered_map<std::string, Failures>& table, const std::string& key,
                        Clock::time_point at);

  ThrottleLimits limits_;
  std::mutex mutex_;
  std::unordered_map<std::string, Failures> users_, addresses_;
  Clock::time_point last_sweep_{};
};

}  // namespace sparestock::web
