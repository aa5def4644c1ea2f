#include "app/runtime/work_queue.h"

#include <algorithm>

#include "app/runtime/main_messages.h"
#include "backupset/catalogue_commands.h"
#include "catalogue/catalogue.h"
#include "schedule/schedule_due.h"
#include "settings/error_marks.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

using namespace messages;

struct TKindInfo {
  const char* Caption;
  unsigned DoMessage;
  unsigned DoneMessage;  // 0: none
  const char* ErrorSection;
};

// Indexed by TWorkKind: the queue's entries in their order.
constexpr TKindInfo kKinds[] = {
    {"TWM_DODELETEBACKUPS", TWM_DODELETEBACKUPS, TWM_DELETEDONE, keys::kDeleteErrors},
    {"TWM_DOBACKUPSEND", TWM_DOBACKUPSEND, TWM_BACKUPSENDDONE, keys::kBackupErrors},
    {"TWM_DORESTORERECEIVE", TWM_DORESTORERECEIVE, TWM_RESTOREDONE, keys::kRestoreErrors},
    {"TWM_DOREGISTRYUPDATE", TWM_DOREGISTRYUPDATE, TWM_REGISTRYUPDATEDONE, keys::kRegUpdateErrors},
};

constexpr const char* kAllErrorSections[] = {keys::kBackupErrors, keys::kRestoreErrors,
                                             keys::kDeleteErrors, keys::kRegUpdateErrors,
                                             keys::kRasErrors};

constexpr TWorkKind kOnlineKinds[] = {wkDelete, wkSend, wkReceive};

constexpr const char* kKindNames[] = {"deletion", "upload", "download", "available backups"};

}  // namespace

TWorkQueue::TWorkQueue(TComponent* owner, TIniRegistryEditor& store, TStringList& restoreList,
                       TWorkQueueLine& line)
    : TComponent(owner),
      FStore(store),
      FRestoreList(restoreList),
      FLine(line),
      FReceiver(std::make_unique<TMessageReceiver>()) {
  for (const TKindInfo& kind : kKinds) {
    TAPIItem& item = FQueue.Add(kind.Caption, kind.DoMessage);
    // A posted entry is disarmed, so a posted queue empties itself.
    item.AfterPost = [](TAPIItem& posted) { posted.Enabled = false; };
  }
  FReceiver->OnMessage = [this](const TMessage& message) { HandleMessage(message); };
}

TWorkQueue::~TWorkQueue() {
  Destroying();
  FReceiver->OnMessage = nullptr;
}

// --- settings and work tests ---------------------------------------------------------------

bool TWorkQueue::UseLANServer() const {
  return ReadSetting(FStore, keys::setting::UseLANServer);
}

bool TWorkQueue::AutoReconnect() const {
  return ReadSetting(FStore, keys::setting::AutoReconnect);
}

bool TWorkQueue::WorkOf(TWorkKind kind) {
  switch (kind) {
    case wkDelete:
      return TCatalogue(FStore).AnythingToDelete();
    case wkSend:
      return TCatalogue(FStore).AnythingToSend();
    case wkReceive:
      return !FRestoreList.empty() || TCatalogue(FStore).AnythingToReceive();
    case wkRegistryUpdate:
      return true;
  }
  return false;
}

bool TWorkQueue::AnyWork() {
  return std::any_of(std::begin(kOnlineKinds), std::end(kOnlineKinds),
                     [this](TWorkKind kind) { return WorkOf(kind); });
}

bool TWorkQueue::ErrorMarked(TWorkKind kind) {
  return vaultora::ErrorMarked(FStore, kKinds[kind].ErrorSection);
}

bool TWorkQueue::AnyErrorMarked() {
  return std::any_of(
      std::begin(kAllErrorSections), std::end(kAllErrorSections),
      [this](const char* section) { return vaultora::ErrorMarked(FStore, section); });
}

void TWorkQueue::ClearErrors(TWorkKind kind) {
  ClearErrorMarks(FStore, kKinds[kind].ErrorSection);
}

bool TWorkQueue::OtherEntriesArmed(TWorkKind kind) {
  for (size_t i = 0; i < FQueue.Count(); ++i)
    if (i != static_cast<size_t>(kind) && FQueue.Item(i).Enabled) return true;
  return false;
}

bool TWorkQueue::CanStart() const {
  return UseLANServer() || FLine.Active();
}

const char* TWorkQueue::KindName(TWorkKind kind) {
  return kKindNames[kind];
}

// --- commands -------------------------------------------------------------------------------

void TWorkQueue::SendAndReceive() {
  SendAndReceiveOf(true);
}

// The dropped-line rule's Send & Receive continues the work of the commands before it, so it
// keeps their counts of opens: a line that keeps dropping cannot reopen a kind without end.
void TWorkQueue::SendAndReceiveOf(bool userCommand) {
  if (userCommand)
    for (TWorkKind kind : kOnlineKinds)
      NewRequest(kind);
  Fire(OnCheckSetup);
  for (const char* section : kAllErrorSections)
    ClearErrorMarks(FStore, section);
  if (!AnyWork()) return;
  // Arming never disarms: an entry armed earlier stays armed.
  for (TWorkKind kind : kOnlineKinds)
    if (WorkOf(kind)) Entry(kind).Enabled = true;
  ConnectAndPost();
}

void TWorkQueue::OnlyOf(TWorkKind kind) {
  NewRequest(kind);
  Fire(OnCheckSetup);
  ClearErrors(kind);
  if (!WorkOf(kind)) return;
  Entry(kind).Enabled = true;
  ConnectAndPost();
}

