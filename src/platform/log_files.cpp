#include "platform/log_files.h"

#include <fstream>
#include <iterator>

#include "platform/atomic_file.h"
#include "platform/folders.h"
#include "platform/log_file.h"
#include "platform/prompts.h"
#include "platform/text.h"

namespace vaultora {

std::string ReadLogText(size_t index) {
  if (index >= std::size(kLogFiles)) return "";
  std::ifstream in(LogFilePath(kLogFiles[index].FileName), std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return ReplaceAll(text, "\r\n", "\n");
}

bool ClearLog(size_t index) {
  if (index >= std::size(kLogFiles) || !AskQuestion(kClearLogQuestion)) return false;
  DeleteFile(LogFilePath(kLogFiles[index].FileName));
  return true;
}

bool ClearAllLogs() {
  if (!AskQuestion(kClearLogsQuestion)) return false;
  for (const TLogFileEntry& log : kLogFiles)
    DeleteFile(LogFilePath(log.FileName));
  return true;
}

bool SaveLogText(const std::string& path, const std::string& text) {
  if (FileExists(path) && !AskQuestion(kOverwriteQuestion)) return false;
  TAtomicFile file(path);
  file.Stream().WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  file.Commit();
  ShowInformation(kLogSavedText);
  return true;
}

}  // namespace vaultora
