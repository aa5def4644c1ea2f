#pragma once
// The stored schedules: one sub-key of Software\Vaultora\Schedule per schedule, named as typed
// (names are unique without regard to case). This header names every value of the record and
// holds what the schedule wizard does with the store: check a name, rename, check the time
// against the other schedules, save and delete. Questions go through the prompt interface.
// Used on the owner's thread with the owner's store; each call sets the store's Filename.

#include <array>
#include <string>

#include "platform/date_time.h"
#include "platform/text.h"

namespace vaultora {

class TIniRegistryEditor;

namespace schedule_values {
inline constexpr const char* kBackupType = "BackupType";    // 1: "0" daily, "1" weekly, "2" monthly
inline constexpr const char* kTime = "Time";                // 1: "hh:mm:ss", 24-hour
inline constexpr const char* kDayNo = "DayNo";              // 1: monthly, the day 1..31
inline constexpr const char* kBackupTitle = "BackupTitle";  // 1, absent when empty
inline constexpr const char* kIncludeBackupNo = "IncludeBackupNo";  // flag
inline constexpr const char* kExpireDays = "ExpireDays";            // 3, absent = never
inline constexpr const char* kAppendBackup = "AppendBackup";        // 1: "*" or a catalogue key
inline constexpr const char* kDefaultSession = "DefaultSession";    // 1: the file list path
inline constexpr const char* kEnabled = "Enabled";                  // flag
// Ours: when the schedule's backup last started on its own (by the alarm or a missed run), and
// when the schedule was last saved; missed runs are counted from the later of the two.
inline constexpr const char* kLastRun = "LastRun";      // 7, absent = never
inline constexpr const char* kLastSaved = "LastSaved";  // 7
inline constexpr const char* kIncrementalSeries = "*";
// Weekly: values "1".."7" (Sunday first), monthly: "1".."12"; the data is only a label.
inline constexpr std::array<const char*, 7> kWeekdayLabels = {
    "Sunday", "Monday", "Tuesday", "Wensday", "Thursday", "Friday", "Saturday"};
inline constexpr std::array<const char*, 12> kMonthLabels = {
    "January", "Febuary", "March",     "April",   "May",      "June",
    "July",    "August",  "September", "October", "November", "December"};
}  // namespace schedule_values

enum TScheduleType { stDaily = 0, stWeekly = 1, stMonthly = 2 };

struct TScheduleRecord {
  std::string Name;
  int BackupType = stDaily;        // -1 when the stored value is missing or not a number
  std::string Time;                // "hh:mm:ss"; empty = no time (no alarm)
  std::array<bool, 7> Weekdays{};  // Sunday first
  std::string DayNo;               // empty = none
  std::array<bool, 12> Months{};
  std::string BackupTitle;
  bool IncludeBackupNo = false;
  bool Expires = false;
  int ExpireDays = 7;
  std::string AppendBackup;    // "" = a new full backup each time
  std::string DefaultSession;  // "" = no file list yet
  bool Enabled = false;
  TDateTime LastRun = 0;    // 0 = never
  TDateTime LastSaved = 0;  // 0 = before saves were recorded
};

// "hh:mm:ss" of a time of day, and back (also "h:mm"); false when the text is not a time.
std::string ScheduleTimeText(TDateTime time);
bool ParseScheduleTime(const std::string& text, TDateTime& time);

// The schedule names in the store's order.
TStringList ScheduleNames(TIniRegistryEditor& store);
// The stored name of the schedule typed (trimmed, in any case), or "" when there is none.
std::string FindScheduleName(TIniRegistryEditor& store, const std::string& typed);

// "" when typed (trimmed) may name a new schedule, else the error text to show. Another
// schedule of the same name in any case is refused; except names the one being renamed.
std::string ScheduleNameError(TIniRegistryEditor& store, const std::string& typed,
                              const std::string& except = "");

// Moves the key; false (after the information message) when the new one did not appear.
bool RenameSchedule(TIniRegistryEditor& store, const std::string& oldName,
                    const std::string& newName);

TScheduleRecord LoadSchedule(TIniRegistryEditor& store, const std::string& name);

// Asks about every other schedule whose time lies within five minutes either side (inclusive,
// to the second); false at the first No.
bool CheckTimeConflict(TIniRegistryEditor& store, const std::string& name, TDateTime time);

// Rewrites the schedule's key from the record as the wizard's Apply does, offering to switch
// scheduled backups on when they are off. The last run stays as stored and the time of the save
// is recorded, so that a time set in the past does not count as missed.
void SaveSchedule(TIniRegistryEditor& store, const TScheduleRecord& record);

// Records that the schedule's backup started on its own at `when`.
void RecordScheduleRun(TIniRegistryEditor& store, const std::string& name, TDateTime when);

// Deletes the schedule's file list file (when it exists) and its key.
void DeleteSchedule(TIniRegistryEditor& store, const std::string& name);

}  // namespace vaultora
