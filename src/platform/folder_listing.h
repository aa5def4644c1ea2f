#pragma once
// Many look-ups in one folder at the cost of one listing.

#include <string>
#include <unordered_set>

namespace vaultora {

// The names of the regular files (or links to them) in folder, from one listing: what
// FileExists says of each, for a whole folder at once. Empty when the folder cannot be listed.
std::unordered_set<std::string> RegularFilesIn(const std::string& folder);

}  // namespace vaultora
