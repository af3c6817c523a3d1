// Eight sessions revising cost prices at the same moment, on disjoint parts and on one part:
// voucher numbers are never shared, both journals stay balanced and in agreement, and the
// stock value at cost changes by exactly what the revision log says.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <latch>
#include <memory>
#include <set>
#include <thread>

#include "cost_revision/ledger_check.h"
#include "host/db/transaction.h"
#include "host/driver/driver.h"
#include "host/lib/module_loader.h"
#include "tests/test_db.h"

namespace sparestock::test {
namespace {

using nlohmann::json;

constexpr int kSessions = 8;
constexpr int kRounds = 4;
constexpr const char* W = "w_bj902_001";

const bool module_loaded = [] {
  lib::load_module();
  return true;
}();

void seed(db::Connection& conn) {
  conn.exec_script(R"sql(
    INSERT INTO dxt002 (cgsh, lcwaz) VALUES ('01', 1);
    INSERT INTO dbj013 (cgsh, cqspzz) VALUES ('01', '记');
    -- Vacant numbers are reused, so both ways of drawing a number are contended.
    INSERT INTO dzz001 (cgsh, lkhly) VALUES ('01', 1);
    INSERT INTO dzz007 VALUES ('01', '2026', '12', '记', 10);
    INSERT INTO dzz008 VALUES ('01', '2026', '12', '记', 2);
    INSERT INTO dzz008 VALUES ('01', '2026', '12', '记', 5);
    INSERT INTO dzz008 VALUES ('01', '2026', '12', '记', 9);
    INSERT INTO dzz006 (cgsh, ckmz, cchkm, cxscbkm) VALUES ('01', 'G1', '1243', '5401');
    INSERT INTO dzz006 (cgsh, ckmz, cchkm, cxscbkm) VALUES ('01', 'G2', '1244', '5402');
  )sql");
  // One part per session, and the part they all revise; stock in two warehouses.
  for (int k = 0; k <= kSessions; ++k) {
    std::string part = k < kSessions ? "P00" + std::to_string(k) : "SHARED";
    std::string group = k % 2 ? "G2" : "G1";
    conn.exec_script("INSERT INTO dbj002 (cgsh, ccph, ccpmc, ckmzh) VALUES ('01', '" + part + "', '件', '" +
                     group +
                     "');"
                     "INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl, ndj) VALUES ('01', '01', '" +
                     part + "', " + std::to_string(k + 1) +
                     ", 10.00);"
                     "INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl, ndj) VALUES ('01', '02', '" +
                     part + "', 3, 10.00);");
  }
}

json ok(driver::Driver& d, const json& request) {
  json out = d.handle(request);
  EXPECT_TRUE(out.value("ok", false)) << request.dump() << " -> " << out.dump();
  return out.value("state", json::object());
}

// The company's stock value at cost, exactly.
db::Decimal stock_value(db::Transaction& t) {
  db::Decimal total(0, 4);
  auto c = t.open_cursor("select ndj, nkcsl from dbj030 where cgsh = '01'");
  while (c && c->next()) total = total + *c->decimal(0, 2) * *c->decimal(1, 2);
  return total;
}

db::Decimal logged_change(db::Transaction& t) {
  db::Decimal total(0, 2);
  auto c = t.open_cursor("select ntzje from dbj060 where cgsh = '01'");
  while (c && c->next()) total = total - *c->decimal(0, 2);
  return total;
}

class CostRevisionConcurrency : public testing::TestWithParam<db::Backend> {};

TEST_P(CostRevisionConcurrency, EightSessionsShareNoVoucherNumberAndKeepTheLedgerWithTheStock) {
  TestDatabase tdb(GetParam());
  seed(*tdb.connect());
  db::Transaction reader("reader");
  ASSERT_EQ(reader.connect(tdb.target()), 0) << reader.sqlerrtext;
  const db::Decimal value_before = stock_value(reader);

  std::vector<std::unique_ptr<driver::Driver>> sessions;
  for (int k = 0; k < kSessions; ++k) {
    sessions.push_back(std::make_unique<driver::Driver>(tdb.target()));
    ok(*sessions.back(), {{"op", "host"},
                          {"globals",
                           {{"gs_yhssgsh", "01"},
                            {"gs_yhdm", "00" + std::to_string(k)},
                            {"gs_yhmc", "用户"},
                            {"gs_dqn", "2026"},
                            {"gs_dqy", "12"},
                            {"gd_xtrq", "2026-12-08 10:00:00"},
                            {"gd_qsrq", "2026-12-01 00:00:00"},
                            {"gd_jzrq", "2026-12-31 23:59:59"}}}});
  }

  int revised = 0;
  for (int round = 0; round < 2 * kRounds; ++round) {
    const bool shared = round % 2 == 1;
    SCOPED_TRACE(fmt::format("round {} ({})", round, shared ? "one part" : "disjoint parts"));
    // Every session opens the form and types its price before any of them confirms.
    for (int k = 0; k < kSessions; ++k) {
      driver::Driver& d = *sessions[k];
      ok(d, {{"op", "open"}, {"window", W}});
      std::string part = shared ? "SHARED" : "P00" + std::to_string(k);
      json rows = d.handle({{"op", "rows"}, {"window", W}, {"control", "dw_edit"}})["rows"];
      long row = 0;
      for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i]["dbj030_ccph"] == part) row = static_cast<long>(i) + 1;
      ASSERT_GT(row, 0) << part;
      std::string price = fmt::format("{}.{:02d}", 11 + round, 7 * k + 1);
      ok(d, {{"op", "edit"},
             {"window", W},
             {"control", "dw_edit"},
             {"row", row},
             {"column", "nxcbdj"},
             {"value", price}});
    }
    std::vector<json> answers(kSessions);
    std::latch start(kSessions);
    std::vector<std::thread> threads;
    for (int k = 0; k < kSessions; ++k)
      threads.emplace_back([&, k] {
        start.arrive_and_wait();
        answers[k] = sessions[k]->handle({{"op", "click"}, {"window", W}, {"control", "cb_8"}});
      });
    for (auto& t : threads) t.join();

