// Import and export of the module's tables as delimited files: GBK and UTF-8 exports written
// here, each malformed file refused with its file, line and reason and the database unchanged,
// and the round trip of the demo database to the other backend.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "host/base/csv.h"
#include "host/base/encoding.h"
#include "host/base/text.h"
#include "host/db/connection.h"
#include "schema/schema.h"
#include "schema/table_files.h"
#include "tests/temp_folder.h"
#include "tests/test_db.h"

namespace sparestock {
namespace {

namespace fs = std::filesystem;

std::string gbk(std::string_view utf8) { return text::utf8_to_gbk(utf8); }

int64_t count(db::Connection& conn, const std::string& sql, const std::vector<db::Value>& params = {}) {
  auto c = conn.query(sql, params);
  return c->next() ? c->integer(0) : -1;
}

// Every table's row count and a sum over its numbers: what a failed import must leave alone.
std::string fingerprint(db::Connection& conn) {
  std::string out;
  for (const auto& t : schema::table_names())
    out += t + "=" + std::to_string(count(conn, "SELECT COUNT(*) FROM " + t)) + " ";
  return out;
}

// A small legacy export in GBK: char values padded with blanks as older databases keep them,
// dates with slashes, a stock record whose part the parts master lacks.
std::map<std::string, std::string> legacy_files() {
  return {
      {"dbj003.csv",
       gbk("cgsh,ckh,ckmc,ltybs\r\n01,01,配件总库      ,0\r\n01,02,油料库,0\r\n02,01,配件库,0\r\n")},
      {"dbj002.csv",
       gbk("cgsh,ccph,ccpmc,cpym,cjldw,ncgdj,ncbgx\r\n"
           "01,0133 007920-DH    ,捷达左前减震器,JDZQJZQ,个,53.4,10\r\n"
           // 30 characters: the longest name the column holds
           "01,\"0225,015839\",一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十,YE,套,0.05,\r\n"
           "02,0133 007920-DH,捷达左前减震器,JDZQJZQ,个,60,0\r\n")},
      {"dbj030.csv", gbk("cgsh,ckh,ccph,ckqh,ckwh,nkcsl,ndj\r\n"
                         "01,01,0133 007920-DH,01,A001-101,7,52.87\r\n"
                         "01,02,\"0225,015839\",02,B001-101,12.5,0.10\r\n"
                         "01,01,0999 MISSING,01,A001-102,1.00,3\r\n"
                         "02,01,0133 007920-DH,01,A001-101,2,60.00\r\n")},
      {"dbj028.csv",
       gbk("crcdh,cgsh,ckh,drq,clx\r\nR0101202605310001,01,01,2026/05/31,R\r\nR0201202605310001,02,01,2026-05-31 10:30:00,R\r\n")},
      {"dbj029.csv",
       gbk("crcdh,nhh,ccph,nsl,ndj\r\nR0101202605310001,1,0133 007920-DH,7,52.87\r\nR0201202605310001,1,0133 007920-DH,2,60\r\n")},
      {"notes.txt", gbk("不是表\r\n")},
  };
}

void write_all(const test::TempFolder& f, const std::map<std::string, std::string>& files) {
  for (const auto& [name, bytes] : files) f.write(name, bytes);
}

schema::ImportOptions gbk_options() {
  schema::ImportOptions o;
  o.encoding = text::Encoding::Gbk;
  return o;
}

class TableFilesTest : public testing::TestWithParam<db::Backend> {};

TEST_P(TableFilesTest, LegacyGbkExportIsLoadedExactly) {
  test::TestDatabase tdb(GetParam());
  auto conn = tdb.connect();
  test::TempFolder dir;
  write_all(dir, legacy_files());

  auto report = schema::import_tables(*conn, dir.path(), gbk_options());
  EXPECT_EQ(report.missing_parts, 1);
  ASSERT_EQ(report.ignored_files, std::vector<std::string>{"notes.txt"});
  std::map<std::string, int64_t> rows;
  for (const auto& t : report.tables) rows[t.table] = t.rows;
  EXPECT_EQ(rows, (std::map<std::string, int64_t>{
                      {"dbj002", 3}, {"dbj003", 3}, {"dbj030", 4}, {"dbj028", 2}, {"dbj029", 2}}));

  auto c = conn->query("SELECT ckmc FROM dbj003 WHERE cgsh = '01' AND ckh = '01'");
  ASSERT_TRUE(c->next());
  EXPECT_EQ(c->text(0), "配件总库");  // trailing blanks of a char column trimmed
  c = conn->query("SELECT ncgdj, ncbgx, ccpmc FROM dbj002 WHERE cgsh = '01' AND ccph = '0225,015839'");
  ASSERT_TRUE(c->next());
  EXPECT_EQ(c->decimal(0, 2)->to_string(), "0.05");
  EXPECT_TRUE(c->is_null(1));
  EXPECT_EQ(text::char_count(c->text(2)), 30u);
  c = conn->query("SELECT nkcsl, ndj FROM dbj030 WHERE cgsh = '01' AND ckh = '02'");
  ASSERT_TRUE(c->next());
  EXPECT_EQ(c->decimal(0, 2)->to_string(), "12.50");
  EXPECT_EQ(c->decimal(1, 2)->to_string(), "0.10");
  c = conn->query("SELECT drq FROM dbj028 ORDER BY crcdh");
  ASSERT_TRUE(c->next());
  EXPECT_EQ(c->value(0).as_text(), "2026-05-31 00:00:00");
  ASSERT_TRUE(c->next());
  EXPECT_EQ(c->value(0).as_text(), "2026-05-31 10:30:00");
  // The record of the missing part is kept and shows through the outer join.
  EXPECT_EQ(count(*conn, "SELECT COUNT(*) FROM V_KCMX WHERE ccph = '0999 MISSING' AND ccpmc IS NULL"), 1);
}

TEST_P(TableFilesTest, DryRunAndOneCompanyWriteWhatTheySay) {
  test::TestDatabase tdb(GetParam());
  auto conn = tdb.connect();
  test::TempFolder dir;
  write_all(dir, legacy_files());
  std::string before = fingerprint(*conn);

  auto dry = gbk_options();
  dry.dry_run = true;
  auto report = schema::import_tables(*conn, dir.path(), dry);
  EXPECT_EQ(report.tables.size(), 5u);
  EXPECT_EQ(fingerprint(*conn), before);

  auto one = gbk_options();
  one.company = "02";
  report = schema::import_tables(*conn, dir.path(), one);
  EXPECT_EQ(count(*conn, "SELECT COUNT(*) FROM dbj030"), 1);
  EXPECT_EQ(count(*conn, "SELECT COUNT(*) FROM dbj029"), 1);  // the line of 02's document only
  EXPECT_EQ(count(*conn, "SELECT COUNT(*) FROM dbj030 WHERE cgsh <> '02'"), 0);
  // Then company 01 beside it; importing 01 again is refused until --replace.
  one.company = "01";
  schema::import_tables(*conn, dir.path(), one);
  EXPECT_EQ(count(*conn, "SELECT COUNT(*) FROM dbj030"), 4);
  EXPECT_THROW(schema::import_tables(*conn, dir.path(), one), schema::ImportError);
  one.replace = true;
  report = schema::import_tables(*conn, dir.path(), one);
  EXPECT_EQ(count(*conn, "SELECT COUNT(*) FROM dbj030"), 4);
  EXPECT_EQ(count(*conn, "SELECT COUNT(*) FROM dbj029"), 2);
}

TEST_P(TableFilesTest, ImportingTheSameExportTwiceIsRefused) {
  test::TestDatabase tdb(GetParam());
  auto conn = tdb.connect();
  test::TempFolder dir;
  write_all(dir, legacy_files());
  schema::import_tables(*conn, dir.path(), gbk_options());
  std::string before = fingerprint(*conn);
  try {
    schema::import_tables(*conn, dir.path(), gbk_options());
    FAIL() << "a second import was accepted";
  } catch (const schema::ImportError& e) {
    EXPECT_EQ(e.file(), "dbj002.csv");
    EXPECT_NE(e.reason().find("already holds 3 rows"), std::string::npos) << e.what();
  }
  EXPECT_EQ(fingerprint(*conn), before);
  auto replace = gbk_options();
  replace.replace = true;
  auto report = schema::import_tables(*conn, dir.path(), replace);
  EXPECT_EQ(fingerprint(*conn), before);
  EXPECT_EQ(report.tables[0].replaced, 3);
}

struct Malformed {
  const char* name;
  const char* file;
  std::string bytes;  // the file's bytes, replacing the good one
  long line;
  const char* column;
  const char* reason;  // part of the reason
};

TEST_P(TableFilesTest, MalformedFilesAreRefusedAndNothingIsWritten) {
  const std::string head30 =
      "cgsh,ckh,ccph,ckqh,ckwh,nkcsl,ndj\r\n01,01,0133 007920-DH,01,A001-101,7,52.87\r\n";
  const std::vector<Malformed> cases = {
      {"invalid GBK bytes", "dbj002.csv",
       gbk("cgsh,ccph,ccpmc\r\n01,0133 007920-DH,捷达\r\n01,X1,") + "\x81\x20" + "\r\n", 3, "",
       "not GBK text"},
      {"short row", "dbj030.csv", gbk(head30 + "01,02,X2,01\r\n"), 3, "", "4 fields, the header names 7"},
      {"unknown column", "dbj030.csv", gbk("cgsh,ckh,ccph,cxyz\r\n01,01,X,1\r\n"), 1, "cxyz",
       "no such column"},
      {"missing key column", "dbj030.csv", gbk("cgsh,ccph\r\n01,X\r\n"), 1, "ckh", "key column is missing"},
      {"duplicate key", "dbj030.csv", gbk(head30 + "01,02,X,01,A,1,1\r\n01,01,0133 007920-DH   ,01,B,2,2\r\n"),
       4, "cgsh/ckh/ccph", "duplicate key 01/01/0133 007920-DH: line 2"},
      {"value too long", "dbj002.csv",
       gbk("cgsh,ccph,ccpmc\r\n01,P1,一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十一\r\n"), 2,
       "ccpmc", "31 characters long, the column holds at most 30"},
      {"bad date", "dbj028.csv", gbk("crcdh,cgsh,ckh,drq\r\nR1,01,01,2026-02-30\r\n"), 2, "drq", "not a date"},
      {"too many places", "dbj030.csv", gbk(head30 + "01,02,X,01,A,1.234,1\r\n"), 3, "nkcsl",
       "more than 2 decimal places"},
      {"decimal comma", "dbj030.csv", gbk(head30 + "01,02,X,01,A,1,12,5\r\n"), 3, "", "8 fields"},
      {"decimal text", "dbj030.csv", gbk(head30 + "01,02,X,01,A,十,1\r\n"), 3, "nkcsl",
       "not a decimal number"},
      {"whole number", "dbj002.csv", gbk("cgsh,ccph,ncbgx\r\n01,P1,2.5\r\n"), 2, "ncbgx",
       "not a whole number"},
      {"unknown warehouse", "dbj030.csv", gbk(head30 + "01,07,X,01,A,1,1\r\n"), 3, "ckh",
       "warehouse 01/07 is not in dbj003"},
      {"line without header", "dbj029.csv", gbk("crcdh,nhh,ccph\r\nR9,1,X\r\n"), 2, "crcdh",
       "document R9 is not in dbj028"},
      {"unclosed quote", "dbj030.csv", gbk(head30 + "01,02,\"X,01,A,1,1\r\n"), 3, "", "not closed"},
      {"empty key", "dbj030.csv", gbk(head30 + "01,02,   ,01,A,1,1\r\n"), 3, "ccph",
       "key column may not be empty"},
  };
  test::TestDatabase tdb(GetParam());
  auto conn = tdb.connect();
  conn->exec("INSERT INTO dbj004 (ckqh, ckqmc) VALUES ('09', '旧区')");
  std::string before = fingerprint(*conn);
  for (const auto& m : cases) {
    SCOPED_TRACE(m.name);
    test::TempFolder dir;
    write_all(dir, legacy_files());
    dir.write(m.file, m.bytes);
    try {
      schema::import_tables(*conn, dir.path(), gbk_options());
      ADD_FAILURE() << "accepted";
    } catch (const schema::ImportError& e) {
      EXPECT_EQ(e.file(), m.file) << e.what();
      EXPECT_EQ(e.line(), m.line) << e.what();
      EXPECT_EQ(e.column(), m.column) << e.what();
      EXPECT_NE(e.reason().find(m.reason), std::string::npos) << e.what();
    }
    EXPECT_EQ(fingerprint(*conn), before);
  }
}

TEST_P(TableFilesTest, TabAndUtf8WithByteOrderMark) {
  test::TestDatabase tdb(GetParam());
  auto conn = tdb.connect();
  test::TempFolder dir;
  dir.write("DBJ004.txt",
            "\xEF\xBB\xBF"
            "ckqh\tckqmc\n01\t\"一区\tA\"\n02\t二区\n");
  schema::ImportOptions o;
  o.delimiter = '\t';
  schema::import_tables(*conn, dir.path(), o);
  auto c = conn->query("SELECT ckqmc FROM dbj004 ORDER BY ckqh");
  ASSERT_TRUE(c->next());
  EXPECT_EQ(c->text(0), "一区\tA");
  ASSERT_TRUE(c->next());
  EXPECT_EQ(c->text(0), "二区");
}

// The demo database moved to the other backend (or to a new database of the same backend when
// only one is under test): every table is equal, and the database numbers new rows after the
// loaded ones.
TEST_P(TableFilesTest, DemoDatabaseRoundTripsToTheOtherBackend) {
  test::TestDatabase source(GetParam());
  auto src = source.connect();
  schema::load_demo(*src, {60, 3, "2026-06-15"});
  db::Backend other = GetParam();
  for (auto b : test::backends())
    if (b != GetParam()) other = b;
  test::TestDatabase target(other);
  auto dst = target.connect();

  test::TempFolder first, second;
  schema::TableFileOptions o;
  o.encoding = text::Encoding::Gbk;
  schema::export_tables(*src, first.path(), o);
  schema::ImportOptions in;
  in.encoding = text::Encoding::Gbk;
  auto report = schema::import_tables(*dst, first.path(), in);
  EXPECT_GT(report.missing_parts, 0);
  schema::export_tables(*dst, second.path(), o);
  for (const auto& t : schema::table_names()) {
    SCOPED_TRACE(t);
    EXPECT_EQ(count(*src, "SELECT COUNT(*) FROM " + t), count(*dst, "SELECT COUNT(*) FROM " + t));
    EXPECT_EQ(first.read(t + ".csv"), second.read(t + ".csv"));
  }
  for (const char* sum : {"SELECT SUM(nkcsl * 100) FROM dbj030", "SELECT SUM(ndj * 100) FROM dbj029",
                          "SELECT COUNT(DISTINCT ccpmc) FROM dbj002",
                          "SELECT COUNT(*) FROM dbj028 WHERE drq >= '2026-06-01'"}) {
    auto a = src->query(sum), b = dst->query(sum);
    ASSERT_TRUE(a->next() && b->next());
    EXPECT_EQ(a->decimal(0, 0), b->decimal(0, 0)) << sum;
  }
  int64_t highest = count(*dst, "SELECT MAX(nsxh) FROM dbj060");
  dst->exec("INSERT INTO dbj060 (cgsh, ccph) VALUES ('01', 'NEW')");
  EXPECT_GT(count(*dst, "SELECT nsxh FROM dbj060 WHERE ccph = 'NEW'"), highest);
}

INSTANTIATE_TEST_SUITE_P(Backends, TableFilesTest, testing::ValuesIn(test::backends()), test::backend_name_of);

TEST(Encoding, ConvertsAndNamesTheFaultyByte) {
  EXPECT_EQ(text::gbk_to_utf8("\xB1\xB8\xBC\xFE"), "备件");
  EXPECT_EQ(text::utf8_to_gbk("备件 A"), "\xB1\xB8\xBC\xFE A");
  // A GBK trail byte may be '|' (0x7C): the text is decoded before it is split.
  EXPECT_EQ(text::gbk_to_utf8("\x81\x7C"), "亅");
  try {
    text::utf8_to_gbk("AB\xF0\x9F\x98\x80");  // an emoji: no GBK form
    FAIL();
  } catch (const text::EncodingError& e) {
    EXPECT_EQ(e.offset(), 2u);
  }
  EXPECT_EQ(text::invalid_utf8_offset("ab\xC0\xAF"), 2u);  // overlong '/'
  EXPECT_EQ(text::invalid_utf8_offset("备件"), std::string_view::npos);
}

TEST(Csv, RecordsSpanningLinesKeepTheirFirstLine) {
  std::string text = "a,b\r\n\r\n\"x\ny\",\"say \"\"hi\"\"\"\r\n,\"\"\n";
  text::CsvReader r(text, ',');
  std::vector<text::CsvField> f;
  ASSERT_TRUE(r.next(f));
  EXPECT_EQ(r.line(), 1);
  ASSERT_TRUE(r.next(f));
  EXPECT_EQ(r.line(), 3);
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].text, "x\ny");
  EXPECT_EQ(f[1].text, "say \"hi\"");
  ASSERT_TRUE(r.next(f));
  EXPECT_EQ(r.line(), 5);
  ASSERT_EQ(f.size(), 2u);
  EXPECT_FALSE(f[0].quoted);
  EXPECT_TRUE(f[1].quoted);
  EXPECT_FALSE(r.next(f));

  std::string out;
  text::append_csv_field(out, "a,b", ',');
  out += ',';
  text::append_csv_field(out, "", ',', true);
  out += ',';
  text::append_csv_field(out, " x", ',');
  EXPECT_EQ(out, "\"a,b\",\"\",\" x\"");
}

}  // namespace
}  // namespace sparestock
