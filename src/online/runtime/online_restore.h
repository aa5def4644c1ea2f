#pragma once
// TOnLineRestore: downloads the archives of the catalogued backups named in RestoreList into
// the working folder, where an upload takes them from. A download that was cut off continues
// from the end of the partial local file; ReceivePosition records how far it got. Component on
// the owner's thread; the work runs on its TRestoreThread.

#include <memory>

#include "online/runtime/online_transfer.h"
#include "platform/text.h"

namespace vaultora {

class TOnLineRestore : public TBaseOnlineTransfer {
 public:
  explicit TOnLineRestore(TComponent* owner = nullptr);
  ~TOnLineRestore() override;

  // Catalogue entry names to download, in order; copied into each new thread.
  const TStringList& RestoreList() const { return FRestoreList; }
  void SetRestoreList(const TStringList& list) { FRestoreList = list; }

  TNotifyEvent OnRestoreOk;
  TNotifyEvent OnRestoreFailed;
  TNotifyRestoreBackup OnBackupNotOnServer;
  TNotifyRestoreBackup OnBackupInStorage;
  TNotifyRestoreBackup OnInitRestore;
  TNotifyEvent OnNoBackupSpecified;

 protected:
  std::unique_ptr<TBaseOnlineThread> CreateThread() override;
  void DoWorkDone() override { Fire(OnRestoreOk, this); }
  void DoWorkFailed() override { Fire(OnRestoreFailed, this); }
  bool HandleMessage(const TMessage& message) override;

 private:
  TStringList FRestoreList;
};

}  // namespace vaultora
