// The stored procedures sp_kc, sp_kcbj and sp_kcyzx through `execute`, on both backends.

#include <gtest/gtest.h>

#include "host/db/clock.h"
#include "host/db/transaction.h"
#include "tests/test_db.h"

namespace sparestock {
namespace {

using db::Backend;
using db::Transaction;
using db::Value;
using HostVars = db::HostVariables;

// Rows of a cursor as "a|b|c" lines.
std::string rows_of(db::Cursor* c, std::initializer_list<int> cols) {
  std::string out;
  while (c && c->next()) {
    std::string line;
    for (int col : cols) line += (line.empty() ? "" : "|") + c->value(col).as_text();
    out += line + "\n";
  }
  return out;
}

class ProceduresTest : public testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    tdb_ = std::make_unique<test::TestDatabase>(GetParam());
    ASSERT_EQ(sqlca.connect(tdb_->target()), 0) << sqlca.sqlerrtext;
    db::set_fixed_now(*db::DateTime::parse("2026-12-08 10:00:00"));
    const char* statements[] = {
        // Parts: P1 with limits, P2 without, P3 missing from the master.
        "insert into dbj002 (cgsh, ccph, ccpmc, ncbgx, ncbdx, ccxh, cflh, lcyjbs, ltybs) values ('01', 'P1', '机油滤清器', 10, 2, 'A1', '001', 1, 0)",
        "insert into dbj002 (cgsh, ccph, ccpmc, ncbgx, ncbdx, ltybs) values ('01', 'P2', '刹车片', 0, 0, 0)",
        "insert into dbj030 (cgsh, ckh, ccph, nqcsl, nkcsl) values ('01', '01', 'P1', 5, 8)",
        "insert into dbj030 (cgsh, ckh, ccph, nqcsl, nkcsl) values ('01', '02', 'P1', 0, 4)",
        "insert into dbj030 (cgsh, ckh, ccph, nqcsl, nkcsl) values ('01', '01', 'P2', 1, 1)",
        "insert into dbj030 (cgsh, ckh, ccph, nqcsl, nkcsl) values ('01', '01', 'P3', 0, 0)",
        "insert into dbj030 (cgsh, ckh, ccph, nqcsl, nkcsl) values ('02', '01', 'P1', 0, 99)",
        // Documents of company 01: receipts and issues of P1 in 2025 and 2026.
        "insert into dbj028 (crcdh, cgsh, ckh, drq, clx) values ('R1', '01', '01', '2025-03-10 09:00:00', 'R')",
        "insert into dbj029 (crcdh, nhh, ccph, nsl, ndj) values ('R1', 1, 'P1', 6, 12.5)",
        "insert into dbj028 (crcdh, cgsh, ckh, drq, clx) values ('C1', '01', '01', '2026-01-31 23:00:00', 'C')",
        "insert into dbj029 (crcdh, nhh, ccph, nsl, ndj) values ('C1', 1, 'P1', 1.5, 12.5)",
        "insert into dbj028 (crcdh, cgsh, ckh, drq, clx) values ('C2', '01', '02', '2026-02-01 08:00:00', 'C')",
        "insert into dbj029 (crcdh, nhh, ccph, nsl, ndj) values ('C2', 1, 'P1', 2, 12.5)",
        "insert into dbj029 (crcdh, nhh, ccph, nsl, ndj) values ('C2', 2, 'P1', 0.5, 12.5)",
        "insert into dbj028 (crcdh, cgsh, ckh, drq, clx) values ('C3', '01', '01', '2025-12-31 18:00:00', 'C')",
        "insert into dbj029 (crcdh, nhh, ccph, nsl, ndj) values ('C3', 1, 'P1', 1, 12.5)",
        // Another company's issue of the same part number.
        "insert into dbj028 (crcdh, cgsh, ckh, drq, clx) values ('X1', '02', '01', '2026-01-15 08:00:00', 'C')",
        "insert into dbj029 (crcdh, nhh, ccph, nsl, ndj) values ('X1', 1, 'P1', 50, 1)",
        // P2 was only ever received, long ago.
        "insert into dbj028 (crcdh, cgsh, ckh, drq, clx) values ('R2', '01', '01', '2026-01-01 08:00:00', 'R')",
        "insert into dbj029 (crcdh, nhh, ccph, nsl, ndj) values ('R2', 1, 'P2', 1, 3)",
        "insert into dbj013 (cgsh, cqspzz, ndzqx) values ('01', '记', 180)",
    };
    for (const char* s : statements) ASSERT_EQ(sqlca.execute(s), 0) << s << ": " << sqlca.sqlerrtext;
    ASSERT_EQ(sqlca.commit(), 0);
  }
  void TearDown() override { db::set_fixed_now(std::nullopt); }

