#include <gtest/gtest.h>

#include "platform/DateTime.h"

TEST(DateTime, SecondsAndDatesConvertBothWays) {
  struct Case {
    uint32_t secs;
    DateTimeRec d;
  } cases[] = {
      {0, {1904, 1, 1, 0, 0, 0, 6}},                // a Friday
      {3603449107u, {2018, 3, 9, 14, 5, 7, 6}},     // Friday 9 March 2018
      {3034713599u, {2000, 2, 29, 23, 59, 59, 3}},  // leap day, a Tuesday
      {0xFFFFFFFFu, {2040, 2, 6, 6, 28, 15, 2}},    // the last second the clock holds
  };
  for (const Case& k : cases) {
    DateTimeRec d{};
    SecondsToDate(k.secs, &d);
    EXPECT_EQ(d.year, k.d.year);
    EXPECT_EQ(d.month, k.d.month);
    EXPECT_EQ(d.day, k.d.day);
    EXPECT_EQ(d.hour, k.d.hour);
    EXPECT_EQ(d.minute, k.d.minute);
    EXPECT_EQ(d.second, k.d.second);
    EXPECT_EQ(d.dayOfWeek, k.d.dayOfWeek) << k.secs;
    uint32_t back = 1;
    DateToSeconds(&k.d, &back);
    EXPECT_EQ(back, k.secs);
  }
  // Fields out of range carry over.
  DateTimeRec over{2017, 15, 9, 14, 5, 7, 0};
  uint32_t secs = 0;
  DateToSeconds(&over, &secs);
  EXPECT_EQ(secs, 3603449107u);
  DateTimeRec under{2018, 4, 0, 0, 0, 0, 0};  // day 0 of April is 31 March
  DateToSeconds(&under, &secs);
  DateTimeRec d{};
  SecondsToDate(secs, &d);
  EXPECT_EQ(d.month, 3);
  EXPECT_EQ(d.day, 31);
}

TEST(DateTime, TestsCanPinTheClock) {
  SetFixedDateTime(3603449107u);
  uint32_t now = 0;
  GetDateTime(&now);
  EXPECT_EQ(now, 3603449107u);
  UseRealDateTime();
  GetDateTime(&now);
  EXPECT_NE(now, 3603449107u);
}
