#include "online/runtime/online_logon_check.h"

#include "online/runtime/online_thread.h"

namespace vaultora {

namespace {

const TTransferFailureTexts kLogonCheckTexts{
    "Unable to create the close event of the connection test",
    "Unable to create the work event of the connection test",
    "Unable to create the connection test thread",
    "unable to start the connection test, waiting for 1 second"};

class TLogonCheckThread : public TBaseOnlineThread {
 protected:
  bool Work() override {
    if (!Logon()) return false;
    CloseChannel();
    return true;
  }
};

}  // namespace

TOnlineLogonCheck::TOnlineLogonCheck(TComponent* owner)
    : TBaseOnlineTransfer(owner, kLogonCheckTexts) {}

TOnlineLogonCheck::~TOnlineLogonCheck() = default;

std::unique_ptr<TBaseOnlineThread> TOnlineLogonCheck::CreateThread() {
  return std::make_unique<TLogonCheckThread>();
}

}  // namespace vaultora
