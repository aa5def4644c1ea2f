#include "schedule/runtime/load_schedules.h"

#include <exception>

#include "schedule/runtime/alarm_clock.h"
#include "schedule/schedule_record.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

void AddScheduleAlarms(TAlarmClock& clock, const TScheduleRecord& schedule,
                       const std::function<void(TAlarm&, uint32_t)>& onAlarm) {
  TDateTime time = 0;
  if (schedule.Time.empty() || !ParseScheduleTime(schedule.Time, time)) return;
  auto add = [&](TAlarmType type, int dayOfWeek, int dayOfMonth, int month) {
    const int index =
        clock.AddAlarm(type, schedule.Name, true, 0, 0, static_cast<uint16_t>(dayOfWeek),
                       static_cast<uint16_t>(dayOfMonth), static_cast<uint16_t>(month));
    clock.SetAlarmTime(index, time);
    clock.AlarmList()[index].OnAlarm = onAlarm;
  };
  switch (schedule.BackupType) {
    case stDaily:
      add(acDaily, 0, 0, 0);
      break;
    case stWeekly:
      for (int d = 0; d < 7; ++d)
        if (schedule.Weekdays[static_cast<size_t>(d)]) add(acWeekly, d, 0, 0);
      break;
    case stMonthly: {
      long long day = 0;
      // A day the alarm cannot hold (0, 32 and above) is left at 0, which never matches.
      if (!TryStrToInt(Trim(schedule.DayNo), day) || day < 0 || day > 65535) return;
      for (int m = 0; m < 12; ++m)
        if (schedule.Months[static_cast<size_t>(m)])
          add(acMonthly, 0, static_cast<int>(day), m + 1);
      break;
    }
    default:
      break;
  }
}

}  // namespace

void LoadSchedules(TIniRegistryEditor& store, TAlarmClock& clock,
                   const std::function<void(TAlarm&, uint32_t)>& onAlarm) {
  clock.SetActive(false);
  clock.AlarmList().Clear();
  TStringList names;
  try {
    names = ScheduleNames(store);
  } catch (const std::exception&) {
    names.clear();
  }
  for (const std::string& name : names) {
    try {
      const TScheduleRecord schedule = LoadSchedule(store, name);
      if (schedule.Enabled) AddScheduleAlarms(clock, schedule, onAlarm);
    } catch (const std::exception&) {
      // One unreadable schedule does not cost the others their alarms.
    }
  }
  if (names.empty()) return;
  if (ReadSetting(store, keys::setting::Enabled)) clock.SetActive(true);
}

}  // namespace vaultora
