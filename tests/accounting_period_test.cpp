// The accounting period of a date and the current period of the session.

#include <gtest/gtest.h>

#include "host/db/clock.h"
#include "host/lib/global_functions.h"
#include "tests/scenario.h"

namespace sparestock::lib {
namespace {

// No database: the session has none, so the period follows the calendar.

TEST(AccountingPeriod, ThePeriodOfADateIsItsCalendarMonth) {
  ui::Session s;
  struct Case {
    const char* date;
    int result;
    const char* kjn;
    const char* kjy;
  } cases[] = {
      {"2026-12-08 10:00:00", 1, "2026", "12"},
      {"2027-01-01", 1, "2027", "01"},
      {"2026-02-28 23:59:59", 1, "2026", "02"},
  };
  for (const auto& c : cases) {
    int rc = 0;
    s.post([&] { rc = f_kjrqssny(s, "01", db::DateTime::parse(c.date)); });
    EXPECT_EQ(rc, c.result);
    EXPECT_EQ(s.globals().gs_kjn, c.kjn);
    EXPECT_EQ(s.globals().gs_kjy, c.kjy);
  }
  // Refusals change nothing.
  int rc = 0;
  s.post([&] { rc = f_kjrqssny(s, "", db::DateTime::parse("2020-05-05")); });
  EXPECT_EQ(rc, -1);
  s.post([&] { rc = f_kjrqssny(s, "01", std::nullopt); });
  EXPECT_EQ(rc, -1);
  EXPECT_EQ(s.globals().gs_kjn + s.globals().gs_kjy, "202602");
}

TEST(AccountingPeriod, TheCurrentPeriodFollowsTheSystemDate) {
  ui::Globals g;
  g.gd_xtrq = db::DateTime::parse("2026-12-08 10:00:00");
  ui::Session s(g);
  int rc = 0;
  s.post([&] { rc = f_kjrqjy(s, "01"); });
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(s.globals().gd_zxrq->iso(), "2026-12-01 00:00:00");
  EXPECT_EQ(s.globals().gs_kjn + "/" + s.globals().gs_kjy, "2026/12");
  // Without a system date the clock's date is the system date.
  db::set_fixed_now(db::DateTime::parse("2027-03-31 23:00:00"));
  s.post([&] {
    s.globals().gd_xtrq.reset();
    rc = f_kjrqjy(s, "01");
  });
  db::set_fixed_now(std::nullopt);
  EXPECT_EQ(s.globals().gd_zxrq->iso(), "2027-03-01 00:00:00");
  EXPECT_EQ(s.globals().gs_kjy, "03");
  s.post([&] { rc = f_kjrqjy(s, " "); });
  EXPECT_EQ(rc, -1);
  EXPECT_EQ(s.globals().gs_kjy, "03");
}

}  // namespace
}  // namespace sparestock::lib
