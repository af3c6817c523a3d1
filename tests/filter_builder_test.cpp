// The stock search gg: every expression of both variants (case files in tests/gg_cases/), the
// nothing-to-search path, the mode-4 flag, escaping of typed text, and the existence checks
// against a real database on every backend.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "host/base/text.h"
#include "host/db/transaction.h"
#include "host/grid/expression.h"
#include "stock_enquiry/filter_builder.h"
#include "tests/test_db.h"

namespace sparestock {
namespace {

using stock_enquiry::build_search;
using stock_enquiry::code_check;
using stock_enquiry::filter_literal;
using stock_enquiry::plan_search;
using stock_enquiry::search_text;
using stock_enquiry::SearchInputs;
using stock_enquiry::SearchOutcome;
using stock_enquiry::Variant;
using Kind = SearchOutcome::Kind;

struct GgCase {
  int line = 0;
  Variant variant = Variant::A;
  SearchInputs in;
  std::string via;  // "yes", "no" or "-"
  std::string expected;
};

std::vector<GgCase> load_cases(const std::string& file) {
  std::ifstream in(std::string(SPARESTOCK_SOURCE_DIR) + "/tests/gg_cases/" + file);
  EXPECT_TRUE(in) << file;
  std::vector<GgCase> cases;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.empty() || line[0] == '#') continue;
    auto f = text::split(line, '|');
    // The expression is the last field and holds no '|'.
    EXPECT_EQ(f.size(), 9u) << file << ":" << number;
    if (f.size() != 9) continue;
    GgCase c;
    c.line = number;
    c.variant = f[0] == "A" ? Variant::A : Variant::B;
    c.in.xlh = std::stoi(f[1]);
    c.in.text = f[2];
    c.in.ls_cph = f[3];
    c.in.ls_parm = f[4];
    EXPECT_TRUE(f[5] == "main" || f[5] == "full") << file << ":" << number;
    c.in.rb_4_checked = f[5] == "main";
    c.in.ddlb_1_text = f[6];
    c.via = f[7];
    c.expected = f[8];
    cases.push_back(c);
  }
  return cases;
}

// The expression with every '...' literal replaced by '?', reading ~x inside a literal as the
// character x. Two expressions with the same skeleton have the same structure.
std::string skeleton(const std::string& expr) {
  std::string out;
  for (size_t i = 0; i < expr.size(); ++i) {
    if (expr[i] != '\'') {
      out += expr[i];
      continue;
    }
    size_t j = i + 1;
    while (j < expr.size() && expr[j] != '\'') j += expr[j] == '~' ? 2 : 1;
    if (j >= expr.size()) return out + "<unterminated literal>";
    out += "'?'";
    i = j;
  }
  return out;
}

// --- every expression of the tables -------------------------------------------------------

class GgCaseFile : public testing::TestWithParam<const char*> {};

TEST_P(GgCaseFile, ProducesEveryExpressionExactly) {
  auto cases = load_cases(GetParam());
  ASSERT_GE(cases.size(), 60u);
  for (const GgCase& c : cases) {
    SCOPED_TRACE(std::string(GetParam()) + ":" + std::to_string(c.line));
    SearchOutcome out = plan_search(c.variant, c.in);
    EXPECT_EQ(out.kind, Kind::SetFilter);
    EXPECT_EQ(out.filter, c.expected);
    EXPECT_TRUE(out.restore_mode);
    EXPECT_FALSE(out.step1);
    if (c.variant == Variant::A) {
      EXPECT_EQ(out.via_f_check, c.via == "yes");
    } else {
      EXPECT_FALSE(out.via_f_check);
    }
  }
}

// A quote or tilde in the typed text, the popup part number or the warehouse stays inside its
// literal: the expression keeps the structure it has for plain values.
TEST_P(GgCaseFile, QuotesInInputsCannotChangeTheStructure) {
  for (GgCase c : load_cases(GetParam())) {
    SCOPED_TRACE(std::string(GetParam()) + ":" + std::to_string(c.line));
    const std::string plain = skeleton(c.expected);
    if (!c.in.text.empty()) c.in.text = "X' or '1'='1";
    if (!c.in.ls_cph.empty()) c.in.ls_cph = "1' or dbj030_ckh <> '~";
    if (!c.in.ls_parm.empty()) c.in.ls_parm = "0'~";
    SearchOutcome out = plan_search(c.variant, c.in);
    EXPECT_EQ(skeleton(out.filter), plain) << out.filter;
  }
}

