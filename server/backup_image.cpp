#include "server/backup_image.h"

#include <cstring>

#include "online/wire_integers.h"
#include "platform/date_time.h"
#include "platform/text.h"

namespace vaultora::server {

namespace {

void AddField(std::vector<uint8_t>& image, const void* data, size_t size) {
  uint8_t length[4];
  WriteInt32(length, static_cast<int32_t>(size));
  image.insert(image.end(), length, length + 4);
  const auto* bytes = static_cast<const uint8_t*>(data);
  image.insert(image.end(), bytes, bytes + size);
}

void AddText(std::vector<uint8_t>& image, const std::string& text) {
  AddField(image, text.data(), text.size());
}

}  // namespace

std::vector<uint8_t> BackupImage(const TBackupInfo& info) {
  std::vector<uint8_t> image;
  AddText(image, info.Name);
  AddText(image, info.Title);
  AddText(image, info.FileListName);
  AddField(image, &info.Started, sizeof info.Started);
  AddField(image, &info.Finished, sizeof info.Finished);
  uint8_t size[4];
  WriteInt32(size, static_cast<int32_t>(info.Size));
  AddField(image, size, sizeof size);
  AddText(image, info.Mac);
  AddText(image, info.Incremental);
  AddField(image, info.FileList.data(), info.FileList.size());
  return image;
}

double StartedFromName(const std::string& archiveName) {
  std::string id = archiveName;
  const size_t dot = id.rfind('.');
  if (dot != std::string::npos) id.resize(dot);
  double value = 0;
  return TextToFloat(ReplaceAll(id, "_", "."), value) ? value : 0;
}

}  // namespace vaultora::server
