// Grids against a database on every backend under test: retrieval of the module's grid
// definitions, and update() writing changed, new and deleted rows.

#include <gtest/gtest.h>

#include "host/db/transaction.h"
#include "host/grid/grid.h"
#include "tests/test_db.h"

namespace sparestock::grid {
namespace {

using db::Backend;
using db::Decimal;
using db::Transaction;
using db::Value;

class GridDatabase : public testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    tdb_ = std::make_unique<test::TestDatabase>(GetParam());
    ASSERT_EQ(sqlca.connect(tdb_->target()), 0) << sqlca.sqlerrtext;
  }

  void exec(const std::string& sql, const db::HostVariables& vars = {}) {
    ASSERT_EQ(sqlca.execute(sql, vars), 0) << sql << ": " << sqlca.sqlerrtext;
  }
  void commit() { ASSERT_EQ(sqlca.commit(), 0) << sqlca.sqlerrtext; }

  void part(const char* gsh, const char* ccph, const char* name, long high = 0, long low = 0) {
    exec("insert into dbj002 (cgsh, ccph, ccpmc, ncgdj, ncbgx, ncbdx) values (:g, :p, :n, 2, :h, :l)",
         {{"g", gsh}, {"p", ccph}, {"n", name}, {"h", Value(int64_t{high})}, {"l", Value(int64_t{low})}});
  }
  void stock(const char* gsh, const char* ckh, const char* ccph, const char* nkcsl, const char* nsqsl = "0",
             const char* nsdsl = "0") {
    exec(
        "insert into dbj030 (cgsh, ckh, ccph, ckqh, ckwh, nkcsl, nsqsl, nsdsl, ndj) "
        "values (:g, :k, :p, 'A1', 'W1', :q, :s, :d, 1.5)",
        {{"g", gsh},
         {"k", ckh},
         {"p", ccph},
         {"q", *Decimal::parse(nkcsl)},
         {"s", *Decimal::parse(nsqsl)},
         {"d", *Decimal::parse(nsdsl)}});
  }

  // Rows of a query on a second connection, "a|b; c|d".
  std::string query(const std::string& sql) {
    Transaction other("other");
    EXPECT_EQ(other.connect(tdb_->target()), 0);
    auto cursor = other.open_cursor(sql);
    EXPECT_TRUE(cursor) << other.sqlerrtext;
    std::string out;
    while (cursor && cursor->next()) {
      if (!out.empty()) out += "; ";
      for (int c = 0; c < cursor->column_count(); ++c)
        out += (c ? "|" : "") + (cursor->is_null(c) ? std::string("null") : cursor->value(c).as_text());
    }
    return out;
  }

  void place(Grid& g, const char* name) {
    ASSERT_EQ(g.set_dataobject(name), 1) << name;
    g.settransobject(sqlca);
  }

  std::unique_ptr<test::TestDatabase> tdb_;
  Transaction sqlca;
};

// Retrieval of the stock list keeps the stock rows of parts missing from the master, drops
// rows without stock and without availability, and counts a part once in the part count.
TEST_P(GridDatabase, StockListOfOneCompany) {
  part("01", "JL0112", "机油滤清器");
  part("01", "JL01 123", "活塞");
  stock("01", "01", "JL0112", "3");
  stock("01", "02", "JL0112", "2");
  stock("01", "01", "JL01 123", "0", "2");  // no stock, available -2
  stock("01", "01", "GONE", "5");           // part not in the master
  stock("01", "03", "JL0112", "0");         // nothing at all: not listed
  stock("02", "01", "JL0112", "9");         // another company
  commit();

  Grid g;
  ASSERT_EQ(g.set_dataobject("d_bj704_002"), 1);
  EXPECT_EQ(g.retrieve({Value("01")}), -1);  // no transaction object yet
  g.settransobject(sqlca);
  ASSERT_EQ(g.retrieve({Value("01")}), 4) << sqlca.sqlerrtext;
  // The definition's sort: warehouse, then main group.
  std::string rows;
  for (long r = 1; r <= g.rowcount(); ++r)
    rows += g.getitemstring(r, "dbj030_ckh").value_or("-") + " " + g.getitemstring(r, "CCPH").value_or("-") +
            " " + g.getitemstring(r, "ccpmc").value_or("null") + " " +
            g.getitemstring(r, "nkykc").value_or("null") + "; ";
  EXPECT_EQ(
      rows,
      "01 GONE null 5.00; 01 JL01 123 活塞 -2.00; 01 JL0112 机油滤清器 3.00; 02 JL0112 机油滤清器 2.00; ");
  EXPECT_EQ(g.band_value("compute_2")->as_text(), "3");
  EXPECT_EQ(g.band_value("compute_4")->as_text(), "10.00");
  EXPECT_EQ(g.getitemdecimal(3, "compute_1")->to_string(), "4.5000");
  // A search of the enquiry form, then the sort of its radio button.
  g.setfilter(
      "(mid(dbj030_ccph,5,13) like '12%') or (mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,13) like '12%')");
  g.filter();
  EXPECT_EQ(g.rowcount(), 3);
  g.setsort("CCPH A, dbj030_ckh D");
  g.sort();
  EXPECT_EQ(g.getitemstring(1, "dbj030_ccph"), "JL01 123");
  EXPECT_EQ(g.getitemstring(2, "dbj030_ckh"), "02");
}

