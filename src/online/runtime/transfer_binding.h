#pragma once
// TTransferBinding: lends an online component's events to a transfer session for as long as the
// binding lives, the way a transfer window borrows the main window's handlers while it is shown:
// the component's own handlers are saved, the session's installed, and the saved ones given back
// when the binding goes. OnClose is left to the front end (it decides whether to close). Owner
// thread only.

#include <functional>

#include "online/runtime/online_backup.h"
#include "online/runtime/online_delete.h"
#include "online/runtime/online_registry_update.h"
#include "online/runtime/online_restore.h"
#include "online/runtime/transfer_session.h"

namespace vaultora {

class TTransferBinding {
 public:
  TTransferBinding(TOnLineBackup& component, TTransferSession& session);
  TTransferBinding(TOnLineRestore& component, TTransferSession& session);
  TTransferBinding(TOnlineDeleteBackup& component, TTransferSession& session);
  // Each image goes to onItem; the session has no line for it.
  TTransferBinding(TOnlineRegistryUpdate& component, TTransferSession& session,
                   TNotifyItemsToRegister onItem);
  ~TTransferBinding();
  TTransferBinding(const TTransferBinding&) = delete;
  TTransferBinding& operator=(const TTransferBinding&) = delete;

 private:
  void BindCommon(TBaseOnlineTransfer& component, TTransferSession& session);

  // Gives every replaced handler back, in reverse order of replacement.
  std::vector<std::function<void()>> FRestore;
};

}  // namespace vaultora
