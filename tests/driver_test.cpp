// The automation protocol on test windows: requests answered with state, refusals with
// errors that change nothing.

#include <gtest/gtest.h>

#include "host/driver/driver.h"
#include "tests/test_db.h"

namespace sparestock::driver {
namespace {

using nlohmann::json;

class ProtoForm : public ui::Window {
 public:
  explicit ProtoForm(ui::Session& s) : Window(s, "w_proto_form") {
    title = "协议测试";
    cb_1.clicked = [this] {
      int b = session().messagebox(session().globals().gs_tsxx, "继续?", ui::Icon::Question, ui::Buttons::YesNo);
      st_1.text = b == 1 ? "yes" : "no";
    };
    cb_2.enabled = false;
    sle_1.ue_enter = [this] { st_1.text = "entered " + sle_1.text; };
    ddlb_1.selectionchanged = [this](int i) { st_1.text = "item " + std::to_string(i); };
    on_user_event("ue_query", [this] { st_1.text = "queried"; });
    cb_3.clicked = [] { throw std::runtime_error("handler failed"); };
  }
  ui::CommandButton cb_1{*this, "cb_1", "问(&A)"};
  ui::CommandButton cb_2{*this, "cb_2", "禁用"};
  ui::CommandButton cb_3{*this, "cb_3", "失败"};
  ui::StaticText st_1{*this, "st_1", ""};
  ui::SingleLineEdit sle_1{*this, "sle_1", 20, true};
  ui::DropDownListBox ddlb_1{*this, "ddlb_1", {"常用", "不常用"}};
};

[[maybe_unused]] const bool registered = [] {
  ui::register_window_class("w_proto_form", [](ui::Session& s) { return std::make_unique<ProtoForm>(s); });
  return true;
}();

class DriverTest : public testing::Test {
 protected:
  test::TestDatabase tdb{db::Backend::Sqlite};
  Driver d{tdb.target()};

  json send(const json& r) { return d.handle(r); }
  json ok(const json& r) {
    json out = send(r);
    EXPECT_TRUE(out["ok"].get<bool>()) << r.dump() << " -> " << out.dump();
    return out;
  }
  std::string error(const json& r) {
    json out = send(r);
    EXPECT_FALSE(out["ok"].get<bool>()) << r.dump();
    return out.value("error", "");
  }
  std::string st_1() {
    return ok({{"op", "state"}})["state"]["windows"][0]["controls"]["st_1"]["text"];
  }
};

TEST_F(DriverTest, AUserSessionThroughTheProtocol) {
  EXPECT_EQ(error({{"op", "open"}, {"window", "w_proto_form"}}), "log in first (op \"host\")");
  ok({{"op", "host"}, {"globals", {{"gs_yhssgsh", "01"}, {"gs_tsxx", "提示"}}}});
  json s = ok({{"op", "open"}, {"window", "w_proto_form"}})["state"];
  ASSERT_EQ(s["windows"].size(), 1u);
  EXPECT_EQ(s["windows"][0]["title"], "协议测试");
  EXPECT_EQ(s["windows"][0]["controls"]["sle_1"]["limit"], 20);

  s = ok({{"op", "click"}, {"window", "w_proto_form"}, {"control", "cb_1"}})["state"];
  EXPECT_EQ(s["pending"]["text"], "继续?");
  EXPECT_EQ(s["pending"]["title"], "提示");
  EXPECT_EQ(s["messages"].size(), 1u);
  EXPECT_EQ(error({{"op", "click"}, {"window", "w_proto_form"}, {"control", "cb_1"}}),
            "a message box is waiting for an answer");
  ok({{"op", "answer"}, {"button", 2}});
  EXPECT_EQ(st_1(), "no");

  ok({{"op", "text"}, {"window", "w_proto_form"}, {"control", "sle_1"}, {"value", "abc"}});
  ok({{"op", "key"}, {"window", "w_proto_form"}, {"control", "sle_1"}, {"key", "enter"}});
  EXPECT_EQ(st_1(), "entered ABC");
  ok({{"op", "select"}, {"window", "w_proto_form"}, {"control", "ddlb_1"}, {"value", "不常用"}});
  EXPECT_EQ(st_1(), "item 2");
  ok({{"op", "event"}, {"window", "w_proto_form"}, {"name", "ue_query"}});
  EXPECT_EQ(st_1(), "queried");

  s = ok({{"op", "close"}, {"window", "w_proto_form"}})["state"];
  EXPECT_TRUE(s["windows"].empty());
  EXPECT_EQ(s["closed"][0]["class"], "w_proto_form");
  EXPECT_TRUE(s["closed"][0]["returned"].is_null());
}

TEST_F(DriverTest, BadRequestsAreRefusedAndChangeNothing) {
  ok({{"op", "host"}, {"globals", {{"gs_yhssgsh", "01"}}}});
  ok({{"op", "open"}, {"window", "w_proto_form"}});
  ok({{"op", "text"}, {"window", "w_proto_form"}, {"control", "sle_1"}, {"value", "KEEP"}});
  EXPECT_NE(d.handle_line("{not json").find("malformed JSON"), std::string::npos);
  EXPECT_EQ(error({{"op", "fly"}}), "unknown op: fly");
  EXPECT_EQ(error({{"op", "open"}, {"window", "w_nothing"}}), "unknown window class: w_nothing");
  EXPECT_EQ(error({{"op", "click"}, {"window", "w_other"}, {"control", "cb_1"}}), "no open window w_other");
  EXPECT_EQ(error({{"op", "click"}, {"window", "w_proto_form"}, {"control", "cb_9"}}),
            "window w_proto_form has no control cb_9");
  EXPECT_EQ(error({{"op", "click"}, {"window", "w_proto_form"}, {"control", "cb_2"}}), "control cb_2 is disabled");
  EXPECT_EQ(error({{"op", "text"}, {"window", "w_proto_form"}, {"control", "sle_1"},
                   {"value", "123456789012345678901"}}),
            "the field sle_1 takes at most 20 characters");
  EXPECT_EQ(error({{"op", "select"}, {"window", "w_proto_form"}, {"control", "ddlb_1"}, {"value", "x"}}),
            "the list ddlb_1 has no item x");
  EXPECT_EQ(error({{"op", "answer"}, {"button", 1}}), "no message box is waiting for an answer");
  EXPECT_EQ(error({{"op", "host"}, {"globals", {{"gs_nothing", "1"}}}}), "unknown global: gs_nothing");
  json s = ok({{"op", "state"}})["state"];
  EXPECT_EQ(s["windows"][0]["controls"]["sle_1"]["text"], "KEEP");
  EXPECT_TRUE(s["messages"].empty());
}

TEST_F(DriverTest, AFailingHandlerIsReportedAndTheSessionStaysUsable) {
  ok({{"op", "host"}, {"globals", {{"gs_yhssgsh", "01"}}}});
  ok({{"op", "open"}, {"window", "w_proto_form"}});
  json s = ok({{"op", "click"}, {"window", "w_proto_form"}, {"control", "cb_3"}})["state"];
  ASSERT_EQ(s["messages"].size(), 1u);
  EXPECT_EQ(s["messages"][0]["title"], "系统错误");
  EXPECT_EQ(s["messages"][0]["text"], "handler failed");
  ok({{"op", "event"}, {"window", "w_proto_form"}, {"name", "ue_query"}});
  EXPECT_EQ(st_1(), "queried");
}

}  // namespace
}  // namespace sparestock::driver
