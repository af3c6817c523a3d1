// Passwords, the user table and the login throttle of the web server.

#include <gtest/gtest.h>

#include <thread>

#include "tests/test_db.h"
#include "web/crypto.h"
#include "web/login_throttle.h"
#include "web/users.h"

namespace sparestock::web {
namespace {

TEST(WebPasswords, HashVerifiesOnlyItsPassword) {
  std::string h = hash_password("s3cret-密码");
  EXPECT_TRUE(verify_password(h, "s3cret-密码"));
  EXPECT_FALSE(verify_password(h, "s3cret-密"));
  EXPECT_FALSE(verify_password(h, ""));
  // Salted: the same password never gives the same text twice.
  EXPECT_NE(h, hash_password("s3cret-密码"));
  // A user without a password, or a broken column, lets nobody in.
  EXPECT_FALSE(verify_password("", ""));
  EXPECT_FALSE(verify_password("not a hash", "not a hash"));
  EXPECT_FALSE(verify_password(std::string(500, '$'), "x"));
}

TEST(WebPasswords, TokensAndComparisons) {
  std::string a = random_token(), b = random_token();
  EXPECT_EQ(a.size(), 64u);
  EXPECT_NE(a, b);
  EXPECT_EQ(random_token(16).size(), 32u);
  EXPECT_TRUE(constant_time_equal(a, std::string(a)));
  EXPECT_FALSE(constant_time_equal(a, b));
  EXPECT_FALSE(constant_time_equal(a, a.substr(1)));
  EXPECT_FALSE(constant_time_equal("", a));
  EXPECT_EQ(token_digest(a), token_digest(std::string(a)));
  EXPECT_NE(token_digest(a), token_digest(b));
  EXPECT_EQ(token_digest(a).find(a), std::string::npos);
}

class WebUsers : public testing::TestWithParam<db::Backend> {};

TEST_P(WebUsers, AddFindAndChangePassword) {
  test::TestDatabase tdb(GetParam());
  auto conn = tdb.connect();
  add_user(*conn, " 01", "007 ", "赵六", "first-pass");
  auto u = find_user(*conn, "01", "007");
  ASSERT_TRUE(u);
  EXPECT_EQ(u->name, "赵六");
  EXPECT_TRUE(verify_password(u->password_hash, "first-pass"));
  EXPECT_FALSE(find_user(*conn, "02", "007"));

  set_password(*conn, "01", "007", "second-pass");
  u = find_user(*conn, "01", "007");
  EXPECT_FALSE(verify_password(u->password_hash, "first-pass"));
  EXPECT_TRUE(verify_password(u->password_hash, "second-pass"));
  EXPECT_EQ(u->name, "赵六");
  set_password(*conn, "01", "007", "third-pass", std::string("赵小六"));
  EXPECT_EQ(find_user(*conn, "01", "007")->name, "赵小六");
}

TEST_P(WebUsers, RefusalsChangeNothing) {
  test::TestDatabase tdb(GetParam());
  auto conn = tdb.connect();
  add_user(*conn, "01", "001", "张三", "good-pass");
  std::string before = find_user(*conn, "01", "001")->password_hash;

  EXPECT_THROW(add_user(*conn, "01", "001", "别人", "other-pass"), UserError);  // exists
  EXPECT_THROW(add_user(*conn, "011", "002", "", "good-pass"), UserError);      // company of 3
  EXPECT_THROW(add_user(*conn, "01", "0002", "", "good-pass"), UserError);      // code of 4
  EXPECT_THROW(add_user(*conn, "01", "  ", "", "good-pass"), UserError);        // empty code
  EXPECT_THROW(add_user(*conn, "01", "0\t2", "", "good-pass"), UserError);      // control character
  EXPECT_THROW(add_user(*conn, "01", "002", "一二三四五六七八九", "good-pass"), UserError);  // 9 characters
  EXPECT_THROW(add_user(*conn, "01", "002", "", "12345"), UserError);                        // too short
  EXPECT_THROW(set_password(*conn, "01", "009", "good-pass"), UserError);                    // no such user
  EXPECT_THROW(set_password(*conn, "01", "001", "short"), UserError);

  EXPECT_FALSE(find_user(*conn, "01", "002"));
  EXPECT_EQ(find_user(*conn, "01", "001")->password_hash, before);
  EXPECT_EQ(find_user(*conn, "01", "001")->name, "张三");
  // Limits exactly: 2, 3 and 8 characters (counted as characters, not bytes) and 6 for the password.
  add_user(*conn, "02", "003", "一二三四五六七八", "123456");
  EXPECT_TRUE(find_user(*conn, "02", "003"));
}

INSTANTIATE_TEST_SUITE_P(Backends, WebUsers, testing::ValuesIn(test::backends()), test::backend_name_of);

TEST(WebLoginThrottle, CountsFailuresPerUserAndPerAddress) {
  LoginThrottle t({/*per user*/ 3, /*per address*/ 5, std::chrono::hours(1)});
  // Attempts count from the moment they are let in, before any password is checked.
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(t.begin("01/001", "10.0.0.1"));
  // The user is locked from every address; other users are not.
  EXPECT_FALSE(t.begin("01/001", "10.0.0.1"));
  EXPECT_FALSE(t.begin("01/001", "10.0.0.2"));
  auto other = t.begin("01/002", "10.0.0.1");
  ASSERT_TRUE(other);

  // Two failures of other users from the same address lock the address for everyone.
  EXPECT_TRUE(t.begin("01/003", "10.0.0.1"));
  EXPECT_FALSE(t.begin("01/004", "10.0.0.1"));
  EXPECT_TRUE(t.begin("01/004", "10.0.0.3"));
  // An attempt that could not be checked gives its place back.
  t.abandoned(*other);
  EXPECT_TRUE(t.begin("01/004", "10.0.0.1"));
}

TEST(WebLoginThrottle, SuccessClearsTheUserAndTheWindowSlides) {
  LoginThrottle t({2, 100, std::chrono::milliseconds(300)});
  ASSERT_TRUE(t.begin("u", "a"));
  t.succeeded(*t.begin("u", "a"));
  // The failure before the success is forgotten: two more are let in.
  EXPECT_TRUE(t.begin("u", "a"));
  EXPECT_TRUE(t.begin("u", "a"));
  EXPECT_FALSE(t.begin("u", "a"));
  std::this_thread::sleep_for(std::chrono::milliseconds(350));
  EXPECT_TRUE(t.begin("u", "a"));
}

// A failure counts from when it was found: an attempt whose check took long stays in the window
// a whole window after the check.
TEST(WebLoginThrottle, AFailureCountsFromItsCheck) {
  LoginThrottle t({1, 100, std::chrono::milliseconds(300)});
  auto attempt = t.begin("u", "a");
  ASSERT_TRUE(attempt);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // a slow password check
  t.failed(*attempt);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(t.begin("u", "a"));
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_TRUE(t.begin("u", "a"));
}

// A success takes back only its own count at its address: the address keeps its failures.
TEST(WebLoginThrottle, SuccessLeavesTheAddressFailures) {
  LoginThrottle t({100, 3, std::chrono::hours(1)});
  ASSERT_TRUE(t.begin("x", "a"));
  ASSERT_TRUE(t.begin("y", "a"));
  for (int i = 0; i < 5; ++i) t.succeeded(*t.begin("u", "a"));
  EXPECT_TRUE(t.begin("z", "a"));
  EXPECT_FALSE(t.begin("u", "a"));
}

}  // namespace
}  // namespace sparestock::web
