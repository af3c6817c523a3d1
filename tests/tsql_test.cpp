// T-SQL translation cases from tests/tsql_cases/*.test.
//
// Each file holds blocks separated by a line "----":
//   # name: what the case shows
//   input: the T-SQL statement, as written
//   sql: expected text on both backends      | sqlite: ... / postgres: ... per backend
//   params: gsh, cgsh                         (host variables in placeholder order)
//   into: a, b                                (SELECT ... INTO host variables)
//   kind: select|insert|update|delete|execute
//   procedure: sp_kc   arguments: gsh=:gsh, num=5
//   error: exact message of the refusal
//   bind: gsh='01', num=5, d=dt'2026-12-08'   (values for a run against the fixture)
//   rows: 'A001' | 12.5 | null                (one line per expected row; "rows: none" for none)
//   changed: 1                                (rows changed by a write)
//   count: 8                                  (number of rows, where their content is the
//                                              business of a view rather than the translation)
//   check: select ...                         (after a write: the select whose rows are given)
// Every case is translated with a catalog describing the schema; cases with rows or changed
// also run against tests/tsql_cases/fixture.sql on every backend under test.

#include "host/db/tsql.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "host/base/text.h"
#include "tests/test_db.h"

namespace sparestock::db {
namespace {

const std::string kCaseDir = std::string(SPARESTOCK_SOURCE_DIR) + "/tests/tsql_cases";

// Column types of the tables and views the statements name, as the schema declares them.
constexpr const char* kSchemaColumns = R"(
dbj030: cgsh char(2), ckh char(2), ccph char(20), ckqh char(2), ckwh char(10), nkcsl numeric(18,2), nsdsl numeric(18,2), nsqsl numeric(18,2), nykps numeric(18,2), ntzs numeric(18,2), nqcsl numeric(18,2), nbqrk numeric(18,2), nbqck numeric(18,2), njcsl numeric(18,2), ndj numeric(18,2)
dbj002: cgsh char(2), ccph char(20), ccpmc char(30), cpym char(12), cjldw char(4), ccjh char(18), ccxh char(2), cflh char(3), lcyjbs double precision, ncgdj numeric(18,2), nckdj numeric(18,2), nwxdj numeric(18,2), ncbgx integer, ncbdx integer, ckmzh varchar(10), ltybs integer
dbj001: cgsh char(2), cflh char(3), cflmc varchar(30), ltybs integer
dbj003: cgsh char(2), ckh char(2), ckmc varchar(30), ltybs integer
dbj004: ckqh char(2), ckqmc varchar(30)
dbj005: cgsh char(2), ckh char(2), ckqh char(2), ckwh char(10), lzt integer, ltybs integer
dxl002: cgsh char(2), ccxh char(2), ccxmc varchar(30), ltybs integer
dbj032: cgsh char(2), drq timestamp, ckh char(2), ckqh char(2), ckwh char(10), ccph char(20), nzmsl numeric(18,2), nspsl numeric(18,2), ncsl numeric(18,2), ndj numeric(18,2), crym char(3), lpfbs integer
dbj060: nsxh integer, cgsh char(2), drq timestamp, cczr char(8), ckh char(2), ccph char(20), cny char(6), nydj numeric(18,2), nxdj numeric(18,2), ntzje numeric(18,2), cbs char(1), lbs char(1), nsxh1 integer
dbj028: crcdh varchar(20), cgsh char(2), ckh char(2)
dbj029: crcdh varchar(20), ccph char(20)
dbj013: cgsh char(2), cqspzz varchar(4)
dxt002: cgsh char(2), lcwaz integer
dxt004: cgsh char(2), cyhdm varchar(8), cyhxm char(8)
error: error_text varchar(255), error_time integer
dzz001: cgsh char(2), lkhly integer
dzz006: cgsh char(2), ckmz varchar(10), cchkm varchar(20), cxscbkm varchar(20)
dzz007: cgsh char(2), ckjn char(4), ckjy char(2), cpzz varchar(4), nzdpzh integer
dzz008: cgsh char(2), ckjn char(4), ckjy char(2), cpzz varchar(4), npzh integer
dzz0031: cgsh char(2), dpzrq timestamp, cpzz varchar(4), npzh integer, dxtrq timestamp, czdr varchar(8)
dzz0032: cgsh char(2), dpzrq timestamp, cpzz varchar(4), npzh integer, nhh integer, czy varchar(60), ckm varchar(20), nje numeric(18,2), ljdbs integer
dch002: cgsh char(2), dpzrq timestamp, cpzz varchar(4), npzbh integer, dczrq timestamp, cczr varchar(8), crcdh varchar(20)
dch003: cgsh char(2), dpzrq timestamp, cpzz varchar(4), npzbh integer, nhh integer, czy varchar(60), ckm varchar(20), nje numeric(18,2), ljdbs integer
v_kcmx: cgsh char(2), ccph char(20), ccpmc char(30), nkcsl numeric(18,2), nkykc numeric(18,2), nckdj numeric(18,2), nwxdj numeric(18,2), ndj numeric(18,2), je numeric(18,4), ncgdj numeric(18,2), ncbgx integer, ncbdx integer, ccjh char(18), cjldw char(4), ckh char(2), ckqh char(2), ckwh char(10), cflh char(3), ccxh char(2), cpym char(12), lcyjbs double precision, njcsl numeric(18,2), dzhckrq timestamp, zzh char(20)
v_bj060: gsh char(2), cph char(20), cpmc char(30), jldw char(4), zzh char(20)
v_bj902_001: cgsh char(2), ccph char(20), nkcsl numeric(18,2), nkykc numeric(18,2), ndj numeric(18,2), njcsl numeric(18,2)
)";

const Catalog& schema_catalog() {
  static const Catalog catalog = [] {
    Catalog c;
    std::istringstream in(kSchemaColumns);
    std::string line;
    while (std::getline(in, line)) {
      if (text::trim(line).empty()) continue;
      size_t colon = line.find(':');
      std::string table(text::trim(std::string_view(line).substr(0, colon)));
      // Split on commas outside parentheses ("numeric(18,2)").
      std::string rest = line.substr(colon + 1), item;
      int depth = 0;
      auto flush = [&] {
        std::string_view t = text::trim(item);
        size_t sp = t.find(' ');
        c.add(table, column_info_from_decl(std::string(t.substr(0, sp)), text::trim(t.substr(sp + 1))));
        item.clear();
      };
      for (char ch : rest) {
        if (ch == '(') ++depth;
        if (ch == ')') --depth;
        if (ch == ',' && depth == 0)
          flush();
        else
          item += ch;
      }
      flush();
    }
    return c;
  }();
  return catalog;
}

struct Case {
  std::string file;
  int line = 0;
  std::string name;
  std::map<std::string, std::string> fields;
  std::vector<std::string> rows;
  bool has_rows = false;

