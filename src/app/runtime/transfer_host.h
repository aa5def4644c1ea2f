#pragma once
// TTransferHost: the client's four online components and what the main window does with their
// transfer windows, without the windows. Opening the transfer of a kind binds a transfer session
// to the component and starts it; opening it again while it is open restarts it. When the
// operation closes, the session writes its closing lines and its log, the "window" goes, and the
// kind's "done" message is posted to the work queue, whose completion rules take it from there.
// The desktop client and vaultora-cli both drive it, so they open, show and log alike. Owner's
// (user-interface) thread only.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/runtime/work_queue.h"
#include "online/runtime/online_backup.h"
#include "online/runtime/online_delete.h"
#include "online/runtime/online_registry_update.h"
#include "online/runtime/online_restore.h"
#include "online/runtime/transfer_session.h"
#include "platform/component.h"
#include "settings/registry_keys.h"

namespace vaultora {

class TIniRegistryEditor;
class TTransferBinding;

class TTransferHost : public TComponent {
 public:
  // The store is the owner thread's own; restoreList is the work queue's list of requested
  // backups, handed to the download each time it starts.
  TTransferHost(TComponent* owner, TIniRegistryEditor& store, TWorkQueue& queue,
                TStringList& restoreList);
  ~TTransferHost() override;

  // The work queue's OnOpenTransfer: opens the transfer of that kind, or restarts it when open.
  void Open(TWorkKind kind);
  // A transfer is open from Open until its operation has closed.
  bool IsOpen(TWorkKind kind) const;
  bool AnyOpen() const;
  // The work queue's OnTransferRunning.
  bool Running(TWorkKind kind);
  // The Stop button of every open transfer (the user interrupted the program).
  void StopAll();

  // The session of an open transfer, nullptr when closed.
  TTransferSession* Session(TWorkKind kind);
  TBaseOnlineTransfer& Component(TWorkKind kind);
  // The fixed texts of the kind's window.
  static const TTransferKindTexts& Texts(TWorkKind kind);

  // Each status line of a session, as its window would add it.
  std::function<void(TWorkKind kind, const std::string& line)> OnLine;
  // Each image of an available backup (the available-backups window passes them on).
  std::function<void(const std::vector<uint8_t>& image)> OnItemToRegister;
  // A transfer closed; success: the operation reported success (its success line was shown).
  std::function<void(TWorkKind kind, bool success)> OnClosed;

 private:
  struct TWindow;
  void Start(TWorkKind kind);
  void Closed(TWorkKind kind);
  TThreadPriority Priority(const keys::TIntSetting& setting);

  TIniRegistryEditor& FStore;
  TWorkQueue& FQueue;
  TStringList& FRestoreList;
  TOnlineDeleteBackup FDelete;
  TOnLineBackup FUpload;
  TOnLineRestore FDownload;
  TOnlineRegistryUpdate FRegistryUpdate;
  std::array<std::unique_ptr<TWindow>, 4> FWindows;  // indexed by TWorkKind
};

}  // namespace vaultora
