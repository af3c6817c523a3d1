// The part-number popup w_bj704_002 and the pick list it opens, driven through the protocol:
// the popup hands back what was typed, F9 picks a part into the field without closing the
// popup, a cancelled pick list leaves the field alone, and the opener's handler goes on with
// the answer.

#include <gtest/gtest.h>

#include "host/lib/module_loader.h"
#include "host/ui/session.h"
#include "stock_enquiry/w_bj704_002.h"
#include "tests/scenario.h"

namespace sparestock::test {
namespace {

// Stands in for the stock enquiry form: cb_1 opens the popup and shows its answer.
class PopupOpener : public ui::Window {
 public:
  explicit PopupOpener(ui::Session& s) : Window(s, "w_test_popup_opener") {
    cb_1.clicked = [this] {
      st_1.text = "waiting";
      session().windows().open("w_bj704_002");
      st_1.text = "answer:" + session().windows().message.stringparm;
    };
  }
  ui::CommandButton cb_1{*this, "cb_1", "输入备件号"};
  ui::StaticText st_1{*this, "st_1", ""};
};

[[maybe_unused]] const bool registered = [] {
  lib::load_module();
  ui::register_window_class("w_test_popup_opener",
                            [](ui::Session& s) { return std::make_unique<PopupOpener>(s); });
  return true;
}();

class PopupScenario : public ScenarioTest {
 protected:
  // Logs in, opens the opener and the popup over it.
  void open_popup() {
    login();
    sc.open("w_test_popup_opener");
    sc.click("w_test_popup_opener", "cb_1");
    ASSERT_EQ(sc.window_classes(), (std::vector<std::string>{"w_test_popup_opener", "w_bj704_002"}));
    ASSERT_EQ(sc.text("w_test_popup_opener", "st_1"), "waiting") << "the opener waits for the popup";
  }
  std::string returned(const json& state) {
    if (state["closed"].size() != 1) {
      ADD_FAILURE() << "expected one closed window: " << state["closed"].dump();
      return "?";
    }
    EXPECT_EQ(state["closed"][0]["class"], "w_bj704_002");
    return state["closed"][0]["returned"].get<std::string>();
  }
};

TEST_P(PopupScenario, OpensModalWithTheFocusInTheFieldAboveTheCentre) {
  open_popup();
  json w = sc.window("w_bj704_002");
  EXPECT_TRUE(w["modal"].get<bool>());
  EXPECT_EQ(w["focus"], "sle_1");
  EXPECT_EQ(w["controls"]["st_1"]["text"], "备件号");
  EXPECT_EQ(w["controls"]["sle_1"]["limit"], 20);
  EXPECT_EQ(w["controls"]["pb_1"]["picture"], "locate.bmp");
  // 1280 x 800 pixels are 5851 x 3200 units; the popup sits 80 units above the centre.
  int width = w["width"], height = w["height"];
  EXPECT_EQ(w["x"], static_cast<int>(5851 * 0.5 - width * 0.5));
  EXPECT_EQ(w["y"], static_cast<int>(3200 * 0.5 - height * 0.5 - 80));
  // The opener is blocked while the popup is open.
  EXPECT_EQ(error({{"op", "click"}, {"window", "w_test_popup_opener"}, {"control", "cb_1"}}),
            "window w_test_popup_opener is blocked by the modal window w_bj704_002");
}

TEST_P(PopupScenario, EnterReturnsTheTextAsTyped) {
  open_popup();
  sc.type("w_bj704_002", "sle_1", " jl01 0112 ");
  json s = sc.key("w_bj704_002", "sle_1", "enter");
  EXPECT_EQ(returned(s), " jl01 0112 ") << "no trimming, no upper-casing, no check";
  EXPECT_EQ(sc.text("w_test_popup_opener", "st_1"), "answer: jl01 0112 ");
}

TEST_P(PopupScenario, EscapeAndEnterOnAnEmptyFieldReturnNothing) {
  open_popup();
  sc.type("w_bj704_002", "sle_1", "JL01");
  EXPECT_EQ(returned(sc.key("w_bj704_002", "sle_1", "escape")), "");
  EXPECT_EQ(sc.text("w_test_popup_opener", "st_1"), "answer:");

  sc.click("w_test_popup_opener", "cb_1");
  EXPECT_EQ(returned(sc.key("w_bj704_002", "sle_1", "enter")), "");
  EXPECT_EQ(sc.text("w_test_popup_opener", "st_1"), "answer:");
}

TEST_P(PopupScenario, OtherKeysDoNothing) {
  open_popup();
  sc.type("w_bj704_002", "sle_1", "JL01");
  for (const char* k : {"tab", "down", "f1", "home"}) {
    json s = sc.key("w_bj704_002", "sle_1", k);
    EXPECT_TRUE(s["closed"].empty()) << k;
  }
  EXPECT_EQ(sc.text("w_bj704_002", "sle_1"), "JL01");
}

TEST_P(PopupScenario, TheFieldTakesTwentyCharactersAndRefusesTwentyOne) {
  open_popup();
  sc.type("w_bj704_002", "sle_1", "12345678901234567890");
  EXPECT_EQ(error({{"op", "text"},
                   {"window", "w_bj704_002"},
                   {"control", "sle_1"},
                   {"value", "123456789012345678901"}}),
            "the field sle_1 takes at most 20 characters");
  EXPECT_EQ(sc.text("w_bj704_002", "sle_1"), "12345678901234567890");
  sc.type("w_bj704_002", "sle_1", "活塞活塞活塞活塞活塞活塞活塞活塞活塞活塞");
  EXPECT_EQ(returned(sc.key("w_bj704_002", "sle_1", "enter")), "活塞活塞活塞活塞活塞活塞活塞活塞活塞活塞");
}

TEST_P(PopupScenario, F9PicksAPartIntoTheFieldAndThePopupStaysOpen) {
  open_popup();
  sc.type("w_bj704_002", "sle_1", "OLD");
  json s = sc.key("w_bj704_002", "sle_1", "f9");
  ASSERT_EQ(sc.window_classes(),
            (std::vector<std::string>{"w_test_popup_opener", "w_bj704_002", "w_pick_list"}));
  // The company's parts, disabled ones included, as company, part number and name.
  EXPECT_EQ(sc.column("w_pick_list", "dw_1", "ccph"),
            (std::vector<std::string>{"JL01 0112", "JL01 01123", "JL01 0113", "JL02 0200", "QT'1", "XX99",
                                      "jx-7"}));
  json columns = sc.control("w_pick_list", "dw_1")["columns"];
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[0]["heading"], "公司号");
  EXPECT_EQ(columns[1]["heading"], "产品号");
  EXPECT_EQ(columns[2]["heading"], "产品名称");
  // The popup waits under the list.
  EXPECT_NE(error({{"op", "key"}, {"window", "w_bj704_002"}, {"control", "sle_1"}, {"key", "enter"}}), "");

