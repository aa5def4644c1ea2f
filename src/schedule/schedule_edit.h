#pragma once
// A stored schedule changed field by field without the wizard, as the command line changes it.
// The rules are the wizard's: days belong to their type, expiry only to a new full backup each
// time, a title and a file list are required, and the schedule's file list is a file of its
// own in the working folder. A front end fills a TScheduleChange with what was typed; every
// function returns "" when accepted, else the text to show, and writes nothing on refusal.

#include <array>
#include <optional>
#include <string>

#include "schedule/schedule_record.h"

namespace vaultora {

class TIniRegistryEditor;

// Each field that is set replaces that part of the record; the others stay as stored.
struct TScheduleChange {
  std::optional<TScheduleType> Type;
  std::optional<std::string> Time;      // "HH:MM" or "HH:MM:SS", 24-hour
  std::optional<std::string> Weekdays;  // weekly: day names or numbers, comma separated
  std::optional<std::string> DayNo;     // monthly: 1..31
  std::optional<std::string> Months;    // monthly: month names or numbers, or "all"
  std::optional<std::string> Title;
  std::optional<bool> IncludeBackupNo;
  std::optional<bool> Incremental;      // true: append (start a series unless appending already)
  std::optional<std::string> Expiry;    // a day count 1..365; "" = the backups never expire
  std::optional<std::string> FileList;  // a list file to copy as the schedule's own
  std::optional<bool> Enabled;
};

// "Sunday,wed,6" (1 = Sunday, as stored), "jan,Febuary,12" or "all": names in full, as the
// store labels them, or their first three letters, in any case.
std::string ParseWeekdays(const std::string& text, std::array<bool, 7>& days);
std::string ParseMonths(const std::string& text, std::array<bool, 12>& months);

// Applies the change to the record; on refusal the record may be half changed (discard it).
std::string ApplyScheduleChange(TScheduleRecord& record, const TScheduleChange& change);

// What a schedule must have before it is saved: a type with its days, a time, a title and a
// file list. At least one day (month) is required, since a schedule without one never runs.
std::string ScheduleRecordError(const TScheduleRecord& record);

struct TScheduleSetResult {
  std::string Error;  // "" when saved
  std::string Name;   // as stored
  bool Created = false;
};

// Creates the schedule typed or changes the stored one of that name (in any case): checks the
// name of a new one, applies the change, checks the result, asks about schedules within five
// minutes when the time is given (a No saves nothing), and saves it as the wizard's Apply does.
// A new file list is copied to a list file of the schedule's own in the working folder: the
// builder rewrites the list on every run and deleting the schedule deletes it, so the user's
// file stays apart.
TScheduleSetResult SetSchedule(TIniRegistryEditor& store, const std::string& typed,
                               const TScheduleChange& change);

// "Daily", "Weekly", "Monthly" ("None" for a record without a type), and its days: the stored
// labels ("Sunday, Wensday"; "day 31 of Febuary, December"), "" for a daily schedule.
std::string ScheduleTypeText(int type);
std::string ScheduleDaysText(const TScheduleRecord& record);

}  // namespace vaultora
