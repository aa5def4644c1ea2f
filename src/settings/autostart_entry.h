#pragma once
// The desktop autostart entry that stands for the Run value "Vaultora": present while the value
// is, with Exec = the program followed by -StartupTray. Replaced atomically.

#include <string>

namespace vaultora {

// AutostartFolder() + "vaultora.desktop".
std::string AutostartEntryPath();
// command = the Run value's text: the program's full path followed by " -StartupTray".
// Raises ERegistryException naming the file when it cannot be written.
void WriteAutostartEntry(const std::string& command);
void RemoveAutostartEntry();

}  // namespace vaultora
