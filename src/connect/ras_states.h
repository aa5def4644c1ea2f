#pragma once
// The names of the dial states, as the dialer reports them.

#include <string>

namespace vaultora {

// "Opening Port", ..., "Connected", "Disconnected"; "Connection state #" + the number otherwise.
std::string RasStateName(unsigned state);

}  // namespace vaultora
