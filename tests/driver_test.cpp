// The automation protocol on test windows: requests answered with state, refusals with
// errors that change nothing.

#include <gtest/gtest.h>

#include "host/driver/driver.h"
#include "host/ui/grid_control.h"
#include "tests/test_db.h"

namespace sparestock::driver {
namespace {

using nlohmann::json;

class ProtoForm : public ui::Window {
 public:
  explicit ProtoForm(ui::Session& s) : Window(s, "w_proto_form") {
    title = "协议测试";
    cb_1.clicked = [this] {
      int b = session().messagebox(session().globals().gs_tsxx, "继续?", ui::Icon::Question,
                                   ui::Buttons::YesNo);
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
  std::string st_1() { return ok({{"op", "state"}})["state"]["windows"][0]["controls"]["st_1"]["text"]; }
};

TEST_F(DriverTest, AUserSessionThroughTheProtocol) {
  EXPECT_EQ(error({{"op", "open"}, {"window", "w_proto_form"}}), "log in first (op \"host\")");
  ok({{"op", "host"}, {"globals", {{"gs_yhssgsh", "01"}, {"gs_tsxx", "提示"}}}});
  json s = ok({{"op", "open"}, {"window", "w_proto_form"}})["state"];
  ASSERT_EQ(s["windows"].size(), 1u);
  EXPECT_EQ(s["windows"][0]["title"], "协议测试");
  EXPECT_EQ(s["windows"][0]["controls"]["sle_1"]["limit"], 20);
  // The controls are keyed by name; `order` keeps the form's own order for the keyboard.
  EXPECT_EQ(s["windows"][0]["order"], json({"cb_1", "cb_2", "cb_3", "st_1", "sle_1", "ddlb_1"}));
  // A click or a choice in a list gives the control the focus, as the pointer does.
  EXPECT_EQ(s["windows"][0]["focus"], nullptr);
  s = ok({{"op", "select"}, {"window", "w_proto_form"}, {"control", "ddlb_1"}, {"value", "常用"}})["state"];
  EXPECT_EQ(s["windows"][0]["focus"], "ddlb_1");
  error({{"op", "select"}, {"window", "w_proto_form"}, {"control", "sle_1"}, {"value", "x"}});
  EXPECT_EQ(send({{"op", "state"}})["state"]["windows"][0]["focus"], "ddlb_1");

  s = ok({{"op", "click"}, {"window", "w_proto_form"}, {"control", "cb_1"}})["state"];
  EXPECT_EQ(s["pending"]["text"], "继续?");
  EXPECT_EQ(s["windows"][0]["focus"], "cb_1");
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
  EXPECT_EQ(error({{"op", "click"}, {"window", "w_proto_form"}, {"control", "cb_2"}}),
            "control cb_2 is disabled");
  EXPECT_EQ(error({{"op", "text"},
                   {"window", "w_proto_form"},
                   {"control", "sle_1"},
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

// A line that is no valid UTF-8 (or no JSON) is answered with an error in valid JSON, and the
// session goes on: the parser's message quotes the bad bytes, which the answer must not.
TEST_F(DriverTest, LinesOfBadBytesAreAnsweredAndTheSessionGoesOn) {
  ok({{"op", "host"}, {"globals", {{"gs_yhssgsh", "01"}}}});
  ok({{"op", "open"}, {"window", "w_proto_form"}});
  for (std::string line :
       {std::string("\xff\xfe"), std::string("{\"op\":\"\xc3\x28\"}"),
        std::string("{\"op\":\"text\",\"value\":\"\xed\xa0\x80\"}"), std::string("\"\xf0\x9f\x98"),
        std::string("{\"op\": \"state\"} \x80"), std::string("{\"op\":\"answer\",\"button\":3e733}")}) {
    std::string answer;
    ASSERT_NO_THROW(answer = d.handle_line(line)) << testing::PrintToString(line);
    json parsed = json::parse(answer, nullptr, false);
    ASSERT_FALSE(parsed.is_discarded()) << answer;
    EXPECT_EQ(parsed["ok"], false) << answer;
    EXPECT_EQ(parsed["error"].get<std::string>().rfind("malformed JSON", 0), 0u) << answer;
  }
  json s = json::parse(d.handle_line(R"({"op":"state"})"));
  EXPECT_EQ(s["ok"], true);
  EXPECT_EQ(s["state"]["windows"].size(), 1u);
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

// A grid laid out as the stock list is: a code column, an amount, a date, a computed field, a
// header and a detail text and a summary band with a plain label and two sums.
grid::GridDefinition proto_grid_definition() {
  grid::GridDefinition d;
  d.name = "d_proto_grid";
  grid::ColumnDef part{.name = "ccph",
                       .type = grid::GridType::Char,
                       .length = 20,
                       .heading = "备件号",
                       .format = "[general]",
                       .updatable = true};
  grid::ColumnDef quantity{.name = "nkcsl",
                           .type = grid::GridType::Decimal,
                           .scale = 2,
                           .heading = "库存数量",
                           .format = "##,###,###,##0.00",
                           .updatable = true};
  grid::ColumnDef common{
      .name = "lcyjbs", .type = grid::GridType::Number, .heading = "常用件", .format = "[general]"};
  common.code_table = {{"1", "常用"}, {"0", ""}};
  grid::ColumnDef last{
      .name = "dzhckrq", .type = grid::GridType::DateTime, .heading = "最后出库日期", .format = "yyyy/mm/dd"};
  last.entry = true;
  grid::ColumnDef hidden{
      .name = "cpym", .type = grid::GridType::Char, .length = 12, .format = "[general]", .visible = false};
  d.columns = {part, quantity, common, last, hidden};
  d.computed = {{"compute_1", "nkcsl * 2", "双倍", "0.00", grid::GridType::Decimal, 2}};
  d.band_items = {
      {.band = grid::Band::Header, .name = "t_1", .label = "月份"},
      {.band = grid::Band::Detail, .name = "t_2", .label = "数量"},
      {.band = grid::Band::Summary, .name = "t_3", .label = "合计:"},
      {.band = grid::Band::Summary,
       .name = "compute_2",
       .label = "库存数量合计",
       .expression = "sum(nkcsl for all)",
       .format = "##,###,###,##0.00"},
      {.band = grid::Band::Summary,
       .name = "compute_3",
       .label = "品种合计",
       .expression = "count(ccph for all distinct ccph)"},
  };
  return d;
}

class ProtoGridForm : public ui::Window {
 public:
  explicit ProtoGridForm(ui::Session& s) : Window(s, "w_proto_grid") {
    dw_1.place(10, 20, 3000, 1200);
    dw_1.grid.set_definition(proto_grid_definition());
    struct Row {
      const char* part;
      const char* quantity;
      double common;
      const char* last;
    };
    for (Row r : {Row{"JL01 0112", "1234567.5", 1, "2026-11-30 09:15:00"}, Row{"JL01 0113", "-0.25", 0, ""},
                  Row{"JL01 0112", "10", 1, "2026-01-02"}}) {
      long row = dw_1.grid.insertrow(0);
      dw_1.grid.setitem(row, "ccph", db::Value(r.part));
      dw_1.grid.setitem(row, "nkcsl", db::Value(*db::Decimal::parse(r.quantity)));
      dw_1.grid.setitem(row, "lcyjbs", db::Value(r.common));
      if (*r.last) dw_1.grid.setitem(row, "dzhckrq", db::Value(*db::DateTime::parse(r.last)));
    }
    dw_1.grid.modify("nkcsl.protect=1");
  }
  ui::GridControl dw_1{*this, "dw_1"};
};

[[maybe_unused]] const bool grid_form_registered = [] {
  ui::register_window_class("w_proto_grid", [](ui::Session& s) { return std::make_unique<ProtoGridForm>(s); });
  return true;
}();

// What a front end needs to draw a grid: column types, limits and protection, computed fields,
// band texts and summary labels in the state; display texts and summary values from `rows`.
TEST_F(DriverTest, AGridIsDrawnFromItsStateAndItsRowsAsShown) {
  ok({{"op", "host"}, {"globals", {{"gs_yhssgsh", "01"}}}});
  json g = ok({{"op", "open"}, {"window", "w_proto_grid"}})["state"]["windows"][0]["controls"]["dw_1"];
  EXPECT_EQ(g["x"], 10);
  EXPECT_EQ(g["width"], 3000);
  ASSERT_EQ(g["columns"].size(), 5u);
  EXPECT_EQ(g["columns"][0]["type"], "char");
  EXPECT_EQ(g["columns"][0]["limit"], 20);
  EXPECT_EQ(g["columns"][0]["protected"], false);
  EXPECT_EQ(g["columns"][1]["type"], "decimal");
  EXPECT_FALSE(g["columns"][1].contains("limit"));
  EXPECT_EQ(g["columns"][1]["protected"], true);
  EXPECT_EQ(g["columns"][3]["type"], "datetime");
  // Typing is offered only where the user enters values: the updatable part and the entry date.
  EXPECT_EQ(g["columns"][0]["editable"], true);
  EXPECT_EQ(g["columns"][1]["editable"], false);  // updatable but protected
  EXPECT_EQ(g["columns"][2]["editable"], false);
  EXPECT_EQ(g["columns"][3]["editable"], true);
  EXPECT_EQ(g["computed"],
            json::parse(R"([{"name":"compute_1","heading":"双倍","format":"0.00","type":"decimal"}])"));
  EXPECT_EQ(g["texts"], json::parse(R"([{"band":"header","name":"t_1","text":"月份"},
                                         {"band":"detail","name":"t_2","text":"数量"}])"));
  EXPECT_EQ(g["summary"],
            json::parse(R"([{"name":"t_3","label":"合计:"},{"name":"compute_2","label":"库存数量合计"},
                                           {"name":"compute_3","label":"品种合计"}])"));

  // Every visible column and computed field, formatted; the hidden column stays out.
  json r = ok(
      {{"op", "rows"}, {"window", "w_proto_grid"}, {"control", "dw_1"}, {"display", true}, {"summary", true}});
  EXPECT_EQ(r["rowcount"], 3);
  EXPECT_FALSE(r.contains("rows"));
  EXPECT_EQ(r["display"], json::parse(R"([
      {"ccph":"JL01 0112","nkcsl":"1,234,567.50","lcyjbs":"常用","dzhckrq":"2026/11/30","compute_1":"2469135.00"},
      {"ccph":"JL01 0113","nkcsl":"-0.25","lcyjbs":"","dzhckrq":"","compute_1":"-0.50"},
      {"ccph":"JL01 0112","nkcsl":"10.00","lcyjbs":"常用","dzhckrq":"2026/01/02","compute_1":"20.00"}])"));
  EXPECT_EQ(r["summary"], json::parse(R"([{"name":"t_3","label":"合计:","text":""},
      {"name":"compute_2","label":"库存数量合计","text":"1,234,577.25"},
      {"name":"compute_3","label":"品种合计","text":"2"}])"));

  // A window of the rows, named columns (a computed one too); the filter applies.
  json w = ok({{"op", "rows"},
               {"window", "w_proto_grid"},
               {"control", "dw_1"},
               {"display", true},
               {"from", 2},
               {"count", 5},
               {"columns", {"nkcsl", "compute_1"}}});
  EXPECT_EQ(w["display"],
            json::parse(R"([{"nkcsl":"-0.25","compute_1":"-0.50"},{"nkcsl":"10.00","compute_1":"20.00"}])"));
  EXPECT_FALSE(w.contains("summary"));
  EXPECT_EQ(error({{"op", "rows"},
                   {"window", "w_proto_grid"},
                   {"control", "dw_1"},
                   {"display", true},
                   {"columns", {"nothing"}}}),
            "the grid has no column nothing");
  EXPECT_EQ(
      error({{"op", "rows"}, {"window", "w_proto_grid"}, {"control", "dw_1"}, {"display", true}, {"from", 0}}),
      "field \"from\" must be a whole number from 1 to 2147483647");
  // A window beneath a message box is still drawn: its rows can be read, nothing else is done.
  ok({{"op", "open"}, {"window", "w_proto_form"}});
  EXPECT_FALSE(
      ok({{"op", "click"}, {"window", "w_proto_form"}, {"control", "cb_1"}})["state"]["pending"].is_null());
  EXPECT_EQ(ok({{"op", "rows"},
                {"window", "w_proto_grid"},
                {"control", "dw_1"},
                {"display", true},
                {"count", 1},
                {"columns", {"ccph"}}})["display"],
            json::parse(R"([{"ccph":"JL01 0112"}])"));
  EXPECT_EQ(
      error({{"op", "grid"}, {"window", "w_proto_grid"}, {"control", "dw_1"}, {"action", "click"}, {"row", 2}}),
      "a message box is waiting for an answer");
  ok({{"op", "answer"}, {"button", 1}});
  // Without `display` the answer is the values, as before.
  json v = ok(
      {{"op", "rows"}, {"window", "w_proto_grid"}, {"control", "dw_1"}, {"count", 1}, {"columns", {"nkcsl"}}});
  EXPECT_EQ(v["rows"], json::parse(R"([{"nkcsl":1234567.5}])"));
}

// A control of a kind an op does not take is refused by name and kind, and nothing runs.
TEST_F(DriverTest, AControlOfTheWrongKindIsRefusedForEachOp) {
  ok({{"op", "host"}, {"globals", {{"gs_yhssgsh", "01"}}}});
  ok({{"op", "open"}, {"window", "w_proto_form"}});
  ok({{"op", "text"}, {"window", "w_proto_form"}, {"control", "sle_1"}, {"value", "KEEP"}});
  struct Case {
    json request;
    const char* error;
  };
  const Case cases[] = {
      {{{"op", "text"}, {"control", "cb_1"}, {"value", "x"}},
       "control cb_1 is a commandbutton; op text needs a singlelineedit"},
      {{{"op", "key"}, {"control", "ddlb_1"}, {"key", "enter"}},
       "control ddlb_1 is a dropdownlistbox; op key needs a singlelineedit"},
      {{{"op", "click"}, {"control", "st_1"}},
       "control st_1 is a statictext; op click needs a commandbutton, picturebutton or radiobutton"},
      {{{"op", "select"}, {"control", "sle_1"}, {"value", "常用"}},
       "control sle_1 is a singlelineedit; op select needs a dropdownlistbox"},
      {{{"op", "grid"}, {"control", "cb_1"}, {"action", "click"}},
       "control cb_1 is a commandbutton; op grid needs a grid"},
      {{{"op", "edit"}, {"control", "sle_1"}, {"row", 1}, {"column", "ccph"}, {"value", "x"}},
       "control sle_1 is a singlelineedit; op edit needs a grid"},
      {{{"op", "rows"}, {"control", "ddlb_1"}}, "control ddlb_1 is a dropdownlistbox; op rows needs a grid"},
  };
  for (const Case& c : cases) {
    json r = c.request;
    r["window"] = "w_proto_form";
    EXPECT_EQ(error(r), c.error);
  }
  json s = ok({{"op", "state"}})["state"];
  EXPECT_EQ(s["windows"][0]["controls"]["sle_1"]["text"], "KEEP");
  EXPECT_EQ(s["windows"][0]["controls"]["st_1"]["text"], "");
  EXPECT_TRUE(s["messages"].empty());
  EXPECT_TRUE(s["pending"].is_null());
}

// A window whose controls claim kinds their objects do not have.
class MislabelledForm : public ui::Window {
 public:
  explicit MislabelledForm(ui::Session& s) : Window(s, "w_proto_mislabelled") {}
  ui::Control sle_1{*this, "sle_1", ui::ControlKind::SingleLineEdit};
  ui::Control dw_1{*this, "dw_1", ui::ControlKind::Grid};
  ui::Control cb_1{*this, "cb_1", ui::ControlKind::CommandButton};
};

[[maybe_unused]] const bool mislabelled_registered = [] {
  ui::register_window_class("w_proto_mislabelled",
                            [](ui::Session& s) { return std::make_unique<MislabelledForm>(s); });
  return true;
}();

// The kind a control claims is not trusted to cast it: a mismatch is refused, never undefined.
TEST_F(DriverTest, AControlWhoseObjectIsNotOfItsKindIsRefused) {
  ok({{"op", "host"}, {"globals", {{"gs_yhssgsh", "01"}}}});
  ok({{"op", "open"}, {"window", "w_proto_mislabelled"}});
  EXPECT_EQ(error({{"op", "text"}, {"window", "w_proto_mislabelled"}, {"control", "sle_1"}, {"value", "x"}}),
            "control sle_1 (singlelineedit) cannot take op text");
  EXPECT_EQ(error({{"op", "rows"}, {"window", "w_proto_mislabelled"}, {"control", "dw_1"}}),
            "control dw_1 (grid) cannot take op rows");
  EXPECT_EQ(error({{"op", "click"}, {"window", "w_proto_mislabelled"}, {"control", "cb_1"}}),
            "control cb_1 (commandbutton) cannot take op click");
}

// Every field is checked for its type and range before anything runs: the request is refused
// naming the field, no internal error text shows, and nothing changes.
TEST_F(DriverTest, MalformedFieldsAreRefusedBeforeAnythingRuns) {
  ok({{"op", "host"}, {"globals", {{"gs_yhssgsh", "01"}, {"gi_pzh", 7}}}});
  ok({{"op", "open"}, {"window", "w_proto_grid"}});
  ok({{"op", "open"}, {"window", "w_proto_form"}});
  ok({{"op", "text"}, {"window", "w_proto_form"}, {"control", "sle_1"}, {"value", "KEEP"}});
  ok({{"op", "grid"}, {"window", "w_proto_grid"}, {"control", "dw_1"}, {"action", "setrow"}, {"row", 2}});
  const std::string kRow = "field \"row\" must be a whole number from 0 to 2147483647";
  struct Case {
    const char* request;
    std::string error;
  };
  const Case cases[] = {
      // ---- whole numbers ----
      {R"({"op":"grid","action":"setrow","row":"3"})", kRow},
      {R"({"op":"grid","action":"setrow","row":1.5})", kRow},
      {R"({"op":"grid","action":"setrow","row":1e300})", kRow},
      {R"({"op":"grid","action":"setrow","row":-1})", kRow},
      {R"({"op":"grid","action":"setrow","row":2147483648})", kRow},
      {R"({"op":"grid","action":"setrow","row":18446744073709551615})", kRow},
      {R"({"op":"grid","action":"setrow","row":true})", kRow},
      {R"({"op":"grid","action":"setrow"})", "field \"row\" (a whole number) is missing"},
      {R"({"op":"edit","row":0,"column":"ccph","value":"x"})",
       "field \"row\" must be a whole number from 1 to 2147483647"},
      {R"({"op":"edit","column":"ccph","value":"x"})", "field \"row\" (a whole number) is missing"},
      {R"({"op":"rows","from":"1"})", "field \"from\" must be a whole number from 1 to 2147483647"},
      {R"({"op":"rows","from":0})", "field \"from\" must be a whole number from 1 to 2147483647"},
      {R"({"op":"rows","count":-1})", "field \"count\" must be a whole number from 0 to 2147483647"},
      // ---- strings, flags, lists ----
      {R"({"op":"grid","action":"click","band":5})", "field \"band\" must be a string"},
      {R"({"op":"grid","action":7})", "field \"action\" must be a string"},
      {R"({"op":"grid"})", "field \"action\" (a string) is missing"},
      {R"({"op":"rows","display":"yes"})", "field \"display\" must be true or false"},
      {R"({"op":"rows","summary":1})", "field \"summary\" must be true or false"},
      {R"({"op":"rows","columns":"ccph"})", "field \"columns\" must be a list of names"},
      {R"({"op":"rows","columns":["ccph",1]})", "field \"columns\" must be a list of names"},
      {R"({"op":"edit","row":1,"column":["ccph"],"value":"x"})", "field \"column\" must be a string"},
      {R"({"op":"edit","row":1,"column":"ccph","value":12})", "field \"value\" must be a string"},
      {R"({"op":"grid","action":"click","control":{"name":"dw_1"}})", "field \"control\" must be a string"},
  };
  for (const Case& c : cases) {
    json r = json::parse(c.request);
    r.emplace("window", "w_proto_grid");
    r.emplace("control", "dw_1");
    EXPECT_EQ(error(r), c.error) << c.request;
  }
  // Requests without a grid.
  const Case others[] = {
      {R"({"op":"answer","button":1e300})", "field \"button\" must be a whole number from 1 to 2147483647"},
      {R"({"op":"answer","button":"1"})", "field \"button\" must be a whole number from 1 to 2147483647"},
      {R"({"op":"host","autoanswer":"yes"})", "field \"autoanswer\" must be true or false"},
      {R"({"op":"host","globals":["gs_yhdm"]})", "field \"globals\" must be an object"},
      {R"({"op":"host","globals":{"gi_pzh":1.5}})", "global gi_pzh must be a whole number"},
      {R"({"op":"host","globals":{"gi_pzh":1e300}})", "global gi_pzh must be a whole number"},
      {R"({"op":"open","window":"w_proto_form","parm":1})", "field \"parm\" must be a string"},
      {R"({"op":"open","window":1})", "field \"window\" must be a string"},
      {R"({"op":"pick","value":null})", "field \"value\" (a string) is missing"},
      // An id beyond an int once reached window 1 (4294967297 cut to 1).
      {R"({"op":"close","window":4294967297})",
       "field \"window\" must be a class name or a window id from 1 to 2147483647"},
      {R"({"op":"close","window":1.5})",
       "field \"window\" must be a class name or a window id from 1 to 2147483647"},
      {R"({"op":"close","window":true})",
       "field \"window\" must be a class name or a window id from 1 to 2147483647"},
      {R"({"op":"close"})", "field \"window\" (a class name or an id) is missing"},
      {R"({"op":5})", "field \"op\" (a string) is missing"},
  };
  for (const Case& c : others) EXPECT_EQ(error(json::parse(c.request)), c.error) << c.request;

  json s = ok({{"op", "state"}})["state"];
  ASSERT_EQ(s["windows"].size(), 2u);
  EXPECT_EQ(s["windows"][0]["controls"]["dw_1"]["row"], 2);
  EXPECT_EQ(s["windows"][1]["controls"]["sle_1"]["text"], "KEEP");
  EXPECT_TRUE(s["messages"].empty());
  EXPECT_EQ(d.session().globals().gi_pzh, 7);
  EXPECT_TRUE(d.session().autoanswer);
}

// What a well-formed request may send: a whole number written with a point, a window by its id,
// null for an optional field, fields an op does not take.
TEST_F(DriverTest, WellFormedVariantsOfFieldsAreTaken) {
  ok({{"op", "host"}, {"globals", {{"gs_yhssgsh", "01"}, {"gi_pzh", 3.0}}}, {"autoanswer", nullptr}});
  EXPECT_EQ(d.session().globals().gi_pzh, 3);
  json s = ok({{"op", "open"}, {"window", "w_proto_grid"}, {"parm", nullptr}})["state"];
  int id = s["windows"][0]["id"];
  json setrow = json::parse(
      R"({"op":"grid","control":"dw_1","action":"setrow","row":3.0,"comment":"ignored"})");
  setrow["window"] = id;
  s = ok(setrow)["state"];
  EXPECT_EQ(s["windows"][0]["controls"]["dw_1"]["row"], 3);
  json r = ok({{"op", "rows"},
               {"window", id},
               {"control", "dw_1"},
               {"from", 3},
               {"count", 2147483647},
               {"columns", {"ccph"}}});
  EXPECT_EQ(r["rows"], json::parse(R"([{"ccph":"JL01 0112"}])"));
  r = ok({{"op", "rows"},
          {"window", id},
          {"control", "dw_1"},
          {"from", 2147483647},
          {"count", 2147483647},
          {"display", true}});
  EXPECT_EQ(r["display"], json::array());
}

}  // namespace
}  // namespace sparestock::driver
