#include "connect/ras_states.h"

namespace vaultora {

std::string RasStateName(unsigned state) {
  static const char* const kDialStates[] = {
      "Opening Port",
      "Port Opened",
      "Connecting Device",
      "Device Connected",
      "All Devices Connected",
      "Starting Authentication",
      "Authentication Notify",
      "Authentication Retry",
      "Callback Requested",
      "Change Password Requested",
      "Projection Phase Started",
      "Link Speed Calculation",
      "Authentication Acknowledged",
      "Reauthentication Started",
      "Authenticated",
      "Preparation For Callback",
      "Waiting For Modem Reset",
      "Waiting For Callback",
      "Projected",
      "Start Authentication",
      "Callback Complete",
      "Logon Network",
      "",
      "",
  };
  static const char* const kPausedStates[] = {"Interactive", "Retry Authentication",
                                              "Callback Set By Caller", "Password Expired"};
  if (state < sizeof kDialStates / sizeof kDialStates[0]) return kDialStates[state];
  if (state >= 4096 && state < 4096 + 4) return kPausedStates[state - 4096];
  if (state == 8192) return "Connected";
  if (state == 8193) return "Disconnected";
  return "Connection state #" + std::to_string(state);
}

}  // namespace vaultora