TEST_P(GridDatabase, AFailedRetrievalIsNegativeAndReported) {
  GridDefinition d;
  d.name = "d_broken";
  d.statement = "SELECT nosuch.x FROM nosuch";
  ColumnDef c;
  c.name = "x";
  d.columns = {c};
  Grid g(d);
  g.settransobject(sqlca);
  std::string reported;
  g.events.dberror = [&](const DbErrorEvent& e) {
    reported = e.sqlsyntax;
    return 1;
  };
  EXPECT_EQ(g.retrieve(), -1);
  EXPECT_EQ(sqlca.sqlcode, -1);
  EXPECT_EQ(reported, d.statement);
  EXPECT_EQ(g.rowcount(), 0);
  // Wrong number of arguments.
  Grid s;
  place(s, "d_bj704_002");
  EXPECT_EQ(s.retrieve(), -1);
  EXPECT_EQ(s.last_error(), "grid d_bj704_002 takes 1 retrieval argument(s), 0 given");
}

// The alarm list hides parts whose two reserve limits are 0, though the procedure returns them.
TEST_P(GridDatabase, AlarmListHidesPartsWithoutLimits) {
  part("01", "A", "无限额", 0, 0);
  part("01", "B", "低限", 0, 5);
  part("01", "C", "高限", 10, 0);
  stock("01", "01", "A", "-1");
  stock("01", "01", "B", "1");
  stock("01", "01", "C", "-2");
  commit();
  Grid g;
  place(g, "d_bj703_002");
  ASSERT_EQ(g.retrieve({Value("01"), Value(int64_t{2})}), 2) << g.last_error();
  EXPECT_EQ(g.filteredcount(), 1);
  EXPECT_EQ(g.getitemstring(1, "ccph"), "B");
  EXPECT_EQ(g.getitemstring(2, "ccph"), "C");
}

// update() writes exactly the changed columns, found by the key values as retrieved.
TEST_P(GridDatabase, UpdateWritesOnlyChangedColumnsByTheOriginalKey) {
  stock("01", "01", "P1", "10");
  stock("01", "01", "P2", "20");
  commit();
  Grid g;
  place(g, "d_bj701_001");
  ASSERT_EQ(g.retrieve({Value("01")}), 2);
  ASSERT_EQ(g.setitem(1, "nsdsl", Value(Decimal(300, 2))), 1);
  ASSERT_EQ(g.setitem(1, "ckwh", Value("W9")), 1);
  ASSERT_EQ(g.setitem(2, "ckh", Value("02")), 1);  // a key column: the row moves
  // Meanwhile another session changes a column this grid did not touch.
  {
    Transaction other("other");
    ASSERT_EQ(other.connect(tdb_->target()), 0);
    ASSERT_EQ(other.execute("update dbj030 set nkcsl = 11 where ccph = 'P1'"), 0);
    ASSERT_EQ(other.commit(), 0);
  }
  ASSERT_EQ(g.update(), 1) << sqlca.sqlerrtext;
  commit();
  EXPECT_EQ(query("select ckh, ccph, nkcsl, nsdsl, ckwh from dbj030 order by ccph"),
            "01|P1|11.00|3.00|W9; 02|P2|20.00|0.00|W1");
  EXPECT_EQ(g.getitemstatus(1, 0), ItemStatus::NotModified);
  EXPECT_EQ(g.getitemstatus(2, "ckh"), ItemStatus::NotModified);
  EXPECT_EQ(g.getitemstring(2, "ckh", Buffer::Primary, true), "02");
  // Nothing changed: nothing written, success.
  EXPECT_EQ(g.update(), 1);
}

