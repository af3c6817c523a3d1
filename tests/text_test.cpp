// The shared text functions: counting, case, trim and split, on Chinese text and blanks; and
// trim and character counting against what both databases answer for the same text.

#include "host/base/text.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "tests/test_db.h"

namespace sparestock {
namespace {

using V = std::vector<std::string>;

// Trimming a string about to be destroyed gives a string of its own, anything else a view.
static_assert(std::is_same_v<decltype(text::trim(std::string())), std::string>);
static_assert(std::is_same_v<decltype(text::trim_leading(std::string())), std::string>);
static_assert(std::is_same_v<decltype(text::trim(std::declval<std::string&>())), std::string_view>);
static_assert(std::is_same_v<decltype(text::trim(std::declval<const std::string&>())), std::string_view>);
static_assert(std::is_same_v<decltype(text::trim("a")), std::string_view>);

TEST(Text, CharCountCountsCodePoints) {
  struct Case {
    std::string_view s;
    size_t count;
  } cases[] = {
      // plain
      {"", 0},
      {"JL01", 4},
      {"  ", 2},
      // Chinese: three bytes a character; blanks and the full-width space count as characters
      {"备件", 2},
      {"刹车片 a", 5},
      {"\u3000机油\u3000", 4},
      // four-byte characters
      {"\U00020000x", 2},
      // ill-formed bytes count one each, so nothing is skipped or read past the end
      {"\xE5\xA4", 2},
      {"\x80\x80", 2},
      {"a\xE5", 2},
      {"\xE5"
       "a\xA4",
       3},
      {"\xFF", 1},
      {"\xFF\x80\x80", 3},  // no character starts with 0xF8..0xFF
  };
  for (const auto& c : cases) EXPECT_EQ(text::char_count(c.s), c.count) << c.s;
}

TEST(Text, CaseChangesAsciiLettersOnly) {
  struct Case {
    std::string_view s, up, low;
  } cases[] = {
      {"", "", ""},
      {"jl01 abc", "JL01 ABC", "jl01 abc"},
      {"aBc-Z9_", "ABC-Z9_", "abc-z9_"},
      // Chinese and other letters are kept as they are, whatever the machine's locale
      {"刹车片a", "刹车片A", "刹车片a"},
      {"äÄßé", "äÄßé", "äÄßé"},
      {"ｊｌ", "ｊｌ", "ｊｌ"},  // full-width letters are not ASCII
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text::upper(c.s), c.up) << c.s;
    EXPECT_EQ(text::lower(c.s), c.low) << c.s;
  }
}

TEST(Text, IequalsIgnoresTheCaseOfAsciiLettersOnly) {
  struct Case {
    std::string_view a, b;
    bool equal;
  } cases[] = {
      {"", "", true},
      {"DBJ030_CCPH", "dbj030_ccph", true},
      {"ccph", "ccpm", false},
      {"ccph", "ccph ", false},
      {"备件号", "备件号", true},
      {"备件A", "备件a", true},
      {"Ä", "ä", false},
      {"a", "ab", false},
  };
  for (const auto& c : cases) EXPECT_EQ(text::iequals(c.a, c.b), c.equal) << c.a << " / " << c.b;
}

TEST(Text, TrimRemovesBlanksOnly) {
  struct Case {
    std::string_view s, both, leading, trailing;
  } cases[] = {
      // blanks
      {"", "", "", ""},
      {"   ", "", "", ""},
      {"  JL01  ", "JL01", "JL01  ", "  JL01"},
      {"JL01", "JL01", "JL01", "JL01"},
      // Chinese, with a blank inside that stays
      {" 机油 滤清器 ", "机油 滤清器", "机油 滤清器 ", " 机油 滤清器"},
      {"刹车片  ", "刹车片", "刹车片  ", "刹车片"},
      // tabs, line ends and the full-width space are characters of the value
      {"\tJL01\t", "\tJL01\t", "\tJL01\t", "\tJL01\t"},
      {" JL01\r\n", "JL01\r\n", "JL01\r\n", " JL01\r\n"},
      {"\u3000备件\u3000", "\u3000备件\u3000", "\u3000备件\u3000", "\u3000备件\u3000"},
      {" \u3000 ", "\u3000", "\u3000 ", " \u3000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text::trim(c.s), c.both) << '[' << c.s << ']';
    EXPECT_EQ(text::trim_leading(c.s), c.leading) << '[' << c.s << ']';
    EXPECT_EQ(text::trim_trailing(c.s), c.trailing) << '[' << c.s << ']';
  }
}

TEST(Text, SplitKeepsEveryPieceAsItIs) {
  struct Case {
    std::string_view s;
    char sep;
    V pieces;
  } cases[] = {
      {"", '|', {""}},
      {"a|b", '|', {"a", "b"}},
      {" a | b ", '|', {" a ", " b "}},
      {"a||", '|', {"a", "", ""}},
      {"|", '|', {"", ""}},
      {"刹车片|备件 号", '|', {"刹车片", "备件 号"}},
      {"a,b|c", ',', {"a", "b|c"}},
  };
  for (const auto& c : cases) EXPECT_EQ(text::split(c.s, c.sep), c.pieces) << c.s;
}

TEST(Text, SplitListTrimsItemsAndKeepsTheirPlaces) {
  struct Case {
    std::string_view s;
    char sep;
    V items;
  } cases[] = {
      // nothing listed
      {"", ',', {}},
      {"  ", ',', {}},
      // blanks around items go; empty items keep their place
      {" cgsh, ccph ,ccpmc", ',', {"cgsh", "ccph", "ccpmc"}},
      {"a,,b", ',', {"a", "", "b"}},
      {"a, ", ',', {"a", ""}},
      {" , ", ',', {"", ""}},
      // Chinese headings, a blank inside an item stays
      {"库号, 库 名称 ,产品分类号", ',', {"库号", "库 名称", "产品分类号"}},
      // another separator
      {" 01 | '活塞' ", '|', {"01", "'活塞'"}},
  };
  for (const auto& c : cases) EXPECT_EQ(text::split_list(c.s, c.sep), c.items) << c.s;
}

// Trimmed here, trimmed by the database: the same text, so a code trimmed by a form matches the
// same code trimmed in a statement; and the same number of characters.
class TextOnDatabase : public testing::TestWithParam<db::Backend> {};

TEST_P(TextOnDatabase, TrimAndLengthAgreeWithTheDatabase) {
  test::TestDatabase tdb(GetParam(), /*with_schema=*/false);
  auto conn = tdb.connect();
  const std::string_view cases[] = {
      "",         "   ",       "  JL01  ",         "JL01",     " 机油 滤清器 ", "刹车片  ",
      "\tJL01\t", " JL01\r\n", "\u3000备件\u3000", " \u3000 ", "\U00020000 ",
  };
  for (std::string_view s : cases) {
    auto c = conn->query("SELECT trim(CAST(? AS text)), length(CAST(? AS text))",
                         {db::Value(std::string(s)), db::Value(std::string(s))});
    ASSERT_TRUE(c->next());
    EXPECT_EQ(c->text(0), text::trim(s)) << '[' << s << ']';
    EXPECT_EQ(c->integer(1), static_cast<int64_t>(text::char_count(s))) << '[' << s << ']';
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, TextOnDatabase, testing::ValuesIn(test::backends()), test::backend_name_of);

}  // namespace
}  // namespace sparestock
