#include "host/db/procedures.h"

#include <mutex>

namespace sparestock::db {

namespace {

std::mutex& registry_mutex() {
  static std::mutex m;
  return m;
}

std::map<std::string, ProcedureSpec>& registry() {
  static std::map<std::string, ProcedureSpec> r;
  return r;
}

}  // namespace

void register_procedure(ProcedureSpec procedure) {
  std::lock_guard lock(registry_mutex());
  std::string name = procedure.name;
  registry()[name] = std::move(procedure);
}

const ProcedureSpec* find_procedure(const std::string& name) {
  std::lock_guard lock(registry_mutex());
  auto it = registry().find(name);
  return it == registry().end() ? nullptr : &it->second;
}

}  // namespace sparestock::db
