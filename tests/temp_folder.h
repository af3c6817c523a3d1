#pragma once
// A temporary folder of one test, removed with everything in it when the test ends (also when
// an assertion ends it early), and whole files written into it and read back.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace sparestock::test {

// The whole of a file's bytes; "" when it cannot be read.
inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sparestock_test_XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string path() const { return path_.string(); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream f(path_ / name, std::ios::binary | std::ios::trunc);
    f << bytes;
  }
  std::string read(const std::string& name) const { return read_file(path_ / name); }

 private:
  std::filesystem::path path_;
};

}  // namespace sparestock::test