  bool has(const std::string& key) const { return fields.count(key) > 0; }
  const std::string& get(const std::string& key) const {
    static const std::string empty;
    auto it = fields.find(key);
    return it == fields.end() ? empty : it->second;
  }
  std::string where() const { return file + ":" + std::to_string(line) + " (" + name + ")"; }
  // True when the case runs against the fixture.
  bool runs() const { return has_rows || has("changed") || has("count"); }
};

std::vector<Case> load_cases() {
  std::vector<Case> out;
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(kCaseDir))
    if (entry.path().extension() == ".test") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& path : files) {
    std::ifstream in(path);
    std::string line;
    int number = 0;
    Case current;
    auto finish = [&] {
      if (current.has("input"))
        out.push_back(current);
      else if (!current.fields.empty() || current.has_rows)
        ADD_FAILURE() << current.where() << ": case without input";
      current = Case{};
    };
    while (std::getline(in, line)) {
      ++number;
      std::string_view t = text::trim(line);
      if (t == "----") {
        finish();
        continue;
      }
      if (current.line == 0) {
        current.file = path.filename().string();
        current.line = number;
      }
      if (t.rfind("# name:", 0) == 0) {
        current.name = text::trim(t.substr(7));
        continue;
      }
      if (t.empty() || t[0] == '#') continue;
      size_t colon = t.find(':');
      if (colon == std::string::npos) {
        ADD_FAILURE() << path << ":" << number << ": line without a key";
        continue;
      }
      std::string key(t.substr(0, colon)), value(text::trim(t.substr(colon + 1)));
      if (key == "rows") {
        current.has_rows = true;
        if (value != "none") current.rows.push_back(value);
      } else {
        if (current.fields.count(key)) ADD_FAILURE() << path << ":" << number << ": repeated " << key;
        current.fields[key] = value;
      }
    }
    finish();
  }
  return out;
}

const std::vector<Case>& all_cases() {
  static const std::vector<Case> cases = load_cases();
  return cases;
}

std::string kind_name(StatementKind k) {
  switch (k) {
    case StatementKind::Select: return "select";
    case StatementKind::Insert: return "insert";
    case StatementKind::Update: return "update";
    case StatementKind::Delete: return "delete";
    case StatementKind::Execute: return "execute";
  }
  return "?";
}

std::string join(const std::vector<std::string>& v) {
  std::string out;
  for (const auto& s : v) out += (out.empty() ? "" : ", ") + s;
  return out;
}

