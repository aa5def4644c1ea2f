#include "connect/runtime/shutdown_intercept.h"

#include "platform/text.h"

namespace vaultora {

namespace {
constexpr int kShellCommandFlags = 256;
constexpr int kPowerAllowed = 1;
constexpr unsigned kQuerySuspend = 0, kQueryStandby = 1;
constexpr unsigned kResumeCritical = 6, kResumeStandby = 8;
}  // namespace

TShutDownItercept::TShutDownItercept(TComponent* owner, TSessionAdapter* adapter)
    : TComponent(owner), FAdapter(adapter ? *adapter : SessionAdapter()) {}

bool TShutDownItercept::QueryEndSession() {
  if (!Intercept) return true;
  bool allow = true;
  Fire(OnShutDown, *this, allow);
  return allow;
}

int TShutDownItercept::PowerBroadcast(unsigned event) {
  const std::string name = PowerEventName(event);
  if (OnPowerOff) {
    Fire(OnPowerOff, *this, event, name);
    return kPowerAllowed;
  }
  bool allow = true;
  if (event == kQuerySuspend)
    Fire(OnSuspend, *this, allow);
  else if (event == kQueryStandby)
    Fire(OnStandby, *this, allow);
  else if (event >= kResumeCritical && event <= kResumeStandby)
    Fire(OnResumePower, *this, event, name);
  return allow ? kPowerAllowed : kBroadcastQueryDeny;
}

bool TShutDownItercept::Execute() {
  const int flags = ExitWinType();
  if (flags == -1) return false;
  if (SelectedShutDown.Has(SDX_SHELLCOMMAND)) {
    if (!Trim(ShellCommand).empty()) return FAdapter.StartShellCommand(ShellCommand);
    return FAdapter.EndSession(flags - kShellCommandFlags);
  }
  if (SelectedShutDown.Has(SDX_POWEROFF))
    return FAdapter.SetPowerState(PowerOffState, ForcePowerOff);
  return FAdapter.EndSession(flags);
}

}  // namespace vaultora
