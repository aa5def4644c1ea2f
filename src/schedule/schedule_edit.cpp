#include "schedule/schedule_edit.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/folders.h"
#include "selection/file_list.h"
#include "selection/file_list_format.h"
#include "settings/preferences.h"

namespace vaultora {

namespace sv = schedule_values;
namespace fs = std::filesystem;

namespace {

constexpr int kMaxExpireDays = 365;
constexpr int kMaxDayNo = 31;
// The labels of the store keep their old spelling; both spellings are understood.
constexpr std::array<const char*, 7> kWeekdayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                      "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

bool NamesEntry(const char* name, const std::string& lowerToken) {
  return lowerToken.size() >= 3 && StartsWith(LowerCase(name), lowerToken);
}

// Numbers count from 1; "all" takes every entry.
template <size_t N>
std::string ParseNamed(const std::string& text, const std::array<const char*, N>& names,
                       const std::array<const char*, N>& labels, const char* what,
                       std::array<bool, N>& chosen) {
  std::array<bool, N> result{};
  if (SameText(Trim(text), "all")) {
    result.fill(true);
    chosen = result;
    return "";
  }
  for (const std::string& part : Split(text, ',')) {
    const std::string token = LowerCase(Trim(part));
    long long number = 0;
    size_t index = N;
    if (TryStrToInt(token, number)) {
      if (number >= 1 && number <= static_cast<long long>(N))
        index = static_cast<size_t>(number - 1);
    } else {
      for (size_t i = 0; i < N && index == N; ++i)
        if (NamesEntry(names[i], token) || NamesEntry(labels[i], token)) index = i;
    }
    if (index == N) return "\"" + Trim(part) + "\" is not " + what;
    result[index] = true;
  }
  chosen = result;
  return "";
}

// Parses a whole number in [1, max]; false for anything else.
bool ParseInRange(const std::string& text, int max, int& value) {
  long long n = 0;
  if (!TryStrToInt(Trim(text), n) || n < 1 || n > max) return false;
  value = static_cast<int>(n);
  return true;
}

std::string TimeError(const std::string& text) {
  return "\"" + text + "\" is not a time of day (HH:MM or HH:MM:SS, 24-hour)";
}

std::string ExpiryError(const std::string& text) {
  return "\"" + text + "\" is not a number of days from 1 to 365";
}

std::string FileListError(const std::string& path) {
  if (!FileExists(path)) return "The file list \"" + path + "\" does not exist.";
  TStringList lines;
  std::string error;
  if (!ReadListLines(path, lines, error)) return error;
  if (ExpandListLines(lines).empty()) return "The file list \"" + path + "\" names no files.";
  return "";
}

template <size_t N>
bool AnyTicked(const std::array<bool, N>& ticks) {
  return std::find(ticks.begin(), ticks.end(), true) != ticks.end();
}

template <size_t N>
std::string Labels(const std::array<bool, N>& ticks, const std::array<const char*, N>& labels) {
  TStringList chosen;
  for (size_t i = 0; i < N; ++i)
    if (ticks[i]) chosen.push_back(labels[i]);
  return Join(chosen, ", ");
}

// The record to change. A new one is enabled, as the wizard ticks a new entry; so is a key that
// holds no more than the file list made for it before the schedule itself.
TScheduleRecord EditedRecord(TIniRegistryEditor& store, const std::string& name, bool created) {
  TScheduleRecord record;
  if (!created) record = LoadSchedule(store, name);
  record.Name = name;
  if (created || (record.BackupType == -1 && record.Time.empty())) record.Enabled = true;
  if (created) record.BackupType = -1;
  return record;
}

// Copies a file list that is not the schedule's stored one yet to a new list file in the
// working folder, named as the wizard names the lists it makes.
std::string AdoptFileList(TIniRegistryEditor& store, TScheduleRecord& record,
                          const std::string& storedList) {
  std::error_code ec;
  if (record.DefaultSession == storedList ||
      (!storedList.empty() && fs::equivalent(record.DefaultSession, storedList, ec)))
    return "";
  const std::string folder = ReadWorkingFolder(store);
  ForceDirectories(folder);
  const std::string target = NewFileListName(folder);
  if (!fs::copy_file(record.DefaultSession, target, fs::copy_options::none, ec)) {
    fs::remove(target, ec);
    return "Unable to copy the file list \"" + record.DefaultSession + "\" to \"" + target +
           "\": " + ec.message();
  }
  record.DefaultSession = target;
  return "";
}

}  // namespace

std::string ParseWeekdays(const std::string& text, std::array<bool, 7>& days) {
  return ParseNamed(text, kWeekdayNames, sv::kWeekdayLabels,
                    "a day of the week (Sunday to Saturday, or 1 to 7 with 1 = Sunday)", days);
}

std::string ParseMonths(const std::string& text, std::array<bool, 12>& months) {
  return ParseNamed(text, kMonthNames, sv::kMonthLabels,
                    "a month (January to December, or 1 to 12)", months);
}

std::string ApplyScheduleChange(TScheduleRecord& r, const TScheduleChange& change) {
  // The weekday and month values share their names, so days never carry over to another type.
  if (change.Type && *change.Type != r.BackupType) {
    r.BackupType = *change.Type;
    r.Weekdays = {};
    r.Months = {};
    r.DayNo.clear();
  }
  if (change.Time) {
    TDateTime time = 0;
    if (!ParseScheduleTime(*change.Time, time)) return TimeError(*change.Time);
    r.Time = ScheduleTimeText(time);
  }
  if (change.Weekdays) {
    if (r.BackupType != stWeekly) return "Days of the week are chosen only for a weekly schedule.";
    if (std::string error = ParseWeekdays(*change.Weekdays, r.Weekdays); !error.empty())
      return error;
  }
  if ((change.DayNo || change.Months) && r.BackupType != stMonthly)
    return "A day of the month and months are chosen only for a monthly schedule.";
  if (change.DayNo) {
    int day = 0;
    if (!ParseInRange(*change.DayNo, kMaxDayNo, day))
      return "\"" + *change.DayNo + "\" is not a day of the month (1 to 31)";
    r.DayNo = std::to_string(day);
  }
  if (change.Months)
    if (std::string error = ParseMonths(*change.Months, r.Months); !error.empty()) return error;
  if (change.Title) {
    if (Trim(*change.Title).empty()) return "A backup title has not been specified.";
    r.BackupTitle = Trim(*change.Title);
  }
  if (change.IncludeBackupNo) r.IncludeBackupNo = *change.IncludeBackupNo;
  if (change.Incremental) {
    if (!*change.Incremental)
      r.AppendBackup.clear();
    else if (r.AppendBackup.empty())
      r.AppendBackup = sv::kIncrementalSeries;
  }
  if (change.Expiry) {
    r.Expires = !change.Expiry->empty();
    if (r.Expires && !ParseInRange(*change.Expiry, kMaxExpireDays, r.ExpireDays))
      return ExpiryError(*change.Expiry);
  }
  // As on the wizard's details page: appending unticks the expiry; asking for both is refused.
  if (r.Expires && !r.AppendBackup.empty()) {
    if (change.Expiry)
      return "Only a new full backup each time can expire: the backups of an incremental "
             "series are kept.";
    r.Expires = false;
  }
  if (change.FileList) {
    if (Trim(*change.FileList).empty()) return "The schedule has no file list.";
    const std::string path = fs::absolute(Trim(*change.FileList)).lexically_normal().string();
    if (std::string error = FileListError(path); !error.empty()) return error;
    r.DefaultSession = path;
  }
  if (change.Enabled) r.Enabled = *change.Enabled;
  return "";
}

std::string ScheduleRecordError(const TScheduleRecord& r) {
  if (r.BackupType < stDaily || r.BackupType > stMonthly)
    return "The schedule has no type: daily, weekly or monthly.";
  TDateTime time = 0;
  if (r.Time.empty()) return "The schedule has no start time.";
  if (!ParseScheduleTime(r.Time, time)) return TimeError(r.Time);
  if (r.BackupType == stWeekly && !AnyTicked(r.Weekdays))
    return "A weekly schedule needs at least one day of the week.";
  int day = 0;
  if (r.BackupType == stMonthly && !ParseInRange(r.DayNo, kMaxDayNo, day))
    return "A monthly schedule needs a day of the month from 1 to 31.";
  if (r.BackupType == stMonthly && !AnyTicked(r.Months))
    return "A monthly schedule needs at least one month.";
  if (Trim(r.BackupTitle).empty()) return "A backup title has not been specified.";
  if (r.Expires && (r.ExpireDays < 1 || r.ExpireDays > kMaxExpireDays))
    return ExpiryError(std::to_string(r.ExpireDays));
  if (r.DefaultSession.empty()) return "The schedule has no file list.";
  return "";
}

TScheduleSetResult SetSchedule(TIniRegistryEditor& store, const std::string& typed,
                               const TScheduleChange& change) {
  TScheduleSetResult result;
  result.Name = FindScheduleName(store, typed);
  result.Created = result.Name.empty();
  if (result.Created) {
    result.Error = ScheduleNameError(store, typed);
    if (!result.Error.empty()) return result;
    result.Name = Trim(typed);
  }
  TScheduleRecord record = EditedRecord(store, result.Name, result.Created);
  const std::string storedList = record.DefaultSession;
  result.Error = ApplyScheduleChange(record, change);
  if (result.Error.empty()) result.Error = ScheduleRecordError(record);
  if (!result.Error.empty()) return result;
  TDateTime time = 0;
  if (change.Time && ParseScheduleTime(record.Time, time) &&
      !CheckTimeConflict(store, record.Name, time)) {
    result.Error = "The schedule was not saved.";
    return result;
  }
  result.Error = AdoptFileList(store, record, storedList);
  if (result.Error.empty()) SaveSchedule(store, record);
  return result;
}

std::string ScheduleTypeText(int type) {
  switch (type) {
    case stDaily:
      return "Daily";
    case stWeekly:
      return "Weekly";
    case stMonthly:
      return "Monthly";
    default:
      return "None";
  }
}

std::string ScheduleDaysText(const TScheduleRecord& r) {
  if (r.BackupType == stWeekly) return Labels(r.Weekdays, sv::kWeekdayLabels);
  if (r.BackupType == stMonthly)
    return (r.DayNo.empty() ? std::string("no day") : "day " + r.DayNo) + " of " +
           (AnyTicked(r.Months) ? Labels(r.Months, sv::kMonthLabels) : "no month");
  return "";
}

}  // namespace vaultora