  std::unique_ptr<test::TestDatabase> tdb_;
  Transaction sqlca;
};

TEST_P(ProceduresTest, MonthlyIssuesOfOnePart) {
  auto c = sqlca.open_cursor("execute dbo.sp_kc;1 @gsh = :gsh, @cph = :cph, @ny = :ny",
                             {{"gsh", "01"}, {"cph", "P1"}, {"ny", "2026"}});
  ASSERT_TRUE(c) << sqlca.sqlerrtext;
  ASSERT_EQ(c->column_count(), 12);
  EXPECT_EQ(c->column_name(0), "nbqck1");
  EXPECT_EQ(rows_of(c.get(), {0, 1, 2, 11}), "1.50|2.50|0.00|0.00\n");

  c = sqlca.open_cursor("execute dbo.sp_kc;1 @gsh = :gsh, @cph = :cph, @ny = :ny",
                        {{"gsh", "01"}, {"cph", "NOPART"}, {"ny", "2026"}});
  EXPECT_EQ(rows_of(c.get(), {0, 11}), "0.00|0.00\n") << "always exactly one row";

  c = sqlca.open_cursor("execute dbo.sp_kc;1 @gsh = :gsh, @cph = :cph, @ny = :ny",
                        {{"gsh", "01"}, {"cph", "P1"}, {"ny", "26"}});
  EXPECT_FALSE(c);
  EXPECT_EQ(sqlca.sqlcode, -1);
}

TEST_P(ProceduresTest, ReserveAlarmsAndSlowMovers) {
  auto run = [&](int num) {
    auto c = sqlca.open_cursor("execute dbo.sp_kcbj;1 @gsh = :gsh, @num = :num",
                               {{"gsh", "01"}, {"num", num}});
    EXPECT_TRUE(c) << sqlca.sqlerrtext;
    // ccph, nkcsl, ncbgx, ncbdx, ndzts, dzhckrq
    return rows_of(c.get(), {1, 6, 3, 4, 5, 10});
  };
  // P1 holds 12 over two warehouses, above its maximum of 10.
  EXPECT_EQ(run(1), "P1|12.00|10.00|2.00|310|2026-02-01 00:00:00\n");
  // P3 (missing from the master) has limits 0 and stock 0: not below 0.
  EXPECT_EQ(run(2), "");
  // P2 has stock 1, never issued, first received 2026-01-01: 341 days without movement.
  // P1 was last issued 2026-02-01: 310 days.
  EXPECT_EQ(run(3), "P1|12.00|10.00|2.00|310|2026-02-01 00:00:00\nP2|1.00|0.00|0.00|341|\n");
  EXPECT_EQ(run(9), "");
}

