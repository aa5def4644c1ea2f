#pragma once
// TOnLineBackup: sends to the backup server every catalogued backup that still has to be sent
// (NeedToSend without Deleted), resuming each where the server's copy ends. When the server
// confirms a backup, NeedToSend and SendPosition are removed and the local archive is deleted.
// Component on the owner's thread; the work runs on its TBackupThread.

#include <memory>

#include "online/runtime/online_transfer.h"

namespace vaultora {

class TOnLineBackup : public TBaseOnlineTransfer {
 public:
  explicit TOnLineBackup(TComponent* owner = nullptr);
  ~TOnLineBackup() override;

  TNotifyEvent OnBackupOk;
  TNotifyEvent OnBackupFailed;
  TNotifyFileNotFound OnFileNotFound;
  TNotifyEvent OnNoBackupsToSend;
  TNotifyInitBackup OnInitBackup;

 protected:
  std::unique_ptr<TBaseOnlineThread> CreateThread() override;
  void DoWorkDone() override { Fire(OnBackupOk, this); }
  void DoWorkFailed() override { Fire(OnBackupFailed, this); }
  bool HandleMessage(const TMessage& message) override;
};

}  // namespace vaultora