// A row the database refuses: -1, the statement's error in the transaction, the statuses kept
// so that the caller can roll back and nothing is half written.
TEST_P(GridDatabase, ARefusedRowLeavesEverythingAsItWas) {
  stock("01", "01", "P1", "10");
  stock("01", "01", "P2", "20");
  stock("01", "02", "P2", "30");
  commit();
  Grid g;
  place(g, "d_bj701_001");
  g.setsort("ckh A, ccph A");
  ASSERT_EQ(g.retrieve({Value("01")}), 3);
  g.setitem(1, "nsdsl", Value(1));
  g.setitem(2, "ckh", Value("02"));  // 01/P2 -> 02/P2, which exists: the key refuses it
  long reported_row = 0;
  g.events.dberror = [&](const DbErrorEvent& e) {
    reported_row = e.row;
    return 1;
  };
  EXPECT_EQ(g.update(), -1);
  EXPECT_EQ(sqlca.sqlcode, -1);
  EXPECT_FALSE(sqlca.sqlerrtext.empty());
  EXPECT_EQ(reported_row, 2);
  ASSERT_EQ(sqlca.rollback(), 0);
  EXPECT_EQ(query("select ckh, ccph, nsdsl from dbj030 order by ckh, ccph"),
            "01|P1|0.00; 01|P2|0.00; 02|P2|0.00");
  EXPECT_EQ(g.getitemstatus(1, "nsdsl"), ItemStatus::DataModified);
  EXPECT_EQ(g.getitemstatus(2, 0), ItemStatus::DataModified);
  EXPECT_EQ(g.modifiedcount(), 2);
  // Put right, the same grid writes both.
  g.setitem(2, "ckh", Value("03"));
  ASSERT_EQ(g.update(), 1) << sqlca.sqlerrtext;
  commit();
  EXPECT_EQ(query("select ckh, ccph, nsdsl from dbj030 order by ckh, ccph"),
            "01|P1|1.00; 02|P2|0.00; 03|P2|0.00");
}

TEST_P(GridDatabase, ARowChangedByAnotherSessionIsNotOverwritten) {
  stock("01", "01", "P1", "10");
  commit();
  Grid g;
  place(g, "d_bj701_001");
  ASSERT_EQ(g.retrieve({Value("01")}), 1);
  g.setitem(1, "nsdsl", Value(2));
  exec("delete from dbj030 where ccph = 'P1'");
  commit();
  EXPECT_EQ(g.update(), -1);
  EXPECT_EQ(sqlca.sqlerrtext, "Row changed between retrieve and update.");
  EXPECT_EQ(g.getitemstatus(1, 0), ItemStatus::DataModified);
  sqlca.rollback();
}

TEST_P(GridDatabase, InsertReadsBackTheIdentityKeyAndDeleteRemovesRows) {
  Grid g;
  place(g, "d_bj902_004");
  ASSERT_EQ(g.retrieve(), 0);
  for (const char* p : {"P1", "P2"}) {
    long r = g.insertrow(0);
    g.setitem(r, "cgsh", Value("01"));
    g.setitem(r, "ccph", Value(p));
    g.setitem(r, "drq", Value("2026-12-08 10:00:00"));
    g.setitem(r, "nydj", Value(Decimal(150, 2)));
    g.setitem(r, "nxdj", Value(Decimal(175, 2)));
    g.setitem(r, "cbs", Value("3"));
  }
  g.insertrow(0);  // never filled in: not written
  ASSERT_EQ(g.update(), 1) << sqlca.sqlerrtext;
  commit();
  auto k1 = g.getitemnumber(1, "nsxh"), k2 = g.getitemnumber(2, "nsxh");
  ASSERT_TRUE(k1 && k2);
  EXPECT_NE(*k1, *k2);
  EXPECT_EQ(query("select ccph, nydj, nxdj, cbs from dbj060 where nsxh = " +
                  std::to_string(static_cast<long>(*k2))),
            "P2|1.50|1.75|3");
  EXPECT_EQ(g.getitemstatus(1, 0), ItemStatus::NotModified);
  EXPECT_EQ(g.getitemstatus(3, 0), ItemStatus::New);

  ASSERT_EQ(g.deleterow(1), 1);
  ASSERT_EQ(g.update(), 1) << sqlca.sqlerrtext;
  commit();
  EXPECT_EQ(g.deletedcount(), 0);
  EXPECT_EQ(query("select ccph from dbj060"), "P2");
}

TEST_P(GridDatabase, AGridWithoutUpdateTableWritesNothing) {
  stock("01", "01", "P1", "10");
  commit();
  Grid g;
  place(g, "d_bj704_002");
  ASSERT_EQ(g.retrieve({Value("01")}), 1);
  g.setitem(1, "dbj030_nkcsl", Value(1));  // not an updatable column: nothing to write
  EXPECT_EQ(g.update(), 1);
  g.insertrow(0);
  g.setitem(2, "dbj030_ccph", Value("NEW"));
  EXPECT_EQ(g.update(), -1);
  EXPECT_EQ(g.last_error(), "grid d_bj704_002 has no update table; its changes cannot be written");
}

INSTANTIATE_TEST_SUITE_P(Backends, GridDatabase, testing::ValuesIn(test::backends()), test::backend_name_of);

}  // namespace
}  // namespace sparestock::grid
