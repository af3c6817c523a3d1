// Values keep the meaning of their column types on both backends: fractional quantities stay
// exact through writes, arithmetic, sums and the zero tests of the stock statements, and char(n)
// codes are stored without trailing blanks and refused when longer than their column.

#include <gtest/gtest.h>

#include <fmt/format.h>
#include <cstdlib>
#include <set>

#include "grids/definitions.h"
#include "host/db/transaction.h"
#include "tests/test_db.h"

namespace sparestock {
namespace {

using db::Backend;
using db::Decimal;
using db::Transaction;
using db::Value;

Decimal dec(const char* text) { return *Decimal::parse(text); }

// The part numbers a statement returns in its column `ccph`.
std::set<std::string> parts_of(Transaction& tx, const std::string& statement, const db::HostVariables& vars) {
  std::set<std::string> out;
  auto c = tx.open_cursor(statement, vars);
  EXPECT_TRUE(c) << tx.sqlerrtext;
  if (!c) return out;
  int col = -1;
  for (int i = 0; i < c->column_count(); ++i)
    if (c->column_name(i) == "ccph") col = i;
  EXPECT_GE(col, 0);
  while (c->next()) out.insert(std::string(c->text(col)));
  return out;
}

class ExactValuesTest : public testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    tdb_ = std::make_unique<test::TestDatabase>(GetParam());
    ASSERT_EQ(sqlca.connect(tdb_->target()), 0) << sqlca.sqlerrtext;
  }

  long count(const std::string& tsql, const db::HostVariables& vars = {}) {
    auto row = sqlca.select_row(tsql, vars);
    return row ? static_cast<long>(*(*row)[0].as_integer()) : -1;
  }

  std::unique_ptr<test::TestDatabase> tdb_;
  Transaction sqlca;
};

// ---- Fractional quantities ----------------------------------------------------------------

// A stock row starts at `start` with the given nsqsl and nykps, and `step` is subtracted
// `times` times by an arithmetic update; `nkcsl` and `available` (nkcsl - nsqsl - nykps) are
// the exact answers.
struct Fraction {
  const char* start;
  const char* step;
  int times;
  const char* nsqsl;
  const char* nykps;
  const char* nkcsl;
  const char* available;
};

const Fraction kFractions[] = {
    // down to exactly zero, by steps that are not binary fractions
    {"0.3", "0.1", 3, "0", "0", "0.00", "0.00"},
    {"0.6", "0.2", 3, "0", "0", "0.00", "0.00"},
    {"0.9", "0.3", 3, "0", "0", "0.00", "0.00"},
    // binary fractions, exact in any arithmetic
    {"1.5", "0.5", 3, "0", "0", "0.00", "0.00"},
    {"0.75", "0.25", 3, "0", "0", "0.00", "0.00"},
    // not down to zero
    {"1", "0.1", 3, "0", "0", "0.70", "0.70"},
    {"0.2", "0.1", 3, "0", "0", "-0.10", "-0.10"},
    // stock left, nothing available: 0.3 - 0.1 - 0.2 is -2.8e-17 in binary floating point
    {"0.3", "0.1", 0, "0.1", "0.2", "0.30", "0.00"},
    {"0.5", "0.1", 2, "0.1", "0.2", "0.30", "0.00"},
    // no stock, availability below zero
    {"0.1", "0.1", 1, "0.2", "0", "0.00", "-0.20"},
};

// How the step reaches the statement.
enum class Step { HostDecimal, HostDouble, Literal };
const Step kSteps[] = {Step::HostDecimal, Step::HostDouble, Step::Literal};

std::string part_of(size_t fraction, Step step) {
  return fmt::format("F{:02}-{}", fraction, static_cast<int>(step));
}

