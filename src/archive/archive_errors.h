#pragma once
// The error codes of TBackupFile with their texts, and the exception raised for structural read
// errors of archives.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vaultora {

enum TBackupError : int32_t {
  beNone = 0,
  beCannotReadFile = 1,
  beOverwriteFailed = 2,  // no operation produces it
  beCannotReadArchive = 3,
  beCannotWriteArchive = 4,
  beInvalidArchive = 5,
  beCompression = 6,
  beFileIdTempFile = 7,
};

// The text shown for a code; empty for codes without one.
std::string BackupErrorText(int32_t code);

// Raised with "Cannot read archive" or "Invalid archive type".
class EArchiveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void RaiseCannotReadArchive();
[[noreturn]] void RaiseInvalidArchive();

}  // namespace vaultora
