#pragma once
// The alarm clock's seam to time: the local wall clock it compares alarms with, and the periodic
// timer its thread waits on. The system source is the real clock; tests supply a clock they set
// and ticks they give, so that a day of alarms runs in milliseconds.

#include <cstdint>
#include <memory>

#include "platform/date_time.h"
#include "platform/sync_event.h"

namespace vaultora {

// The results of TAlarmTimer::Wait, as the thread loop tells them apart.
enum TAlarmWaitResult : int {
  awClose = 0,    // the close event is set
  awTimer = 1,    // a tick is due
  awFailed = -1,  // the wait itself failed
};

class TAlarmTimer {
 public:
  virtual ~TAlarmTimer() = default;
  virtual unsigned Identifier() const = 0;
  // Blocks until the close event is set or the next tick is due; on a tick, tickCount receives
  // the timer's running count in milliseconds. Called by the timer thread only.
  virtual int Wait(TManualResetEvent& close, uint32_t& tickCount) = 0;
};

class TAlarmTimeSource {
 public:
  virtual ~TAlarmTimeSource() = default;
  // The local date-time; callable from any thread.
  virtual TDateTime Now() = 0;
  // A timer ticking every intervalMs, or nullptr when none can be made.
  virtual std::unique_ptr<TAlarmTimer> CreateTimer(uint32_t intervalMs) = 0;
};

// The wall clock and a steady periodic timer (an interval of 0 ticks at the shortest period).
TAlarmTimeSource& SystemAlarmTime();

}  // namespace vaultora
