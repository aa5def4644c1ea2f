#pragma once
// Small helpers of the archive tests: file contents of known kinds, reading files back, and a
// component with its reported errors collected.

#include <cstdint>
#include <string>
#include <vector>

#include "archive/backup_file.h"
#include "platform/file_attributes.h"
#include "support/temp_folder.h"

namespace vaultora::test {

// Bytes that deflate cannot shrink.
inline std::string RandomBytes(size_t size, uint32_t state = 12345) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    c = static_cast<char>(state >> 24);
  }
  return bytes;
}

// Text that deflates well.
inline std::string TextBytes(size_t size) {
  static const char* const kWords[] = {"backup ", "archive ", "block ", "volume ", "restore\n"};
  std::string text;
  for (size_t i = 0; text.size() < size; ++i)
    text += kWords[(i * 7 + i / 3) % 5];
  text.resize(size);
  return text;
}

// A DOS date/time: 2021-06-15 10:20:30 and one day later.
constexpr int32_t kOldDate = (41 << 25) | (6 << 21) | (15 << 16) | (10 << 11) | (20 << 5) | 15;
constexpr int32_t kNewDate = kOldDate + (1 << 16);

inline void MakeFile(const std::string& path, const std::string& content, int32_t date = 0) {
  WriteTextFile(path, content);
  if (date != 0) FileSetDate(path, date);
}

// A TBackupFile that collects the errors it reports.
class TRecordingBackup : public TBackupFile {
 public:
  TRecordingBackup() {
    OnError = [this](TComponent*, int32_t code, const std::string& text) {
      Errors.push_back(code);
      Texts.push_back(text);
    };
  }
  std::vector<int32_t> Errors;
  std::vector<std::string> Texts;
};

}  // namespace vaultora::test
