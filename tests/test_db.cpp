#include "tests/test_db.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

#include "host/lib/module_loader.h"
#include "schema/procedures.h"
#include "schema/schema.h"

namespace sparestock::test {

namespace {

const char* pg_uri() {
  const char* uri = std::getenv("SPARESTOCK_TEST_PG");
  return uri && *uri ? uri : nullptr;
}

bool pg_required() {
  const char* r = std::getenv("SPARESTOCK_REQUIRE_PG");
  return r && std::string(r) == "1";
}

std::atomic<int> counter{0};

// Procedures and grid definitions are looked up by name; every test binary needs them.
const bool procedures_registered = (schema::register_procedures(), lib::load_module(), true);

}  // namespace

std::vector<db::Backend> backends() {
  std::vector<db::Backend> out{db::Backend::Sqlite};
  if (pg_uri() || pg_required()) out.push_back(db::Backend::Postgres);
  return out;
}

std::string backend_name_of(const testing::TestParamInfo<db::Backend>& info) {
  return std::string(db::backend_name(info.param));
}

TestDatabase::TestDatabase(db::Backend backend, bool with_schema) : backend_(backend) {
  (void)procedures_registered;
  std::string id = std::to_string(getpid()) + "_" + std::to_string(counter++);
  if (backend == db::Backend::Sqlite) {
    folder_ = (std::filesystem::temp_directory_path() / ("sparestock-test-" + id)).string();
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    target_ = folder_ + "/test.db";
    auto conn = db::open_connection(target_, /*create=*/true);
    if (with_schema) schema::create_schema(*conn);
    return;
  }
  const char* base = pg_uri();
  if (!base) throw std::runtime_error("SPARESTOCK_TEST_PG is not set but PostgreSQL is required");
  schema_ = "t_" + id;
  auto admin = db::open_connection(base);
  admin->exec_script("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE; CREATE SCHEMA " + schema_);
  std::string b(base);
  target_ = b + (b.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + schema_;
  if (with_schema) {
    auto conn = connect();
    schema::create_schema(*conn);
  }
}

TestDatabase::~TestDatabase() {
  try {
    if (backend_ == db::Backend::Sqlite) {
      std::filesystem::remove_all(folder_);
    } else if (const char* base = pg_uri()) {
      auto admin = db::open_connection(base);
      admin->exec_script("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE");
    }
  } catch (...) {
  }
}

std::unique_ptr<db::Connection> TestDatabase::connect() const { return db::open_connection(target_); }

}  // namespace sparestock::test
