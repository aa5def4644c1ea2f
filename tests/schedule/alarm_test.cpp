#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

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
  // The clock set back into the window the same day: once a day is enough.
  EXPECT_EQ(CheckAlarms(list, At(2026, 5, 4, 10, 30, 19), 20000), -1);
  EXPECT_EQ(CheckAlarms(list, At(2026, 5, 5, 10, 30, 1), 20000), 0);  // and the next day again
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

// Each day at 09:15:01 from `from` to `to`; the days of the month each alarm fired on.
std::vector<std::vector<int>> FiredDays(TAlarmList& list, TDateTime from, TDateTime to) {
  std::vector<std::vector<int>> days(static_cast<size_t>(list.Count()));
  for (TDateTime day = from; day < to; day += 1) {
    const int fired = CheckAlarms(list, day + EncodeTime(9, 15, 1), 20000);
    if (fired >= 0) days[static_cast<size_t>(fired)].push_back(DecodeDateTime(day).day);
  }
  return days;
}

TEST(CheckAlarms, MonthlyAlarmMatchesMonthAndDay) {
  TAlarmList list;
  TAlarm& march3 = AddAlarm(list, acMonthly, 9, 15);
  march3.SetMonth(3);
  march3.SetDayofMonth(3);
  TAlarm& march31 = AddAlarm(list, acMonthly, 9, 15);
  march31.SetMonth(3);
  march31.SetDayofMonth(31);
  const auto days = FiredDays(list, EncodeDate(2028, 1, 25), EncodeDate(2028, 4, 5));
  EXPECT_EQ(days[0], std::vector<int>{3});
  EXPECT_EQ(days[1], std::vector<int>{31});
}

TEST(CheckAlarms, ADayTheMonthLacksFallsOnItsLastDay) {
  TAlarmList list;
  for (int month : {2, 4}) {
    TAlarm& alarm = AddAlarm(list, acMonthly, 9, 15);
    alarm.SetMonth(static_cast<uint16_t>(month));
    alarm.SetDayofMonth(31);
  }
  TAlarm& february30 = AddAlarm(list, acMonthly, 9, 15);
  february30.SetMonth(2);
  february30.SetDayofMonth(30);
  // 2028 is a leap year, 2027 is not; each alarm fires once in its month.
  auto leap = FiredDays(list, EncodeDate(2028, 1, 25), EncodeDate(2028, 5, 5));
  EXPECT_EQ(leap[0], std::vector<int>{29});
  EXPECT_EQ(leap[1], std::vector<int>{30});
  EXPECT_EQ(leap[2], std::vector<int>{});  // the same day as 31 February: one alarm per check
  auto common = FiredDays(list, EncodeDate(2027, 1, 25), EncodeDate(2027, 5, 5));
  EXPECT_EQ(common[0], std::vector<int>{28});
  EXPECT_EQ(common[1], std::vector<int>{30});
  EXPECT_EQ(MonthlyAlarmDay(31, 2027, 2), 28);
  EXPECT_EQ(MonthlyAlarmDay(15, 2027, 2), 15);
  EXPECT_EQ(MonthlyAlarmDay(0, 2027, 2), 0);  // a day the alarm could not hold never matches
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

// Central European time: the clocks go forward at 02:00 on the last Sunday of March and back at
// 03:00 on the last Sunday of October. A rule, not a zone file, so no time zone data is needed.
class ClockChangeNight : public testing::Test {
 protected:
  ClockChangeNight() {
    if (const char* tz = std::getenv("TZ")) FSaved = tz;
    FHadTz = std::getenv("TZ") != nullptr;
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
  }
  ~ClockChangeNight() override {
    if (FHadTz)
      setenv("TZ", FSaved.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  // Checks every 20 s through the local times the clocks show, as the timer thread would.
  static std::vector<std::string> Fires(TAlarmList& list, const std::vector<TDateTime>& shown) {
    std::vector<std::string> fires;
    for (TDateTime now : shown)
      if (CheckAlarms(list, now, 20000) >= 0) fires.push_back(DateTimeText(now));
    return fires;
  }
  static void Walk(std::vector<TDateTime>& shown, TDateTime from, TDateTime to) {
    for (int step = 0; from + step * EncodeTime(0, 0, 20) < to; ++step)
      shown.push_back(from + step * EncodeTime(0, 0, 20));
  }

 private:
  std::string FSaved;
  bool FHadTz = false;
};

TEST_F(ClockChangeNight, ATimeTheClocksSkipRunsOnceWhenTheyGoOn) {
  EXPECT_EQ(ShownLocalTime(At(2026, 3, 29, 2, 30)), At(2026, 3, 29, 3, 0));
  EXPECT_EQ(ShownLocalTime(At(2026, 3, 28, 2, 30)), At(2026, 3, 28, 2, 30));
  TAlarmList list;
  AddAlarm(list, acDaily, 2, 30);
  AddAlarm(list, acDaily, 1, 0);
  std::vector<TDateTime> shown;
  Walk(shown, At(2026, 3, 28, 23, 0, 10), At(2026, 3, 29, 2, 0));  // then 02:00 is 03:00
  Walk(shown, At(2026, 3, 29, 3, 0, 10), At(2026, 3, 30, 3, 0));
  EXPECT_EQ(Fires(list, shown), (std::vector<std::string>{
                                    "29/03/2026 01:00:10 AM",
                                    "29/03/2026 03:00:10 AM",  // 02:30 that night, at 03:00
                                    "30/03/2026 01:00:10 AM",
                                    "30/03/2026 02:30:10 AM",
                                }));
}

TEST_F(ClockChangeNight, ATimeTheClocksShowTwiceRunsOnce) {
  TAlarmList list;
  AddAlarm(list, acDaily, 2, 30);
  std::vector<TDateTime> shown;
  Walk(shown, At(2026, 10, 25, 1, 0, 10), At(2026, 10, 25, 3, 0));  // then 03:00 is 02:00
  Walk(shown, At(2026, 10, 25, 2, 0, 10), At(2026, 10, 26, 3, 0));
  EXPECT_EQ(Fires(list, shown),
            (std::vector<std::string>{"25/10/2026 02:30:10 AM", "26/10/2026 02:30:10 AM"}));
}

}  // namespace
}  // namespace vaultora
