#pragma once
// TOnlineDeleteBackup: deletes on the backup server every catalogued backup marked Deleted and,
// once the server has accepted the whole list, erases those entries and their local files.
// Component on the owner's thread; the work runs on its TDeleteBackupThread.

#include <memory>

#include "online/runtime/online_transfer.h"

namespace vaultora {

class TOnlineDeleteBackup : public TBaseOnlineTransfer {
 public:
  explicit TOnlineDeleteBackup(TComponent* owner = nullptr);
  ~TOnlineDeleteBackup() override;

  TNotifyEvent OnDeleteBackupOk;
  TNotifyEvent OnDeleteBackupFailed;
  TNotifyEvent OnNoBackupsToDelete;

 protected:
  std::unique_ptr<TBaseOnlineThread> CreateThread() override;
  void DoWorkDone() override { Fire(OnDeleteBackupOk, this); }
  void DoWorkFailed() override { Fire(OnDeleteBackupFailed, this); }
  bool HandleMessage(const TMessage& message) override;
};

}  // namespace vaultora