void TWorkQueue::SendOnly() {
  OnlyOf(wkSend);
}
void TWorkQueue::ReceiveOnly() {
  OnlyOf(wkReceive);
}
void TWorkQueue::DeleteOnly() {
  OnlyOf(wkDelete);
}

void TWorkQueue::DownloadSettings() {
  NewRequest(wkRegistryUpdate);
  Fire(OnCheckSetup);
  Entry(wkRegistryUpdate).Enabled = true;
  ConnectAndPost();
}

void TWorkQueue::ConnectAndPost() {
  if (UseLANServer()) {
    FQueue.Post(*FReceiver, 0);
    return;
  }
  // An open dial will post the queue when its line comes up.
  if (!FLine.Dialling()) FLine.Dial();
}

void TWorkQueue::LineConnected() {
  FQueue.Post(*FReceiver, 0);
}

void TWorkQueue::RunBackup(const std::string& scheduleName) {
  if (!OnRunBackup) return;
  const bool waitedToSend = WorkOf(wkSend);
  const TBackupRunResult result = OnRunBackup(Trim(scheduleName));
  if ((waitedToSend || result.Completed || WorkOf(wkReceive) || WorkOf(wkDelete)) &&
      result.SendWhenCompleted)
    SendAndReceive();
  Fire(OnRefreshList);
}

void TWorkQueue::ScheduledBackup(const std::string& scheduleName) {
  // The alarm, a missed run and a reload of the alarms may all ask for one due time: it runs
  // once. A schedule that is gone runs nothing (not a backup without a schedule).
  if (ClaimScheduledRun(FStore, scheduleName, Now())) RunBackup(scheduleName);
  Fire(OnLoadSchedules);
}

// --- messages -------------------------------------------------------------------------------

void TWorkQueue::HandleMessage(const TMessage& message) {
  if (!CanFireEvents()) return;
  const unsigned number = message.Msg - WM_USER;
  for (int kind = wkDelete; kind <= wkRegistryUpdate; ++kind) {
    if (number == kKinds[kind].DoMessage) return DoWork(static_cast<TWorkKind>(kind));
    if (number == kKinds[kind].DoneMessage) return TransferDone(static_cast<TWorkKind>(kind));
  }
  switch (number) {
    case TWM_DOSENDRECEIVE:
      return SendAndReceiveOf(false);
    case TWM_DOBACKUPNOW:
      return RunBackup("");
    case TWM_DOSCHEDULEDBACKUP:
      return ScheduledBackup(ScheduleName(message.WParam));
    default:
      return;
  }
}

void TWorkQueue::DoWork(TWorkKind kind) {
  ClearErrors(kind);
  if (kind != wkRegistryUpdate && !WorkOf(kind)) return;
  if (kind == wkReceive) PrepareRestoreList();
  ++FOpens[kind];
  Fire(OnOpenTransfer, kind);
}

std::string TWorkQueue::ScheduleName(intptr_t place) {
  const TStringList names = TRegistryKey(FStore, keys::kScheduleKey).Sections();
  if (place < 0 || static_cast<size_t>(place) >= names.size()) return "";
  return names[static_cast<size_t>(place)];
}

void TWorkQueue::PrepareRestoreList() {
  TCatalogueCommands(FStore, FRestoreList).PrepareRestoreList();
}

// --- completion rules -----------------------------------------------------------------------

void TWorkQueue::TransferDone(TWorkKind kind) {
  if (kind == wkRegistryUpdate) return RegistryUpdateDone();
  Fire(OnStopAnimation);
  if (kind == wkReceive)
    std::erase_if(FRestoreList, [this](const std::string& id) {
      return !TCatalogue(FStore).Entry(id).HasReceivePosition;
    });
  if (CanFireEvents() && AutoReconnect() && WorkOf(kind) && !ErrorMarked(kind) &&
      RetriesLeft(kind)) {
    if (UseLANServer()) {
      FReceiver->Post(WM_USER + kKinds[kind].DoMessage);
    } else {
      Entry(kind).Enabled = true;
      if (!OtherEntriesArmed(kind)) ConnectAndPost();
    }
    return;
  }
  bool otherWork = false;
  for (TWorkKind other : kOnlineKinds)
    if (other != kind && WorkOf(other)) otherWork = true;
  HangUpWhenIdle(otherWork);
}

bool TWorkQueue::RetriesLeft(TWorkKind kind) {
  if (FOpens[kind] < kMaxOpensOfKind) return true;
  Fire(
      OnRetriesStopped, kind,
      Format("The %s run was tried %d times; stopped retrying", kKindNames[kind], kMaxOpensOfKind));
  return false;
}

void TWorkQueue::RegistryUpdateDone() {
  Fire(OnStopAnimation);
  HangUpWhenIdle(AnyWork());
}

void TWorkQueue::HangUpWhenIdle(bool otherWorkLeft) {
  if (ReadSetting(FStore, keys::setting::DisConWhenFin) && !otherWorkLeft) FLine.HangUp();
  Fire(OnRefreshList);
}

void TWorkQueue::LineDropped() {
  Fire(OnStopAnimation);
  if (!CanFireEvents() || !AutoReconnect() || AnyErrorMarked()) return;
  const auto running = [this](TWorkKind kind) {
    return OnTransferRunning && OnTransferRunning(kind);
  };
  if (running(wkSend) || running(wkReceive) || !AnyWork()) return;
  FReceiver->Post(WM_USER + TWM_DOSENDRECEIVE);
}

}  // namespace vaultora
