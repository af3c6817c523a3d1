// The session thread: handlers suspended in message boxes and modal loops, failures reported
// without taking the session down, refused requests changing nothing.

#include <gtest/gtest.h>

#include "host/ui/session.h"

namespace sparestock::ui {
namespace {

TEST(SessionTest, MessageBoxSuspendsTheHandlerUntilAnswered) {
  Session s;
  std::vector<std::string> log;
  s.post([&] {
    log.push_back("before");
    int button = s.messagebox("提示信息", "确定删除?", Icon::Question, Buttons::YesNo);
    log.push_back("answered " + std::to_string(button));
  });
  // post() returned while the handler waits.
  s.read([&] {
    ASSERT_NE(s.pending(), nullptr);
    EXPECT_EQ(s.pending()->text, "确定删除?");
  });
  EXPECT_EQ(log, std::vector<std::string>{"before"});
  s.post([&] { s.answer(2); });
  EXPECT_EQ(log, (std::vector<std::string>{"before", "answered 2"}));
  s.read([&] { EXPECT_EQ(s.pending(), nullptr); });
}

TEST(SessionTest, OkOnlyBoxesAreAcknowledgedAtOnceButReported) {
  Session s;
  int result = 0;
  s.post([&] { result = s.messagebox("提示信息", "无满足条件的记录!"); });
  EXPECT_EQ(result, 1);
  auto reports = s.take_reports();
  ASSERT_EQ(reports.messages.size(), 1u);
  EXPECT_EQ(reports.messages[0].text, "无满足条件的记录!");
  EXPECT_TRUE(s.take_reports().messages.empty());

  s.autoanswer = false;
  s.post([&] { result = s.messagebox("提示信息", "x"); });
  s.read([&] { EXPECT_NE(s.pending(), nullptr); });
}

TEST(SessionTest, WrongAnswersAreRefusedAndChangeNothing) {
  Session s;
  EXPECT_THROW(s.post([&] { s.answer(1); }), RequestError);  // nothing pending
  bool resumed = false;
  s.post([&] {
    s.messagebox("t", "q", Icon::Question, Buttons::YesNo);
    resumed = true;
  });
  EXPECT_THROW(s.post([&] { s.answer(3); }), RequestError);
  EXPECT_FALSE(resumed);
  s.read([&] { EXPECT_NE(s.pending(), nullptr); });
  s.post([&] { s.answer(1); });
  EXPECT_TRUE(resumed);
}

TEST(SessionTest, AFailingHandlerIsReportedAndTheSessionGoesOn) {
  Session s;
  s.post([] { throw std::runtime_error("boom"); });
  auto reports = s.take_reports();
  ASSERT_EQ(reports.messages.size(), 1u);
  EXPECT_EQ(reports.messages[0].title, "系统错误");
  EXPECT_EQ(reports.messages[0].text, "boom");
  int x = 0;
  s.post([&] { x = 7; });
  EXPECT_EQ(x, 7);
}

TEST(SessionTest, NestedLoopRunsEventsUntilTheModalEnds) {
  Session s;
  bool modal_open = false;
  std::vector<std::string> log;
  s.post([&] {
    modal_open = true;
    s.wait_until([&] { return !modal_open; });
    log.push_back("opener resumed");
  });
  s.post([&] { log.push_back("event in modal"); });
  s.post([&] { modal_open = false; });
  EXPECT_EQ(log, (std::vector<std::string>{"event in modal", "opener resumed"}));
}

TEST(SessionTest, ShutdownUnwindsSuspendedHandlers) {
  bool ran_after = false;
  {
    Session s;
    s.autoanswer = false;
    s.post([&] {
      s.messagebox("t", "q");
      ran_after = true;
    });
    s.shutdown();
    EXPECT_THROW(s.post([] {}), RequestError);
  }
  EXPECT_FALSE(ran_after);
}

TEST(SessionTest, SessionsRunSideBySide) {
  Session a, b;
  a.autoanswer = b.autoanswer = false;
  int done_a = 0, done_b = 0;
  a.post([&] { done_a = a.messagebox("t", "a"); });
  b.post([&] { done_b = b.messagebox("t", "b", Icon::Question, Buttons::YesNo); });
  b.post([&] { b.answer(2); });
  EXPECT_EQ(done_b, 2);
  EXPECT_EQ(done_a, 0);
  a.post([&] { a.answer(1); });
  EXPECT_EQ(done_a, 1);
}

}  // namespace
}  // namespace sparestock::ui
