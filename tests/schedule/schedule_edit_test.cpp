#include "schedule/schedule_edit.h"

#include <gtest/gtest.h>

namespace vaultora {
namespace {

TEST(ScheduleEdit, DaysAndMonthsByNameNumberOrThreeLetters) {
  std::array<bool, 7> days{};
  EXPECT_EQ(ParseWeekdays("Sunday, wed,6", days), "");
  EXPECT_EQ(days, (std::array<bool, 7>{true, false, false, true, false, true, false}));
  EXPECT_EQ(ParseWeekdays("Wensday", days), "");  // the stored label is understood too
  EXPECT_EQ(days, (std::array<bool, 7>{false, false, false, true, false, false, false}));
  EXPECT_EQ(ParseWeekdays("ALL", days), "");
  EXPECT_EQ(days, (std::array<bool, 7>{true, true, true, true, true, true, true}));
  for (const char* bad : {"8", "0", "we", "Funday", "mon,,tue", "", "mon;tue", "-1"}) {
    days = {};
    EXPECT_NE(ParseWeekdays(bad, days), "") << bad;
    EXPECT_EQ(days, (std::array<bool, 7>{})) << bad;  // untouched on refusal
  }
  EXPECT_EQ(ParseWeekdays("mon,Funday", days),
            "\"Funday\" is not a day of the week (Sunday to Saturday, or 1 to 7 with 1 = Sunday)");

  std::array<bool, 12> months{};
  EXPECT_EQ(ParseMonths("jan,Febuary,12", months), "");
  EXPECT_TRUE(months[0] && months[1] && months[11]);
  EXPECT_EQ(ParseMonths("february", months), "");
  EXPECT_TRUE(months[1] && !months[0]);
  EXPECT_NE(ParseMonths("13", months), "");
  EXPECT_NE(ParseMonths("ju", months), "");  // two letters name no month alone
}

TScheduleRecord Stored(TScheduleType type) {
  TScheduleRecord r;
  r.Name = "S";
  r.BackupType = type;
  r.Time = "02:00:00";
  r.BackupTitle = "Docs";
  r.DefaultSession = "/lists/s.bfl";
  r.Enabled = true;
  return r;
}

TEST(ScheduleEdit, ChangesFollowTheWizardsRules) {
  TScheduleRecord r = Stored(stWeekly);
  r.Weekdays[1] = true;
  TScheduleChange change;
  change.Type = stMonthly;
  change.DayNo = "31";
  change.Months = "feb";
  change.Time = "2:3";
  ASSERT_EQ(ApplyScheduleChange(r, change), "");
  EXPECT_EQ(r.Time, "02:03:00");
  EXPECT_EQ(r.DayNo, "31");
  EXPECT_EQ(r.Weekdays, (std::array<bool, 7>{}));  // days of the old type are gone
  EXPECT_EQ(ScheduleDaysText(r), "day 31 of Febuary");
  EXPECT_EQ(ScheduleRecordError(r), "");

  // Appending unticks the expiry; asking for both is refused.
  r.Expires = true;
  TScheduleChange incremental;
  incremental.Incremental = true;
  ASSERT_EQ(ApplyScheduleChange(r, incremental), "");
  EXPECT_EQ(r.AppendBackup, "*");
  EXPECT_FALSE(r.Expires);
  r.AppendBackup = "45000_5";  // the series has started: it keeps its base
  ASSERT_EQ(ApplyScheduleChange(r, incremental), "");
  EXPECT_EQ(r.AppendBackup, "45000_5");
  incremental.Expiry = "5";
  EXPECT_NE(ApplyScheduleChange(r, incremental), "");
  TScheduleChange full;
  full.Incremental = false;
  full.Expiry = "5";
  ASSERT_EQ(ApplyScheduleChange(r, full), "");
  EXPECT_EQ(r.AppendBackup, "");
  EXPECT_TRUE(r.Expires);
  EXPECT_EQ(r.ExpireDays, 5);
}

TEST(ScheduleEdit, BadValuesAreRefused) {
  auto refused = [](const TScheduleRecord& base, auto set) {
    TScheduleRecord r = base;
    TScheduleChange change;
    set(change);
    return ApplyScheduleChange(r, change);
  };
  const TScheduleRecord daily = Stored(stDaily);
  for (const char* time : {"24:00", "12:60", "12:00:60", "noon", "12", "1:2:3:4", ""})
    EXPECT_EQ(refused(daily, [&](TScheduleChange& c) { c.Time = time; }),
              "\"" + std::string(time) + "\" is not a time of day (HH:MM or HH:MM:SS, 24-hour)");
  EXPECT_NE(refused(daily, [](TScheduleChange& c) { c.Weekdays = "mon"; }), "");
  EXPECT_NE(refused(daily, [](TScheduleChange& c) { c.Months = "jan"; }), "");
  for (const char* day : {"0", "32", "x", ""})
    EXPECT_NE(refused(Stored(stMonthly), [&](TScheduleChange& c) { c.DayNo = day; }), "") << day;
  for (const char* days : {"0", "366", "week"})
    EXPECT_NE(refused(daily, [&](TScheduleChange& c) { c.Expiry = days; }), "") << days;
  EXPECT_EQ(refused(daily, [](TScheduleChange& c) { c.Title = "  "; }),
            "A backup title has not been specified.");
  for (const char* list : {"/no/such/list.bfl", " ", "/"})
    EXPECT_NE(refused(daily, [&](TScheduleChange& c) { c.FileList = list; }), "") << list;
}

TEST(ScheduleEdit, ASavedScheduleNeedsTypeDaysTimeTitleAndList) {
  struct TCase {
    void (*Break)(TScheduleRecord&);
    const char* Error;
  };
  const TCase cases[] = {
      {[](TScheduleRecord& r) { r.BackupType = -1; }, "The schedule has no type"},
      {[](TScheduleRecord& r) { r.Time = ""; }, "The schedule has no start time."},
      {[](TScheduleRecord& r) { r.BackupType = stWeekly; }, "at least one day of the week"},
      {[](TScheduleRecord& r) {
         r.BackupType = stMonthly;
         r.Months[0] = true;
       },
       "a day of the month from 1 to 31"},
      {[](TScheduleRecord& r) {
         r.BackupType = stMonthly;
         r.DayNo = "3";
       },
       "at least one month"},
      {[](TScheduleRecord& r) { r.BackupTitle = ""; }, "A backup title has not been specified."},
      {[](TScheduleRecord& r) { r.DefaultSession = ""; }, "The schedule has no file list."},
  };
  EXPECT_EQ(ScheduleRecordError(Stored(stDaily)), "");
  for (const TCase& c : cases) {
    TScheduleRecord r = Stored(stDaily);
    c.Break(r);
    EXPECT_NE(ScheduleRecordError(r).find(c.Error), std::string::npos) << c.Error;
  }
}

}  // namespace
}  // namespace vaultora
