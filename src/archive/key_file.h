#pragma once
// A key file: the encryption key on its first line, readable by its owner only. The options
// dialog saves one so that a lost computer does not mean lost backups; vaultora-cli key set
// --from reads it back.

#include <string>

namespace vaultora {

// The first line of the file without its line end; false when it cannot be read.
bool ReadKeyFile(const std::string& path, std::string& key);
// Writes key and a line end to a file of mode 0600 (an existing one is emptied and made
// private first); false with the reason when it cannot be written.
bool WriteKeyFile(const std::string& path, const std::string& key, std::string& error);

}  // namespace vaultora
