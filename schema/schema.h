#pragma once
// Creating the database: tables, views and indexes for either backend, and demo data.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "host/db/connection.h"

namespace sparestock::schema {

// Creates every table, view and index on the connection (one script per backend, compiled into
// the program). Runs inside the caller's transaction when one is open, else in its own. Throws
// db::DbError; on failure nothing is left half created (DDL is transactional on both backends),
// and a caller that created a new SQLite file removes it.
void create_schema(db::Connection& conn);

// True when the database already holds any table of the module that has rows, or any of
// the module's tables at all (a target that holds data is not overwritten without --force).
bool holds_data(db::Connection& conn);

// Removes every table and view of the module (for `init --force`).
void drop_schema(db::Connection& conn);

// The module's tables and views, in creation order (lower case).
const std::vector<std::string>& table_names();
const std::vector<std::string>& view_names();

struct DemoOptions {
  int parts = 2000;   // parts per company
  uint64_t seed = 1;  // the same seed gives the same data
  std::string today;  // "2026-12-08"; documents span the two years before it
  // Makes the stored hash of a password (salted afresh on each call); each demo user gets
  // the hash of the published demo password "demo123", made at load time. Without it the demo
  // users have no password and cannot log in to the web application.
  std::function<std::string(std::string_view)> hash_password;
};

// Fills a freshly created schema with deterministic demo data, inside the caller's transaction
// when one is open, else in its own. An empty `today` means the current date. Throws
// std::invalid_argument for bad options (nothing written) and db::DbError.
void load_demo(db::Connection& conn, const DemoOptions& options);

}  // namespace sparestock::schema
