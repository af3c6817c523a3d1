// The demo data: the same seed gives the same rows, the stock figures agree with the documents,
// locations agree with the stock records, and the data holds the cases the forms need.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "host/base/text.h"
#include "host/db/connection.h"
#include "host/db/transaction.h"
#include "host/grid/definition.h"
#include "schema/batch_insert.h"
#include "schema/demo_vocabulary.h"
#include "schema/schema.h"
#include "tests/test_db.h"

namespace sparestock {
namespace {

using db::DateTime;
using db::Decimal;
using db::Value;

constexpr const char* kToday = "2026-12-08";
constexpr const char* kMonthStart = "2026-12-01 00:00:00";
constexpr const char* kStocktakingDay = "2026/11/30";

schema::DemoOptions small(uint64_t seed = 7) { return {80, seed, kToday}; }

Decimal dec(const Value& v) { return v.as_decimal(2).value_or(Decimal(-99999999, 0)); }

std::vector<std::vector<Value>> rows(db::Connection& conn, const std::string& sql,
                                     const std::vector<Value>& params = {}) {
  std::vector<std::vector<Value>> out;
  auto c = conn.query(sql, params);
  while (c->next()) {
    std::vector<Value> row;
    for (int i = 0; i < c->column_count(); ++i) row.push_back(c->value(i));
    out.push_back(std::move(row));
  }
  return out;
}

int64_t count(db::Connection& conn, const std::string& sql, const std::vector<Value>& params = {}) {
  auto c = conn.query(sql, params);
  return c->next() ? c->integer(0) : -1;
}

// The rows of the tables the generator fills, as one text (order-independent).
std::string contents(db::Connection& conn) {
  std::string out;
  for (const char* table : {"dbj001", "dbj002", "dbj003", "dbj005", "dxl002", "dbj030", "dbj028", "dbj029",
                            "dbj032", "dbj060", "dxt004", "dzz007", "dzz008"}) {
    std::vector<std::string> lines;
    for (const auto& row : rows(conn, std::string("SELECT * FROM ") + table)) {
      std::string line;
      for (const auto& v : row) line += v.to_string() + "|";
      lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    out += std::string(table) + ":" + std::to_string(lines.size()) + "\n";
    for (const auto& l : lines) out += l + "\n";
  }
  return out;
}

class DemoTest : public testing::TestWithParam<db::Backend> {};

TEST_P(DemoTest, SameSeedGivesSameData) {
  test::TestDatabase a(GetParam()), b(GetParam()), c(GetParam());
  auto ca = a.connect(), cb = b.connect(), cc = c.connect();
  schema::load_demo(*ca, small(7));
  schema::load_demo(*cb, small(7));
  schema::load_demo(*cc, small(8));
  std::string first = contents(*ca);
  EXPECT_GT(first.size(), 10000u);
  EXPECT_EQ(first, contents(*cb));
  EXPECT_NE(first, contents(*cc));
}

// nkcsl = receipts - issues of all time; nqcsl = that before the current month; nbqrk and
// nbqck = receipts and issues since. Every document line belongs to a stock record.
TEST_P(DemoTest, StockFiguresAgreeWithDocuments) {
  test::TestDatabase tdb(GetParam());
  auto conn = tdb.connect();
  // Enough records that documents fall on the first day of the month, where the rule turns.
  schema::load_demo(*conn, {400, 3, kToday});

  using Key = std::tuple<std::string, std::string, std::string>;
  struct Sums {
    Decimal total, before, in, out;
  };
  std::map<Key, Sums> docs;
  DateTime month_start = *DateTime::parse(kMonthStart);
  DateTime today = *DateTime::parse(kToday);
  for (const auto& r : rows(*conn,
                            "SELECT h.cgsh, h.ckh, l.ccph, h.clx, h.drq, l.nsl FROM dbj028 h "
                            "JOIN dbj029 l ON l.crcdh = h.crcdh")) {
    auto when = DateTime::parse(r[4].as_text());
    ASSERT_TRUE(when.has_value()) << r[4].to_string();
    ASSERT_LT(*when, today);
    Decimal q = dec(r[5]);
    ASSERT_GT(q.sign(), 0);
    ASSERT_TRUE(r[3].as_text() == "R" || r[3].as_text() == "C");
    Decimal signed_q = r[3].as_text() == "R" ? q : -q;
    Sums& s = docs[{r[0].as_text(), r[1].as_text(), r[2].as_text()}];
    s.total = s.total + signed_q;
    if (*when < month_start)
      s.before = s.before + signed_q;
    else if (r[3].as_text() == "R")
      s.in = s.in + q;
    else
      s.out = s.out + q;
  }
  ASSERT_GT(docs.size(), 20u);
  size_t with_documents = 0, period_moves = 0;
  for (const auto& r : rows(*conn, "SELECT cgsh, ckh, ccph, nkcsl, nqcsl, nbqrk, nbqck FROM dbj030")) {
    Key key{r[0].as_text(), r[1].as_text(), r[2].as_text()};
    SCOPED_TRACE(std::get<0>(key) + "/" + std::get<1>(key) + "/" + std::get<2>(key));
    Sums s;
    if (auto it = docs.find(key); it != docs.end()) {
      s = it->second;
      docs.erase(it);
      ++with_documents;
    }
    EXPECT_EQ(dec(r[3]), s.total);
    EXPECT_EQ(dec(r[4]), s.before);
    EXPECT_EQ(dec(r[5]), s.in);
    EXPECT_EQ(dec(r[6]), s.out);
    EXPECT_GE(dec(r[3]).sign(), 0);
    if (!s.in.is_zero() || !s.out.is_zero()) ++period_moves;
  }
  EXPECT_TRUE(docs.empty()) << "document lines without a stock record";
  EXPECT_GT(count(*conn, "SELECT COUNT(*) FROM dbj028 WHERE drq >= ? AND drq < ?",
                  {month_start, *DateTime::parse("2026-12-02")}),
            0);
  EXPECT_GT(with_documents, 0u);
  EXPECT_GT(period_moves, 0u);
}

// A location is occupied exactly when a stock record lies on it, and every record lies on a
// location of its company, warehouse and zone.
TEST_P(DemoTest, LocationStateAgreesWithStockRecords) {
  test::TestDatabase tdb(GetParam());
  auto conn = tdb.connect();
  schema::load_demo(*conn, small());
  EXPECT_EQ(count(*conn,
                  "SELECT COUNT(*) FROM dbj030 k WHERE NOT EXISTS (SELECT 1 FROM dbj005 l WHERE "
                  "l.cgsh = k.cgsh AND l.ckh = k.ckh AND l.ckqh = k.ckqh AND l.ckwh = k.ckwh)"),
            0);
  const char* occupied =
      "EXISTS (SELECT 1 FROM dbj030 k WHERE l.cgsh = k.cgsh AND l.ckh = k.ckh AND "
      "l.ckqh = k.ckqh AND l.ckwh = k.ckwh)";
  EXPECT_EQ(count(*conn, std::string("SELECT COUNT(*) FROM dbj005 l WHERE lzt = 1 AND NOT ") + occupied), 0);
  EXPECT_EQ(count(*conn, std::string("SELECT COUNT(*) FROM dbj005 l WHERE lzt = 0 AND ") + occupied), 0);
  EXPECT_GT(count(*conn, "SELECT COUNT(*) FROM dbj005 WHERE lzt = 0"), 0);
  EXPECT_GT(count(*conn, "SELECT COUNT(*) FROM dbj005 WHERE lzt = 1"), 0);
  EXPECT_EQ(count(*conn, "SELECT COUNT(*) FROM dbj005 WHERE ltybs = 1 AND lzt = 1"), 0);
}

// The rows that the forms' edge cases are about are all present.
TEST_P(DemoTest, HoldsTheCasesTheFormsNeed) {
  test::TestDatabase tdb(GetParam());
  auto conn = tdb.connect();
  schema::load_demo(*conn, small());
  auto n = [&](const std::string& sql) { return count(*conn, sql); };
  struct Case {
    const char* what;
    const char* sql;
  };
  const Case cases[] = {
      {"stock records of a part missing from the parts master",
       "SELECT COUNT(*) FROM dbj030 k WHERE NOT EXISTS (SELECT 1 FROM dbj002 p WHERE p.cgsh = k.cgsh AND "
       "p.ccph = k.ccph)"},
      {"records of company 02", "SELECT COUNT(*) FROM dbj030 WHERE cgsh = '02'"},
      {"zero stock and zero availability",
       "SELECT COUNT(*) FROM dbj030 WHERE nkcsl = 0 AND "
       "nkcsl - nsqsl - nykps - nsdsl = 0"},
      {"zero stock but negative availability",
       "SELECT COUNT(*) FROM dbj030 WHERE nkcsl = 0 AND "
       "nkcsl - nsqsl - nykps - nsdsl < 0"},
      {"locked quantities", "SELECT COUNT(*) FROM dbj030 WHERE nsdsl > 0"},
      {"empty records no document mentions",
       "SELECT COUNT(*) FROM dbj030 k WHERE nqcsl = 0 AND nbqrk = 0 AND nbqck = 0 AND nkcsl = 0 AND nsqsl = 0 "
       "AND ntzs = 0 AND nykps = 0 AND njcsl = 0 AND nsdsl = 0 AND NOT EXISTS (SELECT 1 FROM dbj029 a JOIN "
       "dbj028 b ON a.crcdh = b.crcdh WHERE a.ccph = k.ccph AND b.cgsh = k.cgsh AND b.ckh = k.ckh)"},
      {"zero records that documents mention",
       "SELECT COUNT(*) FROM dbj030 k WHERE nkcsl = 0 AND EXISTS (SELECT 1 FROM dbj029 a JOIN dbj028 b ON "
       "a.crcdh = b.crcdh WHERE a.ccph = k.ccph AND b.cgsh = k.cgsh AND b.ckh = k.ckh)"},
      {"a part held in two warehouses",
       "SELECT COUNT(*) FROM (SELECT cgsh, ccph FROM dbj030 GROUP BY cgsh, ccph "
       "HAVING COUNT(*) > 1) t"},
      {"several records on one location",
       "SELECT COUNT(*) FROM (SELECT cgsh, ckh, ckqh, ckwh FROM dbj030 GROUP BY "
       "cgsh, ckh, ckqh, ckwh HAVING COUNT(*) > 1) t"},
      {"stock above the maximum reserve",
       "SELECT COUNT(*) FROM dbj030 k JOIN dbj002 p ON p.cgsh = k.cgsh AND p.ccph = k.ccph WHERE p.ncbgx > 0 AND "
       "k.nkcsl > p.ncbgx"},
      {"stock below the minimum reserve",
       "SELECT COUNT(*) FROM dbj030 k JOIN dbj002 p ON p.cgsh = k.cgsh AND p.ccph = k.ccph WHERE p.ncbdx > 0 AND "
       "k.nkcsl > 0 AND k.nkcsl < p.ncbdx"},
      {"parts without reserve limits", "SELECT COUNT(*) FROM dbj002 WHERE ncbgx = 0 AND ncbdx = 0"},
      {"stocked parts not issued for over 180 days",
       "SELECT COUNT(*) FROM V_KCMX WHERE nkcsl > 0 AND dzhckrq < '2026-06-11'"},
      {"common parts", "SELECT COUNT(*) FROM dbj002 WHERE lcyjbs = 1"},
      {"disabled parts", "SELECT COUNT(*) FROM dbj002 WHERE ltybs = 1"},
      {"parts without an account group", "SELECT COUNT(*) FROM dbj002 WHERE ckmzh = ''"},
      {"disabled warehouses", "SELECT COUNT(*) FROM dbj003 WHERE ltybs = 1"},
      {"disabled vehicle models", "SELECT COUNT(*) FROM dxl002 WHERE ltybs = 1"},
      {"disabled categories", "SELECT COUNT(*) FROM dbj001 WHERE ltybs = 1"},
      {"disabled locations", "SELECT COUNT(*) FROM dbj005 WHERE ltybs = 1"},
      {"fluids in fractional quantities",
       "SELECT COUNT(*) FROM dbj029 WHERE nsl <> CAST(CAST(nsl AS INTEGER) AS NUMERIC(18,2))"},
      {"vacant voucher numbers", "SELECT COUNT(*) FROM dzz008"},
  };
  for (const auto& c : cases) EXPECT_GT(n(c.sql), 0) << c.what;

  // Settings and users, one per company.
  EXPECT_EQ(n("SELECT COUNT(*) FROM dbj013 WHERE cqspzz = '记'"), 2);
  EXPECT_EQ(n("SELECT COUNT(*) FROM dxt002 WHERE (cgsh = '01' AND lcwaz = 1) OR (cgsh = '02' AND lcwaz = 0)"),
            2);
  EXPECT_EQ(n("SELECT COUNT(*) FROM DXT004"), 2);
  EXPECT_EQ(n("SELECT COUNT(*) FROM dbj002 p WHERE ckmzh <> '' AND NOT EXISTS (SELECT 1 FROM dzz006 z WHERE "
              "z.cgsh = p.cgsh AND z.ckmz = p.ckmzh)"),
            0);
  EXPECT_EQ(n("SELECT COUNT(*) FROM dzz007 WHERE ckjn = '2026' AND ckjy = '12'"), 2);
}

// Part numbers: a four-character main group followed by a blank or directly by the number,
// some short; names with matching pinyin codes.
TEST_P(DemoTest, PartNumbersAndNames) {
  test::TestDatabase tdb(GetParam());
  auto conn = tdb.connect();
  schema::load_demo(*conn, small());
  int blank = 0, direct = 0, full = 0, short_numbers = 0;
  std::set<std::string> units;
  for (const auto& r : rows(*conn, "SELECT ccph, ccpmc, cpym, cjldw FROM dbj002")) {
    std::string ccph = r[0].as_text();
    SCOPED_TRACE(ccph);
    ASSERT_GT(ccph.size(), 4u);
    ASSERT_LE(ccph.size(), 20u);
    for (char ch : ccph)
      EXPECT_TRUE((ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'Z') || ch == ' ' || ch == '-');
    if (ccph[4] == ' ')
      ++blank;
    else
      ++direct;
    if (ccph.size() == 20) ++full;
    if (ccph.size() < 10) ++short_numbers;
    EXPECT_EQ(r[2].as_text(), schema::demo::pinyin_initials(r[1].as_text(), 12));
    EXPECT_FALSE(r[2].as_text().empty());
    units.insert(r[3].as_text());
  }
  EXPECT_GT(blank, 0);
  EXPECT_GT(direct, 0);
  EXPECT_GT(full, 0);
  EXPECT_GT(short_numbers, 0);
  EXPECT_GE(units.size(), 4u);
}

// One stocktaking day; book quantities are the stock at the end of that day; the counter is a
// user of the company. Earlier cost revisions end at today's cost price.
TEST_P(DemoTest, StocktakingAndRevisionLog) {
  test::TestDatabase tdb(GetParam());
  auto conn = tdb.connect();
  schema::load_demo(*conn, small());
  auto counted = rows(*conn,
                      "SELECT s.drq, s.nzmsl, s.nspsl, s.ncsl, k.nqcsl, s.lpfbs, u.CYHXM FROM dbj032 s "
                      "JOIN dbj030 k ON k.cgsh = s.cgsh AND k.ckh = s.ckh AND k.ccph = s.ccph "
                      "LEFT JOIN DXT004 u ON u.CGSH = s.cgsh AND u.CYHDM = s.crym");
  ASSERT_EQ(static_cast<int64_t>(counted.size()), count(*conn, "SELECT COUNT(*) FROM dbj032"));
  ASSERT_GT(counted.size(), 5u);
  int differences = 0;
  for (const auto& r : counted) {
    EXPECT_EQ(r[0].as_text().substr(0, 10), "2026-11-30");
    EXPECT_EQ(dec(r[1]), dec(r[4]));
    EXPECT_EQ(dec(r[3]), dec(r[2]) - dec(r[1]));
    EXPECT_EQ(r[5].as_integer(), 0);
    EXPECT_FALSE(r[6].as_text().empty());
    if (!dec(r[3]).is_zero()) ++differences;
  }
  EXPECT_GT(differences, 0);

  auto revisions = rows(*conn,
                        "SELECT DISTINCT g.nxdj, k.ndj, g.cbs, g.lbs FROM dbj060 g JOIN dbj030 k ON "
                        "k.cgsh = g.cgsh AND k.ccph = g.ccph");
  ASSERT_FALSE(revisions.empty());
  for (const auto& r : revisions) {
    EXPECT_EQ(dec(r[0]), dec(r[1]));
    EXPECT_EQ(r[2].as_text(), "3");
    EXPECT_EQ(r[3].as_text(), "0");
  }
}

// Every grid statement that selects runs on the demo data and finds rows for company 01.
TEST_P(DemoTest, GridStatementsFindRows) {
  test::TestDatabase tdb(GetParam());
  {
    auto conn = tdb.connect();
    schema::load_demo(*conn, small());
  }
  db::Transaction sqlca;
  ASSERT_EQ(sqlca.connect(tdb.target()), 0) << sqlca.sqlerrtext;
  const std::map<std::string, Value> arguments = {{"gsh", "01"}, {"cgsh", "01"}, {"rq", kStocktakingDay}};
  int grids = 0;
  for (const auto& def : grid::all_definitions()) {
    if (text::iequals(std::string_view(def.statement).substr(0, 7), "execute"))
      continue;                           // procedures are tested with their bodies
    if (def.statement.empty()) continue;  // filled by the form (the host's voucher lines)
    SCOPED_TRACE(def.name);
    db::HostVariables vars;
    for (const auto& a : def.arguments) vars.emplace_back(a.name, arguments.at(a.name));
    auto cursor = sqlca.open_cursor(def.statement, vars);
    ASSERT_NE(cursor, nullptr) << sqlca.sqlerrtext;
    EXPECT_EQ(cursor->column_count(), static_cast<int>(def.columns.size()));
    int n = 0;
    while (cursor->next()) ++n;
    EXPECT_GT(n, 0);
    ++grids;
  }
  EXPECT_GE(grids, 13);

  // The two grids over procedures: the monthly issues of a part that was issued, and the
  // alarm list in each of its three kinds.
  auto issued = sqlca.select_row(
      "select a.ccph, b.drq from dbj029 a, dbj028 b where a.crcdh = b.crcdh and b.cgsh = '01' and b.clx = 'C' "
      "order by b.drq desc, a.ccph");
  ASSERT_TRUE(issued) << sqlca.sqlerrtext;
  std::string year = (*issued)[1].as_text().substr(0, 4);
  auto monthly = sqlca.open_cursor(grid::find_definition("d_bj704_001")->statement,
                                   {{"gsh", "01"}, {"cph", (*issued)[0]}, {"ny", year}});
  ASSERT_NE(monthly, nullptr) << sqlca.sqlerrtext;
  ASSERT_TRUE(monthly->next());
  Decimal total(0, 2);
  for (int m = 0; m < 12; ++m) total = total + *monthly->decimal(m, 2);
  EXPECT_GT(total.sign(), 0) << "the part was issued in " << year;
  for (int num : {1, 2, 3}) {
    SCOPED_TRACE(num);
    auto alarms = sqlca.open_cursor(grid::find_definition("d_bj703_002")->statement,
                                    {{"gsh", "01"}, {"num", num}});
    ASSERT_NE(alarms, nullptr) << sqlca.sqlerrtext;
    EXPECT_TRUE(alarms->next());
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, DemoTest, testing::ValuesIn(test::backends()), test::backend_name_of);

// Rows sent in full multi-row statements and in the one-row remainder all arrive, wide rows
// included (their batches are the largest statements).
TEST_P(DemoTest, BatchInsertSendsEveryRow) {
  test::TestDatabase tdb(GetParam());
  auto conn = tdb.connect();
  const int n = 1234;
  {
    schema::BatchInsert ins(*conn, "dbj002",
                            {"cgsh", "ccph", "ccpmc", "cpym", "cjldw", "ccjh", "ccxh", "cflh", "lcyjbs",
                             "ncgdj", "nckdj", "nwxdj", "ncbgx", "ncbdx", "ckmzh", "ltybs"});
    for (int i = 0; i < n; ++i)
      ins.add({"01", "P" + std::to_string(i), "刹车片", "SCP", "套", "", "01", "002", 1.0, Decimal(i, 2),
               Decimal(0, 0), Decimal(0, 0), i, 0, "01", 0});
    ins.finish();
    EXPECT_EQ(ins.rows(), n);
  }
  EXPECT_EQ(count(*conn, "SELECT COUNT(*) FROM dbj002"), n);
  EXPECT_EQ(count(*conn, "SELECT ncbgx FROM dbj002 WHERE ccph = 'P1233'"), 1233);
  EXPECT_EQ(dec(rows(*conn, "SELECT ncgdj FROM dbj002 WHERE ccph = 'P777'")[0][0]), Decimal(777, 2));
}

TEST(DemoOptions, BadOptionsAreRefusedBeforeWriting) {
  test::TestDatabase tdb(db::Backend::Sqlite);
  auto conn = tdb.connect();
  for (auto options : {schema::DemoOptions{0, 1, kToday}, schema::DemoOptions{500001, 1, kToday},
                       schema::DemoOptions{10, 1, "2026-02-30"}, schema::DemoOptions{10, 1, "8.12.2026"}}) {
    EXPECT_THROW(schema::load_demo(*conn, options), std::invalid_argument) << options.today;
  }
  EXPECT_EQ(count(*conn, "SELECT COUNT(*) FROM dbj002"), 0);
  EXPECT_FALSE(conn->in_transaction());
}

TEST(DemoVocabulary, PinyinInitials) {
  struct Case {
    const char* name;
    size_t limit;
    const char* expected;
  };
  const Case cases[] = {
      {"机油滤清器", 12, "JYLQQ"},
      {"捷达左前减震器", 12, "JDZQJZQ"},
      {"帕萨特左前玻璃升降器", 12, "PSTZQBLSJQ"},
      {"卡罗拉正时皮带套件", 12, "KLLZSPDTJ"},
      // Letters and digits are kept and upper-cased, other signs dropped.
      {"a4l 刹车片-2", 12, "A4LSCP2"},
      {"", 12, ""},
      // Cut to the column's twelve characters.
      {"正时皮带套件正时皮带套件正时", 12, "ZSPDTJZSPDTJ"},
      {"机油滤清器", 3, "JYL"},
  };
  for (const auto& c : cases) EXPECT_EQ(schema::demo::pinyin_initials(c.name, c.limit), c.expected) << c.name;
  EXPECT_THROW(schema::demo::pinyin_initials("鑫"), std::logic_error);
  // Every name the generator can build has a code.
  for (const auto& kind : schema::demo::part_kinds())
    for (const auto& model : schema::demo::vehicle_models())
      EXPECT_NO_THROW(
          schema::demo::pinyin_initials(std::string(model.name) + "左前" + std::string(kind.name)));
}

}  // namespace
}  // namespace sparestock
