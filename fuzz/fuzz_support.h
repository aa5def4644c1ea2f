#pragma once
// What the fuzz targets share: a scratch folder of the process, and writing the input there.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/streams.h"

namespace vaultora::fuzz {

// A folder of this process below $TMPDIR, made on first use and emptied by the caller.
inline const std::string& Scratch() {
  static const std::string folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/vaultora-fuzz-" +
                       std::to_string(::getpid()) + "/";
    ForceDirectories(path);
    setenv("VAULTORA_HOME", (path + "home").c_str(), 1);
    ForceDirectories(path + "home");
    return path;
  }();
  return folder;
}

inline void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
  TMemoryStream(std::vector<uint8_t>(data, data + size)).SaveToFile(path);
}

}  // namespace vaultora::fuzz
