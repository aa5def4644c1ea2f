#include "schedule/schedule_due.h"

#include <cmath>

#include "schedule/alarm.h"

namespace vaultora {

namespace sv = schedule_values;

namespace {

// Annual rules repeat within a year (and a leap day within four, which day 29..31 of February
// already covers by the last-day rule).
constexpr int kSearchDays = 400;

bool DueTimeOfDay(const TScheduleRecord& schedule, TDateTime& timeOfDay) {
  TDateTime time = 0;
  if (schedule.Time.empty() || !ParseScheduleTime(schedule.Time, time)) return false;
  const TDateParts parts = DecodeDateTime(time);
  timeOfDay = EncodeTime(parts.hour, parts.minute, 0);
  return true;
}

int MonthlyDayNumber(const TScheduleRecord& schedule) {
  long long day = 0;
  if (!TryStrToInt(Trim(schedule.DayNo), day) || day < 1 || day > 31) return 0;
  return static_cast<int>(day);
}

TDateTime DueOn(TDateTime day, TDateTime timeOfDay) {
  return ShownLocalTime(day + timeOfDay);
}

}  // namespace

bool ScheduleRunsOnDay(const TScheduleRecord& schedule, TDateTime day) {
  switch (schedule.BackupType) {
    case stDaily:
      return true;
    case stWeekly:
      return schedule.Weekdays[static_cast<size_t>(DayOfWeek(day) - 1)];
    case stMonthly: {
      const int dayNo = MonthlyDayNumber(schedule);
      if (dayNo == 0) return false;
      const TDateParts p = DecodeDateTime(day);
      return schedule.Months[static_cast<size_t>(p.month - 1)] &&
             MonthlyAlarmDay(dayNo, p.year, p.month) == p.day;
    }
    default:
      return false;
  }
}

TDateTime LastDueTime(const TScheduleRecord& schedule, TDateTime now) {
  TDateTime timeOfDay = 0;
  if (!DueTimeOfDay(schedule, timeOfDay)) return 0;
  const TDateTime today = std::floor(now);
  for (int back = 0; back <= kSearchDays; ++back) {
    const TDateTime day = today - back;
    if (!ScheduleRunsOnDay(schedule, day)) continue;
    const TDateTime due = DueOn(day, timeOfDay);
    if (due <= now) return due;
  }
  return 0;
}

TDateTime NextDueTime(const TScheduleRecord& schedule, TDateTime after) {
  TDateTime timeOfDay = 0;
  if (!DueTimeOfDay(schedule, timeOfDay)) return 0;
  const TDateTime today = std::floor(after);
  for (int ahead = 0; ahead <= kSearchDays; ++ahead) {
    const TDateTime day = today + ahead;
    if (!ScheduleRunsOnDay(schedule, day)) continue;
    const TDateTime due = DueOn(day, timeOfDay);
    if (due > after) return due;
  }
  return 0;
}

bool ClaimScheduledRun(TIniRegistryEditor& store, const std::string& name, TDateTime now) {
  const std::string stored = FindScheduleName(store, name);
  if (stored.empty()) return false;
  const TScheduleRecord schedule = LoadSchedule(store, stored);
  const TDateTime due = LastDueTime(schedule, now);
  if (due > 0 && schedule.LastRun >= due) return false;
  RecordScheduleRun(store, stored, now);
  return true;
}

std::string ShortMonthsText(const TScheduleRecord& schedule) {
  if (schedule.BackupType != stMonthly) return "";
  const int dayNo = MonthlyDayNumber(schedule);
  std::string text;
  for (size_t m = 0; m < schedule.Months.size(); ++m) {
    // February counts as short in a common year, so that the note holds every year.
    const int longest = m == 1 ? 28 : DaysInMonth(2001, static_cast<int>(m + 1));
    if (!schedule.Months[m] || dayNo <= longest) continue;
    if (!text.empty()) text += ", ";
    text += sv::kMonthLabels[m];
  }
  return text;
}

std::string ShortMonthsNote(const TScheduleRecord& schedule) {
  const std::string months = ShortMonthsText(schedule);
  if (months.empty()) return "";
  return "Day " + Trim(schedule.DayNo) + " runs on the last day of " + months + ".";
}

}  // namespace vaultora
