#include "schedule/alarm.h"

#include <algorithm>
#include <cmath>

namespace vaultora {

void TAlarm::Assign(const TAlarm& source) {
  AlarmType = source.AlarmType;
  Enabled = source.Enabled;
  FMonth = source.FMonth;
  FDayofMonth = source.FDayofMonth;
  FDayofWeek = source.FDayofWeek;
  FHour = source.FHour;
  FMin = source.FMin;
}

void TAlarm::SetMonth(uint16_t value) {
  if (value < 13) FMonth = value;
}
void TAlarm::SetDayofMonth(uint16_t value) {
  if (value < 32) FDayofMonth = value;
}
void TAlarm::SetDayofWeek(uint16_t value) {
  if (value < 8) FDayofWeek = value;
}
void TAlarm::SetHour(uint16_t value) {
  if (value < 24) FHour = value;
}
void TAlarm::SetMin(uint16_t value) {
  if (value < 60) FMin = value;
}

void TAlarm::DoAlarm(uint32_t tickCount) {
  if (OnAlarm) OnAlarm(*this, tickCount);
}

TAlarmList& TAlarmList::operator=(const TAlarmList& other) {
  if (this != &other) Assign(other);
  return *this;
}

TAlarm& TAlarmList::Add() {
  FItems.push_back(std::make_unique<TAlarm>());
  return *FItems.back();
}

void TAlarmList::Assign(const TAlarmList& source) {
  std::vector<std::unique_ptr<TAlarm>> items;
  for (const auto& item : source.FItems) {
    items.push_back(std::make_unique<TAlarm>());
    items.back()->Assign(*item);
  }
  FItems = std::move(items);
}

namespace {

constexpr long long kMsPerDay = 86400000LL;

// Whole milliseconds keep the window edges exact, which the day fraction would not.
long long TimeOfDayMs(TDateTime value) {
  const double fraction = value - std::floor(value);
  return std::llround(fraction * kMsPerDay);
}

// The start of an alarm's window today, in milliseconds of the day.
long long WindowStartMs(const TAlarm& alarm, TDateTime day) {
  const TDateTime nominal = day + EncodeTime(alarm.Hour(), alarm.Min(), 0);
  const TDateTime shown = ShownLocalTime(nominal);
  if (std::floor(shown) != day) return TimeOfDayMs(nominal);
  return TimeOfDayMs(shown);
}

}  // namespace

int MonthlyAlarmDay(int dayOfMonth, int year, int month) {
  if (dayOfMonth <= 0) return dayOfMonth;
  return std::min(dayOfMonth, DaysInMonth(year, month));
}

int CheckAlarms(TAlarmList& alarms, TDateTime now, uint32_t intervalMs) {
  const TDateParts today = DecodeDateTime(now);
  const int dayOfWeek = DayOfWeek(now) - 1;  // 0 = Sunday
  const long long nowMs = TimeOfDayMs(now);
  const TDateTime day = std::floor(now);
  const auto dayNumber = static_cast<long long>(day);
  for (int i = 0; i < alarms.Count(); ++i) {
    TAlarm& alarm = alarms[i];
    if (!alarm.Enabled) continue;
    const long long start = WindowStartMs(alarm, day);
    const long long end = intervalMs == 0 ? nowMs : start + intervalMs;
    switch (alarm.AlarmType) {
      case acDaily:
        break;
      case acWeekly:
        if (alarm.DayofWeek() != dayOfWeek) {
          alarm.Fired = false;
          continue;
        }
        break;
      case acMonthly:
        if (alarm.Month() != today.month ||
            MonthlyAlarmDay(alarm.DayofMonth(), today.year, today.month) != today.day) {
          alarm.Fired = false;
          continue;
        }
        break;
      default:
        continue;
    }
    if (nowMs < start || nowMs >= end) {
      alarm.Fired = false;
    } else if (!alarm.Fired && alarm.FiredDay != dayNumber) {  // the hour the clocks went
      alarm.Fired = true;                                      // back shows it twice
      alarm.FiredDay = dayNumber;
      return i;
    }
  }
  return -1;
}

}  // namespace vaultora
