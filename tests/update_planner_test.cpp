// The statements a grid's update writes, planned from its rows without a database: which rows,
// which columns, which key values, in which order, and the plans that cannot be written.

#include <gtest/gtest.h>

#include <functional>

#include "host/db/connection.h"
#include "host/grid/grid.h"
#include "host/grid/update_planner.h"

namespace sparestock::grid {
namespace {

using db::Decimal;
using db::Value;

ColumnDef column(std::string name, GridType type, int size, bool updatable, bool key = false) {
  ColumnDef c;
  c.name = std::move(name);
  c.type = type;
  if (type == GridType::Char) c.length = size;
  if (type == GridType::Decimal) c.scale = size;
  c.updatable = updatable;
  c.key = key;
  return c;
}

// Stock records keyed by company, warehouse and part; the part name comes from a join and is
// not written; the lock quantity's grid name differs from its table column.
GridDefinition stock_records() {
  GridDefinition d;
  d.name = "d_plan_stock";
  d.update_table = "dbj030";
  d.columns = {column("dbj030_cgsh", GridType::Char, 2, true, true),
               column("dbj030_ckh", GridType::Char, 2, true, true),
               column("dbj030_ccph", GridType::Char, 20, true, true),
               column("dbj030_ckwh", GridType::Char, 10, true),
               column("lock_qty", GridType::Decimal, 2, true),
               column("dbj002_ccpmc", GridType::Char, 40, false)};
  d.columns[4].db_name = "nsdsl";
  return d;
}

// Two records as read from the database: 01/01/P1 and 01/01/P2.
void load(Grid& g) {
  std::vector<std::vector<Value>> rows = {
      {Value("01"), Value("01"), Value("P1"), Value("W1"), Value(Decimal(0, 2)), Value("活塞")},
      {Value("01"), Value("01"), Value("P2"), Value("W2"), Value(Decimal(100, 2)), Value("缸套")},
  };
  std::vector<db::ColumnInfo> infos(g.definition().columns.size());
  db::MemoryCursor cursor(infos, std::move(rows));
  ASSERT_EQ(g.retrieve_from(cursor), 2);
}

const char* buffer_name(Buffer b) {
  switch (b) {
    case Buffer::Primary: return "primary";
    case Buffer::Filter: return "filter";
    case Buffer::Delete: return "delete";
  }
  return "?";
}

// "SQL [v1=.., k1=..] buffer row; ..." or "error: ...".
std::string render(const UpdatePlan& plan) {
  if (!plan.error.empty())
    return "error: " + plan.error + (plan.statements.empty() ? "" : " (with statements)");
  std::string out;
  for (const PlannedStatement& s : plan.statements) {
    if (!out.empty()) out += "; ";
    out += s.sql + " [";
    for (size_t k = 0; k < s.values.size(); ++k)
      out += (k ? ", " : "") + s.values[k].first + "=" +
             (s.values[k].second.is_null() ? "null" : s.values[k].second.as_text());
    out += "] " + std::string(buffer_name(s.buffer)) + " " + std::to_string(s.number);
  }
  return out;
}

struct Case {
  const char* what;
  std::function<void(Grid&)> change;
  const char* plan;
};

TEST(UpdatePlanner, StatementsForEachKindOfChange) {
  const Case cases[] = {
      // ---- nothing to write ----
      {"no changes", [](Grid&) {}, ""},
      {"a column the grid does not write", [](Grid& g) { g.setitem(1, "dbj002_ccpmc", Value("新名")); }, ""},
      {"a new row never filled in", [](Grid& g) { g.insertrow(0); }, ""},
      {"a new row with only a column the grid does not write",
       [](Grid& g) { g.setitem(g.insertrow(0), "dbj002_ccpmc", Value("x")); }, ""},
      {"a value set back to what was read is still written",
       [](Grid& g) {
         g.setitem(1, "dbj030_ckwh", Value("W9"));
         g.setitem(1, "dbj030_ckwh", Value("W1"));
       },
       "UPDATE dbj030 SET ckwh = :v1 WHERE cgsh = :k1 AND ckh = :k2 AND ccph = :k3 [v1=W1, k1=01, k2=01, k3=P1] "
       "primary 1"},

      // ---- changed rows ----
      {"modified row: only the changed columns, by db_name or without the table prefix",
       [](Grid& g) {
         g.setitem(2, "lock_qty", Value(Decimal(300, 2)));
         g.setitem(2, "dbj030_ckwh", Value("W9"));
       },
       "UPDATE dbj030 SET ckwh = :v1, nsdsl = :v2 WHERE cgsh = :k1 AND ckh = :k2 AND ccph = :k3 "
       "[v1=W9, v2=3.00, k1=01, k2=01, k3=P2] primary 2"},
      {"updatable subset: the joined part name stays out",
       [](Grid& g) {
         g.setitem(1, "dbj002_ccpmc", Value("新名"));
         g.setitem(1, "lock_qty", Value(Decimal(50, 2)));
       },
       "UPDATE dbj030 SET nsdsl = :v1 WHERE cgsh = :k1 AND ckh = :k2 AND ccph = :k3 [v1=0.50, k1=01, k2=01, k3=P1] "
       "primary 1"},
      {"key changed: written, and the row found by the key as read",
       [](Grid& g) {
         g.setitem(2, "dbj030_ckh", Value("02"));
         g.setitem(2, "dbj030_ckh", Value("03"));
       },
       "UPDATE dbj030 SET ckh = :v1 WHERE cgsh = :k1 AND ckh = :k2 AND ccph = :k3 [v1=03, k1=01, k2=01, k3=P2] "
       "primary 2"},
      {"a key read as null is matched with IS NULL",
       [](Grid& g) {
         g.setitem(1, "dbj030_ccph", Value());
         g.resetupdate();
         g.setitem(1, "dbj030_ckwh", Value("W5"));
       },
       "UPDATE dbj030 SET ckwh = :v1 WHERE cgsh = :k1 AND ckh = :k2 AND ccph IS NULL [v1=W5, k1=01, k2=01] "
       "primary 1"},
      {"a changed row the filter hides is written from the filter buffer",
       [](Grid& g) {
         g.setitem(1, "dbj030_ckwh", Value("W9"));
         g.setfilter("dbj030_ccph = 'P2'");
         g.filter();
       },
       "UPDATE dbj030 SET ckwh = :v1 WHERE cgsh = :k1 AND ckh = :k2 AND ccph = :k3 [v1=W9, k1=01, k2=01, k3=P1] "
       "filter 1"},

      // ---- new rows ----
      {"inserted row: its written columns",
       [](Grid& g) {
         long r = g.insertrow(0);
         g.setitem(r, "dbj030_cgsh", Value("01"));
         g.setitem(r, "dbj030_ckh", Value("02"));
         g.setitem(r, "dbj030_ccph", Value("P3"));
         g.setitem(r, "dbj002_ccpmc", Value("不写"));
       },
       "INSERT INTO dbj030 (cgsh, ckh, ccph) VALUES (:v1, :v2, :v3) [v1=01, v2=02, v3=P3] primary 3"},

      // ---- deleted rows ----
      {"deleted row: by its key as read, even after the key was changed",
       [](Grid& g) {
         g.setitem(1, "dbj030_ckh", Value("09"));
         g.deleterow(1);
       },
       "DELETE FROM dbj030 WHERE cgsh = :k1 AND ckh = :k2 AND ccph = :k3 [k1=01, k2=01, k3=P1] delete 1"},
      {"a new row deleted before it was written is not written",
       [](Grid& g) {
         long r = g.insertrow(0);
         g.setitem(r, "dbj030_ccph", Value("P3"));
         g.deleterow(r);
       },
       ""},

      // ---- order ----
      {"deletes first, then changed and new rows as shown",
       [](Grid& g) {
         long r = g.insertrow(1);
         g.setitem(r, "dbj030_ccph", Value("P0"));
         g.setitem(3, "dbj030_ckwh", Value("W7"));
         g.deleterow(2);
       },
       "DELETE FROM dbj030 WHERE cgsh = :k1 AND ckh = :k2 AND ccph = :k3 [k1=01, k2=01, k3=P1] delete 1; "
       "INSERT INTO dbj030 (ccph) VALUES (:v1) [v1=P0] primary 1; "
       "UPDATE dbj030 SET ckwh = :v1 WHERE cgsh = :k1 AND ckh = :k2 AND ccph = :k3 [v1=W7, k1=01, k2=01, k3=P2] "
       "primary 2"},
  };
  for (const Case& c : cases) {
    Grid g(stock_records());
    load(g);
    c.change(g);
    EXPECT_EQ(render(UpdatePlanner(g.definition(), g.data()).plan()), c.plan) << c.what;
  }
}

TEST(UpdatePlanner, PlansThatCannotBeWritten) {
  auto without_table = [] {
    GridDefinition d = stock_records();
    d.update_table.clear();
    for (auto& c : d.columns) c.updatable = false;
    return d;
  };
  auto without_key = [] {
    GridDefinition d = stock_records();
    for (auto& c : d.columns) c.key = false;
    return d;
  };
  struct Refusal {
    const char* what;
    GridDefinition def;
    std::function<void(Grid&)> change;
    const char* plan;
  };
  const Refusal cases[] = {
      {"no update table, a changed row: nothing is written", without_table(),
       [](Grid& g) { g.setitem(1, "dbj030_ckwh", Value("W9")); }, ""},
      {"no update table, a new row", without_table(),
       [](Grid& g) { g.setitem(g.insertrow(0), "dbj030_ccph", Value("P3")); },
       "error: grid d_plan_stock has no update table; its changes cannot be written"},
      {"no update table, a deleted row", without_table(), [](Grid& g) { g.deleterow(1); },
       "error: grid d_plan_stock has no update table; its changes cannot be written"},
      {"no key, a changed row", without_key(), [](Grid& g) { g.setitem(2, "dbj030_ckwh", Value("W9")); },
       "error: grid d_plan_stock has no key columns; rows cannot be found to write"},
      // Refused before the INSERT planned ahead of it could be sent.
      {"no key, a new row and then a changed row", without_key(),
       [](Grid& g) {
         g.setitem(g.insertrow(1), "dbj030_ccph", Value("P0"));
         g.setitem(2, "dbj030_ckwh", Value("W9"));
       },
       "error: grid d_plan_stock has no key columns; rows cannot be found to write"},
      {"no key, only a new row: inserted", without_key(),
       [](Grid& g) { g.setitem(g.insertrow(0), "dbj030_ccph", Value("P3")); },
       "INSERT INTO dbj030 (ccph) VALUES (:v1) [v1=P3] primary 3"},
      {"no key, only a column the grid does not write changed", without_key(),
       [](Grid& g) { g.setitem(1, "dbj002_ccpmc", Value("x")); }, ""},
  };
  for (const Refusal& c : cases) {
    Grid g(c.def);
    load(g);
    c.change(g);
    EXPECT_EQ(render(UpdatePlanner(g.definition(), g.data()).plan()), c.plan) << c.what;
  }
}

// A key the database assigns is read back on insert and never written.
TEST(UpdatePlanner, AnIdentityKeyIsReadBackNotWritten) {
  GridDefinition d;
  d.name = "d_plan_revisions";
  d.update_table = "dbj060";
  d.columns = {column("nsxh", GridType::Long, 0, true, true), column("ccph", GridType::Char, 20, true),
               column("nxdj", GridType::Decimal, 2, true)};
  d.columns[0].identity = true;
  Grid g(d);
  long r = g.insertrow(0);
  g.setitem(r, "nsxh", Value(int64_t{99}));
  g.setitem(r, "ccph", Value("P1"));
  g.setitem(r, "nxdj", Value(Decimal(175, 2)));
  UpdatePlan plan = UpdatePlanner(g.definition(), g.data()).plan();
  EXPECT_EQ(render(plan),
            "INSERT INTO dbj060 (ccph, nxdj) VALUES (:v1, :v2) RETURNING nsxh [v1=P1, v2=1.75] primary 1");
  ASSERT_EQ(plan.statements.size(), 1u);
  EXPECT_TRUE(plan.statements[0].returns_identity);
  EXPECT_EQ(plan.identity_column, 0);
}

}  // namespace
}  // namespace sparestock::grid
