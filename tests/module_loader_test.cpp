// The module library's entry points and the runtime's checks of them at start-up.

#include <algorithm>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "host/lib/module_loader.h"
#include "host/ui/window.h"

namespace sparestock {
namespace {

std::string beside_tests(const std::string& file) {
  return (std::filesystem::path(lib::default_module_path()).parent_path() / file).string();
}

TEST(ModuleLoader, ModuleExportsATablePerObjectAndAnEntryPerScript) {
  const auto& objects = lib::load_module();
  std::vector<std::string> exports = lib::exported_symbols(lib::default_module_path());
  auto exported = [&](const std::string& name) {
    return std::find(exports.begin(), exports.end(), name) != exports.end();
  };
  std::map<std::string, int> kinds;
  for (const auto& o : objects) {
    ++kinds[o.kind];
    EXPECT_TRUE(exported("_getVtableInfo_" + o.name)) << o.name;
    for (const auto& s : o.scripts) EXPECT_TRUE(exported(s.entry)) << s.entry;
  }
  EXPECT_EQ(kinds["menu"], 3);
  EXPECT_EQ(kinds["userobject"], 1);
  EXPECT_EQ(kinds["structure"], 2);
  EXPECT_EQ(kinds["grid"], 15);

  // Every form of the module is found and built by the registry through its entries.
  std::vector<std::string> forms;
  for (const auto& o : objects)
    if (o.kind == "window") {
      forms.push_back(o.name);
      EXPECT_NE(ui::find_window_class(o.name), nullptr) << o.name;
    }
  EXPECT_EQ(forms, (std::vector<std::string>{"w_bj704_001", "w_bj704_001_001", "w_bj704_001_003", "w_bj704_002",
                                              "w_bj701_001", "w_bj701_001_001"}));
  EXPECT_TRUE(exported("__fn_4_2_1"));  // w_bj704_002 sle_1.ue_press
}

TEST(ModuleLoader, SoundFixtureLoads) {
  auto objects = lib::inspect_module(beside_tests("libfixture_module_0.so"));
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(objects[0].name, "w_fixture");
  ASSERT_EQ(objects[0].scripts.size(), 2u);
  EXPECT_EQ(objects[0].scripts[1].entry, "__fn_1_1_1");
  EXPECT_EQ(objects[0].scripts[1].control_name, "cb_1");
}

TEST(ModuleLoader, MismatchesStopTheStartNamingTheEntry) {
  struct Case {
    int fixture;
    std::string expected;
  };
  for (const Case& c : std::vector<Case>{
           {1, "lists script cb_1.clicked but the library exports no entry __fn_1_1_2"},
           {2, "exports entry __fn_1_9_9 that no object's table lists"},
           {3, "entry __fn_1_1_1 handles cb_9.clicked, which the object as built does not have"},
           {4, "entry __fn_1_1_1 handles cb_1.ue_enter, which the object as built does not have"},
           {5, "_getVtableInfo_w_fixture describes object 'w_other'"},
       }) {
    std::string path = beside_tests("libfixture_module_" + std::to_string(c.fixture) + ".so");
    try {
      lib::inspect_module(path);
      ADD_FAILURE() << "fixture " << c.fixture << " loaded";
    } catch (const lib::ModuleError& e) {
      EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
    }
  }
}

TEST(ModuleLoader, MissingOrForeignLibraryIsAClearError) {
  EXPECT_THROW(lib::inspect_module("/nonexistent/libbj_stock.so"), lib::ModuleError);
  try {
    lib::exported_symbols(SPARESTOCK_SOURCE_DIR "/README.md");
    ADD_FAILURE() << "a text file read as a library";
  } catch (const lib::ModuleError& e) {
    EXPECT_NE(std::string(e.what()).find("not a 64-bit ELF file"), std::string::npos);
  }
  // A library cut short: its section table lies beyond the end of the file.
  std::string cut = (std::filesystem::temp_directory_path() / "sparestock_cut_module.so").string();
  std::filesystem::copy_file(lib::default_module_path(), cut, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::resize_file(cut, 4096);
  try {
    lib::exported_symbols(cut);
    ADD_FAILURE() << "a truncated library read";
  } catch (const lib::ModuleError& e) {
    EXPECT_NE(std::string(e.what()).find("outside the file"), std::string::npos) << e.what();
  }
  std::filesystem::remove(cut);
}

}  // namespace
}  // namespace sparestock
