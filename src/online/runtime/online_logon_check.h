#pragma once
// TOnlineLogonCheck: "Test connection". It locates the server of the stored connection, logs on
// with the stored account and hangs up again, on its worker thread; OnLogon says whether the
// server accepted the account, OnStatus reports each step and OnClose comes when it is over.

#include <memory>

#include "online/runtime/online_transfer.h"

namespace vaultora {

class TOnlineLogonCheck : public TBaseOnlineTransfer {
 public:
  explicit TOnlineLogonCheck(TComponent* owner = nullptr);
  ~TOnlineLogonCheck() override;

  TNotifyEvent OnCheckOk;
  TNotifyEvent OnCheckFailed;

 protected:
  std::unique_ptr<TBaseOnlineThread> CreateThread() override;
  void DoWorkDone() override { Fire(OnCheckOk, this); }
  void DoWorkFailed() override { Fire(OnCheckFailed, this); }
};

}  // namespace vaultora
