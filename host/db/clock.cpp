#include "host/db/clock.h"

#include <ctime>
#include <mutex>

namespace sparestock::db {

namespace {
std::mutex mutex;
std::optional<DateTime> fixed;
}  // namespace

DateTime now() {
  {
    std::lock_guard lock(mutex);
    if (fixed) return *fixed;
  }
  std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return DateTime::from_parts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                              local.tm_min, local.tm_sec);
}

DateTime today() { return now().date(); }

void set_fixed_now(std::optional<DateTime> moment) {
  std::lock_guard lock(mutex);
  fixed = moment;
}

}  // namespace sparestock::db
