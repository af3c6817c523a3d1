// The module library's entry points and the runtime's checks of them at start-up.

#include <algorithm>
#include <filesystem>
#include <map>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "common/structures.h"
#include "host/lib/help.h"
#include "host/lib/module_loader.h"
#include "host/ui/window.h"
#include "stock_enquiry/s_bj704_001.h"

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
  EXPECT_EQ(kinds["structure"], 3);  // s_bj605_001, s_bj605_003 and the stock row s_bj704_001
  EXPECT_EQ(kinds["grid"], 15);
  EXPECT_EQ(kinds["help"], 4);

  // Every form of the module is found and built by the registry through its entries.
  std::vector<std::string> forms;
  for (const auto& o : objects)
    if (o.kind == "window") {
      forms.push_back(o.name);
      EXPECT_NE(ui::find_window_class(o.name), nullptr) << o.name;
    }
  EXPECT_EQ(forms,
            (std::vector<std::string>{"w_bj704_001", "w_bj704_001_001", "w_bj704_001_003", "w_bj704_002",
                                      "w_bj701_001", "w_bj701_001_001", "w_bj703_001", "w_bj902_001"}));
}

const lib::ModuleObject& object_named(const std::vector<lib::ModuleObject>& objects, const std::string& name) {
  auto it = std::find_if(objects.begin(), objects.end(), [&](const auto& o) { return o.name == name; });
  if (it == objects.end()) throw std::runtime_error("no object " + name);
  return *it;
}

TEST(ModuleLoader, NumbersComeFromTheObjectListAndTheDeclarations) {
  const auto& objects = lib::load_module();
  // Object numbers are the object list's lines.
  struct Case {
    const char* object;
    int number;
  };
  for (const Case& c : std::vector<Case>{{"w_bj704_001", 1},
                                         {"w_bj704_001_001", 2},
                                         {"w_bj704_001_003", 3},
                                         {"w_bj704_002", 4},
                                         {"w_bj701_001", 5},
                                         {"w_bj701_001_001", 6},
                                         {"w_bj703_001", 7},
                                         {"w_bj902_001", 8},
                                         {"m_bj600_001", 9},
                                         {"m_bj605_001", 11},
                                         {"uo_pdpx", 12},
                                         {"s_bj605_001", 13},
                                         {"s_bj605_003", 14},
                                         {"d_bj704_002", 15},
                                         {"r_bj606_001", 29},
                                         {"s_bj704_001", 30},
                                         {"help_201", 31},
                                         {"help_211", 34}})
    EXPECT_EQ(object_named(objects, c.object).number, c.number) << c.object;

  // Every entry is named by the numbers of its table.
  for (const auto& o : objects)
    for (const auto& s : o.scripts)
      EXPECT_EQ(s.entry, fmt::format("__fn_{}_{}_{}", o.number, s.control, s.script)) << o.name;

  // A descendant keeps its ancestor's control numbers and numbers its own controls after them.
  const auto& ancestor = object_named(objects, "w_bj704_001");
  std::map<std::string, int> inherited;
  for (const auto& s : ancestor.scripts) inherited[s.control_name] = s.control;
  int highest = 0;
  for (const auto& [name, number] : inherited) highest = std::max(highest, number);
  for (const char* name : {"w_bj704_001_001", "w_bj704_001_003"}) {
    const auto& form = object_named(objects, name);
    EXPECT_EQ(form.ancestor, "w_bj704_001");
    for (const auto& s : form.scripts) {
      if (auto it = inherited.find(s.control_name); it != inherited.end())
        EXPECT_EQ(s.control, it->second) << name << " " << s.control_name;
      else
        EXPECT_GT(s.control, highest) << name << " " << s.control_name;
    }
  }
  // The scripts both list forms share carry the same numbers in each.
  auto shared = [&](const char* name) {
    std::vector<std::string> out;
    for (const auto& s : object_named(objects, name).scripts)
      if (s.control_name == "dw_edit" || s.control_name == "cb_5" || s.control_name.starts_with("rb_"))
        out.push_back(fmt::format("{}.{} {}.{}", s.control, s.script, s.control_name, s.event));
    return out;
  };
  EXPECT_EQ(shared("w_bj704_001_001"), shared("w_bj704_001_003"));
  EXPECT_EQ(shared("w_bj704_001_001").size(), 8u);
}

TEST(ModuleLoader, StructuresAreReportedThroughTheirFieldsEntry) {
  lib::load_module();
  struct Case {
    std::any value;
    nlohmann::json expected;
  };
  stock_enquiry::s_bj704_001 row;
  row.ccph = "A0001";
  row.nkcsl = 12;
  row.nckdj = db::Decimal::parse("3.5").value().rescale(2);
  for (const Case& c : std::vector<Case>{
           {common::s_bj605_001{"01", "总库", "A", "A区", "A-01"},
            {{"kh", "01"}, {"km", "总库"}, {"kq", "A"}, {"kqm", "A区"}, {"kw", "A-01"}}},
           {common::s_bj605_003{"A0001", "滤清器", db::Decimal::parse("12.50").value()},
            {{"cph", "A0001"}, {"cpmc", "滤清器"}, {"cbdj", "12.50"}}},
           {row,
            {{"ccph", "A0001"},
             {"ccpmc", ""},
             {"cjldw", ""},
             {"ckh", ""},
             {"nkcsl", 12},
             {"nkykc", 0},
             {"nckdj", "3.50"},
             {"nwxdj", "0.00"},
             {"ndj", "0.00"},
             {"ncgdj", "0.00"},
             {"ncbgx", 0},
             {"ncbdx", 0},
             {"ccjh", ""}}},
       })
    EXPECT_EQ(ui::close_value_to_json(c.value), c.expected) << c.expected.dump();
}

TEST(ModuleLoader, HelpTopicsComeFromTheModule) {
  lib::load_module();
  std::optional<lib::HelpTopic> stock = lib::find_help_topic(201);
  ASSERT_TRUE(stock);
  EXPECT_EQ(stock->title, "库存查询");
  // The index lists the module's topics beside the host's, each with what it covers.
  std::string index = lib::find_help_topic(0)->text;
  for (const char* line :
       {"201 库存查询（查询备件库存情况、查询0库存）\n", "202 库存特殊调整（含库存数据恢复、清除空库位）\n",
        "204 查询库存超低储报警\n", "211 修改备件成本单价\n", "418 库存状态\n"})
    EXPECT_NE(index.find(line), std::string::npos) << line;
  // A number already taken is refused and changes nothing.
  EXPECT_FALSE(lib::register_help_topic({201, "另一个", "文字", ""}));
  EXPECT_FALSE(lib::register_help_topic({0, "目录", "文字", ""}));
  EXPECT_EQ(lib::find_help_topic(201)->title, "库存查询");
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
  std::filesystem::copy_file(lib::default_module_path(), cut,
                             std::filesystem::copy_options::overwrite_existing);
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