// The grid's filter engine accepts every expression, including the warehouse literal followed
// directly by "and", and inputs holding quotes and tildes.
TEST_P(GgCaseFile, EveryExpressionParses) {
  for (GgCase c : load_cases(GetParam())) {
    SCOPED_TRACE(std::string(GetParam()) + ":" + std::to_string(c.line));
    EXPECT_TRUE(grid::parse_expression(plan_search(c.variant, c.in).filter).ok()) << c.expected;
    c.in.text = "X'~" + c.in.text;
    c.in.ls_cph = c.in.ls_cph.empty() ? "" : "1'~";
    c.in.ls_parm = c.in.ls_parm.empty() ? "" : "0'";
    std::string nasty = plan_search(c.variant, c.in).filter;
    EXPECT_TRUE(grid::parse_expression(nasty).ok()) << nasty;
  }
}

INSTANTIATE_TEST_SUITE_P(Variants, GgCaseFile, testing::Values("variant_a.txt", "variant_b.txt"),
                         [](const auto& info) { return std::string(info.param).substr(0, 9); });

TEST(FilterBuilder, EscapedTextReadsBackAsTyped) {
  SearchInputs in;
  in.xlh = 2;
  in.text = " x' or '1'='1 ";
  EXPECT_EQ(plan_search(Variant::A, in).filter, "dbj002_ccpmc like '%X~' OR ~'1~'=~'1%'");
  in.xlh = 1;
  in.text = "a";
  in.ls_cph = "12~'";
  in.rb_4_checked = false;
  EXPECT_EQ(plan_search(Variant::B, in).filter, "mid(dbj030_ccph,1,20) like '12~~~'%'");
}

TEST(FilterBuilder, FilterLiteral) {
  struct {
    const char* value;
    const char* literal;
  } rows[] = {
      {"", ""},       {"ABC", "ABC"}, {"A'B", "A~'B"},  {"~", "~~"},
      {"~'", "~~~'"}, {"''", "~'~'"}, {"汽车", "汽车"}, {"A%_\"", "A%_\""},
  };
  for (auto& r : rows) EXPECT_EQ(filter_literal(r.value), r.literal) << r.value;
}

TEST(FilterBuilder, SearchTextIsTrimmedAndUpperCased) {
  struct {
    const char* typed;
    const char* text;
  } rows[] = {
      {"abc", "ABC"}, {"  aBc  ", "ABC"},     {"   ", ""},    {"", ""},
      {"a b", "A B"}, {"刹车片a", "刹车片A"}, {"z9-", "Z9-"},
  };
  for (auto& r : rows) EXPECT_EQ(search_text(r.typed), r.text) << r.typed;
}

// --- nothing to search for ----------------------------------------------------------------

TEST(FilterBuilder, NothingTypedSetsTheWarehouseOrTheEmptyFilter) {
  struct Row {
    Variant variant;
    int xlh;
    const char* text;
    const char* popup;
    const char* warehouse;
    bool step1;
    const char* filter;
  } rows[] = {
      // step 1: blank text, no popup part number, mode not 4
      {Variant::A, 1, "", "", "01", true, "dbj030_ckh = '01'"},
      {Variant::A, 2, "   ", "", "", true, ""},
      {Variant::B, 5, "", "", "01", true, "dbj030_ckh = '01'"},
      {Variant::B, 6, "  ", "", "03", true, "dbj030_ckh = '03'"},
      {Variant::A, 7, "", "", "", true, ""},
      {Variant::A, 9, "", "", "01", true, "dbj030_ckh = '01'"},
      {Variant::A, 1, "", "", "0'", true, "dbj030_ckh = '0~''"},
      // mode 4 never takes step 1
      {Variant::A, 4, "", "", "", false, "dbj002_lcyjbs = 0"},
      {Variant::B, 4, "", "", "01", false, "dbj002_lcyjbs = 0 and dbj030_ckh = '01'"},
      // a popup part number is something to search for, even without typed text
      {Variant::A, 1, "", "12", "", false,
       "(mid(dbj030_ccph,5,13) like '12%') or "
       "(mid(dbj030_ccph,5,1)=' ' and mid(dbj030_ccph,6,13) like '12%')"},
      {Variant::B, 5, " ", "12", "", false,
       "dbj002_cflh = '' and ((mid(dbj030_ccph,5,13) like '12%') or "
       "(mid(dbj030_ccph,5,1)=' ' and (mid(dbj030_ccph,6,13) like '12%')))"},
  };
  for (const Row& r : rows) {
    SearchInputs in;
    in.xlh = r.xlh;
    in.text = r.text;
    in.ls_cph = r.popup;
    in.ls_parm = r.warehouse;
    SCOPED_TRACE(std::to_string(r.xlh) + " '" + r.text + "' '" + r.popup + "' '" + r.warehouse + "'");
    SearchOutcome out = plan_search(r.variant, in);
    EXPECT_EQ(out.kind, Kind::SetFilter);
    EXPECT_EQ(out.filter, r.filter);
    EXPECT_EQ(out.step1, r.step1);
    // The nothing-to-search path neither restores the mode nor reports an empty result.
    EXPECT_EQ(out.restore_mode, !r.step1);
    EXPECT_FALSE(out.reset_i_bs);
    if (r.step1) {
      EXPECT_FALSE(out.via_f_check);
    }
  }
}

