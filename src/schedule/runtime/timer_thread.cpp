#include "schedule/runtime/timer_thread.h"

#include <exception>

namespace vaultora {

TTimerThread::TTimerThread(TManualResetEvent& close, TMessageReceiver& target, uint32_t intervalMs,
                           TAlarmTimeSource& time, unsigned generation)
    : TThread(true),
      FClose(close),
      FTarget(target),
      FInterval(intervalMs),
      FTime(time),
      FGeneration(generation) {}

TTimerThread::~TTimerThread() {
  Terminate();
  WaitFor();
}

void TTimerThread::AssignAlarms(const TAlarmList& alarms) {
  std::lock_guard<std::mutex> lock(FAlarmsMutex);
  FAlarms.Assign(alarms);  // Assign never copies Fired
}

void TTimerThread::PostThread(intptr_t wParam) {
  FTarget.Post(WM_ALARM_THREAD, wParam, 0, std::make_unique<TAlarmThreadGeneration>(FGeneration));
}

void TTimerThread::Execute() {
  FHaveTickBase = false;
  std::unique_ptr<TAlarmTimer> timer;
  try {
    timer = FTime.CreateTimer(FInterval);
  } catch (const std::exception&) {
    timer.reset();
  }
  if (!timer) {
    // The clock treats the thread as closed on this message, so the thread ends here too
    // instead of waiting for a tick that never comes.
    PostThread(-1);
    Terminate();
    return;
  }
  while (!Terminated()) {
    uint32_t tickCount = 0;
    const int result = timer->Wait(FClose, tickCount);
    if (result == awClose) {
      timer.reset();
      PostThread(0);
      Terminate();
    } else if (result == awTimer) {
      Tick(timer->Identifier(), tickCount);
    } else {
      PostThread(result);
      // A failed wait is taken as the end of the thread by the clock; do not spin on it.
      if (result == awFailed) Terminate();
    }
  }
}

void TTimerThread::Tick(unsigned timerId, uint32_t tickCount) {
  if (!FHaveTickBase || static_cast<uint32_t>(tickCount - FTickBase) >= 4294967294u) {
    FTickBase = tickCount;
    FHaveTickBase = true;
  }
  const auto difference = static_cast<intptr_t>(static_cast<uint32_t>(tickCount - FTickBase));
  try {
    int index;
    {
      std::lock_guard<std::mutex> lock(FAlarmsMutex);
      index = CheckAlarms(FAlarms, FTime.Now(), FInterval);
    }
    if (index >= 0)
      FTarget.Post(WM_ALARM_FIRE, index, difference);
    else
      FTarget.Post(WM_ALARM_TICK, static_cast<intptr_t>(timerId), difference);
  } catch (const std::exception&) {
    PostThread(1);
  }
}

}  // namespace vaultora
