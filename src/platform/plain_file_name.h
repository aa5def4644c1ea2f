#pragma once
// Names that arrive from elsewhere (the server, a backup record) and name a file in one folder.

#include <string_view>

namespace vaultora {

// A name that can only name a file inside one folder: 1 to 255 bytes, no path separator, no
// control byte, no "..", and not only dots and blanks ("." or " . " name the folder itself, or
// nothing a user could see or register again).
bool IsPlainFileName(std::string_view name);

}  // namespace vaultora
