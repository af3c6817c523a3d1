// Two users at once on one database, each in a session of their own company: neither sees the
// other's rows, and their requests run side by side.

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "tests/scenario.h"

namespace sparestock::test {
namespace {

class SessionsScenario : public ScenarioTest {};

std::set<std::string> companies_in(const json& rows) {
  std::set<std::string> out;
  for (const auto& r : rows) out.insert(r["cgsh"].get<std::string>());
  return out;
}

TEST_P(SessionsScenario, EachSessionSeesOnlyItsOwnCompany) {
  driver::Driver other(sc.database().target());
  auto ok = [](driver::Driver& d, const json& r) {
    json out = d.handle(r);
    EXPECT_TRUE(out["ok"].get<bool>()) << r.dump() << " -> " << out.dump();
    return out;
  };
  sc.login("01");
  ok(other, {{"op", "host"}, {"globals", {{"gs_yhssgsh", "02"}, {"gs_tsxx", "提示信息"}}}});

  // Both open the stock status at the same time, from two threads.
  std::thread second([&] { ok(other, {{"op", "open"}, {"window", "w_bj418_001"}}); });
  sc.open("w_bj418_001");
  second.join();

  json mine = sc.rows("w_bj418_001", "dw_1");
  json theirs = ok(
      other,
      {{"op", "rows"}, {"window", "w_bj418_001"}, {"control", "dw_1"}, {"from", 1}, {"count", 1000}})["rows"];
  EXPECT_EQ(companies_in(mine), std::set<std::string>{"01"});
  EXPECT_EQ(companies_in(theirs), std::set<std::string>{"02"});
  EXPECT_EQ(mine.size(), 4u);
  EXPECT_EQ(theirs.size(), 1u);

  // A session's requests cannot name the other's windows: each has only its own.
  ok(other, {{"op", "close"}, {"window", "w_bj418_001"}});
  EXPECT_EQ(sc.window_classes(), std::vector<std::string>{"w_bj418_001"});
}

INSTANTIATE_TEST_SUITE_P(Backends, SessionsScenario, testing::ValuesIn(backends()), backend_name_of);

}  // namespace
}  // namespace sparestock::test
