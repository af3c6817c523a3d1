// Transaction objects on both backends: sqlcode after each statement, units of work, two
// sessions on one database, refusals that write nothing.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "host/db/transaction.h"
#include "tests/test_db.h"

namespace sparestock {
namespace {

using db::Backend;
using db::Transaction;
using db::Value;

class TransactionTest : public testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    tdb_ = std::make_unique<test::TestDatabase>(GetParam());
    ASSERT_EQ(sqlca.connect(tdb_->target()), 0) << sqlca.sqlerrtext;
  }

  long count(const std::string& table) {
    Transaction other("count");
    EXPECT_EQ(other.connect(tdb_->target()), 0);
    auto row = other.select_row("select count(*) from " + table);
    return row ? static_cast<long>(*(*row)[0].as_integer()) : -1;
  }

  std::unique_ptr<test::TestDatabase> tdb_;
  Transaction sqlca;
};

TEST_P(TransactionTest, SqlcodeAfterEachKindOfStatement) {
  ASSERT_EQ(sqlca.execute("insert into dbj003 (cgsh, ckh, ckmc, ltybs) values (:g, :k, :m, 0)",
                          {{"g", "01"}, {"k", "01"}, {"m", "总库"}}),
            0)
      << sqlca.sqlerrtext;
  EXPECT_EQ(sqlca.sqlnrows, 1);

  auto found = sqlca.select_row("select ckh, ckmc from dbj003 where ckh = :k and cgsh = :g and ltybs = 0",
                                {{"k", "01"}, {"g", "01"}});
  ASSERT_TRUE(found);
  EXPECT_EQ(sqlca.sqlcode, 0);
  EXPECT_EQ((*found)[1].as_text(), "总库");

  EXPECT_FALSE(
      sqlca.select_row("select ckh from dbj003 where ckh = :k and cgsh = :g", {{"k", "01"}, {"g", "02"}}));
  EXPECT_EQ(sqlca.sqlcode, 100);

  // An update that matches no row is no error.
  EXPECT_EQ(
      sqlca.execute("update dbj005 set lzt = 0 where cgsh = :g and ckwh = :w", {{"g", "01"}, {"w", "NONE"}}),
      0);
  EXPECT_EQ(sqlca.sqlnrows, 0);

  EXPECT_EQ(sqlca.execute("select nosuchcolumn from dbj003"), -1);
  EXPECT_FALSE(sqlca.sqlerrtext.empty());
  EXPECT_EQ(sqlca.commit(), 0);
  EXPECT_EQ(count("dbj003"), 1);
}

TEST_P(TransactionTest, UnitOfWorkEndsWithCommitOrRollback) {
  sqlca.execute("insert into dbj001 (cgsh, cflh, cflmc, ltybs) values ('01', '001', '滤清器', 0)");
  EXPECT_TRUE(sqlca.in_unit_of_work());
  EXPECT_EQ(count("dbj001"), 0) << "uncommitted work must not be seen by another session";
  sqlca.rollback();
  EXPECT_FALSE(sqlca.in_unit_of_work());
  EXPECT_EQ(count("dbj001"), 0);

  sqlca.execute("insert into dbj001 (cgsh, cflh, cflmc, ltybs) values ('01', '001', '滤清器', 0)");
  // A failing statement inside the unit leaves the earlier work in place and the unit open.
  EXPECT_EQ(sqlca.execute("insert into dbj001 (cgsh, cflh, cflmc, ltybs) values ('01', '001', 'dup', 0)"), -1);
  EXPECT_TRUE(sqlca.in_unit_of_work());
  EXPECT_EQ(sqlca.execute("insert into dbj001 (cgsh, cflh, cflmc, ltybs) values ('01', '002', '刹车片', 0)"), 0)
      << sqlca.sqlerrtext;
  EXPECT_EQ(sqlca.commit(), 0) << sqlca.sqlerrtext;
  EXPECT_EQ(count("dbj001"), 2);
}

