#pragma once
// File name masks with the original wildcard rules: '*' any run, '?' one character, "*.*"
// every name (also names without a dot); letter case is ignored.

#include <string_view>

namespace vaultora {

bool MatchesMask(std::string_view name, std::string_view mask);

}  // namespace vaultora
