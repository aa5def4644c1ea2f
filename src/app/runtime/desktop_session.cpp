#include "app/runtime/desktop_session.h"

namespace vaultora {

TInhibitRequest ShutDownFlowLock() {
  return {"shutdown:sleep", "Vaultora", "A backup is being made before the computer shuts down",
          "block"};
}

TDesktopSession::TDesktopSession(std::unique_ptr<TLoginManager> manager)
    : FManager(std::move(manager)) {
  if (!FManager) return;
  FManager->OnPrepareForSleep = [this](bool beforeSleep) {
    if (!beforeSleep && OnResumed) OnResumed();
  };
  FManager->OnError = [this](const std::string& text) {
    FRefused = true;
    FFlowLock.reset();  // it holds nothing
    if (OnError) OnError("The computer could not be kept from shutting down: " + text);
  };
}

TDesktopSession::~TDesktopSession() {
  FFlowLock.reset();
  if (!FManager) return;
  FManager->OnPrepareForSleep = nullptr;
  FManager->OnError = nullptr;
}

void TDesktopSession::FlowStarted() {
  if (!FManager || FFlowLock) return;
  // A refusal may come before Inhibit returns or later.
  FRefused = false;
  std::unique_ptr<TInhibitLock> lock = FManager->Inhibit(ShutDownFlowLock());
  if (!FRefused) FFlowLock = std::move(lock);
}

void TDesktopSession::FlowEnded() {
  FFlowLock.reset();
}

}  // namespace vaultora
