#pragma once
// The finished page of the options set-up: what applying will store, in words, page by page.

#include "connect/option_setup.h"
#include "platform/text.h"

namespace vaultora {

TStringList OptionSummary(const TOptionSetup& setup);

// The sleep states the kernel offers (/sys/power/state: "mem", "disk").
struct TPowerStates {
  bool Suspend = true;
  bool Hibernate = true;
};
TPowerStates ReadPowerStates(const std::string& stateFile = "/sys/power/state");

// What a choice of "How to shut down:" does on this computer (with the standby technique), and
// whether the computer offers it.
std::string ShutDownMeaning(int32_t action, int32_t technique,
                            const TPowerStates& states = ReadPowerStates());

}  // namespace vaultora
