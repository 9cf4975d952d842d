#include "common/clock.h"

#include <gtest/gtest.h>

namespace liga {
namespace {

TEST(ClockTest, FakeClockStandsStillUntilMoved) {
  FakeClock clock(1800000000);
  EXPECT_EQ(clock.now(), 1800000000);
  EXPECT_EQ(clock.milliseconds(), 0);
  // Part seconds carry into the wall clock once they add up to a whole one.
  clock.advance(600);
  EXPECT_EQ(clock.now(), 1800000000);
  clock.advance(600);
  EXPECT_EQ(clock.now(), 1800000001);
  EXPECT_EQ(clock.milliseconds(), 1200);
  clock.advance(61000);
  EXPECT_EQ(clock.now(), 1800000062);
  clock.set(5);
  EXPECT_EQ(clock.now(), 5);
  EXPECT_EQ(clock.milliseconds(), 62200);
}

TEST(ClockTest, LocalTimeReadsBackAsTheSameLocalFields) {
  const std::tm tm = LocalFields(LocalTime(2016, 10, 2, 20, 15, 7));
  EXPECT_EQ(tm.tm_year, 116);
  EXPECT_EQ(tm.tm_mon, 9);
  EXPECT_EQ(tm.tm_mday, 2);
  EXPECT_EQ(tm.tm_hour, 20);
  EXPECT_EQ(tm.tm_min, 15);
  EXPECT_EQ(tm.tm_sec, 7);
}

TEST(ClockTest, FormattedTimesUseTheirZone) {
  EXPECT_EQ(FormatLocalTime(LocalTime(2027, 4, 10, 9, 5, 3), "%Y-%m-%d %H:%M:%S"),
            "2027-04-10 09:05:03");
  // 1800000000 is 2027-01-15 08:00:00 UTC, whatever the local zone.
  EXPECT_EQ(FormatUtcTime(1800000000, "%Y%m%dT%H%M%SZ"), "20270115T080000Z");
  EXPECT_EQ(FormatUtcTime(1800000000, ""), "");
}

TEST(ClockTest, SystemClockFollowsTheSystem) {
  const SystemClock& clock = SystemClock::instance();
  const std::time_t before = std::time(nullptr);
  const std::time_t now = clock.now();
  EXPECT_GE(now, before);
  EXPECT_LE(now, std::time(nullptr));
  const std::int64_t a = clock.milliseconds();
  EXPECT_GE(clock.milliseconds(), a);
}

}  // namespace
}  // namespace liga
