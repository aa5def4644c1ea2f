#pragma once
// The one exception of the settings store. Its texts are the store's own ("Failed to set data
// for '%s'", ...); a damaged or foreign hive file names the file.

#include <stdexcept>

namespace vaultora {

class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace vaultora
