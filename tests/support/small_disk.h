#pragma once
// A folder on a file system of its own that holds only a few kilobytes, for the disk-full
// trials: a tmpfs mounted on a temporary folder. Mounting needs the right to mount (root in the
// test machines); without it Mounted() is false and the test skips saying why.

#include <cstdint>
#include <string>

#include "support/temp_folder.h"

namespace vaultora::test {

class TSmallDisk {
 public:
  explicit TSmallDisk(int64_t bytes);
  ~TSmallDisk();
  TSmallDisk(const TSmallDisk&) = delete;
  TSmallDisk& operator=(const TSmallDisk&) = delete;

  bool Mounted() const { return FMounted; }
  // Gives the file system a new size (remount); false when that failed.
  bool Resize(int64_t bytes);
  // The folder, with a trailing '/'.
  const std::string& Path() const { return FFolder.Path(); }
  std::string operator/(const std::string& name) const { return FFolder / name; }

 private:
  TTempFolder FFolder;
  bool FMounted = false;
};

}  // namespace vaultora::test