TEST_P(ProceduresTest, RestoreRebuildsThePeriodFigures) {
  ASSERT_EQ(sqlca.execute("insert into error (error_text) values ('start')"), 0) << sqlca.sqlerrtext;
  auto time = sqlca.select_row("select max(error_time) from error");
  ASSERT_TRUE(time);
  ASSERT_EQ(sqlca.execute("execute dbo.sp_kcyzx;1 @gsh = :gsh, @qsrq = :a, @jzrq = :b, @time = :t",
                          {{"gsh", "01"},
                           {"a", *db::DateTime::parse("2026-01-01 15:00:00")},
                           {"b", *db::DateTime::parse("2026-01-31")},
                           {"t", (*time)[0]}}),
            0)
      << sqlca.sqlerrtext;
  ASSERT_EQ(sqlca.commit(), 0);
  // Both ends are whole days: the issue at 23:00 on the 31st and the receipt at 08:00 on the
  // 1st count; the issue on 1 February does not.
  auto c = sqlca.open_cursor(
      "select ckh, ccph, nbqrk, nbqck, nkcsl from dbj030 where cgsh = :g order by ccph, ckh", {{"g", "01"}});
  EXPECT_EQ(rows_of(c.get(), {0, 1, 2, 3, 4}),
            "01|P1|0.00|1.50|3.50\n02|P1|0.00|0.00|0.00\n01|P2|1.00|0.00|2.00\n01|P3|0.00|0.00|0.00\n");
  auto msg = sqlca.select_row("select error_text from error where error_time = :t", {{"t", (*time)[0]}});
  ASSERT_TRUE(msg);
  EXPECT_EQ((*msg)[0].as_text(), "");
  // The other company's stock is untouched.
  auto other = sqlca.select_row("select nkcsl from dbj030 where cgsh = '02'");
  EXPECT_EQ((*other)[0].as_text(), "99.00");
}

TEST_P(ProceduresTest, RestoreChangesNothingWhenItWouldGoNegative) {
  sqlca.execute("insert into error (error_text) values ('start')");
  auto time = (*sqlca.select_row("select max(error_time) from error"))[0];
  // February alone: warehouse 02 issues 2.5 of P1 from an opening stock of 0.
  ASSERT_EQ(sqlca.execute("execute dbo.sp_kcyzx;1 @gsh = :gsh, @qsrq = :a, @jzrq = :b, @time = :t",
                          {{"gsh", "01"}, {"a", "2026-02-01"}, {"b", "2026-02-28"}, {"t", time}}),
            0);
  sqlca.commit();
  auto c = sqlca.open_cursor("select ckh, ccph, nkcsl from dbj030 where cgsh = '01' order by ccph, ckh");
  EXPECT_EQ(rows_of(c.get(), {0, 1, 2}), "01|P1|8.00\n02|P1|4.00\n01|P2|1.00\n01|P3|0.00\n");
  auto msg = (*sqlca.select_row("select error_text from error where error_time = :t", {{"t", time}}))[0];
  EXPECT_NE(msg.as_text().find("P1"), std::string::npos) << msg.as_text();
  EXPECT_NE(msg.as_text().find("02"), std::string::npos) << msg.as_text();

  // Start after end: refused the same way.
  sqlca.execute("execute dbo.sp_kcyzx;1 @gsh = :gsh, @qsrq = :a, @jzrq = :b, @time = :t",
                {{"gsh", "01"}, {"a", "2026-03-01"}, {"b", "2026-02-01"}, {"t", time}});
  sqlca.commit();
  msg = (*sqlca.select_row("select error_text from error where error_time = :t", {{"t", time}}))[0];
  EXPECT_NE(msg.as_text().find("晚于"), std::string::npos) << msg.as_text();
}

