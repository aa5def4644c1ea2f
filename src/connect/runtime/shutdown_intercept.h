#pragma once
// TShutDownItercept: stands between the user and the end of the session. The user interface's
// session hook asks QueryEndSession (and hands power events to PowerBroadcast); Execute turns
// the chosen set of actions into the platform's session-end or power call through the session
// adapter. Used on the owner's thread.

#include <functional>
#include <string>

#include "connect/session_adapter.h"
#include "connect/shutdown_set.h"
#include "platform/component.h"

namespace vaultora {

class TShutDownItercept : public TComponent {
 public:
  // adapter: nullptr = SessionAdapter(); it must outlive the component.
  explicit TShutDownItercept(TComponent* owner = nullptr, TSessionAdapter* adapter = nullptr);

  bool Intercept = false;  // answer session-end queries through OnShutDown
  TSelectedShutDown SelectedShutDown;
  TPoweroffState PowerOffState = POS_HIBERNATE;
  bool ForcePowerOff = false;
  std::string ShellCommand;

  std::string ExitWinDesc() const { return ExitWinDescOf(SelectedShutDown); }
  int ExitWinType() const { return ExitWinTypeOf(SelectedShutDown); }
  void SetExitWinType(int value) { SelectedShutDown = ShutDownSetOf(value); }

  std::function<void(TShutDownItercept& sender, bool& allowShutDown)> OnShutDown;
  std::function<void(TShutDownItercept& sender, unsigned powerOffType, const std::string& descr)>
      OnPowerOff;
  std::function<void(TShutDownItercept& sender, bool& allow)> OnSuspend;
  std::function<void(TShutDownItercept& sender, bool& allow)> OnStandby;
  std::function<void(TShutDownItercept& sender, unsigned resumeType, const std::string& descr)>
      OnResumePower;

  // The session asks whether it may end: true lets it end. Without Intercept it always may.
  bool QueryEndSession();
  // A power event by number; returns the answer to the platform (kBroadcastQueryDeny refuses).
  int PowerBroadcast(unsigned event);

  // Carries out the set: nothing for the empty set; the shell command, the power call or the
  // session end. True when the request was made.
  bool Execute();

 private:
  TSessionAdapter& FAdapter;
};

}  // namespace vaultora
