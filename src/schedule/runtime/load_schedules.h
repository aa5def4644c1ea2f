#pragma once
// From the stored schedules to the alarms of the clock: every enabled schedule becomes one daily
// alarm, one weekly alarm per ticked weekday or one monthly alarm per ticked month, each named
// after its schedule. Run when the main window starts, after the schedule wizard and the options
// dialog close, and after every alarm. Owner's thread only.

#include <functional>

#include "schedule/alarm.h"

namespace vaultora {

class TAlarmClock;
class TIniRegistryEditor;

// Rebuilds the clock's alarms and activates it when there is at least one schedule and
// scheduled backups are enabled. A schedule that cannot be read is skipped; the others stay.
void LoadSchedules(TIniRegistryEditor& store, TAlarmClock& clock,
                   const std::function<void(TAlarm& alarm, uint32_t tickCount)>& onAlarm);

}  // namespace vaultora
