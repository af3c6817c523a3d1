// The stock restore (cb_2 of w_bj701_001) through the protocol, and two sessions at once:
// restoring together, and moving records onto and off one location together.

#include <atomic>
#include <thread>

#include "tests/scenario_stock_adjustment.h"

namespace sparestock::test {
namespace {

using Strings = std::vector<std::string>;
using StockRestore = StockAdjustmentScenario;

// The restore recomputes every record's stock from the period's documents: A100 has none, so
// its 10 become 0 when the restore is committed.

// 1. Success: the message, the mailbox row gone, the work committed, the form closed.
TEST_P(StockRestore, SuccessCommitsDeletesTheMailboxRowAndCloses) {
  open_form();
  json s = desk.click("cb_2");
  EXPECT_EQ(texts(s), Strings{"库存数据恢复成功!"});
  EXPECT_EQ(s["messages"][0]["title"], "提示信息");
  ASSERT_EQ(s["closed"].size(), 1u);
  EXPECT_EQ(s["closed"][0]["class"], W);
  EXPECT_EQ(query("SELECT count(*) AS c FROM error"), "0");
  EXPECT_EQ(query("SELECT nkcsl FROM dbj030 WHERE cgsh = '01' AND ckh = '01' AND ccph = 'A100'"), "0.00");
  EXPECT_EQ(s["frame"]["title"], "配件管理-");
}

// 2. The procedure's message: shown as written, everything rolled back, the form stays open.
TEST_P(StockRestore, TheProceduresMessageIsShownAndTheFormStays) {
  desk.login();
  desk.ok({{"op", "host"}, {"globals", {{"gd_qsrq", "2026-12-31"}, {"gd_jzrq", "2026-12-01"}}}});
  desk.open();
  json s = desk.click("cb_2");
  ASSERT_EQ(s["messages"].size(), 1u);
  EXPECT_TRUE(s["messages"][0]["text"].get<std::string>().starts_with("库存数据恢复失败：起始日期"))
      << s["messages"][0]["text"];
  EXPECT_TRUE(s["closed"].empty());
  EXPECT_FALSE(desk.window().is_null());
  EXPECT_EQ(query("SELECT count(*) AS c FROM error"), "0");
  EXPECT_EQ(query("SELECT nkcsl FROM dbj030 WHERE cgsh = '01' AND ckh = '01' AND ccph = 'A100'"), "10.00");
}

// 3. A mailbox row that is gone when read back is no success: rolled back, told, form open.
TEST_P(StockRestore, AMissingMailboxRowIsAFailure) {
  const std::string lose = "DELETE FROM error WHERE error_time = NEW.error_time";
  trigger("lose_mail", "error", "AFTER UPDATE", "", lose, lose);
  open_form();
  json s = desk.click("cb_2");
  ASSERT_EQ(s["messages"].size(), 1u);
  EXPECT_NE(s["messages"][0]["text"], "库存数据恢复成功!");
  EXPECT_TRUE(s["closed"].empty());
  EXPECT_EQ(query("SELECT nkcsl FROM dbj030 WHERE cgsh = '01' AND ckh = '01' AND ccph = 'A100'"), "10.00");
}

// 4. Another run's mailbox row inserted right after ours (the highest number is then not
//    ours): our run reads and deletes only its own row.
TEST_P(StockRestore, ARunReadsBackOnlyItsOwnMailboxRow) {
  const std::string other = "INSERT INTO error (error_text) VALUES ('另一次恢复的消息')";
  trigger("other_run", "error", "AFTER INSERT", "NEW.error_text = ''", other, other);
  open_form();
  json s = desk.click("cb_2");
  EXPECT_EQ(texts(s), Strings{"库存数据恢复成功!"});
  EXPECT_EQ(query("SELECT error_text FROM error"), "另一次恢复的消息");
}

// 5. Another connection holds the write lock: the restore cannot begin and says so.
TEST_P(StockRestore, ARestoreThatCannotTakeTheWriteLockIsAFailure) {
  if (GetParam() != db::Backend::Sqlite) GTEST_SKIP() << "SQLite's database-wide write lock";
  open_form();
  auto holder = sc.database().connect();
  holder->begin();
  holder->exec("UPDATE dbj005 SET lzt = lzt WHERE cgsh = '01'");
  json s = desk.click("cb_2");
  holder->rollback();
  ASSERT_EQ(s["messages"].size(), 1u);
  EXPECT_NE(s["messages"][0]["text"].get<std::string>().find("locked"), std::string::npos)
      << s["messages"][0]["text"];
  EXPECT_TRUE(s["closed"].empty());
  EXPECT_EQ(query("SELECT count(*) AS c FROM error"), "0");
  EXPECT_EQ(query("SELECT nkcsl FROM dbj030 WHERE cgsh = '01' AND ckh = '01' AND ccph = 'A100'"), "10.00");
}

// Two stock keepers' sessions on the same database, acting at the same moment.
class TwoSessions : public StockAdjustmentScenario {
 protected:
  // Runs both actions at once and waits for both.
  static void at_once(const std::function<void()>& a, const std::function<void()>& b) {
    std::atomic<int> ready{0};
    auto start = [&ready](const std::function<void()>& f) {
      return std::thread([&ready, f] {
        ++ready;
        while (ready.load() < 2) std::this_thread::yield();
        f();
      });
    };
    std::thread ta = start(a), tb = start(b);
    ta.join();
    tb.join();
  }

