// The grid definitions known to the runtime. The module installs its definitions when it is
// loaded; the host looks them up by name (a grid's dataobject).

#include <algorithm>
#include <mutex>

#include "host/grid/definition.h"

namespace sparestock::grid {

namespace {

std::mutex mutex;

std::vector<GridDefinition>& registry() {
  static std::vector<GridDefinition> r;
  return r;
}

}  // namespace

void install_definitions(std::vector<GridDefinition> definitions) {
  std::lock_guard lock(mutex);
  auto& r = registry();
  for (auto& def : definitions) {
    auto it = std::find_if(r.begin(), r.end(), [&](const GridDefinition& d) { return d.name == def.name; });
    if (it != r.end())
      *it = std::move(def);
    else
      r.push_back(std::move(def));
  }
}

const std::vector<GridDefinition>& all_definitions() { return registry(); }

const GridDefinition* find_definition(std::string_view name) {
  const auto& all = registry();
  auto it = std::find_if(all.begin(), all.end(), [&](const GridDefinition& d) { return d.name == name; });
  return it == all.end() ? nullptr : &*it;
}

}  // namespace sparestock::grid
