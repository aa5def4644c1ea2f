#pragma once
// Installs the process-messages hook over the Qt event loop: pending events of the window
// thread are processed; calls from other threads do nothing.

namespace vaultora {

void InstallEventLoopHook();

}  // namespace vaultora