TEST(FilterBuilder, ModeOutsideOneToSevenSetsNoFilterButEndsTheSearch) {
  for (Variant v : {Variant::A, Variant::B}) {
    SearchInputs in;
    in.xlh = 8;
    in.text = "ABC";
    SearchOutcome out = plan_search(v, in);
    EXPECT_EQ(out.kind, Kind::NoFilter);
    EXPECT_TRUE(out.filter.empty());
    EXPECT_TRUE(out.restore_mode);
  }
}

TEST(FilterBuilder, CommonFlagIsOneOnlyForExactly常用) {
  struct {
    const char* text;
    const char* filter;
  } rows[] = {
      {"常用", "dbj002_lcyjbs = 1"},  {"不常用", "dbj002_lcyjbs = 0"}, {"", "dbj002_lcyjbs = 0"},
      {"常用 ", "dbj002_lcyjbs = 0"}, {" 常用", "dbj002_lcyjbs = 0"},
  };
  for (Variant v : {Variant::A, Variant::B}) {
    for (auto& r : rows) {
      SearchInputs in;
      in.xlh = 4;
      in.ddlb_1_text = r.text;
      in.text = "IGNORED";
      EXPECT_EQ(plan_search(v, in).filter, r.filter) << r.text;
    }
  }
}

TEST(FilterBuilder, Mode6SearchResetsTheWarehouseFlag) {
  SearchInputs in;
  in.xlh = 6;
  in.text = "02";
  in.ls_parm = "01";
  SearchOutcome out = plan_search(Variant::A, in);
  EXPECT_TRUE(out.reset_i_bs);
  EXPECT_EQ(out.filter, "dbj030_ckh = '02'");
  in.xlh = 5;
  EXPECT_FALSE(plan_search(Variant::A, in).reset_i_bs);
}

TEST(FilterBuilder, WhichSearchesCheckTheirCode) {
  struct Row {
    Variant variant;
    int xlh;
    const char* text;
    const char* popup;
    const char* statement;  // nullptr: no check
  } rows[] = {
      {Variant::A, 1, "ABC", "", nullptr},
      {Variant::A, 2, "ABC", "", nullptr},
      {Variant::A, 3, "QC", "", nullptr},
      {Variant::B, 3, "QC", "", "select cpym from dbj002 where cpym = :code and cgsh = :gsh and ltybs = 0"},
      {Variant::A, 4, "X", "", nullptr},
      {Variant::A, 5, "a01", "", "select cflh from dbj001 where cflh = :code and cgsh = :gsh and ltybs = 0"},
      {Variant::B, 6, "02", "", "select ckh from dbj003 where ckh = :code and cgsh = :gsh and ltybs = 0"},
      {Variant::A, 7, "b2", "", "select ccxh from dxl002 where ccxh = :code and cgsh = :gsh and ltybs = 0"},
      // empty text skips the check (with a popup part number there is still a search)
      {Variant::A, 5, "  ", "12", nullptr},
      {Variant::B, 3, "", "12", nullptr},
      // nothing to search for
      {Variant::A, 6, "", "", nullptr},
  };
  for (const Row& r : rows) {
    SearchInputs in;
    in.xlh = r.xlh;
    in.text = r.text;
    in.ls_cph = r.popup;
    auto check = code_check(r.variant, in);
    SCOPED_TRACE(std::to_string(r.xlh) + " " + r.text);
    if (!r.statement) {
      EXPECT_FALSE(check.has_value());
      continue;
    }
    ASSERT_TRUE(check.has_value());
    EXPECT_EQ(check->statement, r.statement);
    EXPECT_EQ(check->code, search_text(r.text));
  }
}

// --- existence checks against the database ------------------------------------------------

