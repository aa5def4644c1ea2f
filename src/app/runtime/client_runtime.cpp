#include "app/runtime/client_runtime.h"

#include <exception>

#include "app/runtime/main_messages.h"
#include "schedule/runtime/load_schedules.h"
#include "schedule/schedule_record.h"
#include "settings/registry_keys.h"

namespace vaultora {

TClientRuntime::TClientRuntime(TRasAdapter* adapter)
    : FLine(FStore, adapter),
      FCatchUp(ReadMissedRunOptions(FStore)),
      FMissed(ReadClocks(), FCatchUp.DelayMinutes) {
  FStore.SetLazyWrite(true);
  FQueue = std::make_unique<TWorkQueue>(nullptr, FStore, FRestoreList, FLine);
  FHost = std::make_unique<TTransferHost>(nullptr, FStore, *FQueue, FRestoreList);
  FClock = std::make_unique<TAlarmClock>();
  FLine.SetQueue(FQueue.get());
  FQueue->OnOpenTransfer = [this](TWorkKind kind) { Open(kind); };
  FQueue->OnTransferRunning = [this](TWorkKind kind) { return FHost->Running(kind); };
  FQueue->OnLoadSchedules = [this] { LoadSchedules(); };
  FClock->OnTimerInterval = [this](TAlarmClock&, uint32_t) { CheckMissed(); };
  FQueue->OnRetriesStopped = [this](TWorkKind kind, const std::string& line) {
    FGaveUp.insert(kind);
    if (OnRetriesStopped) OnRetriesStopped(kind, line);
  };
  FHost->OnClosed = [this](TWorkKind kind, bool success) {
    if (success)
      FLastFailed.erase(kind);
    else
      FLastFailed.insert(kind);
    if (OnTransferClosed) OnTransferClosed(kind, success);
  };
}

TClientRuntime::~TClientRuntime() {
  // The clock's thread first, so no alarm arrives while the rest goes; then the transfers
  // (their components stop their threads), and the queue last, which they post to.
  FClock.reset();
  FQueue->OnOpenTransfer = nullptr;
  FQueue->OnLoadSchedules = nullptr;
  FHost.reset();
  FLine.SetQueue(nullptr);
  FQueue.reset();
}

void TClientRuntime::LoadSchedules() {
  const auto onAlarm = [this](TAlarm& alarm, uint32_t) { PostSchedule(alarm.Description); };
  try {
    vaultora::LoadSchedules(FStore, *FClock, onAlarm);
  } catch (const std::exception& e) {
    // A store that cannot be read leaves the alarms as far as they were loaded; the clock's
    // error recorder (the main window's status bar) says why. Without one the caller hears.
    TCaptureError* recorder = FClock->CaptureError();
    if (!recorder) throw;
    recorder->CaptureError(e.what());
  }
}

void TClientRuntime::PostSchedule(const std::string& name) {
  // The queue hears of a schedule by its place in the list, as the main window does.
  const TStringList names = ScheduleNames(FStore);
  for (size_t i = 0; i < names.size(); ++i)
    if (SameText(names[i], name))
      FQueue->Receiver().Post(WM_USER + messages::TWM_DOSCHEDULEDBACKUP, static_cast<intptr_t>(i));
  FStore.SetFilename(keys::kBaseKey);
}

void TClientRuntime::Resumed() {
  FMissed.Resumed(ReadClocks());
}

void TClientRuntime::CheckMissed() {
  if (!FCatchUp.Enabled || FStopping) return;
  const std::vector<TMissedRun> runs = FMissed.Check(FStore, ReadClocks());
  FStore.SetFilename(keys::kBaseKey);
  if (FMissed.ClockJumped() && OnClockJumped) OnClockJumped(FCatchUp.DelayMinutes);
  for (const TMissedRun& run : runs) {
    if (OnMissedRun) OnMissedRun(run);
    PostSchedule(run.Name);
  }
}

void TClientRuntime::Open(TWorkKind kind) {
  if (FStopping) return;
  ++FOpened;
  if (OnOpening) OnOpening(kind, FHost->IsOpen(kind));
  FHost->Open(kind);
}

int TClientRuntime::TransfersFailed() const {
  std::set<TWorkKind> failed = FGaveUp;
  failed.insert(FLastFailed.begin(), FLastFailed.end());
  return static_cast<int>(failed.size());
}

bool TClientRuntime::Idle() const {
  return !FHost->AnyOpen() && !FLine.Dialling() && FQueue->Receiver().Pending() == 0;
}

bool TClientRuntime::WorkLeftArmed() {
  for (int kind = wkDelete; kind <= wkRegistryUpdate; ++kind)
    if (FQueue->Entry(static_cast<TWorkKind>(kind)).Enabled) return true;
  return false;
}

void TClientRuntime::StopAll() {
  FStopping = true;
  FLine.CancelDial();
  FHost->StopAll();
}

}  // namespace vaultora
