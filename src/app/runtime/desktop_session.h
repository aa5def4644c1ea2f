#pragma once
// TDesktopSession: the client's side of the login manager. While the shutdown flow runs (the
// user chose to back up before the computer shuts down, until the countdown's end or its cancel)
// it holds a blocking lock on shutdown and sleep, so that no other way of ending the session cuts
// the backup short; the flow's own action runs after the lock is gone. When the machine wakes
// from a sleep it tells OnResumed. Without a login manager it does nothing. Owner's thread only.

#include <functional>
#include <memory>
#include <string>

#include "app/runtime/login_manager.h"

namespace vaultora {

class TDesktopSession {
 public:
  // manager: nullptr = none (the program goes without); owned from here on.
  explicit TDesktopSession(std::unique_ptr<TLoginManager> manager);
  ~TDesktopSession();
  TDesktopSession(const TDesktopSession&) = delete;
  TDesktopSession& operator=(const TDesktopSession&) = delete;

  bool Offered() const { return FManager != nullptr; }
  TLoginManager* Manager() const { return FManager.get(); }

  // The shutdown flow began (once; again while it runs changes nothing) and ended.
  void FlowStarted();
  void FlowEnded();
  bool HoldingShutDown() const { return FFlowLock != nullptr; }

  // The machine woke from a sleep.
  std::function<void()> OnResumed;
  // The login manager refused the lock; text: what happened, in words.
  std::function<void(const std::string& text)> OnError;

 private:
  std::unique_ptr<TLoginManager> FManager;
  std::unique_ptr<TInhibitLock> FFlowLock;
  bool FRefused = false;
};

// The lock the shutdown flow asks for.
TInhibitRequest ShutDownFlowLock();

}  // namespace vaultora
