#pragma once
// The finished page of the options set-up: what applying will store, in words, page by page.

#include "connect/option_setup.h"
#include "platform/text.h"

namespace vaultora {

TStringList OptionSummary(const TOptionSetup& setup);

// What a choice of "How to shut down:" does on this computer (with the standby technique).
std::string ShutDownMeaning(int32_t action, int32_t technique);

}  // namespace vaultora