  driver::Driver other_driver{sc.database().target()};
  Desk other{other_driver};
};

// 6. Two restores at once each get their own outcome and leave no mailbox row behind.
TEST_P(TwoSessions, RestoringAtOnceEachGetsItsOwnOutcome) {
  open_form();
  other.login();
  other.open();
  json sa, sb;
  at_once([&] { sa = desk.click("cb_2"); }, [&] { sb = other.click("cb_2"); });
  EXPECT_EQ(texts(sa), Strings{"库存数据恢复成功!"});
  EXPECT_EQ(texts(sb), Strings{"库存数据恢复成功!"});
  EXPECT_EQ(sa["closed"].size(), 1u);
  EXPECT_EQ(sb["closed"].size(), 1u);
  EXPECT_EQ(query("SELECT count(*) AS c FROM error"), "0");
}

// 7. One session moves a record onto a location while the other moves records off it, many
//    times: the location's state always matches whether a record lies on it.
TEST_P(TwoSessions, MovesOntoAndOffOneLocationKeepItsStateTrue) {
  open_form();
  other.login();
  other.open();
  const std::string kConsistent =
      "SELECT ckqh || '/' || ckwh AS l, lzt, (SELECT count(*) FROM dbj030 r WHERE r.cgsh = l.cgsh AND r.ckh = l.ckh "
      "AND r.ckqh = l.ckqh AND r.ckwh = l.ckwh) AS c FROM dbj005 l WHERE l.cgsh = '01' AND l.ckh = '01' AND "
      "l.ckqh = 'A1' AND l.ckwh IN ('L-01', 'L-02', 'L-03') ORDER BY l.ckqh, l.ckwh";
  for (int round = 0; round < 12; ++round) {
    exec(
        "UPDATE dbj030 SET ckqh = 'A1', ckwh = 'L-01' WHERE cgsh = '01' AND ckh = '01' AND ccph = 'A100';"
        "UPDATE dbj030 SET ckqh = 'A1', ckwh = 'L-02' WHERE cgsh = '01' AND ckh = '01' AND ccph IN ('A200', 'A300');"
        "UPDATE dbj005 SET lzt = 1 WHERE cgsh = '01' AND ckwh IN ('L-01', 'L-02');"
        "UPDATE dbj005 SET lzt = 0 WHERE cgsh = '01' AND ckwh = 'L-03';");
    desk.click("cb_1");
    other.click("cb_1");
    if (round % 2 == 0) {
      // A100 leaves L-01 for L-03 while A300 comes onto L-01 from L-02.
      desk.choose("A100");
      desk.edit("ckwh", "L-03");
      other.choose("A300");
      other.edit("ckwh", "L-01");
    } else {
      // A200 and A300 both leave L-02: the last one out frees it.
      desk.choose("A200");
      desk.edit("ckwh", "L-03");
      other.choose("A300");
      other.edit("ckwh", "L-01");
    }
    json sa, sb;
    at_once([&] { sa = desk.store(); }, [&] { sb = other.store(); });
    EXPECT_TRUE(sa["messages"].empty()) << "round " << round << ": " << sa["messages"].dump();
    EXPECT_TRUE(sb["messages"].empty()) << "round " << round << ": " << sb["messages"].dump();
    std::string expected = round % 2 == 0 ? "A1/L-01|1|1; A1/L-02|1|1; A1/L-03|1|1"
                                          : "A1/L-01|1|2; A1/L-02|0|0; A1/L-03|1|1";
    ASSERT_EQ(query(kConsistent), expected) << "round " << round;
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, StockRestore, testing::ValuesIn(backends()), backend_name_of);
INSTANTIATE_TEST_SUITE_P(Backends, TwoSessions, testing::ValuesIn(backends()), backend_name_of);

}  // namespace
}  // namespace sparestock::test
