#pragma once
// When a stored schedule is due, in local time: the last due time at or before a moment and the
// next one after it. The rules are the alarm clock's: the hour and minute of Time (seconds
// ignored) on every day, on each ticked weekday, or on DayNo of each ticked month, where a day a
// month lacks falls on that month's last day and a time the clocks skip falls on the next minute
// they show. Whether the schedule is enabled is not asked here.

#include "platform/date_time.h"
#include "schedule/schedule_record.h"

namespace vaultora {

class TIniRegistryEditor;

// Whether the schedule runs on this local day (day is a whole day number).
bool ScheduleRunsOnDay(const TScheduleRecord& schedule, TDateTime day);

// The latest due time at or before now, or 0 when the schedule is never due (no time, no day
// ticked, a day number that is not one) within the year before now.
TDateTime LastDueTime(const TScheduleRecord& schedule, TDateTime now);
// The first due time after `after`, or 0 when there is none within the next year.
TDateTime NextDueTime(const TScheduleRecord& schedule, TDateTime after);

// Claims the schedule's current due time for a run starting at now: false when a run for it
// already started (the alarm, a missed run and a reload of the alarms may all ask for it),
// else records the run and returns true. A schedule that is not stored is never claimed.
bool ClaimScheduledRun(TIniRegistryEditor& store, const std::string& name, TDateTime now);

// The months of a monthly schedule that lack its day ("February, April" for day 31), in the
// stored labels; "" when every ticked month has it.
std::string ShortMonthsText(const TScheduleRecord& schedule);
// What a user is told about those months, e.g. "Day 31 runs on the last day of Febuary, April.";
// "" when there is nothing to tell.
std::string ShortMonthsNote(const TScheduleRecord& schedule);

}  // namespace vaultora
