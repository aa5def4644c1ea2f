#include "schedule/missed_schedules.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "platform/text.h"
#include "schedule/schedule_due.h"
#include "schedule/schedule_record.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

// More than the tick period and the time a busy tick may take: a sleep or a set clock.
constexpr double kJumpSeconds = 90.0;
// The alarm has the first minute after a due time to itself.
const TDateTime kAlarmFirst = EncodeTime(0, 1, 0);

double Seconds(std::chrono::nanoseconds value) {
  return std::chrono::duration<double>(value).count();
}

}  // namespace

TClockReading ReadClocks() {
  TClockReading reading;
  reading.Local = Now();
  reading.Wall = Seconds(std::chrono::system_clock::now().time_since_epoch());
  reading.Steady = Seconds(std::chrono::steady_clock::now().time_since_epoch());
  return reading;
}

TMissedSchedules::TMissedSchedules(const TClockReading& started, int delayMinutes)
    : FStarted(started.Local),
      FDelay(std::max(0, delayMinutes) / (24.0 * 60.0)),
      FNotBefore(started.Local + FDelay),
      FLast(started) {}

void TMissedSchedules::Resumed(const TClockReading& now) {
  FNotBefore = std::max(FNotBefore, now.Local + FDelay);
}

std::vector<TMissedRun> TMissedSchedules::Check(TIniRegistryEditor& store,
                                                const TClockReading& now) {
  const double ahead = (now.Wall - FLast.Wall) - (now.Steady - FLast.Steady);
  FClockJumped = ahead > kJumpSeconds;
  if (FClockJumped) Resumed(now);
  FLast = now;
  std::vector<TMissedRun> runs;
  if (now.Local < FNotBefore) return runs;
  TStringList names;
  try {
    names = ScheduleNames(store);
  } catch (const std::exception&) {
    return runs;
  }
  for (const std::string& name : names) {
    TScheduleRecord schedule;
    try {
      schedule = LoadSchedule(store, name);
    } catch (const std::exception&) {
      continue;  // an unreadable schedule has no alarm either
    }
    if (!schedule.Enabled) continue;
    const TDateTime due = LastDueTime(schedule, now.Local - kAlarmFirst);
    TDateTime since = std::max(schedule.LastRun, schedule.LastSaved);
    if (since == 0) since = FStarted;
    if (due == 0 || due <= since) continue;
    const auto returned = FReturned.find(name);
    if (returned != FReturned.end() && returned->second >= due) continue;
    FReturned[name] = due;
    runs.push_back({name, due});
  }
  return runs;
}

TMissedRunOptions ReadMissedRunOptions(TIniRegistryEditor& store) {
  TMissedRunOptions options;
  options.Enabled = ReadSetting(store, keys::setting::CatchUpMissed);
  options.DelayMinutes = ReadSetting(store, keys::setting::CatchUpDelay);
  return options;
}

}  // namespace vaultora
