#include "host/lib/save_as.h"

#include <fmt/format.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>

#include "host/db/clock.h"

namespace sparestock::lib {

std::string export_folder() {
  const char* env = std::getenv("SPARESTOCK_EXPORT_DIR");
  std::filesystem::path folder = env && *env ? std::filesystem::path(env)
                                             : std::filesystem::temp_directory_path() / "sparestock-exports";
  std::filesystem::create_directories(folder);
  return folder.string();
}

int save_grid_as(ui::Window& window, const grid::Grid* grid, grid::ExportFormat format) {
  ui::Session& session = window.session();
  const std::string& title = session.globals().gs_tsxx;
  if (!grid) {
    session.messagebox(title, "没有可保存的数据!", ui::Icon::Exclamation);
    return -1;
  }
  // A name of its own for every file: the list's name, the time and a number of this process.
  static std::atomic<long> serial{0};
  const std::string& dataobject = grid->definition().name;
  std::string stamp = db::now().iso();
  for (char& c : stamp)
    if (c == ' ' || c == ':') c = c == ' ' ? '_' : '-';
  std::string name = fmt::format("{}_{}_{}_{}{}", dataobject, stamp, getpid(), ++serial,
                                 grid::export_extension(format));
  std::string path;
  long rows = 0;
  try {
    path = (std::filesystem::path(export_folder()) / name).string();
    grid::ExportOptions options;
    options.format = format;
    rows = grid::export_grid(*grid, path, options);
  } catch (const std::exception& e) {
    session.messagebox(title, std::string("保存失败!\n") + e.what(), ui::Icon::StopSign);
    return -1;
  }
  session.reports().saved.push_back({{"window", window.class_name()},
                                     {"dataobject", dataobject},
                                     {"rows", rows},
                                     {"format", format == grid::ExportFormat::Xlsx ? "xlsx" : "csv"},
                                     {"file", path}});
  return 1;
}

}  // namespace sparestock::lib
