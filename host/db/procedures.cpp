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

void register_procedure(ProcedureSpec spec) {
  std::lock_guard lock(registry_mutex());
  std::string name = spec.name;
  registry()[name] = std::move(spec);
}

const ProcedureSpec* find_procedure(const std::string& name) {
  std::lock_guard lock(registry_mutex());
  auto it = registry().find(name);
  return it == registry().end() ? nullptr : &it->second;
}

}  // namespace sparestock::db