std::string arguments_text(const Translation& t) {
  std::string out;
  for (const auto& a : t.arguments) {
    if (!out.empty()) out += ", ";
    out += a.name + "=" + (a.host_variable.empty() ? a.literal.to_string() : ":" + a.host_variable);
  }
  return out;
}

std::string expected_sql(const Case& c, Backend b) {
  std::string key(backend_name(b));
  return c.has(key) ? c.get(key) : c.get("sql");
}

// Checks a translation against everything the case states for backend b.
void check_translation(const Case& c, Backend b, const Catalog& catalog) {
  SCOPED_TRACE(c.where() + " on " + std::string(backend_name(b)));
  if (c.has("error")) {
    try {
      Translation t = translate(c.get("input"), b, catalog);
      ADD_FAILURE() << "translated instead of refusing: " << t.sql;
    } catch (const TranslationError& e) {
      EXPECT_EQ(e.what(), c.get("error"));
    }
    return;
  }
  Translation t;
  try {
    t = translate(c.get("input"), b, catalog);
  } catch (const TranslationError& e) {
    ADD_FAILURE() << "refused: " << e.what();
    return;
  }
  if (c.has("kind")) {
    EXPECT_EQ(kind_name(t.kind), c.get("kind"));
  }
  if (t.kind == StatementKind::Execute) {
    EXPECT_EQ(t.procedure, c.get("procedure"));
    EXPECT_EQ(arguments_text(t), c.get("arguments"));
    EXPECT_EQ(t.sql, "");
    return;
  }
  EXPECT_FALSE(c.has("procedure")) << "a statement that is not an execute";
  EXPECT_EQ(t.sql, expected_sql(c, b));
  EXPECT_EQ(join(t.parameters), c.get("params"));
  EXPECT_EQ(join(t.into), c.get("into"));
}

class TsqlCase : public testing::TestWithParam<size_t> {};

TEST_P(TsqlCase, TranslatesOnBothBackends) {
  const Case& c = all_cases()[GetParam()];
  ASSERT_TRUE(c.has("error") || c.has("procedure") || c.has("sql") || (c.has("sqlite") && c.has("postgres")))
      << c.where() << ": no expectation";
  for (Backend b : {Backend::Sqlite, Backend::Postgres}) check_translation(c, b, schema_catalog());
}

std::string case_test_name(const testing::TestParamInfo<size_t>& info) {
  const Case& c = all_cases()[info.param];
  std::string name = std::filesystem::path(c.file).stem().string() + "_" + std::to_string(c.line);
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
}

std::vector<size_t> case_indexes(bool running_only) {
  std::vector<size_t> out;
  for (size_t i = 0; i < all_cases().size(); ++i)
    if (!running_only || all_cases()[i].runs()) out.push_back(i);
  return out;
}

INSTANTIATE_TEST_SUITE_P(Files, TsqlCase, testing::ValuesIn(case_indexes(false)), case_test_name);

TEST(TsqlCases, FilesHoldCases) {
  // A missing or misnamed folder would otherwise pass silently with no cases at all.
  EXPECT_GE(all_cases().size(), 60u);
  EXPECT_GE(case_indexes(true).size(), 15u);
}

// ---- running the cases against a database ----

// Parses `gsh='01', num=5, amount=1.50, d=dt'2026-12-08 10:00:00', x=null`.
std::vector<std::pair<std::string, Value>> parse_bind(const std::string& text) {
  std::vector<std::pair<std::string, Value>> out;
  for (const std::string& part : text::split_list(text)) {
    std::string_view item = part;
    size_t eq = item.find('=');
    std::string name(text::trim(item.substr(0, eq))), v(text::trim(item.substr(eq + 1)));
    Value value;
    if (v == "null") {
      value = Value();
    } else if (v.rfind("dt'", 0) == 0) {
      value = Value(*DateTime::parse(v.substr(3, v.size() - 4)));
    } else if (!v.empty() && v[0] == '\'') {
      value = Value(v.substr(1, v.size() - 2));
    } else if (v.find('.') != std::string::npos) {
      value = Value(*Decimal::parse(v));
    } else {
      value = Value(int64_t{std::stoll(v)});
    }
    out.emplace_back(name, value);
  }
  return out;
}