TEST_P(TransactionTest, RefusedStatementsWriteNothing) {
  // A construct outside the translated dialect.
  EXPECT_EQ(sqlca.execute("select top 1 ckh from dbj003"), -1);
  EXPECT_NE(sqlca.sqlerrtext.find("TOP"), std::string::npos) << sqlca.sqlerrtext;
  // A host variable without a value.
  EXPECT_EQ(sqlca.execute("insert into dbj003 (cgsh, ckh) values (:g, :k)", {{"g", "01"}}), -1);
  EXPECT_NE(sqlca.sqlerrtext.find(":k"), std::string::npos) << sqlca.sqlerrtext;
  // A procedure called without one of its arguments.
  EXPECT_EQ(sqlca.execute("execute dbo.sp_kcyzx;1 @gsh = :g, @qsrq = :a, @time = :t",
                          {{"g", "01"}, {"a", "2026-01-01"}, {"t", 1}}),
            -1);
  EXPECT_NE(sqlca.sqlerrtext.find("missing argument @jzrq"), std::string::npos) << sqlca.sqlerrtext;
  EXPECT_EQ(sqlca.execute("execute dbo.sp_nothing;1 @a = :a", {{"a", 1}}), -1);
  sqlca.commit();
  EXPECT_EQ(count("dbj003"), 0);
  EXPECT_EQ(count("error"), 0);
}

TEST_P(TransactionTest, DecimalsComeBackAtTheirScale) {
  sqlca.execute("insert into dbj030 (cgsh, ckh, ccph, nkcsl, ndj) values ('01', '01', 'A', :q, :p)",
                {{"q", *db::Decimal::parse("3.1")}, {"p", 0.1 + 0.2}});
  sqlca.commit();
  auto row = sqlca.select_row("select nkcsl, ndj, ndj * nkcsl from dbj030");
  ASSERT_TRUE(row);
  ASSERT_EQ((*row)[0].kind(), db::ValueKind::Decimal);
  EXPECT_EQ((*row)[0].decimal().to_string(), "3.10");
  EXPECT_EQ((*row)[1].decimal().to_string(), "0.30");
  EXPECT_EQ((*row)[2].as_decimal(4)->to_string(), "0.9300");
}

TEST_P(TransactionTest, TwoSessionsOnOneDatabaseWaitForEachOther) {
  Transaction other("other");
  ASSERT_EQ(other.connect(tdb_->target()), 0);
  ASSERT_EQ(sqlca.execute("insert into dbj004 (ckqh, ckqmc) values ('A1', 'first')"), 0);
  std::thread writer([&] {
    // Blocks on SQLite until the first session commits; on PostgreSQL it does not conflict.
    other.execute("insert into dbj004 (ckqh, ckqmc) values ('A2', 'second')");
    other.commit();
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(sqlca.commit(), 0);
  writer.join();
  EXPECT_EQ(other.sqlcode, 0) << other.sqlerrtext;
  EXPECT_EQ(count("dbj004"), 2);
}

TEST_P(TransactionTest, BadTargetsAreClearErrors) {
  Transaction t;
  EXPECT_EQ(t.connect("/nonexistent/folder/x.db"), -1);
  EXPECT_NE(t.sqlerrtext.find("does not exist"), std::string::npos) << t.sqlerrtext;
  EXPECT_EQ(t.connect("postgresql://postgres@127.0.0.1:1/postgres?connect_timeout=2"), -1);
  EXPECT_NE(t.sqlerrtext.find("cannot connect to PostgreSQL"), std::string::npos) << t.sqlerrtext;
  EXPECT_EQ(t.execute("select 1 from dbj003"), -1);
  EXPECT_EQ(t.sqlerrtext, "not connected");
}

INSTANTIATE_TEST_SUITE_P(Backends, TransactionTest, testing::ValuesIn(test::backends()),
                         test::backend_name_of);

}  // namespace
}  // namespace sparestock