  s = sc.pick("JL01 0113");
  ASSERT_EQ(s["closed"].size(), 1u);
  EXPECT_EQ(s["closed"][0]["class"], "w_pick_list");
  EXPECT_EQ(s["closed"][0]["returned"], "JL01 0113");
  json popup = sc.window("w_bj704_002");
  EXPECT_EQ(popup["controls"]["sle_1"]["text"], "JL01 0113") << "the whole text is replaced";
  EXPECT_EQ(popup["focus"], "sle_1");
  EXPECT_EQ(sc.text("w_test_popup_opener", "st_1"), "waiting");

  EXPECT_EQ(returned(sc.key("w_bj704_002", "sle_1", "enter")), "JL01 0113");
  EXPECT_EQ(sc.text("w_test_popup_opener", "st_1"), "answer:JL01 0113");
}

TEST_P(PopupScenario, TheButtonOpensTheSameListAndCancellingKeepsTheText) {
  open_popup();
  sc.type("w_bj704_002", "sle_1", "KEEP");
  sc.click("w_bj704_002", "pb_1");
  ASSERT_EQ(sc.window("w_pick_list")["title"], "选择");
  json s = sc.key("w_pick_list", "sle_1", "escape");
  EXPECT_TRUE(s["closed"][0]["returned"] == "");
  EXPECT_EQ(sc.text("w_bj704_002", "sle_1"), "KEEP");
  EXPECT_EQ(sc.window("w_bj704_002")["focus"], "sle_1");

  // The close box and the pick op's "" cancel too.
  sc.key("w_bj704_002", "sle_1", "f9");
  sc.ok({{"op", "close"}, {"window", "w_pick_list"}});
  sc.key("w_bj704_002", "sle_1", "f9");
  sc.pick("");
  EXPECT_EQ(sc.window_classes(), (std::vector<std::string>{"w_test_popup_opener", "w_bj704_002"}));
  EXPECT_EQ(sc.text("w_bj704_002", "sle_1"), "KEEP");
}

TEST_P(PopupScenario, ThePartsOfAnotherCompanyAreNeitherShownNorPicked) {
  open_popup();
  sc.key("w_bj704_002", "sle_1", "f9");
  EXPECT_EQ(error({{"op", "pick"}, {"value", "ZZ01"}}), "the pick list has no row with ccph = ZZ01");
  json rows = sc.rows("w_pick_list", "dw_1");
  for (const auto& r : rows) EXPECT_EQ(r["cgsh"], "01");
  EXPECT_EQ(sc.window_classes().back(), "w_pick_list") << "a refused pick leaves the list open";
}

INSTANTIATE_TEST_SUITE_P(Backends, PopupScenario, testing::ValuesIn(backends()), backend_name_of);

}  // namespace
}  // namespace sparestock::test
