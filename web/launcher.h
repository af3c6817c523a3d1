#pragma once
// The launcher: the module's forms a user opens directly from the start page, with their
// titles. Response windows (the part-number popup, pick lists, dialogs) and the windows the
// forms open themselves are not in it.

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace sparestock::web {

struct LauncherEntry {
  std::string window_class;
  std::string title;
};

// The entries whose forms are registered in this program, in menu order. The titles are read
// from the forms themselves (each built once, without opening it, on a scratch session).
std::vector<LauncherEntry> launcher_entries();

// [{"class": ..., "title": ...}, ...]
nlohmann::json launcher_json(const std::vector<LauncherEntry>& entries);

}  // namespace sparestock::web
