#pragma once
// TOnlineRegistryUpdate: fetches from the backup server an image of every backup the account
// holds there and hands each image, as raw bytes, to OnItemsToRegister in the server's order.
// Registering chosen images in the catalogue is the owner's business (TAvailableBackup).
// Component on the owner's thread; the work runs on its TRegistryUpdateThread.

#include <memory>

#include "online/runtime/online_transfer.h"

namespace vaultora {

class TOnlineRegistryUpdate : public TBaseOnlineTransfer {
 public:
  explicit TOnlineRegistryUpdate(TComponent* owner = nullptr);
  ~TOnlineRegistryUpdate() override;

  TNotifyEvent OnRegistryUpdateOk;
  TNotifyEvent OnRegistryUpdateFailed;
  TNotifyItemsToRegister OnItemsToRegister;

 protected:
  std::unique_ptr<TBaseOnlineThread> CreateThread() override;
  void DoWorkDone() override { Fire(OnRegistryUpdateOk, this); }
  void DoWorkFailed() override { Fire(OnRegistryUpdateFailed, this); }
  bool HandleMessage(const TMessage& message) override;
};

}  // namespace vaultora