    int succeeded = 0;
    for (int k = 0; k < kSessions; ++k) {
      ASSERT_TRUE(answers[k].value("ok", false)) << answers[k].dump();
      const json& messages = answers[k]["state"]["messages"];
      ASSERT_EQ(messages.size(), 1u) << messages.dump();
      std::string text = messages[0]["text"];
      if (text == "修改成功。")
        ++succeeded;
      else
        EXPECT_EQ(text, "备件SHARED的成本单价已被他人修改，请关闭本窗口后重新打开再修改。");
      ok(*sessions[k], {{"op", "close"}, {"window", W}});
    }
    EXPECT_EQ(succeeded, shared ? 1 : kSessions);
    revised += succeeded;
  }

  // One voucher per revision, each under its own number, and a ledger that checks out.
  auto numbers = reader.open_cursor("select npzh from dzz0031 where cgsh = '01'");
  std::multiset<int64_t> used;
  while (numbers && numbers->next()) used.insert(numbers->integer(0));
  EXPECT_EQ(static_cast<int>(used.size()), revised);
  EXPECT_EQ(std::set<int64_t>(used.begin(), used.end()).size(), used.size());
  cost_revision::LedgerReport report = cost_revision::check_ledger(reader, "01");
  EXPECT_TRUE(report.error.empty()) << report.error;
  for (const auto& p : report.problems) ADD_FAILURE() << p.rule << " " << p.voucher << " " << p.detail;
  EXPECT_EQ(report.vouchers, revised);
  EXPECT_EQ(stock_value(reader) - value_before, logged_change(reader));
}

INSTANTIATE_TEST_SUITE_P(Backends, CostRevisionConcurrency, testing::ValuesIn(backends()), backend_name_of);

}  // namespace
}  // namespace sparestock::test
