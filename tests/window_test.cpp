// Windows and controls: response windows suspend their opener and hand back a value, close
// queries keep a window open, radio buttons are exclusive within their group, edit fields
// refuse text beyond their limit.

#include <gtest/gtest.h>

#include "host/ui/session.h"

namespace sparestock::ui {
namespace {

// A popup that returns what was typed on Enter and nothing on Escape.
class TestPopup : public Window {
 public:
  explicit TestPopup(Session& s) : Window(s, "w_test_popup", WindowType::Response) {
    sle_1.ue_press = [this](Key k) {
      if (k == Key::Escape) session().windows().closewithreturn(*this, std::string());
      if (k == Key::Enter) session().windows().closewithreturn(*this, sle_1.text);
    };
  }
  void open() override { sle_1.setfocus(); }
  SingleLineEdit sle_1{*this, "sle_1", 20, true};
};

class TestForm : public Window {
 public:
  explicit TestForm(Session& s) : Window(s, "w_test_form") {
    cb_1.clicked = [this] {
      session().windows().open("w_test_popup");
      answer = session().windows().message.stringparm;
      st_1.text = "answered";
    };
  }
  int closequery() override { return keep_open ? 1 : 0; }
  CommandButton cb_1{*this, "cb_1", "查询(&Q)"};
  StaticText st_1{*this, "st_1", ""};
  GroupBox gb_1{*this, "gb_1", "年份"};
  RadioButton rb_1{*this, "rb_1", "去年", true};
  RadioButton rb_2{*this, "rb_2", "今年"};
  RadioButton rb_3{*this, "rb_3", "其他组"};
  std::string answer = "unset";
  bool keep_open = false;
};

[[maybe_unused]] const bool registered = [] {
  register_window_class("w_test_popup", [](Session& s) { return std::make_unique<TestPopup>(s); });
  register_window_class("w_test_form", [](Session& s) { return std::make_unique<TestForm>(s); });
  return true;
}();

TEST(WindowTest, ResponseWindowSuspendsItsOpenerAndHandsBackAValue) {
  Session s;
  TestForm* form = nullptr;
  s.post([&] { form = static_cast<TestForm*>(s.windows().open("w_test_form")); });
  ASSERT_NE(form, nullptr);
  s.post([&] { form->cb_1.clicked(); });
  // The opener waits inside its click handler while the popup is open.
  EXPECT_EQ(form->answer, "unset");
  auto* popup = static_cast<TestPopup*>(s.windows().blocking());
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->focus(), &popup->sle_1);
  s.post([&] { EXPECT_TRUE(popup->sle_1.type("abcd 01")); });
  EXPECT_EQ(popup->sle_1.text, "ABCD 01");
  s.post([&] { popup->sle_1.ue_press(Key::Enter); });
  EXPECT_EQ(form->answer, "ABCD 01");
  EXPECT_EQ(form->st_1.text, "answered");
  EXPECT_EQ(s.windows().blocking(), nullptr);
  auto reports = s.take_reports();
  ASSERT_EQ(reports.closed.size(), 1u);
  EXPECT_EQ(reports.closed[0]["class"], "w_test_popup");
  EXPECT_EQ(reports.closed[0]["returned"], "ABCD 01");
}

TEST(WindowTest, FieldRefusesTextBeyondItsLimit) {
  Session s;
  TestPopup* popup = nullptr;
  TestForm* form = nullptr;
  s.post([&] { form = static_cast<TestForm*>(s.windows().open("w_test_form")); });
  s.post([&] { form->cb_1.clicked(); });
  popup = static_cast<TestPopup*>(s.windows().blocking());
  s.post([&] {
    EXPECT_TRUE(popup->sle_1.type("12345678901234567890"));
    EXPECT_FALSE(popup->sle_1.type("123456789012345678901"));
    EXPECT_TRUE(popup->sle_1.type("备件号备件号备件号备件号备件号备件号备件"));  // 20 characters
  });
  EXPECT_EQ(popup->sle_1.text, "备件号备件号备件号备件号备件号备件号备件");
  s.post([&] { popup->sle_1.ue_press(Key::Escape); });
  EXPECT_EQ(form->answer, "");
}

TEST(WindowTest, CloseQueryKeepsTheWindowOpen) {
  Session s;
  TestForm* form = nullptr;
  int rc = 0;
  s.post([&] { form = static_cast<TestForm*>(s.windows().open("w_test_form")); });
  form->keep_open = true;
  s.post([&] { rc = s.windows().close(*form); });
  EXPECT_EQ(rc, -1);
  EXPECT_EQ(s.windows().find("w_test_form"), form);
  form->keep_open = false;
  s.post([&] { rc = s.windows().close(*form); });
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(s.windows().find("w_test_form"), nullptr);
}

TEST(WindowTest, RadioButtonsAreExclusiveWithinTheirGroup) {
  Session s;
  TestForm* form = nullptr;
  s.post([&] {
    form = static_cast<TestForm*>(s.windows().open("w_test_form"));
    form->rb_1.group = form->rb_2.group = &form->gb_1;
    form->rb_3.checked = true;
  });
  s.post([&] { form->rb_2.click(); });
  EXPECT_FALSE(form->rb_1.checked);
  EXPECT_TRUE(form->rb_2.checked);
  EXPECT_TRUE(form->rb_3.checked) << "a button of another group is left alone";
  EXPECT_EQ(form->cb_1.accelerator(), 'Q');
}

}  // namespace
}  // namespace sparestock::ui
