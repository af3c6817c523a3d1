// Grid expression language cases from tests/expr_cases/*.txt.
//
// A file holds tables and checks on them, one per line:
//   # comment
//   columns: name type, ...        starts a table; types char(n), decimal(n), long, number,
//                                  datetime
//   row: cell | cell | ...         a row of the table (numbered from 1 in the order given);
//                                  null is a null item, 'text' keeps its blanks
//   filter: expression             then   rows: 2, 5   (rows passing, in order; "none")
//                                  or     error: the exact message
//   plan: text                     after a filter: how the column kernels run it
//   sort: sort list                then   rows: ... | error: ...
//   find FROM TO: condition        then   found: row number (0 when none)
//   value [ROW]: expression        then   is: text of the value ('..' keeps blanks; null)
//                                  or     error: ...
// Each filter and find runs twice, on the column kernels and on the general row-by-row
// evaluator, and both must give the expected rows.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/base/text.h"
#include "host/db/connection.h"
#include "host/grid/grid.h"

namespace sparestock::grid {
namespace {

const std::string kCaseDir = std::string(SPARESTOCK_SOURCE_DIR) + "/tests/expr_cases";

std::string unquote(const std::string& s) {
  if (s.size() >= 2 && s.front() == '\'' && s.back() == '\'') return s.substr(1, s.size() - 2);
  return s;
}

struct Table {
  GridDefinition def;
  std::vector<db::ColumnInfo> infos;
  std::vector<std::vector<db::Value>> rows;
};

ColumnDef parse_column(const std::string& text) {
  std::istringstream in(text);
  ColumnDef c;
  std::string type;
  in >> c.name >> type;
  if (type.rfind("char(", 0) == 0) {
    c.type = GridType::Char;
    c.length = std::stoi(type.substr(5));
  } else if (type.rfind("decimal(", 0) == 0) {
    c.type = GridType::Decimal;
    c.scale = std::stoi(type.substr(8));
  } else if (type == "long") {
    c.type = GridType::Long;
  } else if (type == "number") {
    c.type = GridType::Number;
  } else if (type == "datetime") {
    c.type = GridType::DateTime;
  } else {
    throw std::runtime_error("unknown column type " + type);
  }
  return c;
}

db::Value parse_cell(const ColumnDef& c, const std::string& raw) {
  if (raw == "null") return {};
  std::string s = unquote(raw);
  switch (c.type) {
    case GridType::Char: return db::Value(s);
    case GridType::Decimal: return db::Value(*db::Decimal::parse(s));
    case GridType::Long: return db::Value(static_cast<int64_t>(std::stoll(s)));
    case GridType::Number: return db::Value(std::stod(s));
    case GridType::DateTime: return db::Value(*db::DateTime::parse(s));
  }
  return {};
}

std::unique_ptr<Grid> load(const Table& t, bool specialise) {
  auto g = std::make_unique<Grid>(t.def);
  g->set_specialised_filters(specialise);
  db::MemoryCursor cursor(t.infos, t.rows);
  EXPECT_EQ(g->retrieve_from(cursor), static_cast<long>(t.rows.size()));
  return g;
}

// The shown rows as their numbers in the table.
std::string shown(const Grid& g) {
  const auto& primary = g.data().primary;
  if (primary.empty()) return "none";
  std::string out;
  for (size_t i = 0; i < primary.size(); ++i) out += (i ? ", " : "") + std::to_string(primary[i] + 1);
  return out;
}

struct Check {
  std::string kind;  // filter, sort, find, value
  std::string text;
  long a = 0, b = 0;
  int line = 0;
};

void run_file(const std::filesystem::path& path) {
  std::ifstream in(path);
  ASSERT_TRUE(in) << path;
  Table table;
  std::unique_ptr<Check> pending;
  std::string last_filter;
  std::string line;
  int number = 0;
  auto where = [&](int n) { return path.filename().string() + ":" + std::to_string(n); };

  while (std::getline(in, line)) {
    ++number;
    std::string_view t = text::trim(line);
    if (t.empty() || t[0] == '#') continue;
    size_t colon = t.find(':');
    ASSERT_NE(colon, std::string::npos) << where(number) << ": no directive";
    std::string head(text::trim(t.substr(0, colon)));
    std::string rest(text::trim(t.substr(colon + 1)));

    if (head == "columns") {
      table = Table();
      table.def.name = path.stem().string();
      for (const std::string& item : text::split_list(rest)) {
        ColumnDef c = parse_column(item);
        db::ColumnInfo info;
        info.name = c.name;
        table.def.columns.push_back(c);
        table.infos.push_back(info);
      }
      continue;
    }
    if (head == "row") {
      std::vector<db::Value> row;
      size_t k = 0;
      for (const std::string& cell : text::split_list(rest, '|')) {
        ASSERT_LT(k, table.def.columns.size()) << where(number) << ": too many cells";
        row.push_back(parse_cell(table.def.columns[k++], cell));
      }
      ASSERT_EQ(k, table.def.columns.size()) << where(number) << ": too few cells";
      table.rows.push_back(std::move(row));
      continue;
    }
    if (head == "filter" || head == "sort" || head.rfind("find", 0) == 0 || head.rfind("value", 0) == 0) {
      pending = std::make_unique<Check>();
      pending->text = rest;
      pending->line = number;
      std::istringstream hs(head);
      hs >> pending->kind;
      if (pending->kind == "find") hs >> pending->a >> pending->b;
      if (pending->kind == "value") {
        pending->a = 1;
        hs >> pending->a;
      }
      if (pending->kind == "filter") last_filter = rest;
      continue;
    }
    if (head == "plan") {
      auto g = load(table, true);
      ASSERT_EQ(g->setfilter(last_filter), 1) << where(number) << ": " << g->last_error();
      EXPECT_EQ(g->compiled_filter()->plan(), rest) << where(number);
      continue;
    }
    ASSERT_TRUE(pending) << where(number) << ": '" << head << "' without a check before it";
    const Check& c = *pending;
    std::string label = where(c.line) + ": " + c.kind + " " + c.text;

    if (c.kind == "filter" || c.kind == "sort") {
      for (bool specialise : {true, false}) {
        auto g = load(table, specialise);
        std::string mode = specialise ? " [kernels]" : " [row by row]";
        int set = c.kind == "filter" ? g->setfilter(c.text) : g->setsort(c.text);
        if (head == "error") {
          EXPECT_EQ(set, -1) << label;
          EXPECT_EQ(g->last_error(), rest) << label;
          break;
        }
        ASSERT_EQ(head, "rows") << where(number);
        ASSERT_EQ(set, 1) << label << ": " << g->last_error();
        if (c.kind == "filter")
          g->filter();
        else
          g->sort();
        EXPECT_EQ(shown(*g), rest) << label << mode;
        if (c.kind == "sort") break;  // sorting has one path
      }
    } else if (c.kind == "find") {
      for (bool specialise : {true, false}) {
        auto g = load(table, specialise);
        long found = g->find(c.text, c.a, c.b);
        if (head == "error") {
          EXPECT_EQ(found, -1) << label;
          EXPECT_EQ(g->last_error(), rest) << label;
          break;
        }
        ASSERT_EQ(head, "found") << where(number);
        EXPECT_EQ(std::to_string(found), rest) << label << (specialise ? " [kernels]" : " [row by row]");
      }
    } else if (c.kind == "value") {
      auto g = load(table, true);
      auto v = g->evaluate(c.text, c.a);
      if (head == "error") {
        EXPECT_FALSE(v) << label;
        EXPECT_EQ(g->last_error(), rest) << label;
      } else {
        ASSERT_EQ(head, "is") << where(number);
        ASSERT_TRUE(v) << label << ": " << g->last_error();
        std::string got = v->is_null() ? "null" : v->as_text();
        EXPECT_EQ(got, rest == "null" ? rest : unquote(rest)) << label;
      }
    }
    pending.reset();
  }
}

class ExprCases : public testing::TestWithParam<std::string> {};

TEST_P(ExprCases, File) { run_file(std::filesystem::path(kCaseDir) / GetParam()); }

std::vector<std::string> case_files() {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(kCaseDir))
    if (e.path().extension() == ".txt") out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

INSTANTIATE_TEST_SUITE_P(Files, ExprCases, testing::ValuesIn(case_files()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string n = info.param.substr(0, info.param.find('.'));
                           for (char& ch : n)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

}  // namespace
}  // namespace sparestock::grid
