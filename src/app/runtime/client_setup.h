#pragma once
// What the client sets up before it does anything: the first-run defaults and CheckSetup, the
// check run before most commands that opens the set-up of what is missing. Called on the
// user-interface thread with its store instance.

#include <functional>
#include <string>

namespace vaultora {

class TIniRegistryEditor;

// Writes the first-run defaults (and the start-with-the-session value) when Preferences does not
// exist yet; true when it wrote them. programPath is the desktop client's program file; empty
// (vaultora-cli) writes no start-with-the-session value.
bool WriteFirstRunDefaults(TIniRegistryEditor& store, const std::string& programPath);

// When the server or the encryption key is not set up, says so and runs the set-up of the
// missing part: the connection first, then the options when the key is (still) missing. The
// command goes on afterwards in every case.
void CheckSetup(TIniRegistryEditor& store, const std::function<void()>& runConnection,
                const std::function<void()>& runOptions);

extern const char* const kSetupNeededText;

}  // namespace vaultora
