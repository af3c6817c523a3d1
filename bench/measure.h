#pragma once
// What the protocol benchmarks share: a Driver request that must succeed, timing in
// milliseconds, and a SQLite statement stepped through as the reference of a measurement.

#include <sqlite3.h>

#include <chrono>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "host/driver/driver.h"

namespace sparestock::bench {

// The answer to `request`; a refusal stops the benchmark (throws with the request and answer).
inline nlohmann::json must(driver::Driver& d, const nlohmann::json& request) {
  nlohmann::json out = d.handle(request);
  if (!out.value("ok", false)) throw std::runtime_error(request.dump() + " -> " + out.dump());
  return out;
}

inline double ms_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Mean time of `repeat` runs of `fn`, in milliseconds.
template <class F>
double mean_ms(int repeat, F&& fn) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < repeat; ++i) fn();
  return ms_since(start) / repeat;
}

// Steps through the rows of `sql`, reading no column; answers their number.
inline long sqlite_rows(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
    throw std::runtime_error(sqlite3_errmsg(db));
  long n = 0;
  while (sqlite3_step(st) == SQLITE_ROW) ++n;
  sqlite3_finalize(st);
  return n;
}

}  // namespace sparestock::bench
