#pragma once
// Scenario tests: a user session driven through the automation protocol on a small hand-made
// database, on every backend under test.
//
//   class MyScenario : public test::ScenarioTest {};
//   TEST_P(MyScenario, Something) {
//     login();                                            // company 01, 提示信息
//     ok({{"op", "open"}, {"window", "w_test_form"}});
//     EXPECT_EQ(text("w_test_form", "st_1"), "...");
//   }
//   INSTANTIATE_TEST_SUITE_P(Backends, MyScenario, testing::ValuesIn(test::backends()),
//                            test::backend_name_of);
//
// The data (seed_scenario_data) is the same for every scenario; each row has a purpose, noted
// beside it in scenario.cpp.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/driver/driver.h"
#include "tests/test_db.h"

namespace sparestock::test {

using nlohmann::json;

// Inserts the scenario rows into a database that holds the schema.
void seed_scenario_data(db::Connection& conn);

class Scenario {
 public:
  explicit Scenario(db::Backend backend, bool seeded = true);

  TestDatabase& database() { return tdb_; }
  driver::Driver& driver() { return driver_; }
  ui::Session& session() { return driver_.session(); }

  // The response to a request, whatever it is.
  json send(const json& request);
  // The state after a request that must succeed (a failure is reported with the request).
  json ok(const json& request);
  // The error of a request that must be refused.
  std::string error(const json& request);
  json state();

  // Logs in as a user of `company` with the message-box title 提示信息.
  void login(const std::string& company = "01", bool autoanswer = true);

  // Shortcuts for the user's actions; each must succeed and answers the state.
  json open(const std::string& window);
  json type(const std::string& window, const std::string& control, const std::string& value);
  json key(const std::string& window, const std::string& control, const std::string& key);
  json click(const std::string& window, const std::string& control);
  json pick(const std::string& value);

  // Reading the state. A missing window or control fails the test and answers null.
  json window(const std::string& window);
  json control(const std::string& window, const std::string& control);
  std::string text(const std::string& window, const std::string& control);
  std::vector<std::string> window_classes();
  // The rows of a grid as shown, and one column of them as text ("" for null).
  json rows(const std::string& window, const std::string& control, long count = 1000);
  std::vector<std::string> column(const std::string& window, const std::string& control,
                                  const std::string& column);
  std::string microhelp();

 private:
  TestDatabase tdb_;
  driver::Driver driver_;
};

// A parameterised fixture holding a seeded scenario for the backend under test.
class ScenarioTest : public testing::TestWithParam<db::Backend> {
 protected:
  Scenario sc{GetParam()};

  json ok(const json& r) { return sc.ok(r); }
  std::string error(const json& r) { return sc.error(r); }
  void login(const std::string& company = "01") { sc.login(company); }
};

}  // namespace sparestock::test
