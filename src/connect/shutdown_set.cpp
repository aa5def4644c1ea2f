#include "connect/shutdown_set.h"

namespace vaultora {

namespace {

struct TMemberInfo {
  const char* Description;
  int Flags;
};

// By bit number.
constexpr TMemberInfo kMembers[kShutDownTypeCount] = {
    {"Restart Windows", 66}, {"Reboot System", 67}, {"Exit and Execute Application", 68},
    {"Shut down", 1},        {"Reboot", 2},         {"Force", 4},
    {"Power off", 8},        {"Force if Hung", 16}, {"Restart in Shell", 256},
    {"Loggoff", 0},
};

// The order in which the flags are put together.
constexpr TSelectedShutDownTypes kFlagOrder[kShutDownTypeCount] = {
    SDX_SHUTDOWN,     SDX_REBOOT,        SDX_FORCE,       SDX_POWEROFF,      SDX_FORCEIFHUNG,
    SDX_SHELLCOMMAND, SD_RESTARTWINDOWS, SD_REBOOTSYSTEM, SD_EXITANDEXECAPP, SDX_LOGOFF,
};

constexpr const char* kPowerEventNames[] = {
    "Request permission to suspend.",
    "Request permission to standby.",
    "Suspension request denied.",
    "Standby request denied.",
    "System is suspending operation.",
    "System is entering standby mode.",
    "Operation resuming after critical suspension.",
    "Operation resuming after suspension.",
    "System is resuming from standby mode.",
    "Battery power is low.",
    "Power status changed.",
    "OEM-defined event occurred.",
};

}  // namespace

const char* ShutDownTypeDescription(TSelectedShutDownTypes member) {
  return kMembers[member].Description;
}

int ShutDownTypeFlags(TSelectedShutDownTypes member) {
  return kMembers[member].Flags;
}

int ExitWinTypeOf(TSelectedShutDown set) {
  int value = -1;
  for (TSelectedShutDownTypes member : kFlagOrder) {
    const int flags = ShutDownTypeFlags(member);
    if (set.Has(member))
      value = value == -1 ? flags : (value | flags);
    else if (value != -1 && (value & flags) == flags)
      value -= flags;
  }
  return value;
}

TSelectedShutDown ShutDownSetOf(int exitWinType) {
  TSelectedShutDown set;
  if (exitWinType == -1) return set;
  for (int bit = 0; bit < kShutDownTypeCount; ++bit) {
    const auto member = static_cast<TSelectedShutDownTypes>(bit);
    const int flags = ShutDownTypeFlags(member);
    if ((exitWinType & flags) == flags) set.Include(member);
  }
  return set;
}

std::string ExitWinDescOf(TSelectedShutDown set) {
  std::string text;
  for (int bit = 0; bit < kShutDownTypeCount; ++bit) {
    const auto member = static_cast<TSelectedShutDownTypes>(bit);
    if (!set.Has(member)) continue;
    if (!text.empty()) text += " ";
    text += std::string("[") + ShutDownTypeDescription(member) + "]";
  }
  return text;
}

TSelectedShutDown ShutDownSetOfChoice(TShutDownChoice choice) {
  switch (choice) {
    case scStandby:
      return {SDX_POWEROFF};
    case scShutDown:
      return {SDX_SHUTDOWN, SDX_FORCEIFHUNG};
    case scRestart:
      return {SD_RESTARTWINDOWS, SDX_FORCEIFHUNG};
    case scShellCommand:
      return {SDX_SHELLCOMMAND};
    case scLogOff:
      return {SDX_FORCEIFHUNG, SDX_LOGOFF};
  }
  return {};
}

std::string PowerEventName(unsigned event) {
  if (event < sizeof kPowerEventNames / sizeof kPowerEventNames[0]) return kPowerEventNames[event];
  return "";
}

}  // namespace vaultora
