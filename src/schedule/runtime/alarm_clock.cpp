#include "schedule/runtime/alarm_clock.h"

#include <cerrno>
#include <chrono>
#include <exception>

#include "platform/process_messages.h"
#include "schedule/runtime/timer_thread.h"

namespace vaultora {

namespace {
// How long shutting the thread down waits before it is given up.
constexpr std::chrono::milliseconds kCloseWait(10000);
}  // namespace

TAlarmClock::TAlarmClock(TComponent* owner, TAlarmTimeSource* time)
    : TComponent(owner),
      FWindow(std::make_unique<TMessageReceiver>()),
      FTime(time ? *time : SystemAlarmTime()) {
  FWindow->OnMessage = [this](const TMessage& message) { WndProc(message); };
}

TAlarmClock::~TAlarmClock() {
  Destroying();
  // The thread posts to the hidden window; it must be gone before the window is.
  if (FThread) {
    if (FCloseEvent) FCloseEvent->SetEvent();
    FThread.reset();
  }
  FWindow.reset();
}

void TAlarmClock::SetActive(bool value) {
  if (value) {
    Activate();
    if (FThread) FActive = true;
  } else {
    ShutDownThread();
  }
  ProcessMessages();
}

void TAlarmClock::Activate() {
  if (!FWindow || FThread) return;
  if (!FCloseEvent) {
    try {
      FCloseEvent = std::make_unique<TManualResetEvent>(false);
    } catch (const std::exception&) {
      ReportError("Unable to create Close thread event");
      return;
    }
  }
  try {
    FThread = std::make_unique<TTimerThread>(*FCloseEvent, *FWindow, FTimerInterval, FTime,
                                             ++FGeneration);
    FThread->AssignAlarms(FAlarmList);
    FThread->SetPriority(FThreadPriority);
    FThread->Resume();
    ReportStatus("Created Timer thread");
  } catch (const std::exception&) {
    ShutDownThread();
    ReportError("Unable to create Timer thread");
  }
}

void TAlarmClock::ShutDownThread() {
  FActive = false;
  if (!FCloseEvent) return;
  FCloseEvent->SetEvent();
  if (!FThread) return;
  // The thread answers the close event at once; waiting for it here (rather than for its
  // closing message) makes deactivate-then-activate, as rebuilding the alarms does, reliable.
  const auto deadline = std::chrono::steady_clock::now() + kCloseWait;
  while (!FThread->Finished() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (!FThread->Finished()) {
    ReportError("Wait Timeout");
    FThread->Terminate();
    return;
  }
  ReportStatus("Thread Closed");
  CleanUp();
}

void TAlarmClock::CleanUp() {
  if (FCloseEvent) FCloseEvent->SetEvent();  // wakes a thread that still waits
  FThread.reset();                           // and waits for it to end
  if (FCloseEvent) FCloseEvent->ResetEvent();
  FCloseEvent.reset();
  FActive = false;
  ReportStatus("The alarm is deactivated");
}

void TAlarmClock::SetAlarmList(const TAlarmList& alarms) {
  FAlarmList.Assign(alarms);
  AlarmsChanged();
}

TCaptureError* TAlarmClock::CaptureError() {
  if (!FCaptureError && Owner()) FCaptureError = Owner()->FindComponentOfClass<TCaptureError>();
  return FCaptureError;
}

void TAlarmClock::SetThreadPriority(TThreadPriority value) {
  FThreadPriority = value;
  if (FActive && FThread) FThread->SetPriority(value);
}

void TAlarmClock::SetTimerInterval(uint32_t value) {
  if (!FActive && !FThread) FTimerInterval = value;
}

int TAlarmClock::AddAlarm(TAlarmType type, const std::string& description, bool enabled,
                          uint16_t minute, uint16_t hour, uint16_t dayOfWeek, uint16_t dayOfMonth,
                          uint16_t month) {
  TAlarm& alarm = FAlarmList.Add();
  alarm.AlarmType = type;
  alarm.Description = description;
  alarm.Enabled = enabled;
  alarm.SetMin(minute);
  alarm.SetHour(hour);
  alarm.SetDayofWeek(dayOfWeek);
  alarm.SetDayofMonth(dayOfMonth);
  alarm.SetMonth(month);
  AlarmsChanged();
  return FAlarmList.Count() - 1;
}

bool TAlarmClock::SetAlarmTime(int index, TDateTime time) {
  if (index < 0 || index >= FAlarmList.Count()) return false;
  const TDateParts parts = DecodeDateTime(time);
  FAlarmList[index].SetHour(static_cast<uint16_t>(parts.hour));
  FAlarmList[index].SetMin(static_cast<uint16_t>(parts.minute));
  AlarmsChanged();
  return true;
}

void TAlarmClock::AlarmsChanged() {
  if (FActive && FThread) FThread->AssignAlarms(FAlarmList);
}

void TAlarmClock::ReportError(const std::string& text) {
  if ((ComponentState() & (csLoading | csDesigning)) != 0) return;
  if (TCaptureError* recorder = CaptureError()) recorder->CaptureError(text);
  ResetLastError();
}

void TAlarmClock::ReportStatus(const std::string& text) {
  Fire(OnNotifyStatus, *this, text);
}

void TAlarmClock::DoTimerInterval(uint32_t timerId) {
  Fire(OnTimerInterval, *this, timerId);
}

void TAlarmClock::DoAlarm(int index, uint32_t tickDifference) {
  if (CanFireEvents()) FAlarmList[index].DoAlarm(tickDifference);
}

void TAlarmClock::DoThreadError(intptr_t threadMessage, bool& closeThread) {
  Fire(OnThreadError, *this, threadMessage, closeThread);
}

void TAlarmClock::ResetLastError() {
  errno = 0;
}

void TAlarmClock::WndProc(const TMessage& message) {
  switch (message.Msg) {
    case WM_ALARM_THREAD: {
      const unsigned* generation = message.PayloadAs<unsigned>();
      // Only the current thread's word counts; an earlier one was cleaned up already.
      if (!FThread || !generation || *generation != FThread->Generation()) return;
      if (message.WParam <= 0) {
        ReportStatus("Thread Closed");
        CleanUp();
      } else {
        bool closeThread = true;
        DoThreadError(message.WParam, closeThread);
        if (closeThread) ShutDownThread();
      }
      break;
    }
    case WM_ALARM_FIRE:
      if (message.WParam >= 0 && message.WParam < FAlarmList.Count())
        DoAlarm(static_cast<int>(message.WParam), static_cast<uint32_t>(message.LParam));
      break;
    case WM_ALARM_TICK:
      DoTimerInterval(static_cast<uint32_t>(message.WParam));
      break;
    default:
      break;
  }
}

}  // namespace vaultora
