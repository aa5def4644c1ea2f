#include <gtest/gtest.h>

#include "schedule/alarm.h"

namespace vaultora {
namespace {

TDateTime At(int year, int month, int day, int hour, int minute, int second = 0, int ms = 0) {
  return EncodeDate(year, month, day) + EncodeTime(hour, minute, second, ms);
}

TAlarm& AddAlarm(TAlarmList& list, TAlarmType type, int hour, int minute) {
  TAlarm& alarm = list.Add();
  alarm.AlarmType = type;
  alarm.Enabled = true;
  alarm.SetHour(static_cast<uint16_t>(hour));
  alarm.SetMin(static_cast<uint16_t>(minute));
  return alarm;
}

TEST(Alarm, SettersIgnoreOutOfRangeValues) {
  TAlarm alarm;
  alarm.SetHour(23);
  alarm.SetHour(24);
  alarm.SetMin(59);
  alarm.SetMin(60);
  alarm.SetMonth(12);
  alarm.SetMonth(13);
  alarm.SetDayofMonth(31);
  alarm.SetDayofMonth(32);
  alarm.SetDayofWeek(7);  // accepted, never matches
  alarm.SetDayofWeek(8);
  EXPECT_EQ(alarm.Hour(), 23);
  EXPECT_EQ(alarm.Min(), 59);
  EXPECT_EQ(alarm.Month(), 12);
  EXPECT_EQ(alarm.DayofMonth(), 31);
  EXPECT_EQ(alarm.DayofWeek(), 7);
  EXPECT_FALSE(TAlarm().Enabled);
}

TEST(Alarm, AssignCopiesTheTimingButNotDescriptionEventOrFired) {
  TAlarmList source;
  TAlarm& a = AddAlarm(source, acMonthly, 7, 45);
  a.SetMonth(3);
  a.SetDayofMonth(9);
  a.Description = "Nightly";
  a.Fired = true;
  a.OnAlarm = [](TAlarm&, uint32_t) {};
  TAlarmList copy(source);
  ASSERT_EQ(copy.Count(), 1);
  EXPECT_EQ(copy[0].AlarmType, acMonthly);
  EXPECT_TRUE(copy[0].Enabled);
  EXPECT_EQ(copy[0].Hour(), 7);
  EXPECT_EQ(copy[0].Min(), 45);
  EXPECT_EQ(copy[0].Month(), 3);
  EXPECT_EQ(copy[0].DayofMonth(), 9);
  EXPECT_EQ(copy[0].Description, "");
  EXPECT_FALSE(copy[0].OnAlarm);
  EXPECT_FALSE(copy[0].Fired);
}

TEST(CheckAlarms, WindowIsHalfOpenAndFiresOnce) {
  TAlarmList list;
  AddAlarm(list, acDaily, 10, 30);
  EXPECT_EQ(CheckAlarms(list, At(2026, 5, 4, 10, 29, 59, 999), 20000), -1);
  EXPECT_EQ(CheckAlarms(list, At(2026, 5, 4, 10, 30, 0), 20000), 0);
  EXPECT_EQ(CheckAlarms(list, At(2026, 5, 4, 10, 30, 19, 999), 20000), -1);  // fired already
  EXPECT_EQ(CheckAlarms(list, At(2026, 5, 4, 10, 30, 20), 20000), -1);       // window closed
  EXPECT_FALSE(list[0].Fired);
  EXPECT_EQ(CheckAlarms(list, At(2026, 5, 4, 10, 30, 19), 20000), 0);  // a new window
}

TEST(CheckAlarms, DisabledAlarmsAndZeroIntervalNeverFire) {
  TAlarmList list;
  AddAlarm(list, acDaily, 10, 30).Enabled = false;
  AddAlarm(list, acDaily, 10, 30);
  EXPECT_EQ(CheckAlarms(list, At(2026, 5, 4, 10, 30, 0), 0), -1);
  EXPECT_EQ(CheckAlarms(list, At(2026, 5, 4, 10, 30, 0), 20000), 1);
}

TEST(CheckAlarms, WindowsDoNotWrapPastMidnight) {
  TAlarmList list;
  AddAlarm(list, acDaily, 23, 59);
  EXPECT_EQ(CheckAlarms(list, At(2026, 5, 4, 23, 59, 19), 20000), 0);
  list[0].Fired = false;
  EXPECT_EQ(CheckAlarms(list, At(2026, 5, 5, 0, 0, 5), 120000), -1);
}

TEST(CheckAlarms, WeeklyAlarmMatchesItsWeekdayOnly) {
  TAlarmList list;
  AddAlarm(list, acWeekly, 8, 0).SetDayofWeek(0);
  AddAlarm(list, acWeekly, 8, 0).SetDayofWeek(7);  // no such day
  // 2026-05-03 is a Sunday.
  for (int day = 3; day < 3 + 14; ++day) {
    const int fired = CheckAlarms(list, At(2026, 5, day, 8, 0, 5), 20000);
    EXPECT_EQ(fired, (day - 3) % 7 == 0 ? 0 : -1) << "day " << day;
  }
}

TEST(CheckAlarms, MonthlyAlarmMatchesMonthAndDay) {
  TAlarmList list;
  TAlarm& february31 = AddAlarm(list, acMonthly, 9, 15);
  february31.SetMonth(2);
  february31.SetDayofMonth(31);
  TAlarm& march3 = AddAlarm(list, acMonthly, 9, 15);
  march3.SetMonth(3);
  march3.SetDayofMonth(3);
  int fires = 0;
  for (TDateTime day = EncodeDate(2028, 1, 25); day < EncodeDate(2028, 4, 5); day += 1) {
    const int fired = CheckAlarms(list, day + EncodeTime(9, 15, 1), 20000);
    EXPECT_NE(fired, 0) << "31 February fired";
    if (fired == 1) {
      ++fires;
      EXPECT_EQ(DecodeDateTime(day).day, 3);
    }
  }
  EXPECT_EQ(fires, 1);
}

TEST(CheckAlarms, TwoDueAlarmsComeOnSuccessiveChecksLowerIndexFirst) {
  TAlarmList list;
  AddAlarm(list, acDaily, 6, 0);
  AddAlarm(list, acDaily, 6, 0);
  const TDateTime now = At(2026, 5, 4, 6, 0, 1);
  EXPECT_EQ(CheckAlarms(list, now, 20000), 0);
  EXPECT_EQ(CheckAlarms(list, now, 20000), 1);
  EXPECT_EQ(CheckAlarms(list, now, 20000), -1);
}

TEST(CheckAlarms, LeavingTheDayOfAWeeklyAlarmClearsItsFiredFlag) {
  TAlarmList list;
  AddAlarm(list, acWeekly, 8, 0).SetDayofWeek(1);
  list[0].Fired = true;
  CheckAlarms(list, At(2026, 5, 3, 8, 0, 5), 20000);  // Sunday
  EXPECT_FALSE(list[0].Fired);
}

}  // namespace
}  // namespace vaultora