// Every fraction, subtracted in each of the three ways, gives the exact stock and availability,
// in what is stored (as any SQLite client reads it) and in what the statements select: the
// stock list, the zero-stock list, the empty records, the availability read and the sum.
TEST_P(ExactValuesTest, FractionalQuantitiesStayExact) {
  Decimal total(0, 2);
  for (size_t i = 0; i < std::size(kFractions); ++i) {
    const Fraction& f = kFractions[i];
    for (Step step : kSteps) {
      std::string ccph = part_of(i, step);
      ASSERT_EQ(sqlca.execute("insert into dbj030 (cgsh, ckh, ccph, nkcsl, nsqsl, nykps) "
                              "values ('01', '01', :p, :s, :q, :y)",
                              {{"p", ccph}, {"s", dec(f.start)}, {"q", dec(f.nsqsl)}, {"y", dec(f.nykps)}}),
                0)
          << sqlca.sqlerrtext;
      for (int k = 0; k < f.times; ++k) {
        long rc = 0;
        switch (step) {
          case Step::HostDecimal:
            rc = sqlca.execute("update dbj030 set nkcsl = nkcsl - :x where cgsh = '01' and ccph = :p",
                               {{"x", dec(f.step)}, {"p", ccph}});
            break;
          case Step::HostDouble:
            rc = sqlca.execute("update dbj030 set nkcsl = nkcsl - :x where cgsh = '01' and ccph = :p",
                               {{"x", std::strtod(f.step, nullptr)}, {"p", ccph}});
            break;
          case Step::Literal:
            rc = sqlca.execute(fmt::format("update dbj030 set nkcsl = nkcsl - {} where cgsh = '01' "
                                           "and ccph = :p",
                                           f.step),
                               {{"p", ccph}});
            break;
        }
        ASSERT_EQ(rc, 0) << sqlca.sqlerrtext;
      }
      total = total + dec(f.nkcsl);
    }
  }
  ASSERT_EQ(sqlca.commit(), 0) << sqlca.sqlerrtext;

  std::set<std::string> zero, listed, empty;
  for (size_t i = 0; i < std::size(kFractions); ++i) {
    const Fraction& f = kFractions[i];
    for (Step step : kSteps) {
      std::string ccph = part_of(i, step);
      SCOPED_TRACE(ccph);
      // Stored: the double nearest to the exact value, as any client reads it.
      auto reader = tdb_->connect();
      auto raw = reader->query("SELECT nkcsl FROM dbj030 WHERE ccph = ?", {Value(ccph)});
      ASSERT_TRUE(raw->next());
      EXPECT_EQ(raw->real(0), std::strtod(f.nkcsl, nullptr));
      // Read through the data layer, the available quantity is a decimal on either backend.
      auto row = sqlca.select_row(
          "select nkcsl - nsqsl - nykps from dbj030 where cgsh = :g and ccph = :p and ckh = :k",
          {{"g", "01"}, {"p", ccph}, {"k", "01"}});
      ASSERT_TRUE(row) << sqlca.sqlerrtext;
      ASSERT_EQ((*row)[0].kind(), db::ValueKind::Decimal);
      EXPECT_EQ((*row)[0].decimal().to_string(), f.available);

      bool no_stock = dec(f.nkcsl).is_zero(), none_available = dec(f.available).is_zero();
      if (no_stock && none_available)
        zero.insert(ccph);
      else
        listed.insert(ccph);
      if (no_stock && dec(f.nsqsl).is_zero() && dec(f.nykps).is_zero()) empty.insert(ccph);
    }
  }
  EXPECT_EQ(parts_of(sqlca, grids::d_bj704_0021().statement, {{"gsh", "01"}}), zero);
  EXPECT_EQ(parts_of(sqlca, grids::d_bj704_002().statement, {{"gsh", "01"}}), listed);
  EXPECT_EQ(parts_of(sqlca, grids::d_bj701_003().statement, {{"cgsh", "01"}}), empty);

  auto sum = sqlca.select_row("select sum(nkcsl) from dbj030 where cgsh = :g", {{"g", "01"}});
  ASSERT_TRUE(sum) << sqlca.sqlerrtext;
  EXPECT_EQ((*sum)[0].as_decimal(2)->to_string(), total.to_string());
  // A sum compared inside a statement: the stock of the 15 records that went to zero is zero.
  EXPECT_EQ(count("select count(*) from dbj030 where cgsh = '01' and ccph < 'F05' "
                  "having sum(nkcsl) = 0"),
            15);
}

