#pragma once
// Creating a database for the module at a target, as `sparestock init` does.

#include <memory>
#include <stdexcept>
#include <string>

#include "host/db/connection.h"
#include "schema/schema.h"

namespace sparestock::schema {

// The target already holds the module's tables and replacing them was not asked for.
class InitRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct InitOptions {
  bool demo = false;
  DemoOptions demo_options;
  bool force = false;  // replace the module's tables when the target has them
};

// Creates the module's tables at `target` (a SQLite file, created when missing, or a
// postgresql:// URI) and loads demo data when asked, all in one transaction: on failure the
// target is as it was, and a SQLite file this call created is removed. Returns the open
// connection. Throws InitRefused (nothing changed), std::invalid_argument for bad demo options,
// db::DbError for an unreachable server or an unusable file.
std::unique_ptr<db::Connection> initialize(const std::string& target, const InitOptions& options);

// The target as it may be shown to a user: a password in a PostgreSQL URI is masked.
std::string shown_target(const std::string& target);

}  // namespace sparestock::schema
