#include "schedule/schedule_due.h"

#include <gtest/gtest.h>

#include "schedule/missed_schedules.h"
#include "schedule/schedule_record.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/scripted_prompts.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

namespace sv = schedule_values;

TDateTime At(int year, int month, int day, int hour, int minute, int second = 0) {
  return EncodeDate(year, month, day) + EncodeTime(hour, minute, second);
}

TScheduleRecord Daily(const std::string& time) {
  TScheduleRecord r;
  r.Name = "Nightly";
  r.BackupType = stDaily;
  r.Time = time;
  r.Enabled = true;
  return r;
}

TScheduleRecord Monthly(const std::string& day, std::initializer_list<int> months) {
  TScheduleRecord r = Daily("01:00:00");
  r.BackupType = stMonthly;
  r.DayNo = day;
  for (int m : months)
    r.Months[static_cast<size_t>(m - 1)] = true;
  return r;
}

TEST(ScheduleDue, LastAndNextDueTimesFollowTheSchedule) {
  const TScheduleRecord daily = Daily("02:00:45");  // seconds are not part of the alarm
  EXPECT_EQ(DateTimeText(LastDueTime(daily, At(2026, 5, 4, 9, 0))), "04/05/2026 02:00:00 AM");
  EXPECT_EQ(DateTimeText(LastDueTime(daily, At(2026, 5, 4, 1, 0))), "03/05/2026 02:00:00 AM");
  EXPECT_EQ(DateTimeText(NextDueTime(daily, At(2026, 5, 4, 2, 0))), "05/05/2026 02:00:00 AM");

  TScheduleRecord weekly = Daily("08:00:00");
  weekly.BackupType = stWeekly;
  weekly.Weekdays[0] = weekly.Weekdays[3] = true;  // Sunday and Wednesday; 2026-05-04 a Monday
  EXPECT_EQ(DateTimeText(LastDueTime(weekly, At(2026, 5, 4, 9, 0))), "03/05/2026 08:00:00 AM");
  EXPECT_EQ(DateTimeText(NextDueTime(weekly, At(2026, 5, 4, 9, 0))), "06/05/2026 08:00:00 AM");

  TScheduleRecord never = weekly;
  never.Weekdays = {};
  EXPECT_EQ(LastDueTime(never, At(2026, 5, 4, 9, 0)), 0);
  EXPECT_EQ(NextDueTime(Daily(""), At(2026, 5, 4, 9, 0)), 0);
  EXPECT_EQ(NextDueTime(Monthly("32", {1}), At(2026, 5, 4, 9, 0)), 0);
}

TEST(ScheduleDue, DayThirtyOneOfShortMonthsRunsOnTheirLastDay) {
  const TScheduleRecord r = Monthly("31", {2, 4});
  EXPECT_EQ(DateTimeText(NextDueTime(r, At(2027, 1, 1, 0, 0))), "28/02/2027 01:00:00 AM");
  EXPECT_EQ(DateTimeText(NextDueTime(r, At(2028, 1, 1, 0, 0))), "29/02/2028 01:00:00 AM");
  EXPECT_EQ(DateTimeText(NextDueTime(r, At(2027, 3, 1, 0, 0))), "30/04/2027 01:00:00 AM");
  EXPECT_EQ(DateTimeText(LastDueTime(r, At(2027, 12, 1, 0, 0))), "30/04/2027 01:00:00 AM");
  EXPECT_EQ(ShortMonthsNote(r), "Day 31 runs on the last day of Febuary, April.");
  EXPECT_EQ(ShortMonthsNote(Monthly("29", {2, 3})), "Day 29 runs on the last day of Febuary.");
  EXPECT_EQ(ShortMonthsNote(Monthly("28", {2})), "");
  EXPECT_EQ(ShortMonthsNote(Monthly("31", {1, 3})), "");
}

class MissedSchedules : public testing::Test {
 protected:
  MissedSchedules() {
    store.SetRootKey(rtHKEY_CURRENT_USER);
    store.SetFilename(keys::kBaseKey);
    store.WriteBool(keys::kPreferences, keys::preferences::kEnabled, true);
  }
  void Save(TScheduleRecord r, TDateTime lastRun, TDateTime lastSaved) {
    SaveSchedule(store, r);
    store.SetFilename(keys::kScheduleKey);
    if (lastRun > 0)
      store.WriteDateTime(r.Name, sv::kLastRun, lastRun);
    else
      store.DeleteValue(r.Name, sv::kLastRun);
    store.WriteDateTime(r.Name, sv::kLastSaved, lastSaved);
  }
  // The clocks at a local time on a machine that has slept for `asleep` seconds so far: the
  // steady clock stood still meanwhile.
  static TClockReading Reading(TDateTime local, double asleep = 0) {
    return {local, local * 86400.0, local * 86400.0 - asleep};
  }
  std::vector<std::string> Names(TMissedSchedules& missed, const TClockReading& now) {
    std::vector<std::string> names;
    for (const TMissedRun& run : missed.Check(store, now))
      names.push_back(run.Name);
    return names;
  }

