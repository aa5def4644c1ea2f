#pragma once
// Key paths of the settings store: segments joined by backslashes, below a root.

#include <string>

namespace vaultora {

// a\b\\c\ -> a\b\c: empty segments dropped.
std::string NormaliseKeyPath(const std::string& path);
std::string JoinKeyPath(const std::string& base, const std::string& sub);

}  // namespace vaultora
