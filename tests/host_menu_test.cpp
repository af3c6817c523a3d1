// The host's menus: which items the module's menus hide, the events their commands raise, clicks
// that cannot reach an item, and the help command.

#include <gtest/gtest.h>

#include "common/menus.h"
#include "host/lib/help.h"
#include "tests/host_test_windows.h"

namespace sparestock::lib {
namespace {

using nlohmann::json;
using test::Scenario;
using namespace testing_windows;

[[maybe_unused]] const bool registered = (register_host_test_windows(), true);

// Menus do no database work: SQLite only.

class MenuTest : public testing::Test {
 protected:
  Scenario sc{db::Backend::Sqlite};
  void SetUp() override { sc.login(); }
  json open_with(const std::string& menu) {
    return sc.ok({{"op", "open"}, {"window", "w_hl_probe"}, {"parm", menu}});
  }
};

TEST_F(MenuTest, ModuleMenusHideTheirItemsFromMenuAndToolbar) {
  const std::vector<std::string> record_items{"m_change", "m_add", "m_delete", "m_cancel", "m_save"};
  struct Case {
    std::string menu;
    std::vector<std::string> hidden;
  } cases[] = {
      {"m_e", {}},
      {"m_module", {}},
      {"m_bj600_001", {"m_add", "m_delete", "m_cancel", "m_save"}},
      {"m_bj601_001", {"m_add", "m_delete"}},
      {"m_bj605_001", {}},
      {"m_e4", record_items},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.menu);
    open_with(c.menu);
    json w = sc.window("w_hl_probe");
    EXPECT_EQ(w["menu"]["class"], c.menu);
    for (const std::string name : {"m_change", "m_add", "m_delete", "m_cancel", "m_save"}) {
      bool hidden = std::find(c.hidden.begin(), c.hidden.end(), name) != c.hidden.end();
      json i = item_of(w, name);
      EXPECT_EQ(i["visible"], !hidden) << name;
      EXPECT_EQ(i["toolbaritemvisible"], !hidden) << name;
      EXPECT_EQ(i["parent"], "m_edit");
      json r = menu_click(sc, "w_hl_probe", name);
      EXPECT_EQ(r["ok"], !hidden) << name << " " << r.dump();
      if (hidden) {
        EXPECT_EQ(r["error"], "menu item " + name + " is hidden");
      }
    }
    sc.ok({{"op", "close"}, {"window", "w_hl_probe"}});
  }
}

TEST_F(MenuTest, TheModuleMenuAddsQueryAndBrowseItemsAfterTheInheritedOnes) {
  open_with("m_bj605_001");
  std::vector<std::string> names;
  json w = sc.window("w_hl_probe");
  for (const auto& i : w["menu"]["items"]) names.push_back(i["name"]);
  EXPECT_EQ(names,
            (std::vector<std::string>{"m_edit",  "m_change", "m_add",     "m_delete", "m_cancel", "m_save",
                                      "m_exit1", "m_print1", "m_preview", "m_print",  "m_saveas", "m_help1",
                                      "m_help",  "m_2",      "m_1",       "m_4",      "m_3",      "m_",
                                      "m_5",     "m_6",      "m_7",       "m_8"}));
}

TEST_F(MenuTest, CommandsRaiseTheirEvents) {
  open_with("m_module");
  const std::pair<const char*, const char*> cases[] = {
      {"m_change", "ue_getfocus"},  {"m_add", "ue_add"},    {"m_delete", "ue_delete"},
      {"m_cancel", "ue_cancel"},    {"m_save", "ue_save"},  {"m_help", "ue_help"},
      {"m_1", "ue_query"},          {"m_3", "ue_sort"},     {"m_5", "ue_first"},
      {"m_6", "ue_last"},           {"m_7", "ue_next"},     {"m_8", "ue_end"},
      {"m_edit.m_save", "ue_save"}, {"m_4.m_7", "ue_next"},
  };
  std::string expected;
  for (auto [item, event] : cases) {
    json r = menu_click(sc, "w_hl_probe", item);
    ASSERT_TRUE(r["ok"].get<bool>()) << item << " " << r.dump();
    expected += (expected.empty() ? "" : " ") + std::string(event);
    EXPECT_EQ(sc.text("w_hl_probe", "st_1"), expected) << item;
  }
  // m_exit1 closes the window.
  json s = sc.ok({{"op", "menu"}, {"window", "w_hl_probe"}, {"item", "m_exit1"}});
  EXPECT_TRUE(s["windows"].empty());
  EXPECT_EQ(s["closed"][0]["class"], "w_hl_probe");
}

TEST_F(MenuTest, ClicksThatCannotReachAnItemAreRefusedAndRunNothing) {
  open_with("m_module");
  const std::pair<const char*, const char*> cases[] = {
      {"m_nothing", "menu m_module has no item m_nothing"},
      {"m_print1.m_save", "menu m_module has no item m_print1.m_save"},
      {"m_edit", "menu item m_edit opens a submenu"},
      {"m_", "menu item m_ is a separator"},
      {"m_preview", "menu item m_preview is disabled"},
  };
  for (auto [item, message] : cases)
    EXPECT_EQ(sc.error({{"op", "menu"}, {"window", "w_hl_probe"}, {"item", item}}), message);
  EXPECT_EQ(sc.text("w_hl_probe", "st_1"), "");
  // A disabled submenu disables its items.
  sc.session().post([&] { menu_of(*sc.session().windows().find("w_hl_probe"))->item("m_4").enabled = false; });
  EXPECT_EQ(sc.error({{"op", "menu"}, {"window", "w_hl_probe"}, {"item", "m_5"}}),
            "menu item m_5 is disabled");
  // A hidden entry whose toolbar button shows is still reachable.
  sc.session().post(
      [&] { menu_of(*sc.session().windows().find("w_hl_probe"))->item("m_help").visible = false; });
  sc.ok({{"op", "menu"}, {"window", "w_hl_probe"}, {"item", "m_help"}});
  EXPECT_EQ(sc.text("w_hl_probe", "st_1"), "ue_help");
}

TEST_F(MenuTest, AddOfM_bj605_001RunsTheInheritedActionThenStaysDisabled) {
  open_with("m_bj605_001");
  sc.ok({{"op", "menu"}, {"window", "w_hl_probe"}, {"item", "m_add"}});
  EXPECT_EQ(sc.text("w_hl_probe", "st_1"), "ue_add");
  EXPECT_EQ(item_of(sc.window("w_hl_probe"), "m_add")["enabled"], false);
  EXPECT_EQ(sc.error({{"op", "menu"}, {"window", "w_hl_probe"}, {"item", "m_add"}}),
            "menu item m_add is disabled");
  EXPECT_EQ(sc.text("w_hl_probe", "st_1"), "ue_add");
  // The other commands are untouched.
  sc.ok({{"op", "menu"}, {"window", "w_hl_probe"}, {"item", "m_delete"}});
  EXPECT_EQ(sc.text("w_hl_probe", "st_1"), "ue_add ue_delete");
  // A new instance starts enabled.
  sc.ok({{"op", "close"}, {"window", "w_hl_probe"}});
  open_with("m_bj605_001");
  EXPECT_EQ(item_of(sc.window("w_hl_probe"), "m_add")["enabled"], true);
}

// ---- help ----

TEST_F(MenuTest, HelpOpensOneModelessWindowShowingTheAskedTopic) {
  ui::Session& s = sc.session();
  int known = 0, unknown = 0;
  s.post([&] { known = f_open_help(s, 202); });
  json w = sc.window("w_help");
  EXPECT_EQ(known, 1);
  EXPECT_FALSE(w["modal"].get<bool>());
  EXPECT_EQ(w["controls"]["st_1"]["text"], "库存特殊调整");
  EXPECT_NE(w["controls"]["st_2"]["text"].get<std::string>().find("库存数据恢复"), std::string::npos);
  s.post([&] { unknown = f_open_help(s, 999); });
  EXPECT_EQ(unknown, -1);
  w = sc.window("w_help");
  EXPECT_EQ(w["controls"]["st_1"]["text"], "帮助目录");
  EXPECT_EQ(w["controls"]["st_2"]["text"].get<std::string>().rfind("没有编号为 999 的帮助主题。", 0), 0u);
  sc.ok({{"op", "select"}, {"window", "w_help"}, {"control", "ddlb_1"}, {"value", "204 查询库存超低储报警"}});
  EXPECT_EQ(sc.text("w_help", "st_1"), "查询库存超低储报警");
  json windows = sc.state()["windows"];
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_EQ(windows[0]["class"], "w_help");
}

}  // namespace
}  // namespace sparestock::lib