  test::TTestProfile profile;
  test::TScriptedPrompts prompts{true};
  TIniRegistryEditor store;
};

TEST_F(MissedSchedules, AMachineAsleepAtTheTimeRunsTheScheduleOnceAfterWaking) {
  Save(Daily("02:00:00"), At(2026, 5, 3, 2, 0, 5), At(2026, 5, 1, 12, 0));
  TMissedSchedules missed(Reading(At(2026, 5, 3, 23, 0)), 2);
  EXPECT_TRUE(Names(missed, Reading(At(2026, 5, 4, 1, 0))).empty());
  // Asleep from 01:00:00 to 09:00:00: the wall clock moves eight hours, the steady one not.
  const double night = 8 * 3600;
  EXPECT_TRUE(Names(missed, Reading(At(2026, 5, 4, 9, 0, 20), night)).empty());
  EXPECT_TRUE(missed.ClockJumped());
  EXPECT_TRUE(Names(missed, Reading(At(2026, 5, 4, 9, 1), night)).empty());  // the delay
  EXPECT_EQ(Names(missed, Reading(At(2026, 5, 4, 9, 2, 30), night)),
            std::vector<std::string>{"Nightly"});
  EXPECT_FALSE(missed.ClockJumped());
  EXPECT_TRUE(Names(missed, Reading(At(2026, 5, 4, 9, 3), night)).empty());  // once

  // The run is claimed and recorded; the next night the alarm runs it, not the catch-up.
  EXPECT_TRUE(ClaimScheduledRun(store, "Nightly", At(2026, 5, 4, 9, 2, 30)));
  EXPECT_FALSE(ClaimScheduledRun(store, "nightly", At(2026, 5, 4, 9, 2, 50)));
  EXPECT_TRUE(Names(missed, Reading(At(2026, 5, 5, 2, 0, 30), night)).empty());
  EXPECT_TRUE(ClaimScheduledRun(store, "Nightly", At(2026, 5, 5, 2, 0, 10)));
  EXPECT_TRUE(Names(missed, Reading(At(2026, 5, 5, 2, 5), night)).empty());
}

TEST_F(MissedSchedules, SeveralMissedDaysRunOnceAndAWeekOffCatchesUpAtStart) {
  TScheduleRecord weekly = Daily("08:00:00");
  weekly.Name = "Weekly";
  weekly.BackupType = stWeekly;
  weekly.Weekdays[1] = true;  // Mondays
  Save(weekly, At(2026, 4, 27, 8, 0, 10), At(2026, 4, 1, 0, 0));
  Save(Daily("02:00:00"), At(2026, 4, 28, 2, 0, 10), At(2026, 4, 1, 0, 0));
  // Powered off from 28 April to 6 May: the program starts again, a new watch.
  TMissedSchedules missed(Reading(At(2026, 5, 6, 10, 0)), 2);
  EXPECT_TRUE(Names(missed, Reading(At(2026, 5, 6, 10, 1))).empty());
  EXPECT_EQ(Names(missed, Reading(At(2026, 5, 6, 10, 2, 30))),
            (std::vector<std::string>{"Nightly", "Weekly"}));
  EXPECT_TRUE(Names(missed, Reading(At(2026, 5, 6, 10, 3))).empty());
}

TEST_F(MissedSchedules, NothingIsMissedThatWasNotDueSinceTheLastRunOrSave) {
  // Saved at 10:00 with 09:00: the time has passed today, but not since the schedule was made.
  Save(Daily("09:00:00"), 0, At(2026, 5, 4, 10, 0));
  TScheduleRecord off = Daily("03:00:00");
  off.Name = "Off";
  off.Enabled = false;
  Save(off, 0, At(2026, 5, 1, 0, 0));
  TMissedSchedules missed(Reading(At(2026, 5, 4, 10, 30)), 0);
  EXPECT_TRUE(Names(missed, Reading(At(2026, 5, 4, 10, 31))).empty());
  EXPECT_TRUE(Names(missed, Reading(At(2026, 5, 5, 8, 0))).empty());
  EXPECT_EQ(Names(missed, Reading(At(2026, 5, 5, 9, 1, 30))),
            std::vector<std::string>{"Nightly"});  // a lost alarm, a minute on
}

TEST_F(MissedSchedules, SavingKeepsTheLastRunAndRecordsTheSave) {
  Save(Daily("02:00:00"), At(2026, 5, 3, 2, 0, 5), At(2026, 5, 1, 12, 0));
  TScheduleRecord changed = LoadSchedule(store, "Nightly");
  changed.LastRun = 0;  // a record built afresh, as the wizard may
  changed.Time = "03:00:00";
  const TDateTime before = Now();
  SaveSchedule(store, changed);
  const TScheduleRecord stored = LoadSchedule(store, "Nightly");
  EXPECT_EQ(DateTimeText(stored.LastRun), "03/05/2026 02:00:05 AM");
  EXPECT_GE(stored.LastSaved, before);
  EXPECT_EQ(stored.Time, "03:00:00");
  EXPECT_FALSE(ClaimScheduledRun(store, "Gone", Now()));
}

}  // namespace
}  // namespace vaultora
