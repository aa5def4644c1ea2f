#pragma once
// Files that hold the user's data in plain text (a backup archive before it is enciphered, a
// deciphered or merged one) are readable by their owner only, whatever the umask says.

#include <string>

namespace vaultora {

// Creates path empty (or empties it) with mode 0600, so that whatever later writes it through
// an ordinary create keeps that mode. False when it cannot be created.
bool CreatePrivateFile(const std::string& path);

}  // namespace vaultora