// Stock on no document never moved: kind 3 lists it whatever its age, its days counted from
// the earliest date known for the part (a stocktaking, a cost revision), empty without one.
TEST_P(ProceduresTest, StockThatNeverMovedIsSlowMoving) {
  const char* statements[] = {
      "insert into dbj002 (cgsh, ccph, ccpmc, ncbgx, ncbdx, ltybs) values ('01', 'P4', '雨刮片', 0, 0, 0)",
      "insert into dbj030 (cgsh, ckh, ccph, nkcsl) values ('01', '01', 'P4', 5)",
      "insert into dbj030 (cgsh, ckh, ccph, nkcsl) values ('01', '02', 'P5', 2)",
      "insert into dbj030 (cgsh, ckh, ccph, nkcsl) values ('01', '02', 'P6', 0)",
      "insert into dbj032 (cgsh, drq, ckh, ccph) values ('01', '2026-11-30 00:00:00', '01', 'P4')",
      "insert into dbj060 (cgsh, drq, ccph) values ('01', '2026-10-01 09:00:00', 'P4')",
      "insert into dbj060 (cgsh, drq, ccph) values ('02', '2020-01-01 09:00:00', 'P5')",
  };
  for (const char* s : statements) ASSERT_EQ(sqlca.execute(s), 0) << s << ": " << sqlca.sqlerrtext;
  ASSERT_EQ(sqlca.commit(), 0);
  auto c = sqlca.open_cursor("execute dbo.sp_kcbj;1 @gsh = :gsh, @num = :num", {{"gsh", "01"}, {"num", 3}});
  ASSERT_TRUE(c) << sqlca.sqlerrtext;
  // P4: 2026-10-01 to 2026-12-08 is 68 days. P5: no date of company 01 (another company's
  // revision does not count). P6 holds nothing.
  EXPECT_EQ(rows_of(c.get(), {1, 6, 5, 10}),
            "P1|12.00|310|2026-02-01 00:00:00\nP2|1.00|341|\nP4|5.00|68|\nP5|2.00||\n");
}

// The restore reports into the mailbox row it is given and makes none of its own: a missing
// row is refused and leaves no row behind, so the next mailbox row of the form gets its number
// from the identity without a collision (on PostgreSQL a row made with an explicit number
// would have left the identity behind).
TEST_P(ProceduresTest, RestoreWithAMissingMailboxRowIsRefused) {
  ASSERT_EQ(sqlca.execute("insert into error (error_text) values ('')"), 0) << sqlca.sqlerrtext;
  long last = static_cast<long>(*(*sqlca.select_row("select max(error_time) from error"))[0].as_integer());
  ASSERT_EQ(sqlca.commit(), 0);
  const char* restore = "execute dbo.sp_kcyzx;1 @gsh = :gsh, @qsrq = :a, @jzrq = :b, @time = :t";
  HostVars period{{"gsh", "01"}, {"a", "2026-01-01"}, {"b", "2026-01-31"}};
  auto with_time = [&](long t) {
    HostVars vars = period;
    vars.emplace_back("t", Value(int64_t{t}));
    return vars;
  };
  EXPECT_EQ(sqlca.execute(restore, with_time(last + 1)), -1);
  EXPECT_NE(sqlca.sqlerrtext.find("no message row"), std::string::npos) << sqlca.sqlerrtext;
  // The form tests only the mailbox text, finds no row, and commits.
  ASSERT_EQ(sqlca.commit(), 0);
  auto stock = sqlca.select_row("select nkcsl from dbj030 where cgsh = '01' and ckh = '01' and ccph = 'P1'");
  EXPECT_EQ((*stock)[0].as_text(), "8.00") << "nothing restored";
  EXPECT_EQ((*sqlca.select_row("select count(*) from error"))[0].as_integer(), 1);

  // A normal restore after it.
  ASSERT_EQ(sqlca.execute("insert into error (error_text) values ('')"), 0) << sqlca.sqlerrtext;
  long time1 = static_cast<long>(*(*sqlca.select_row("select max(error_time) from error"))[0].as_integer());
  EXPECT_GT(time1, last);
  ASSERT_EQ(sqlca.execute(restore, with_time(time1)), 0) << sqlca.sqlerrtext;
  auto msg = sqlca.select_row("select error_text from error where error_time = :t",
                              {{"t", Value(int64_t{time1})}});
  ASSERT_TRUE(msg);
  EXPECT_EQ((*msg)[0].as_text(), "");
  ASSERT_EQ(sqlca.commit(), 0);
  // And the one after that still finds a fresh number.
  EXPECT_EQ(sqlca.execute("insert into error (error_text) values ('')"), 0) << sqlca.sqlerrtext;
  sqlca.commit();
}

INSTANTIATE_TEST_SUITE_P(Backends, ProceduresTest, testing::ValuesIn(test::backends()), test::backend_name_of);

}  // namespace
}  // namespace sparestock
