#pragma once
// TAlarmClock: raises an alarm's OnAlarm when the wall clock reaches its hour and minute (every
// day, on one weekday, or on one day of one month). A TTimerThread of its own compares a private
// copy of the alarms with the local time at every tick and posts what it finds to the clock's
// receiver, so every event runs on the thread that owns the clock. Errors go to the CaptureError
// component, statuses to OnNotifyStatus. Used from the owner's thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/capture_error.h"
#include "platform/component.h"
#include "platform/runtime/message_receiver.h"
#include "platform/runtime/worker_thread.h"
#include "platform/sync_event.h"
#include "schedule/alarm.h"
#include "schedule/alarm_time_source.h"

namespace vaultora {

class TTimerThread;

class TAlarmClock : public TComponent {
 public:
  // time: the clock and timer to use; nullptr = the system's. It must outlive the clock.
  explicit TAlarmClock(TComponent* owner = nullptr, TAlarmTimeSource* time = nullptr);
  ~TAlarmClock() override;

  bool Active() const { return FActive; }
  // true starts the timer thread (once); false closes it. Both then process pending messages.
  void SetActive(bool value);

  TAlarmList& AlarmList() { return FAlarmList; }
  // Copies the items and pushes them to the running thread.
  void SetAlarmList(const TAlarmList& alarms);

  // The recorder of errors; when none is set, the first one among the owner's components.
  TCaptureError* CaptureError();
  void SetCaptureError(TCaptureError* value) { FCaptureError = value; }

  TThreadPriority ThreadPriority() const { return FThreadPriority; }
  void SetThreadPriority(TThreadPriority value);

  // Milliseconds: the tick period and the length of each alarm's window. Fixed while active.
  uint32_t TimerInterval() const { return FTimerInterval; }
  void SetTimerInterval(uint32_t value);

  std::function<void(TAlarmClock& sender, uint32_t tickCount)> OnTimerInterval;
  std::function<void(TAlarmClock& sender, const std::string& status)> OnNotifyStatus;
  std::function<void(TAlarmClock& sender, intptr_t threadMessage, bool& closeThread)> OnThreadError;

  // Appends an alarm (out-of-range values leave their field at 0) and pushes the list to the
  // thread; returns its index.
  int AddAlarm(TAlarmType type, const std::string& description, bool enabled, uint16_t minute,
               uint16_t hour, uint16_t dayOfWeek, uint16_t dayOfMonth, uint16_t month);
  // Sets hour and minute from the time of day; false (nothing changed) past the end.
  bool SetAlarmTime(int index, TDateTime time);

  // Replaces the running thread's copy of the alarms (all Fired flags clear).
  virtual void AlarmsChanged();

 protected:
  virtual void ReportError(const std::string& text);
  virtual void ReportStatus(const std::string& text);
  virtual void DoTimerInterval(uint32_t timerId);
  virtual void DoAlarm(int index, uint32_t tickDifference);
  virtual void DoThreadError(intptr_t threadMessage, bool& closeThread);
  virtual void ResetLastError();
  virtual void WndProc(const TMessage& message);

 private:
  void Activate();
  void ShutDownThread();
  void CleanUp();

  std::unique_ptr<TMessageReceiver> FWindow;  // the hidden window
  std::unique_ptr<TManualResetEvent> FCloseEvent;
  std::unique_ptr<TTimerThread> FThread;
  unsigned FGeneration = 0;
  TAlarmTimeSource& FTime;
  bool FActive = false;
  TAlarmList FAlarmList;
  TCaptureError* FCaptureError = nullptr;
  TThreadPriority FThreadPriority = tpHighest;
  uint32_t FTimerInterval = 20000;
};

}  // namespace vaultora
