#include "schedule/schedule_record.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>

#include "platform/folders.h"
#include "platform/prompts.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_key.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace sv = schedule_values;

namespace {

constexpr int kConflictWindowSeconds = 5 * 60;

long long SecondsOfDay(TDateTime time) {
  return std::llround((time - std::floor(time)) * 86400.0) % 86400;
}

TRegistryKey Schedules(TIniRegistryEditor& store) {
  return TRegistryKey(store, keys::kScheduleKey);
}

void WriteOrDelete(const TRegistryKey& store, const std::string& section, const char* name,
                   bool write, const std::function<void()>& writer) {
  if (write)
    writer();
  else
    store.DeleteValue(section, name);
}

}  // namespace

std::string ScheduleTimeText(TDateTime time) {
  const long long s = SecondsOfDay(time);
  return Format("%02lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
}

bool ParseScheduleTime(const std::string& text, TDateTime& time) {
  const TStringList parts = Split(Trim(text), ':');
  if (parts.size() < 2 || parts.size() > 3) return false;
  long long h = 0, m = 0, s = 0;
  if (!TryStrToInt(parts[0], h) || !TryStrToInt(parts[1], m) ||
      (parts.size() == 3 && !TryStrToInt(parts[2], s)))
    return false;
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return false;
  time = EncodeTime(static_cast<int>(h), static_cast<int>(m), static_cast<int>(s));
  return true;
}

TStringList ScheduleNames(TIniRegistryEditor& store) {
  return Schedules(store).Sections();
}

std::string FindScheduleName(TIniRegistryEditor& store, const std::string& typed) {
  const std::string name = Trim(typed);
  for (const std::string& stored : ScheduleNames(store))
    if (SameText(stored, name)) return stored;
  return "";
}

std::string ScheduleNameError(TIniRegistryEditor& store, const std::string& typed,
                              const std::string& except) {
  const std::string name = Trim(typed);
  if (name.empty()) return "A schedule name has not been specified.";
  // A backslash would make the name a path of nested keys.
  if (name.find('\\') != std::string::npos) return "A schedule name cannot contain \"\\\".";
  for (const std::string& other : ScheduleNames(store))
    if (SameText(other, name) && !SameText(other, except))
      return "A schedule with this name already exists.\rUse the \"modify option\" to change \"" +
             name + "\"";
  return "";
}

bool RenameSchedule(TIniRegistryEditor& store, const std::string& oldName,
                    const std::string& newName) {
  const TRegistryKey schedules = Schedules(store);
  if (SameText(oldName, newName) && oldName != newName && schedules.SectionExists(oldName)) {
    // Keys ignore case, so a key cannot move onto itself: a new case goes by a free name.
    std::string via = oldName + " ~";
    while (schedules.KeyExists(via))
      via += "~";
    TRegistryTransaction transaction(store);
    schedules.MoveKey(oldName, via, true);
    schedules.MoveKey(via, newName, true);
    transaction.Commit();
    if (FindScheduleName(store, newName) == newName) return true;
  } else {
    schedules.MoveKey(oldName, newName, true);
    if (schedules.SectionExists(newName)) return true;
  }
  ShowInformation("Unable to rename the schedule \"" + oldName + "\" to " + newName);
  return false;
}

TScheduleRecord LoadSchedule(TIniRegistryEditor& store, const std::string& name) {
  const TRegistryKey schedules = Schedules(store);
  TScheduleRecord r;
  r.Name = name;
  r.BackupType = schedules.ReadInteger(name, sv::kBackupType, -1);
  r.Time = schedules.ReadString(name, sv::kTime, "");
  for (size_t d = 0; d < r.Weekdays.size(); ++d)
    r.Weekdays[d] = !schedules.ReadString(name, std::to_string(d + 1), "").empty();
  for (size_t m = 0; m < r.Months.size(); ++m)
    r.Months[m] = !schedules.ReadString(name, std::to_string(m + 1), "").empty();
  r.DayNo = schedules.ReadString(name, sv::kDayNo, "");
  r.BackupTitle = schedules.ReadString(name, sv::kBackupTitle, "");
  r.IncludeBackupNo = schedules.ValueExists(name, sv::kIncludeBackupNo);
  r.Expires = schedules.ValueExists(name, sv::kExpireDays);
  r.ExpireDays = schedules.ReadInteger(name, sv::kExpireDays, 7);
  r.AppendBackup = schedules.ReadString(name, sv::kAppendBackup, "");
  r.DefaultSession = schedules.ReadString(name, sv::kDefaultSession, "");
  r.Enabled = schedules.ReadBool(name, sv::kEnabled, false);
  r.LastRun = schedules.ReadDateTime(name, sv::kLastRun, 0);
  r.LastSaved = schedules.ReadDateTime(name, sv::kLastSaved, 0);
  return r;
}

bool CheckTimeConflict(TIniRegistryEditor& store, const std::string& name, TDateTime time) {
  const long long mine = SecondsOfDay(time);
  for (const std::string& other : ScheduleNames(store)) {
    if (SameText(other, name)) continue;
    const TRegistryKey schedules = Schedules(store);
    const std::string stored = schedules.ReadString(other, sv::kTime, "");
    TDateTime theirs = 0;
    if (stored.empty() || !ParseScheduleTime(stored, theirs)) continue;
    if (std::llabs(mine - SecondsOfDay(theirs)) > kConflictWindowSeconds) continue;
    const std::string question = Format(
        "The \"%s\" Schedule has been set to run at %s.\rThis may conflict with the time of the "
        "schedule you are trying to create.\rIt may take more than 5 minutes to create the "
        "compressed files. \rContinue anyway ?",
        other.c_str(), stored.c_str());
    if (!AskQuestion(question)) return false;
  }
  return true;
}

void SaveSchedule(TIniRegistryEditor& store, const TScheduleRecord& r) {
  const std::string& name = r.Name;
  TRegistryTransaction transaction(store);
  const TRegistryKey schedules = Schedules(store);
  const TDateTime lastRun = std::max(r.LastRun, schedules.ReadDateTime(name, sv::kLastRun, 0));
  schedules.EraseSection(name);
  TStringList lines{std::string(sv::kBackupType) + "=" + std::to_string(r.BackupType),
                    std::string(sv::kTime) + "=" + r.Time};
  if (r.BackupType == stWeekly)
    for (size_t d = 0; d < r.Weekdays.size(); ++d)
      if (r.Weekdays[d]) lines.push_back(std::to_string(d + 1) + "=" + sv::kWeekdayLabels[d]);
  if (r.BackupType == stMonthly) {
    lines.push_back(std::string(sv::kDayNo) + "=" + r.DayNo);
    for (size_t m = 0; m < r.Months.size(); ++m)
      if (r.Months[m]) lines.push_back(std::to_string(m + 1) + "=" + sv::kMonthLabels[m]);
  }
  schedules.WriteSectionData(name, lines);
  if (lastRun > 0) schedules.WriteDateTime(name, sv::kLastRun, lastRun);
  schedules.WriteDateTime(name, sv::kLastSaved, Now());
  transaction.Commit();

  if (!ReadSetting(store, keys::setting::Enabled) &&
      AskQuestion("The schedule service is deactivated in the options, \rWould you like to "
                  "activate this service ?"))
    WriteSetting(store, keys::setting::Enabled, true);

  const std::string title = Trim(r.BackupTitle);
  WriteOrDelete(schedules, name, sv::kBackupTitle, !title.empty(),
                [&] { schedules.WriteString(name, sv::kBackupTitle, title); });
  WriteOrDelete(schedules, name, sv::kIncludeBackupNo, r.IncludeBackupNo,
                [&] { schedules.WriteBool(name, sv::kIncludeBackupNo, true); });
  WriteOrDelete(schedules, name, sv::kExpireDays, r.Expires,
                [&] { schedules.WriteInteger(name, sv::kExpireDays, r.ExpireDays); });
  WriteOrDelete(schedules, name, sv::kDefaultSession, !r.DefaultSession.empty(),
                [&] { schedules.WriteString(name, sv::kDefaultSession, r.DefaultSession); });
  WriteOrDelete(schedules, name, sv::kEnabled, r.Enabled,
                [&] { schedules.WriteBool(name, sv::kEnabled, true); });
  WriteOrDelete(schedules, name, sv::kAppendBackup, !r.AppendBackup.empty(),
                [&] { schedules.WriteString(name, sv::kAppendBackup, r.AppendBackup); });
}

void RecordScheduleRun(TIniRegistryEditor& store, const std::string& name, TDateTime when) {
  const TRegistryKey schedules = Schedules(store);
  if (schedules.SectionExists(name)) schedules.WriteDateTime(name, sv::kLastRun, when);
}

void DeleteSchedule(TIniRegistryEditor& store, const std::string& name) {
  const TRegistryKey schedules = Schedules(store);
  const std::string list = schedules.ReadString(name, sv::kDefaultSession, "");
  if (!list.empty() && FileExists(list)) DeleteFile(list);
  schedules.EraseSection(name);
}

}  // namespace vaultora
