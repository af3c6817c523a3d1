#include "web/static_files.h"

namespace sparestock::web {

const EmbeddedFile* find_client_file(std::string_view request_path) {
  if (request_path.empty() || request_path.front() != '/') return nullptr;
  std::string_view path = request_path.substr(1);
  if (path.empty()) path = "index.html";
  if (path.find("..") != std::string_view::npos || path.find('\\') != std::string_view::npos ||
      path.find('\0') != std::string_view::npos)
    return nullptr;
  for (const auto& f : embedded_files())
    if (f.path == path) return &f;
  return nullptr;
}

std::string content_type_of(std::string_view path) {
  static constexpr std::pair<std::string_view, std::string_view> kTypes[] = {
      {".html", "text/html; charset=utf-8"},
      {".js", "text/javascript; charset=utf-8"},
      {".mjs", "text/javascript; charset=utf-8"},
      {".css", "text/css; charset=utf-8"},
      {".json", "application/json; charset=utf-8"},
      {".map", "application/json; charset=utf-8"},
      {".txt", "text/plain; charset=utf-8"},
      {".svg", "image/svg+xml"},
      {".png", "image/png"},
      {".jpg", "image/jpeg"},
      {".gif", "image/gif"},
      {".ico", "image/x-icon"},
      {".bmp", "image/bmp"},
      {".woff", "font/woff"},
      {".woff2", "font/woff2"},
      {".ttf", "font/ttf"},
  };
  auto dot = path.rfind('.');
  if (dot != std::string_view::npos) {
    std::string_view ext = path.substr(dot);
    for (const auto& [e, type] : kTypes)
      if (e == ext) return std::string(type);
  }
  return "application/octet-stream";
}

}  // namespace sparestock::web
