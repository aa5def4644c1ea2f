#include <gtest/gtest.h>

#include "platform/folders.h"
#include "schedule/runtime/alarm_clock.h"
#include "schedule/runtime/load_schedules.h"
#include "schedule/schedule_record.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/scripted_prompts.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

namespace sv = schedule_values;

class SchedulesTest : public ::testing::Test {
 protected:
  SchedulesTest() {
    store.SetRootKey(rtHKEY_CURRENT_USER);
    store.SetFilename(keys::kBaseKey);
    store.WriteBool(keys::kPreferences, keys::preferences::kEnabled, true);
  }
  TScheduleRecord Daily(const std::string& name, const std::string& time) {
    TScheduleRecord r;
    r.Name = name;
    r.Time = time;
    r.Enabled = true;
    return r;
  }
  void Reload() {
    LoadSchedules(store, clock, [this](TAlarm& a, uint32_t) { fired.push_back(a.Description); });
  }

  test::TTestProfile profile;
  test::TScriptedPrompts prompts{true};
  TIniRegistryEditor store;
  TAlarmClock clock;
  std::vector<std::string> fired;
};

TEST_F(SchedulesTest, NamesAreUniqueRegardlessOfCase) {
  SaveSchedule(store, Daily("Nightly", "02:00:00"));
  EXPECT_EQ(ScheduleNameError(store, "  "), "A schedule name has not been specified.");
  EXPECT_EQ(ScheduleNameError(store, " NIGHTLY "),
            "A schedule with this name already exists.\rUse the \"modify option\" to change "
            "\"NIGHTLY\"");
  EXPECT_EQ(ScheduleNameError(store, "nightly", "Nightly"), "");  // renaming itself
  EXPECT_EQ(ScheduleNameError(store, "Weekly"), "");
  EXPECT_NE(ScheduleNameError(store, "a\\b"), "");
}

TEST_F(SchedulesTest, RenameMovesTheWholeKey) {
  TScheduleRecord r = Daily("Old", "03:00:00");
  r.BackupTitle = "Docs";
  SaveSchedule(store, r);
  EXPECT_TRUE(RenameSchedule(store, "Old", "New"));
  EXPECT_EQ(ScheduleNames(store), TStringList{"New"});
  EXPECT_EQ(LoadSchedule(store, "New").BackupTitle, "Docs");
  EXPECT_TRUE(RenameSchedule(store, "New", "NEW"));  // keys ignore case: it goes by a free name
  EXPECT_EQ(ScheduleNames(store), TStringList{"NEW"});
  EXPECT_EQ(LoadSchedule(store, "NEW").BackupTitle, "Docs");
  EXPECT_FALSE(RenameSchedule(store, "Missing", "Other"));
  EXPECT_EQ(prompts.Texts().back(), "Unable to rename the schedule \"Missing\" to Other");
}

TEST_F(SchedulesTest, TimeConflictWindowIsFiveMinutesInclusive) {
  SaveSchedule(store, Daily("Nightly", "02:00:00"));
  struct TCase {
    int h, m, s;
    bool asks;
  };
  for (const TCase& c : {TCase{2, 3, 0, true}, TCase{2, 6, 0, false}, TCase{2, 5, 0, true},
                         TCase{2, 5, 1, false}, TCase{1, 55, 0, true}, TCase{1, 54, 59, false}}) {
    const size_t before = prompts.Shown().size();
    EXPECT_TRUE(CheckTimeConflict(store, "New", EncodeTime(c.h, c.m, c.s)));
    EXPECT_EQ(prompts.Shown().size() > before, c.asks) << c.h << ":" << c.m << ":" << c.s;
  }
  EXPECT_EQ(prompts.Shown().back().Text,
            "The \"Nightly\" Schedule has been set to run at 02:00:00.\rThis may conflict with "
            "the time of the schedule you are trying to create.\rIt may take more than 5 minutes "
            "to create the compressed files. \rContinue anyway ?");
  prompts.Answer(false);
  EXPECT_FALSE(CheckTimeConflict(store, "New", EncodeTime(2, 1, 0)));
  EXPECT_TRUE(CheckTimeConflict(store, "nightly", EncodeTime(2, 1, 0)));  // itself
}

TEST_F(SchedulesTest, SaveWritesTheRecordAndDeletesWhatIsOff) {
  TScheduleRecord r = Daily("Weekly", "04:30:00");
  r.BackupType = stWeekly;
  r.Weekdays[0] = r.Weekdays[3] = true;
  r.BackupTitle = " Docs ";
  r.IncludeBackupNo = true;
  r.Expires = true;
  r.ExpireDays = 9;
  r.AppendBackup = sv::kIncrementalSeries;
  r.DefaultSession = "/tmp/list.bfl";
  SaveSchedule(store, r);
  store.SetFilename(keys::kScheduleKey);
  EXPECT_EQ(store.ReadString("Weekly", "1", ""), "Sunday");
  EXPECT_EQ(store.ReadString("Weekly", "4", ""), "Wensday");
  EXPECT_FALSE(store.ValueExists("Weekly", "2"));
  EXPECT_EQ(store.ReadString("Weekly", sv::kBackupType, ""), "1");
  EXPECT_EQ(store.ReadString("Weekly", sv::kBackupTitle, ""), "Docs");
  EXPECT_EQ(store.ReadInteger("Weekly", sv::kExpireDays, 0), 9);
  EXPECT_EQ(store.ReadString("Weekly", sv::kAppendBackup, ""), "*");

  r.BackupType = stDaily;
  r.BackupTitle = "";
  r.IncludeBackupNo = r.Expires = r.Enabled = false;
  r.AppendBackup = "";
  SaveSchedule(store, r);
  store.SetFilename(keys::kScheduleKey);
  for (const char* gone : {"1", "4", sv::kBackupTitle, sv::kIncludeBackupNo, sv::kExpireDays,
                           sv::kAppendBackup, sv::kEnabled})
    EXPECT_FALSE(store.ValueExists("Weekly", gone)) << gone;
  EXPECT_TRUE(prompts.Shown().empty());  // the service was on: nothing asked
}