// Values written with more places than the column holds are rounded half away from zero, as
// the server rounds them, whichever way they come: bound decimal, bound double, text, literal,
// or arithmetic of the statement.
TEST_P(ExactValuesTest, WritesAreRoundedToTheColumnsScale) {
  struct Case {
    const char* part;
    const char* statement;
    Value value;
    const char* stored;
  } cases[] = {
      {"D1", "insert into dbj030 (cgsh, ckh, ccph, ndj) values ('01', '01', 'D1', :v)", dec("2.675"), "2.68"},
      {"D2", "insert into dbj030 (cgsh, ckh, ccph, ndj) values ('01', '01', 'D2', :v)", 2.675, "2.68"},
      {"D3", "insert into dbj030 (cgsh, ckh, ccph, ndj) values ('01', '01', 'D3', :v)", "-0.125", "-0.13"},
      {"D4", "insert into dbj030 (cgsh, ckh, ccph, ndj) values ('01', '01', 'D4', 0.005)", Value(), "0.01"},
      {"D5", "insert into dbj030 (cgsh, ckh, ccph, ndj) values ('01', '01', 'D5', 0.1 + 0.2)", Value(),
       "0.30"},
      {"D6", "insert into dbj030 (cgsh, ckh, ccph, ndj) values ('01', '01', 'D6', 10 * 1.0045)", Value(),
       "10.05"},
      {"D7", "insert into dbj030 (cgsh, ckh, ccph, ndj) values ('01', '01', 'D7', :v)", 7, "7.00"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(sqlca.execute(c.statement, {{"v", c.value}}), 0) << c.statement << ": " << sqlca.sqlerrtext;
  ASSERT_EQ(sqlca.commit(), 0);
  auto raw = tdb_->connect();
  for (const auto& c : cases) {
    auto row = sqlca.select_row("select ndj from dbj030 where ccph = :p", {{"p", c.part}});
    ASSERT_TRUE(row) << c.part;
    EXPECT_EQ((*row)[0].decimal().to_string(), c.stored) << c.part;
    auto stored = raw->query("SELECT ndj FROM dbj030 WHERE ccph = ?", {Value(c.part)});
    ASSERT_TRUE(stored->next());
    EXPECT_EQ(stored->real(0), std::strtod(c.stored, nullptr)) << c.part;
  }
  // What is not a number is refused, naming the column, and writes nothing.
  EXPECT_EQ(sqlca.execute("insert into dbj030 (cgsh, ckh, ccph, ndj) values ('01', '01', 'D9', :v)",
                          {{"v", "abc"}}),
            -1);
  EXPECT_NE(sqlca.sqlerrtext.find("dbj030.ndj"), std::string::npos) << sqlca.sqlerrtext;
  EXPECT_EQ(sqlca.execute("update dbj030 set ndj = :v where ccph = 'D1'", {{"v", ""}}), -1);
  sqlca.commit();
  EXPECT_EQ(count("select count(*) from dbj030 where ccph = 'D9'"), 0);
}

// A database written by another program may hold binary residue: it is read, compared and
// summed as the decimal it stands for, and an update through the data layer stores it exactly.
// (PostgreSQL rounds such a value when it is written; the answers are the same.)
TEST_P(ExactValuesTest, ResidueAlreadyStoredIsReadAsTheDecimal) {
  auto raw = tdb_->connect();
  raw->exec("INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('01', '01', 'R1', ?)", {Value(0.1 + 0.2)});
  raw->exec("INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('01', '01', 'R2', ?)",
            {Value(0.3 - 0.1 - 0.1 - 0.1)});
  raw->exec("INSERT INTO dbj030 (cgsh, ckh, ccph, nkcsl) VALUES ('01', '01', 'R3', ?)", {Value(0.7 + 0.1)});

  auto row = sqlca.select_row("select nkcsl from dbj030 where ccph = 'R1'");
  ASSERT_TRUE(row);
  EXPECT_EQ((*row)[0].decimal().to_string(), "0.30");
  EXPECT_EQ(count("select count(*) from dbj030 where nkcsl = 0.3"), 1);
  EXPECT_EQ(count("select count(*) from dbj030 where nkcsl = :q", {{"q", dec("0.3")}}), 1);
  EXPECT_EQ(count("select count(*) from dbj030 where nkcsl <= 0.3 and nkcsl > 0"), 1);
  EXPECT_EQ(count("select count(*) from dbj030 where nkcsl between 0.3 and 0.8"), 2);
  EXPECT_EQ(count("select count(*) from dbj030 where nkcsl >= 0.8"), 1);
  EXPECT_EQ(count("select count(*) from dbj030 where nkcsl < 0.8"), 2);
  EXPECT_EQ(parts_of(sqlca, grids::d_bj704_0021().statement, {{"gsh", "01"}}), std::set<std::string>{"R2"});
  EXPECT_EQ(parts_of(sqlca, grids::d_bj701_003().statement, {{"cgsh", "01"}}), std::set<std::string>{"R2"});
  auto sum = sqlca.select_row("select sum(nkcsl) from dbj030");
  EXPECT_EQ((*sum)[0].as_decimal(2)->to_string(), "1.10");

  ASSERT_EQ(sqlca.execute("update dbj030 set nkcsl = nkcsl - 0.3 where ccph = 'R1'"), 0) << sqlca.sqlerrtext;
  ASSERT_EQ(sqlca.commit(), 0);
  auto stored = raw->query("SELECT nkcsl FROM dbj030 WHERE ccph = 'R1'");
  ASSERT_TRUE(stored->next());
  EXPECT_EQ(stored->real(0), 0.0);
}

// ---- Fixed-length codes -------------------------------------------------------------------

// The key columns of the stock record, the parts master, the warehouses, the zones and the
// locations, with their lengths.
struct KeyColumn {
  const char* table;
  const char* column;
  int length;
};

const KeyColumn kKeyColumns[] = {
    {"dbj030", "cgsh", 2},  {"dbj030", "ckh", 2},  {"dbj030", "ccph", 20}, {"dbj002", "cgsh", 2},
    {"dbj002", "ccph", 20}, {"dbj003", "cgsh", 2}, {"dbj003", "ckh", 2},   {"dbj004", "ckqh", 2},
    {"dbj005", "cgsh", 2},  {"dbj005", "ckh", 2},  {"dbj005", "ckqh", 2},  {"dbj005", "ckwh", 10},
};

// The key columns of a table and the value each takes in the first row of a test.
std::vector<std::pair<std::string, std::string>> key_of(const std::string& table) {
  std::map<std::string, std::vector<std::string>> keys = {{"dbj030", {"cgsh", "ckh", "ccph"}},
                                                          {"dbj002", {"cgsh", "ccph"}},
                                                          {"dbj003", {"cgsh", "ckh"}},
                                                          {"dbj004", {"ckqh"}},
                                                          {"dbj005", {"cgsh", "ckh", "ckqh", "ckwh"}}};
  std::map<std::string, std::string> first = {
      {"cgsh", "01"}, {"ckh", "01"}, {"ccph", "ZZZZ FRACT"}, {"ckqh", "01"}, {"ckwh", "A001"}};
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& k : keys.at(table)) out.emplace_back(k, first.at(k));
  return out;
}

// Inserts a row whose key is the first row's with `column` set to `value`.
long insert_key(Transaction& tx, const KeyColumn& k, const std::string& value) {
  std::string names, params;
  db::HostVariables vars;
  for (const auto& [name, first] : key_of(k.table)) {
    names += (names.empty() ? "" : ", ") + name;
    params += (params.empty() ? ":" : ", :") + name;
    vars.emplace_back(name, name == k.column ? value : first);
  }
  return tx.execute(fmt::format("insert into {} ({}) values ({})", k.table, names, params), vars);
}

std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// On every key column: a trailing blank does not make a new key, a value is stored and found
// without its trailing blanks, a value longer than the column is refused naming the column (on
// insert and update, nothing written), and the length counts characters, not bytes.
TEST_P(ExactValuesTest, KeyCodesIgnoreTrailingBlanksAndKeepTheirLength) {
  for (const auto& k : kKeyColumns) {
    SCOPED_TRACE(std::string(k.table) + "." + k.column);
    std::string first;
    for (const auto& [name, value] : key_of(k.table))
      if (name == k.column) first = value;
    std::string where = fmt::format("{} = :v", k.column);
    auto rows = [&](const std::string& value) {
      return count(fmt::format("select count(*) from {} where {}", k.table, where), {{"v", value}});
    };

    ASSERT_EQ(insert_key(sqlca, k, first), 0) << sqlca.sqlerrtext;
    // ('01','01 ','ZZZZ FRACT') is the key ('01','01','ZZZZ FRACT') again.
    EXPECT_EQ(insert_key(sqlca, k, first + " "), -1);
    EXPECT_EQ(insert_key(sqlca, k, first + "   "), -1);
    EXPECT_EQ(rows(first), 1);
    EXPECT_EQ(rows(first + "  "), 1) << "compared without trailing blanks";
    EXPECT_EQ(count(fmt::format("select count(*) from {} where {} = '{}  '", k.table, k.column, first)), 1);

    // A new value with trailing blanks is stored without them.
    std::string second = k.length == 2 ? "9" : "B-77";
    ASSERT_EQ(insert_key(sqlca, k, second + "  "), 0) << sqlca.sqlerrtext;
    auto stored = sqlca.select_row(fmt::format("select {0} from {1} where {0} = :v", k.column, k.table),
                                   {{"v", second}});
    ASSERT_TRUE(stored) << sqlca.sqlerrtext;
    EXPECT_EQ((*stored)[0].as_text(), second);

    // Both sides of the limit, in characters: n Chinese characters fit, n + 1 letters do not.
    EXPECT_EQ(insert_key(sqlca, k, repeat("库", k.length)), 0) << sqlca.sqlerrtext;
    EXPECT_EQ(insert_key(sqlca, k, repeat("Y", k.length + 1)), -1);
    EXPECT_NE(sqlca.sqlerrtext.find(fmt::format("{}.{}", k.table, k.column)), std::string::npos)
        << sqlca.sqlerrtext;
    EXPECT_EQ(rows(repeat("Y", k.length + 1)), 0);
    EXPECT_EQ(sqlca.execute(fmt::format("update {} set {} = :n where {}", k.table, k.column, where),
                            {{"n", repeat("Y", k.length + 1)}, {"v", second}}),
              -1);
    EXPECT_NE(sqlca.sqlerrtext.find(fmt::format("{}.{}", k.table, k.column)), std::string::npos)
        << sqlca.sqlerrtext;
    // A literal longer than its column is refused the same way.
    EXPECT_EQ(sqlca.execute(fmt::format("update {} set {} = '{}' where {}", k.table, k.column,
                                        repeat("Y", k.length + 1), where),
                            {{"v", second}}),
              -1);
    EXPECT_NE(sqlca.sqlerrtext.find(fmt::format("{}.{}", k.table, k.column)), std::string::npos)
        << sqlca.sqlerrtext;
    EXPECT_EQ(rows(second), 1);
    ASSERT_EQ(sqlca.commit(), 0) << sqlca.sqlerrtext;
    EXPECT_EQ(count(fmt::format("select count(*) from {}", k.table)), 3);
    sqlca.execute(fmt::format("delete from {}", k.table));
    ASSERT_EQ(sqlca.commit(), 0);
  }
}

// Writes that do not come through the data layer meet the same rules in the database itself:
// a trailing blank or an over-long value is refused, and the refusal names the column where
// the backend lets it (PostgreSQL reports an over-long value by its type alone).
TEST_P(ExactValuesTest, TheDatabaseRefusesCodesThatBreakTheRules) {
  auto raw = tdb_->connect();
  raw->exec("INSERT INTO dbj030 (cgsh, ckh, ccph) VALUES ('01', '01', 'ZZZZ FRACT')");
  try {
    raw->exec("INSERT INTO dbj030 (cgsh, ckh, ccph) VALUES ('01', '01', 'ZZZZ FRACT ')");
    ADD_FAILURE() << "a trailing blank was accepted";
  } catch (const db::DbError& e) {
    EXPECT_NE(std::string(e.what()).find("ccph"), std::string::npos) << e.what();
  }
  try {
    raw->exec("UPDATE dbj030 SET ckh = '1 ' WHERE ccph = 'ZZZZ FRACT'");
    ADD_FAILURE() << "a trailing blank was accepted";
  } catch (const db::DbError& e) {
    EXPECT_NE(std::string(e.what()).find("ckh"), std::string::npos) << e.what();
  }
  try {
    raw->exec("INSERT INTO dbj030 (cgsh, ckh, ccph) VALUES ('01', '01', ?)",
              {Value("ZZZZ FRACT 0123456789ABCDEF")});
    ADD_FAILURE() << "26 characters went into a column of 20";
  } catch (const db::DbError& e) {
    if (GetParam() == Backend::Sqlite) {
      EXPECT_NE(std::string(e.what()).find("dbj030.ccph"), std::string::npos) << e.what();
    }
  }
  auto c = raw->query("SELECT count(*) FROM dbj030");
  ASSERT_TRUE(c->next());
  EXPECT_EQ(c->integer(0), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, ExactValuesTest, testing::ValuesIn(test::backends()),
                         test::backend_name_of);

}  // namespace
}  // namespace sparestock
