#pragma once
// "Let the user interface process pending messages": long work on the window thread calls
// ProcessMessages() after every block or file, which is how Stop and other user actions get in.

#include <functional>

namespace vaultora {

// The runtime installs the event loop's hook; without one ProcessMessages does nothing.
void SetProcessMessagesHook(std::function<void()> hook);
void ProcessMessages();

}  // namespace vaultora
