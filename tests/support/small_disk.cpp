#include "support/small_disk.h"

#include <sys/mount.h>

namespace vaultora::test {

TSmallDisk::TSmallDisk(int64_t bytes) {
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
  FMounted = ::mount("vaultora-test", FFolder.Path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                     options.c_str()) == 0;
}

bool TSmallDisk::Resize(int64_t bytes) {
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
  return FMounted && ::mount("vaultora-test", FFolder.Path().c_str(), "tmpfs",
                             MS_REMOUNT | MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

TSmallDisk::~TSmallDisk() {
  if (FMounted) ::umount2(FFolder.Path().c_str(), MNT_DETACH);
}

}  // namespace vaultora::test
