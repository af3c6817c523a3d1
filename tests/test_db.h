#pragma once
// Test databases on every backend under test: SQLite always, PostgreSQL when
// SPARESTOCK_TEST_PG holds a server URI (`make test` starts a throwaway server and sets it).
// With SPARESTOCK_REQUIRE_PG=1 a missing server makes the PostgreSQL tests fail rather than
// vanish.
//
//   class MyTest : public testing::TestWithParam<db::Backend> {};
//   TEST_P(MyTest, Something) { test::TestDatabase tdb(GetParam()); auto conn = tdb.connect(); }
//   INSTANTIATE_TEST_SUITE_P(Backends, MyTest, testing::ValuesIn(test::backends()),
//                            test::backend_name_of);

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/db/connection.h"

namespace sparestock::db {
// Test names and failure messages say "sqlite" or "postgres".
inline void PrintTo(Backend b, std::ostream* os) { *os << backend_name(b); }
}  // namespace sparestock::db

namespace sparestock::test {

std::vector<db::Backend> backends();
std::string backend_name_of(const testing::TestParamInfo<db::Backend>& info);

// A fresh database for one test: a new SQLite file in a temporary folder, or a new schema on
// the PostgreSQL server (reached through the target's search_path). Removed on destruction.
class TestDatabase {
 public:
  explicit TestDatabase(db::Backend backend, bool with_schema = true);
  ~TestDatabase();
  TestDatabase(const TestDatabase&) = delete;
  TestDatabase& operator=(const TestDatabase&) = delete;

  db::Backend backend() const { return backend_; }
  // What a transaction object or `--db` takes to reach this database.
  const std::string& target() const { return target_; }
  std::unique_ptr<db::Connection> connect() const;

 private:
  db::Backend backend_;
  std::string target_;
  std::string folder_;  // SQLite
  std::string schema_;  // PostgreSQL
};

}  // namespace sparestock::test
