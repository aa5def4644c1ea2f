// vaultora-cli schedule: the commands run as processes over a profile of their own; what they
// stored is read back through the schedules' own functions.
#include <gtest/gtest.h>

#include <string>

#include "platform/folders.h"
#include "schedule/schedule_due.h"
#include "schedule/schedule_record.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/cli_run.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora::test {
namespace {

TCliRun Cli(const std::string& arguments) {
  return RunCli(VAULTORA_CLI_PATH, arguments);
}

bool Shows(const TCliRun& run, const std::string& text) {
  return run.Output.find(text) != std::string::npos;
}

class ScheduleCommands : public ::testing::Test {
 protected:
  ScheduleCommands() {
    store.SetRootKey(rtHKEY_CURRENT_USER);
    WriteTextFile(list, files.Path() + "\r\na.txt\r\n");
  }
  // A complete new schedule at time, with the options more.
  TCliRun Create(const std::string& name, const std::string& time, const std::string& more) {
    return Cli("schedule set '" + name + "' --time " + time + " --title Docs --list '" + list +
               "' " + more + " --yes");
  }
  TStringList Names() { return ScheduleNames(store); }

  TTestProfile profile;
  TTempFolder files;
  std::string list = files / "mine.bfl";
  TIniRegistryEditor store;
};

TEST_F(ScheduleCommands, DailyWeeklyAndMonthlySchedulesAreStoredAndShown) {
  ASSERT_EQ(Cli("settings set Preferences Enabled 2 False").Status, 0);  // scheduled backups off
  TCliRun run = Create("Nightly", "2:00", "--daily");
  ASSERT_EQ(run.Status, 0) << run.Output;
  EXPECT_TRUE(Shows(run, "Schedule \"Nightly\" created."));
  // Saving offered to switch scheduled backups on, and --yes did.
  EXPECT_TRUE(Shows(run, "The schedule service is deactivated in the options, \nWould you like"));
  store.SetFilename(keys::kBaseKey);
  EXPECT_TRUE(store.ReadBool(keys::kPreferences, keys::preferences::kEnabled, false));

  ASSERT_EQ(Create("Weekly", "04:30:15", "--weekly sun,Wednesday --incremental").Status, 0);
  run = Create("Monthly", "05:00",
               "--monthly 31 --months feb,12 --expire 9 "
               "--include-backup-no --disable");
  ASSERT_EQ(run.Status, 0) << run.Output;
  EXPECT_TRUE(Shows(run, "Day 31 runs on the last day of Febuary."));

  const TScheduleRecord weekly = LoadSchedule(store, "Weekly");
  EXPECT_EQ(weekly.BackupType, stWeekly);
  EXPECT_EQ(weekly.Time, "04:30:15");
  EXPECT_EQ(weekly.Weekdays, (std::array<bool, 7>{true, false, false, true, false, false, false}));
  EXPECT_EQ(weekly.AppendBackup, "*");
  EXPECT_TRUE(weekly.Enabled);
  const TScheduleRecord monthly = LoadSchedule(store, "Monthly");
  EXPECT_EQ(monthly.BackupType, stMonthly);
  EXPECT_EQ(monthly.DayNo, "31");
  EXPECT_TRUE(monthly.Months[1] && monthly.Months[11] && !monthly.Months[0]);
  EXPECT_TRUE(monthly.Expires);
  EXPECT_EQ(monthly.ExpireDays, 9);
  EXPECT_TRUE(monthly.IncludeBackupNo);
  EXPECT_FALSE(monthly.Enabled);
  // Each schedule has a list file of its own in the working folder; the user's stays.
  EXPECT_EQ(monthly.DefaultSession.rfind(profile.Home(), 0), 0u);
  EXPECT_NE(monthly.DefaultSession, weekly.DefaultSession);
  EXPECT_TRUE(FileExists(list));

  run = Cli("schedule show weekly");
  ASSERT_EQ(run.Status, 0);
  const TDateParts next = DecodeDateTime(NextDueTime(weekly, Now()));
  EXPECT_EQ(run.Output,
            "Name:          Weekly\n"
            "Enabled:       yes\n"
            "Type:          Weekly\n"
            "Time:          04:30:15\n"
            "Days:          Sunday, Wensday\n"
            "Last run:      never\n" +
                Format("Next run:      %04d-%02d-%02d 04:30\n", next.year, next.month, next.day) +
                "Title:         Docs\n"
                "Backup number: no\n"
                "Backups:       incremental (starts with the next run)\n"
                "Expires:       never\n"
                "File list:     " +
                weekly.DefaultSession + "\n");
  run = Cli("schedule list");
  ASSERT_EQ(run.Status, 0);
  EXPECT_TRUE(Shows(run, "Monthly  no       Monthly  05:00:00  day 31 of Febuary, December"));
  EXPECT_TRUE(Shows(run, "Nightly  yes      Daily    02:00:00  -"));
  EXPECT_TRUE(Shows(run, "after 9 day(s)"));
  EXPECT_TRUE(Shows(run, "Last run  Next run"));
  run = Cli("schedule show Monthly");
  EXPECT_TRUE(Shows(run, "Next run:      -\n"));  // disabled
  EXPECT_TRUE(Shows(run, "Day 31 runs on the last day of Febuary."));
}

TEST_F(ScheduleCommands, AChangeTouchesOnlyTheGivenFields) {
  ASSERT_EQ(Create("Weekly", "04:30", "--weekly mon --expire 3").Status, 0);
  const TScheduleRecord before = LoadSchedule(store, "Weekly");
  TCliRun run = Cli("schedule set WEEKLY --title Photos");
  ASSERT_EQ(run.Status, 0) << run.Output;
  EXPECT_TRUE(Shows(run, "Schedule \"Weekly\" changed."));
  TScheduleRecord after = LoadSchedule(store, "Weekly");
  EXPECT_EQ(after.BackupTitle, "Photos");
  EXPECT_EQ(after.Weekdays, before.Weekdays);
  EXPECT_EQ(after.ExpireDays, 3);
  EXPECT_EQ(after.DefaultSession, before.DefaultSession);

  run = Cli("schedule set Weekly --full --no-expire --enable --no-backup-no");
  ASSERT_EQ(run.Status, 0) << run.Output;
  after = LoadSchedule(store, "Weekly");
  EXPECT_FALSE(after.Expires || after.IncludeBackupNo || !after.AppendBackup.empty());

  // Another type drops the days of the old one.
  ASSERT_EQ(Cli("schedule set Weekly --monthly 5 --months all").Status, 0);
  store.SetFilename(keys::kScheduleKey);
  EXPECT_EQ(store.ReadString("Weekly", "2", ""), "Febuary");
  EXPECT_EQ(store.ReadString("Weekly", "12", ""), "December");
  EXPECT_EQ(store.ReadString("Weekly", "DayNo", ""), "5");
}

TEST_F(ScheduleCommands, AListMadeForTheScheduleFirstIsItsList) {
  TCliRun run = Cli("list create '" + files.Path() + "' --schedule Nightly");
  ASSERT_EQ(run.Status, 0) << run.Output;
  const std::string made = run.Output.substr(0, run.Output.find('\n'));
  run = Cli("schedule set nightly --daily --time 02:00 --title Docs --yes");
  ASSERT_EQ(run.Status, 0) << run.Output;
  EXPECT_TRUE(Shows(run, "Schedule \"Nightly\" changed."));
  const TScheduleRecord r = LoadSchedule(store, "Nightly");
  EXPECT_EQ(r.DefaultSession, made);  // not copied again
  EXPECT_TRUE(r.Enabled);             // enabled, as a new schedule is
}

TEST_F(ScheduleCommands, BadValuesAreRefusedAndTheStoreIsUnchanged) {
  ASSERT_EQ(Create("Nightly", "02:00", "--daily").Status, 0);
  const std::string dumped = Cli("settings dump").Output;
  struct TCase {
    std::string Arguments;
    std::string Error;
    int Status = 1;
  };
  const std::string complete = " --title T --list '" + list + "' --yes";
  const TCase cases[] = {
      {"New --weekly mon,funday --time 03:00" + complete, "\"funday\" is not a day of the week"},
      {"New --daily --time 25:00" + complete, "\"25:00\" is not a time of day"},
      {"New --monthly 32 --months jan --time 03:00" + complete, "\"32\" is not a day of the month"},
      {"New --monthly 3 --time 03:00" + complete, "needs at least one month"},
      {"New --daily" + complete, "The schedule has no start time."},
      {"New --daily --time 03:00 --list '" + list + "'", "A backup title has not been specified."},
      {"New --daily --time 03:00 --title T", "The schedule has no file list."},
      {"New --daily --time 03:00 --title T --list " VAULTORA_CLI_PATH, "is not a file list"},
      {"New --daily --time 03:00 --expire 0" + complete, "from 1 to 365"},
      {"New --daily --time 03:00 --incremental --expire 5" + complete, "Only a new full backup"},
      {"New --daily --weekly mon --time 03:00" + complete, "give one of --daily"},
      {"New --dialy --time 03:00" + complete, "unknown option \"--dialy\"", 2},
      {"New --daily --time", "--time needs a value", 2},
      {"NIGHTLY --weekly mon --time 99:00", "is not a time of day"},
      {"'' --daily --time 03:00" + complete, "A schedule name has not been specified."},
      {"'a\\b' --daily --time 03:00" + complete, "cannot contain"},
  };
  for (const TCase& c : cases) {
    const TCliRun run = Cli("schedule set " + c.Arguments);
    EXPECT_EQ(run.Status, c.Status) << c.Arguments;
    EXPECT_TRUE(Shows(run, c.Error)) << c.Arguments << "\n" << run.Output;
  }
  EXPECT_EQ(Cli("settings dump").Output, dumped);
}

TEST_F(ScheduleCommands, AConflictAnsweredNoLeavesNothingWritten) {
  ASSERT_EQ(Create("Nightly", "02:00", "--daily").Status, 0);
  const std::string dumped = Cli("settings dump").Output;
  TCliRun run = Cli("schedule set Other --daily --time 02:03 --title T --list '" + list + "' --no");
  EXPECT_EQ(run.Status, 1);
  EXPECT_TRUE(Shows(run,
                    "The \"Nightly\" Schedule has been set to run at 02:00:00.\nThis may "
                    "conflict with the time of the schedule you are trying to create."));
  EXPECT_TRUE(Shows(run, "The schedule was not saved."));
  EXPECT_EQ(Cli("settings dump").Output, dumped);

  run = Create("Other", "02:03", "--daily");
  ASSERT_EQ(run.Status, 0) << run.Output;
  EXPECT_TRUE(Shows(run, "Continue anyway ? [yes]"));
  EXPECT_EQ(Names(), (TStringList{"Nightly", "Other"}));
}

TEST_F(ScheduleCommands, RenameAndDelete) {
  ASSERT_EQ(Create("Nightly", "02:00", "--daily").Status, 0);
  ASSERT_EQ(Create("Weekly", "04:00", "--weekly sat").Status, 0);
  const std::string ownList = LoadSchedule(store, "Nightly").DefaultSession;

  TCliRun run = Cli("schedule rename nightly Weekly");
  EXPECT_EQ(run.Status, 1);
  EXPECT_TRUE(Shows(run,
                    "A schedule with this name already exists.\nUse the \"modify option\" "
                    "to change \"Weekly\""));
  EXPECT_EQ(Cli("schedule rename Missing Other").Status, 1);
  ASSERT_EQ(Cli("schedule rename nightly ' Daily '").Status, 0);
  ASSERT_EQ(Cli("schedule rename daily DAILY").Status, 0);
  EXPECT_EQ(Names(), (TStringList{"DAILY", "Weekly"}));
  EXPECT_EQ(LoadSchedule(store, "DAILY").Time, "02:00:00");

  run = Cli("schedule delete daily");  // no terminal and no --yes: the answer is No
  EXPECT_EQ(run.Status, 1);
  EXPECT_TRUE(Shows(run, "Are you sure you want to remove this schedule ?"));
  EXPECT_EQ(Names().size(), 2u);
  ASSERT_EQ(Cli("schedule delete daily --yes").Status, 0);
  EXPECT_EQ(Names(), TStringList{"Weekly"});
  EXPECT_FALSE(FileExists(ownList));
  EXPECT_TRUE(FileExists(list));
  EXPECT_EQ(Cli("schedule show daily").Status, 1);
}

TEST_F(ScheduleCommands, HelpListsTheCommands) {
  const TCliRun run = Cli("--help");
  for (const char* name :
       {"schedule list", "schedule show", "schedule set", "schedule rename", "schedule delete"})
    EXPECT_TRUE(Shows(run, name)) << name;
  EXPECT_TRUE(Shows(run, "--weekly DAYS"));
}

}  // namespace
}  // namespace vaultora::test
