#include "archive/archive_format.h"

#include "platform/folders.h"
#include "platform/text.h"

namespace vaultora::archive_format {

namespace {
std::string ThreeDigits(int volume) {
  return Format("%03d", volume % 1000);
}
}  // namespace

std::string ContinuationName(int volume) {
  return std::string(kContinuationPrefix) + ThreeDigits(volume);
}

std::string VolumeFileName(const std::string& archiveName, int volume) {
  return ChangeFileExt(archiveName, "." + ThreeDigits(volume));
}

}  // namespace vaultora::archive_format
