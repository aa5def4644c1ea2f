#pragma once
// The alarms of the alarm clock: when each is due, and the check that finds the one alarm to fire
// on a tick. Plain data, used by the clock on the owner's thread and, as a private copy, by its
// timer thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/date_time.h"

namespace vaultora {

// Stored as 0, 1, 2.
enum TAlarmType { acDaily, acWeekly, acMonthly };

class TAlarm {
 public:
  TAlarm() = default;
  virtual ~TAlarm() = default;
  TAlarm(const TAlarm&) = delete;
  TAlarm& operator=(const TAlarm&) = delete;

  // Copies type, enabled, month, day of month, day of week, hour and minute; not the
  // description, the event or the fired flag.
  virtual void Assign(const TAlarm& source);

  std::string Description;  // the main window keeps the schedule name here
  uint16_t Month() const { return FMonth; }
  uint16_t DayofMonth() const { return FDayofMonth; }
  uint16_t DayofWeek() const { return FDayofWeek; }
  uint16_t Hour() const { return FHour; }
  uint16_t Min() const { return FMin; }
  // Out-of-range values are ignored and leave the field as it was.
  void SetMonth(uint16_t value);       // 1..12
  void SetDayofMonth(uint16_t value);  // 1..31
  void SetDayofWeek(uint16_t value);   // 0 = Sunday .. 6; 7 is accepted and never matches
  void SetHour(uint16_t value);        // 0..23
  void SetMin(uint16_t value);         // 0..59

  bool Enabled = false;  // run-time alarms start disabled
  TAlarmType AlarmType = acDaily;
  std::function<void(TAlarm& sender, uint32_t tickCount)> OnAlarm;

  // Meaningful only in the timer thread's copy: the alarm fired in its current window, and the
  // local day it last fired on (the night the clocks go back shows its time twice).
  bool Fired = false;
  long long FiredDay = -1;

  virtual void DoAlarm(uint32_t tickCount);

 private:
  uint16_t FMonth = 0, FDayofMonth = 0, FDayofWeek = 0, FHour = 0, FMin = 0;
};

class TAlarmList {
 public:
  TAlarmList() = default;
  TAlarmList(const TAlarmList& other) { Assign(other); }
  TAlarmList& operator=(const TAlarmList& other);

  TAlarm& Add();
  void Clear() { FItems.clear(); }
  int Count() const { return static_cast<int>(FItems.size()); }
  TAlarm& operator[](int index) { return *FItems[static_cast<size_t>(index)]; }
  const TAlarm& operator[](int index) const { return *FItems[static_cast<size_t>(index)]; }
  // As a collection assigns: new items, each given its source through TAlarm::Assign.
  void Assign(const TAlarmList& source);

 private:
  std::vector<std::unique_ptr<TAlarm>> FItems;
};

// The day a monthly alarm for dayOfMonth falls on in that month: the day itself, or the month's
// last day when the month is shorter (31 runs on 30 April and on 28 or 29 February); 0 stays 0.
int MonthlyAlarmDay(int dayOfMonth, int year, int month);

// The index of at most one alarm due at now (a local date-time) whose window [start, start +
// intervalMs) has not fired yet, else -1. Updates the Fired flags. With intervalMs 0 nothing
// is ever due. Windows do not wrap past midnight. An alarm fires at most once on a local day; a
// time the clocks skip that day opens its window when they show the next minute (03:00 for
// 02:30 on the night they go forward).
int CheckAlarms(TAlarmList& alarms, TDateTime now, uint32_t intervalMs);

}  // namespace vaultora
