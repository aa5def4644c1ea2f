#include "platform/log_file.h"

#include "platform/atomic_file.h"
#include "platform/folders.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

namespace vaultora {

std::string LogFilePath(const std::string& fileName) {
  return AppDataFolder() + fileName;
}

std::string LogHeaderLine(TDateTime when) {
  return "**** " + DateTimeText(when) + " ****";
}

void WriteLogBlock(const std::string& path, const TStringList& lines,
                   std::optional<int32_t> maxKilobytes, TDateTime now) {
  std::string block = LogHeaderLine(now) + "\r\n";
  for (const std::string& line : lines)
    block += line + "\r\n";

  const long long oldSize = FileSizeOf(path);
  const bool keepOld = oldSize >= 0 && !(maxKilobytes && oldSize / 1024.0 > *maxKilobytes);
  TAtomicFile out(path);
  out.Stream().WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
  if (keepOld) {
    // The older blocks follow unchanged, copied in pieces so that no limit bounds the memory.
    TFileStream old(path, fmOpenRead);
    if (old.Size() > 0) out.Stream().CopyFrom(old, 0);
  }
  out.Commit();
}

bool WriteLogFile(const std::string& fileName, TStringList& buffer, TIniRegistryEditor& store,
                  TDateTime now) {
  namespace p = keys::preferences;
  if (buffer.empty()) return false;
  store.SetFilename(keys::kBaseKey);
  if (!store.ValueExists(keys::kPreferences, p::kKeepLogFiles)) return false;
  std::optional<int32_t> limit;
  if (store.ValueExists(keys::kPreferences, p::kMaxLogFileSize))
    limit = store.ReadInteger(keys::kPreferences, p::kMaxLogFileSize, 0);
  WriteLogBlock(LogFilePath(fileName), buffer, limit, now);
  buffer.clear();
  return true;
}

}  // namespace vaultora
