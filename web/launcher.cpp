#include "web/launcher.h"

#include "host/ui/session.h"
#include "host/ui/window.h"

namespace sparestock::web {

namespace {

// The module's top-level forms, in the order of its menus: stock enquiry, stock status, zero
// stock, special adjustment, stock alarm, cost revision; then the host's stocktaking reports.
constexpr const char* kEntryForms[] = {"w_bj704_001", "w_bj704_001_001", "w_bj704_001_003", "w_bj701_001",
                                       "w_bj703_001", "w_bj902_001",     "w_reports"};

}  // namespace

std::vector<LauncherEntry> launcher_entries() {
  std::vector<LauncherEntry> out;
  ui::Session scratch;
  for (const char* cls : kEntryForms) {
    const ui::WindowFactory* factory = ui::find_window_class(cls);
    if (!factory) continue;
    std::string title;
    bool response = false;
    try {
      scratch.post([&] {
        std::unique_ptr<ui::Window> w = (*factory)(scratch);
        title = w->title;
        response = w->type() == ui::WindowType::Response;
      });
    } catch (const std::exception&) {
      continue;  // a form that cannot even be built is left out rather than offered
    }
    if (!response) out.push_back({cls, title.empty() ? std::string(cls) : title});
  }
  scratch.shutdown();
  return out;
}

nlohmann::json launcher_json(const std::vector<LauncherEntry>& entries) {
  nlohmann::json out = nlohmann::json::array();
  for (const auto& e : entries) out.push_back({{"class", e.window_class}, {"title", e.title}});
  return out;
}

}  // namespace sparestock::web