// Numbers without trailing zeros, so that 12.50 (numeric) and 12.5 (real) read the same.
std::string number_text(std::string s) {
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

std::string render(const Value& v) {
  switch (v.kind()) {
    case ValueKind::Null: return "null";
    case ValueKind::Integer: return std::to_string(v.integer());
    case ValueKind::Real: return number_text(Decimal::from_double(v.real(), 6)->to_string());
    case ValueKind::Decimal: return number_text(v.decimal().to_string());
    case ValueKind::Text: return "'" + v.text() + "'";
    case ValueKind::DateTime: return v.datetime().iso();
  }
  return "?";
}

// The values a case binds to the host variables of a translation, in placeholder order.
std::optional<std::vector<Value>> bound_values(const Case& c, const Translation& t) {
  auto bound = parse_bind(c.get("bind"));
  std::vector<Value> out;
  for (const auto& name : t.parameters) {
    auto it = std::find_if(bound.begin(), bound.end(), [&](auto& p) { return p.first == name; });
    if (it == bound.end()) {
      ADD_FAILURE() << "no value bound for :" << name;
      return std::nullopt;
    }
    out.push_back(it->second);
  }
  return out;
}

// Runs one case inside a transaction that the caller rolls back.
void run_case(Connection& conn, const Case& c, Backend backend, const Catalog& catalog) {
  Translation t = translate(c.get("input"), backend, catalog);
  // The database's own catalog gives the same text as the catalog the text cases use.
  EXPECT_EQ(t.sql, expected_sql(c, backend));
  auto params = bound_values(c, t);
  if (!params) return;
  if (c.has("changed")) {
    EXPECT_EQ(conn.exec(t.sql, *params), std::stoll(c.get("changed")));
  }
  if (!c.has_rows && !c.has("count")) return;

  // After a write, the rows are those of the `check` select.
  Translation query = c.has("check") ? translate(c.get("check"), backend, catalog) : t;
  auto query_params = c.has("check") ? bound_values(c, query) : params;
  if (!query_params) return;
  auto cursor = conn.query(query.sql, *query_params);
  std::vector<std::string> rows;
  while (cursor->next()) {
    std::string row;
    for (int col = 0; col < cursor->column_count(); ++col)
      row += (col ? " | " : "") + render(cursor->value(col));
    rows.push_back(row);
  }
  if (c.has("count")) {
    EXPECT_EQ(rows.size(), std::stoul(c.get("count"))) << query.sql;
  }
  if (!c.has_rows) return;
  std::vector<std::string> expected = c.rows;
  std::string lower = text::lower(c.has("check") ? c.get("check") : c.get("input"));
  if (lower.find("order by") == std::string::npos) {
    std::sort(rows.begin(), rows.end());
    std::sort(expected.begin(), expected.end());
  }
  EXPECT_EQ(rows, expected) << query.sql;
}

class TsqlRun : public testing::TestWithParam<Backend> {};

TEST_P(TsqlRun, CasesGiveTheirRows) {
  test::TestDatabase tdb(GetParam());
  auto conn = tdb.connect();
  std::ifstream fixture(kCaseDir + "/fixture.sql");
  std::stringstream script;
  script << fixture.rdbuf();
  ASSERT_FALSE(script.str().empty());
  conn->exec_script(script.str());
  const Catalog catalog = conn->load_catalog();

  for (size_t index : case_indexes(true)) {
    const Case& c = all_cases()[index];
    SCOPED_TRACE(c.where());
    conn->begin();
    try {
      run_case(*conn, c, GetParam(), catalog);
    } catch (const TranslationError& e) {
      ADD_FAILURE() << "refused with the database's catalog: " << e.what();
    } catch (const DbError& e) {
      ADD_FAILURE() << "database refused: " << e.what();
    }
    conn->rollback();
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, TsqlRun, testing::ValuesIn(test::backends()), test::backend_name_of);

// The catalog the text cases use agrees with the schema the database is created from.
TEST_P(TsqlRun, SchemaAgreesWithTheCaseCatalog) {
  test::TestDatabase tdb(GetParam());
  const Catalog real = tdb.connect()->load_catalog();
  const Catalog& assumed = schema_catalog();
  for (const std::string& table : assumed.tables()) {
    SCOPED_TRACE(table);
    ASSERT_TRUE(real.has_table(table));
    for (const ColumnInfo& col : *assumed.columns(table)) {
      const ColumnInfo* found = real.find(table, col.name);
      ASSERT_NE(found, nullptr) << col.name;
      // `+` only cares whether a column is text, a number or a date-time; a computed view
      // column may have no declared type, which is harmless unless it is text.
      auto family = [](ColumnType t) {
        return t == ColumnType::Integer || t == ColumnType::Real ? ColumnType::Decimal : t;
      };
      if (col.type == ColumnType::Char || found->type != ColumnType::Unknown) {
        EXPECT_EQ(family(found->type), family(col.type)) << col.name;
      }
    }
  }
}

}  // namespace
}  // namespace sparestock::db
