#pragma once
// The ways of ending the session after work: the set of chosen actions, its description and the
// session-end flags it stands for (the platform's flag values, which the options and the
// countdown rely on), and the names of the power events.

#include <cstdint>
#include <initializer_list>
#include <string>

namespace vaultora {

// Bit numbers of TSelectedShutDown.
enum TSelectedShutDownTypes {
  SD_RESTARTWINDOWS = 0,
  SD_REBOOTSYSTEM = 1,
  SD_EXITANDEXECAPP = 2,
  SDX_SHUTDOWN = 3,
  SDX_REBOOT = 4,
  SDX_FORCE = 5,
  SDX_POWEROFF = 6,
  SDX_FORCEIFHUNG = 7,
  SDX_SHELLCOMMAND = 8,
  SDX_LOGOFF = 9,
};
constexpr int kShutDownTypeCount = 10;

// A 16-bit set of TSelectedShutDownTypes.
class TSelectedShutDown {
 public:
  constexpr TSelectedShutDown() = default;
  constexpr TSelectedShutDown(std::initializer_list<TSelectedShutDownTypes> members) {
    for (auto m : members)
      FBits = static_cast<uint16_t>(FBits | (1u << m));
  }
  constexpr bool Has(TSelectedShutDownTypes member) const { return (FBits >> member) & 1u; }
  void Include(TSelectedShutDownTypes member) {
    FBits = static_cast<uint16_t>(FBits | 1u << member);
  }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr uint16_t Bits() const { return FBits; }
  friend constexpr bool operator==(TSelectedShutDown, TSelectedShutDown) = default;

 private:
  uint16_t FBits = 0;
};

// The choices of the shut-down countdown, as ShutDownWin stores them.
enum TShutDownChoice { scStandby, scShutDown, scRestart, scShellCommand, scLogOff };
constexpr int kShutDownChoiceCount = 5;
// The set each choice stands for.
TSelectedShutDown ShutDownSetOfChoice(TShutDownChoice choice);

enum TPoweroffState { POS_HIBERNATE, POS_RAMALIVE };

// "Restart Windows", "Reboot System", ... "Loggoff".
const char* ShutDownTypeDescription(TSelectedShutDownTypes member);
// The contribution of a member to the session-end flags (66, 67, 68, 1, 2, 4, 8, 16, 256, 0).
int ShutDownTypeFlags(TSelectedShutDownTypes member);

// The session-end flags of a set; -1 for the empty set.
int ExitWinTypeOf(TSelectedShutDown set);
// The set a flags value stands for (SDX_LOGOFF always); -1 gives the empty set.
TSelectedShutDown ShutDownSetOf(int exitWinType);
// "[Shut down] [Force if Hung]": each member's description in bit order.
std::string ExitWinDescOf(TSelectedShutDown set);

// The platform's answer that refuses a power query.
constexpr int kBroadcastQueryDeny = 1112363332;
// "Request permission to suspend." ... "OEM-defined event occurred."; "" for other numbers.
std::string PowerEventName(unsigned event);

}  // namespace vaultora
