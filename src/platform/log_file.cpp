#include "platform/log_file.h"

#include "platform/atomic_file.h"
#include "platform/folders.h"

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

bool WriteLogFile(const std::string& fileName, TStringList& buffer, const TLogPolicy& policy,
                  TDateTime now) {
  if (buffer.empty() || !policy.KeepLogFiles) return false;
  WriteLogBlock(LogFilePath(fileName), buffer, policy.MaxLogFileSize, now);
  buffer.clear();
  return true;
}

}  // namespace vaultora
