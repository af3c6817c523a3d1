#pragma once
// Creating the database: tables, views and indexes for either backend, and demo data.

#include <cstdint>
#include <string>

#include "host/db/connection.h"

namespace sparestock::schema {

// Creates every table, view and index on the connection (one script per backend, compiled into
// the program). Throws db::DbError; on failure nothing is left half created on PostgreSQL
// (the script runs in one transaction) and the caller removes a new SQLite file.
void create_schema(db::Connection& conn);

// True when the database already holds any table of the module that has rows, or any of
// the module's tables at all (a target that holds data is not overwritten without --force).
bool holds_data(db::Connection& conn);

// Removes every table and view of the module (for `init --force`).
void drop_schema(db::Connection& conn);

struct DemoOptions {
  int parts = 2000;       // parts per company
  uint64_t seed = 1;      // the same seed gives the same data
  std::string today;      // "2026-12-08"; documents span the two years before it
};

// Fills a freshly created schema with deterministic demo data. Throws db::DbError.
void load_demo(db::Connection& conn, const DemoOptions& options);

}  // namespace sparestock::schema
