#include "platform/date_time.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vaultora {
namespace {

TEST(DateTime, DayZeroIsThirtiethOfDecember1899) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
  const TDateParts p = DecodeDateTime(36526.75);
  EXPECT_EQ(p.year, 2000);
  EXPECT_EQ(p.month, 1);
  EXPECT_EQ(p.day, 1);
  EXPECT_EQ(p.hour, 18);
}

TEST(DateTime, DayOfWeekCountsFromSunday) {
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 6)), 1);  // a Sunday
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 9)), 4);  // a Wednesday
  EXPECT_EQ(DayOfWeek(0), 7);                        // 1899-12-30, a Saturday
}

TEST(DateTime, ShownWithTwelveHourClock) {
  EXPECT_EQ(DateTimeText(EncodeDate(2026, 3, 4) + EncodeTime(0, 5, 9)), "04/03/2026 12:05:09 AM");
  EXPECT_EQ(DateTimeText(EncodeDate(2026, 3, 4) + EncodeTime(12, 0, 0)), "04/03/2026 12:00:00 PM");
  EXPECT_EQ(DateTimeText(EncodeDate(2026, 3, 4) + EncodeTime(23, 59, 59)),
            "04/03/2026 11:59:59 PM");
}

TEST(DateTime, FloatTextRoundTripsAndUsesPoint) {
  EXPECT_EQ(FloatToText(46364.5), "46364.5");
  EXPECT_EQ(FloatToText(46364.0), "46364");
  EXPECT_EQ(FloatToText(0.1 + 0.2), "0.3");
  EXPECT_EQ(FloatToText(1.5e-5), "1.5E-5");
  const double id = EncodeDate(2026, 12, 8) + EncodeTime(18, 38, 42, 123);
  double back = 0;
  ASSERT_TRUE(TextToFloat(FloatToText(id), back));
  EXPECT_NEAR(back, id, 1e-9);
  EXPECT_FALSE(TextToFloat("12,5", back));
  EXPECT_FALSE(TextToFloat("", back));
  EXPECT_FALSE(TextToFloat("1.5x", back));
}

TEST(DateTime, DosDateTimeHasTwoSecondStepsAndClamps) {
  const double t = EncodeDate(2024, 2, 29) + EncodeTime(13, 14, 15);
  const uint32_t packed = DateTimeToDosDateTime(t);
  EXPECT_EQ(DateTimeText(DosDateTimeToDateTime(packed)), "29/02/2024 01:14:14 PM");
  EXPECT_EQ(DosDateTimeToDateTime(DateTimeToDosDateTime(EncodeDate(1970, 1, 1))),
            EncodeDate(1980, 1, 1));
  EXPECT_EQ(DateTimeText(DosDateTimeToDateTime(DateTimeToDosDateTime(EncodeDate(2200, 1, 1)))),
            "31/12/2107 11:59:58 PM");
}

TEST(DateTime, UnixTimesAreLocal) {
  const std::time_t now = std::time(nullptr);
  EXPECT_EQ(DateTimeToUnix(UnixToDateTime(now)), now);
}

}  // namespace
}  // namespace vaultora
