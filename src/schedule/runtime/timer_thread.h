#pragma once
// TTimerThread: the alarm clock's worker. It waits on its timer, checks its own copy of the
// alarms on every tick and posts the result to the clock's receiver; the close event is the
// only signal it takes from the owner. The alarm copy is replaced under a mutex, which stands
// for suspending the thread while it is swapped.

#include <cstdint>
#include <mutex>

#include "platform/runtime/message_receiver.h"
#include "platform/runtime/worker_thread.h"
#include "platform/sync_event.h"
#include "schedule/alarm.h"
#include "schedule/alarm_time_source.h"

namespace vaultora {

// Thread-to-receiver messages; the numbers are binding between thread and clock.
constexpr unsigned WM_ALARM_THREAD = 1725;  // wParam: 0 closed, -1 no timer, 1 check failed, ...
constexpr unsigned WM_ALARM_FIRE = 1726;    // wParam: alarm index, lParam: tick difference
constexpr unsigned WM_ALARM_TICK = 1727;    // wParam: timer identifier, lParam: tick difference

// WM_ALARM_THREAD carries the posting thread's generation as its payload, so that a late
// message of a thread already cleaned up is not taken for its successor's.
using TAlarmThreadGeneration = TPayload<unsigned>;

class TTimerThread : public TThread {
 public:
  TTimerThread(TManualResetEvent& close, TMessageReceiver& target, uint32_t intervalMs,
               TAlarmTimeSource& time, unsigned generation);
  // Waits for the thread, which must have been told to close, before the members go.
  ~TTimerThread() override;

  unsigned Generation() const { return FGeneration; }
  // Replaces the thread's copy; every copy starts with all Fired flags clear.
  virtual void AssignAlarms(const TAlarmList& alarms);
  // The thread's copy, for inspection while the thread is not running.
  virtual TAlarmList& Alarms() { return FAlarms; }

 protected:
  void Execute() override;

 private:
  void Tick(unsigned timerId, uint32_t tickCount);
  void PostThread(intptr_t wParam);

  TManualResetEvent& FClose;
  TMessageReceiver& FTarget;
  uint32_t FInterval;
  TAlarmTimeSource& FTime;
  unsigned FGeneration;
  bool FHaveTickBase = false;
  uint32_t FTickBase = 0;
  std::mutex FAlarmsMutex;  // guards FAlarms
  TAlarmList FAlarms;
};

}  // namespace vaultora
