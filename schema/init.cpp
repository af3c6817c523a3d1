#include "schema/init.h"

#include <filesystem>

namespace sparestock::schema {

namespace {

void remove_created_file(const std::string& path) {
  std::error_code ec;
  for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::filesystem::remove(path + suffix, ec);
}

}  // namespace

std::string shown_target(const std::string& target) {
  if (!db::is_postgres_target(target)) return target;
  size_t scheme = target.find("://") + 3;
  size_t at = target.find('@', scheme);
  size_t colon = target.find(':', scheme);
  if (at == std::string::npos || colon == std::string::npos || colon > at) return target;
  return target.substr(0, colon + 1) + "***" + target.substr(at);
}

std::unique_ptr<db::Connection> initialize(const std::string& target, const InitOptions& options) {
  bool created = !db::is_postgres_target(target) && !std::filesystem::exists(target);
  std::unique_ptr<db::Connection> conn;
  try {
    conn = db::open_connection(target, /*create=*/true);
    if (!options.force && holds_data(*conn))
      throw InitRefused(shown_target(target) +
                        " already holds a spare-parts stock database; nothing was changed "
                        "(use --force to replace it)");
    conn->begin();
    if (options.force) drop_schema(*conn);
    create_schema(*conn);
    if (options.demo) load_demo(*conn, options.demo_options);
    conn->commit();
  } catch (...) {
    if (conn) {
      try {
        conn->rollback();
      } catch (...) {
      }
      conn.reset();
    }
    if (created) remove_created_file(target);
    throw;
  }
  return conn;
}

}  // namespace sparestock::schema
