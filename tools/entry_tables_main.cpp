// entry_tables OUTPUT OBJECT_LIST SOURCE...
//
// Writes the module's entry numbers (tools/entry_tables.h) to OUTPUT from the object list and
// the declarations in the sources. OUTPUT is rewritten only when its text changes, so that a
// source edited without touching a declaration recompiles nothing else. Exits with status 1
// and a "file:line: ..." message when a declaration cannot be numbered.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/entry_tables.h"

namespace {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw sparestock::entry_tables::EntryTableError(path + ": cannot be read");
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace sparestock::entry_tables;
  if (argc < 3) {
    std::cerr << "usage: entry_tables OUTPUT OBJECT_LIST SOURCE...\n";
    return 2;
  }
  try {
    std::string list_file = argv[2];
    std::vector<std::string> list = read_object_list(read_file(list_file), list_file);
    std::vector<Declaration> declarations;
    for (int i = 3; i < argc; ++i) {
      std::vector<Declaration> found = scan(read_file(argv[i]), argv[i]);
      declarations.insert(declarations.end(), found.begin(), found.end());
    }
    std::string text = header(number_objects(list, declarations));
    std::string output = argv[1];
    if (std::filesystem::exists(output) && read_file(output) == text) return 0;
    // Written beside and renamed, so that a failed write never leaves half a header.
    std::filesystem::create_directories(std::filesystem::path(output).parent_path());
    std::string partial = output + ".partial";
    {
      std::ofstream out(partial, std::ios::binary | std::ios::trunc);
      out << text;
      if (!out.flush()) throw EntryTableError(partial + ": cannot be written");
    }
    std::filesystem::rename(partial, output);
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "entry_tables: " << e.what() << "\n";
    return 1;
  }
}