class GgDatabase : public testing::TestWithParam<db::Backend> {
 protected:
  void SetUp() override {
    tdb_ = std::make_unique<test::TestDatabase>(GetParam());
    // Company 01: one usable and one disabled code per table; company 02: a code of its own.
    auto conn = tdb_->connect();
    for (const char* table :
         {"dbj001 (cgsh, cflh, ltybs)", "dbj003 (cgsh, ckh, ltybs)", "dxl002 (cgsh, ccxh, ltybs)"}) {
      const std::string sql = std::string("insert into ") + table + " values (?, ?, ?)";
      conn->exec(sql, {"01", "A1", 0});
      conn->exec(sql, {"01", "D1", 1});
      conn->exec(sql, {"02", "O2", 0});
    }
    const std::string part = "insert into dbj002 (cgsh, ccph, cpym, ltybs) values (?, ?, ?, ?)";
    conn->exec(part, {"01", "P1", "QCLT", 0});
    conn->exec(part, {"01", "P2", "QCLT", 0});
    conn->exec(part, {"01", "P3", "JYLQ", 1});
    conn->exec(part, {"02", "P4", "SCP", 0});
    ASSERT_EQ(sqlca_.connect(tdb_->target()), 0) << sqlca_.sqlerrtext;
  }

  SearchOutcome search(Variant v, int xlh, const std::string& text) {
    SearchInputs in;
    in.xlh = xlh;
    in.text = text;
    return build_search(v, in, sqlca_, "01");
  }

  std::unique_ptr<test::TestDatabase> tdb_;
  db::Transaction sqlca_;
};

TEST_P(GgDatabase, UnknownDisabledAndOtherCompanyCodesAreRefused) {
  // Every code table holds A1 (company 01), D1 (company 01, disabled) and O2 (company 02).
  struct Row {
    int xlh;
    const char* message;
  } modes[] = {
      {5, "分类号不正确，请重新输入!"},
      {6, "库号不正确，请重新输入!"},
      {7, "车型号不正确，请重新输入!"},
  };
  for (Variant v : {Variant::A, Variant::B}) {
    for (const Row& m : modes) {
      SCOPED_TRACE(std::to_string(m.xlh));
      // usable code of the company, typed in lower case with blanks
      SearchOutcome ok = search(v, m.xlh, " a1 ");
      EXPECT_EQ(ok.kind, Kind::SetFilter);
      EXPECT_TRUE(ok.restore_mode);
      for (const char* bad : {"ZZ", "D1", "O2", "A'"}) {
        SearchOutcome out = search(v, m.xlh, bad);
        EXPECT_EQ(out.kind, Kind::Message) << bad;
        EXPECT_EQ(out.message, m.message) << bad;
        EXPECT_TRUE(out.filter.empty());
        EXPECT_FALSE(out.restore_mode);
        EXPECT_FALSE(out.reset_i_bs);
      }
      // A quote in the code is bound as a value: the statement runs and finds no row.
      search(v, m.xlh, "A' or '1'='1");
      EXPECT_EQ(sqlca_.sqlcode, 100) << sqlca_.sqlerrtext;
    }
  }
}

TEST_P(GgDatabase, PinyinCodeIsCheckedInVariantBOnly) {
  // variant B: the whole code, shared by two parts, usable
  SearchOutcome shared = search(Variant::B, 3, "qclt");
  EXPECT_EQ(shared.kind, Kind::SetFilter);
  EXPECT_EQ(shared.filter, "dbj002_cpym = 'QCLT'");
  for (const char* bad : {"QC", "JYLQ", "SCP"}) {
    SearchOutcome out = search(Variant::B, 3, bad);
    EXPECT_EQ(out.kind, Kind::Message) << bad;
    EXPECT_EQ(out.message, "拼音码不正确，请重新输入!");
  }
  // variant A: a fragment, never checked
  SearchOutcome fragment = search(Variant::A, 3, "qc");
  EXPECT_EQ(fragment.kind, Kind::SetFilter);
  EXPECT_EQ(fragment.filter, "(dbj002_cpym like '%QC%')");
}

TEST_P(GgDatabase, Mode6WithAWarehouseRestrictionUsesTheTypedWarehouse) {
  SearchInputs in;
  in.xlh = 6;
  in.text = "a1";
  in.ls_parm = "D1";
  SearchOutcome out = build_search(Variant::A, in, sqlca_, "01");
  EXPECT_EQ(out.kind, Kind::SetFilter);
  EXPECT_EQ(out.filter, "dbj030_ckh = 'A1'");
  EXPECT_TRUE(out.reset_i_bs);
}

INSTANTIATE_TEST_SUITE_P(Backends, GgDatabase, testing::ValuesIn(test::backends()), test::backend_name_of);

}  // namespace
}  // namespace sparestock