TEST_F(SchedulesTest, SavingWithTheServiceOffOffersToSwitchItOn) {
  store.DeleteValue(keys::kPreferences, keys::preferences::kEnabled);
  SaveSchedule(store, Daily("A", "01:00:00"));
  ASSERT_EQ(prompts.Shown().size(), 1u);
  EXPECT_EQ(prompts.Shown()[0].Text,
            "The schedule service is deactivated in the options, \rWould you like to activate "
            "this service ?");
  store.SetFilename(keys::kBaseKey);
  EXPECT_TRUE(store.ReadBool(keys::kPreferences, keys::preferences::kEnabled, false));
}

TEST_F(SchedulesTest, DeleteRemovesTheKeyAndTheFileList) {
  const std::string list = AppDataFolder() + "schedule.bfl";
  test::WriteTextFile(list, "x\n");
  TScheduleRecord r = Daily("Gone", "01:00:00");
  r.DefaultSession = list;
  SaveSchedule(store, r);
  DeleteSchedule(store, "Gone");
  EXPECT_TRUE(ScheduleNames(store).empty());
  EXPECT_FALSE(FileExists(list));
}

TEST_F(SchedulesTest, WeeklySundayAndWednesdayGiveTwoAlarms) {
  TScheduleRecord r = Daily("Weekly", "04:30:59");
  r.BackupType = stWeekly;
  r.Weekdays[0] = r.Weekdays[3] = true;
  SaveSchedule(store, r);
  Reload();
  ASSERT_EQ(clock.AlarmList().Count(), 2);
  for (int i = 0; i < 2; ++i) {
    const TAlarm& a = clock.AlarmList()[i];
    EXPECT_EQ(a.Description, "Weekly");
    EXPECT_EQ(a.AlarmType, acWeekly);
    EXPECT_TRUE(a.Enabled);
    EXPECT_EQ(a.Hour(), 4);
    EXPECT_EQ(a.Min(), 30);
    EXPECT_TRUE(a.OnAlarm);
  }
  EXPECT_EQ(clock.AlarmList()[0].DayofWeek(), 0);
  EXPECT_EQ(clock.AlarmList()[1].DayofWeek(), 3);
  EXPECT_TRUE(clock.Active());
}

TEST_F(SchedulesTest, MonthlyAlarmsCarryMonthAndDay) {
  TScheduleRecord r = Daily("Monthly", "05:00:00");
  r.BackupType = stMonthly;
  r.DayNo = "31";
  r.Months[1] = r.Months[11] = true;
  SaveSchedule(store, r);
  TScheduleRecord noDay = r;
  noDay.Name = "NoDay";
  noDay.DayNo = "";
  SaveSchedule(store, noDay);
  Reload();
  ASSERT_EQ(clock.AlarmList().Count(), 2);
  EXPECT_EQ(clock.AlarmList()[0].Month(), 2);
  EXPECT_EQ(clock.AlarmList()[0].DayofMonth(), 31);
  EXPECT_EQ(clock.AlarmList()[1].Month(), 12);
  EXPECT_EQ(clock.AlarmList()[1].Description, "Monthly");
}

TEST_F(SchedulesTest, DisabledOrTimelessSchedulesGiveNoAlarm) {
  TScheduleRecord off = Daily("Off", "01:00:00");
  off.Enabled = false;
  SaveSchedule(store, off);
  SaveSchedule(store, Daily("NoTime", ""));
  SaveSchedule(store, Daily("BadTime", "25:99"));
  Reload();
  EXPECT_EQ(clock.AlarmList().Count(), 0);
  EXPECT_TRUE(clock.Active());  // schedules exist and the service is on
}

TEST_F(SchedulesTest, NoSchedulesLeaveTheClockInactive) {
  clock.SetActive(true);
  Reload();
  EXPECT_FALSE(clock.Active());
  SaveSchedule(store, Daily("A", "01:00:00"));
  store.SetFilename(keys::kBaseKey);
  store.DeleteValue(keys::kPreferences, keys::preferences::kEnabled);
  Reload();
  EXPECT_FALSE(clock.Active());  // the service is off
  EXPECT_EQ(clock.AlarmList().Count(), 1);
}

}  // namespace
}  // namespace vaultora
