#include "archive/archive_errors.h"

namespace vaultora {

std::string BackupErrorText(int32_t code) {
  switch (code) {
    case beCannotReadFile:
      return "Cannot read file";
    case beOverwriteFailed:
      return "Overwriting file failed";
    case beCannotReadArchive:
      return "Cannot read archive";
    case beCannotWriteArchive:
      return "Cannot write to archive";
    case beInvalidArchive:
      return "Invalid archive type";
    case beCompression:
      return "Compression error";
    case beFileIdTempFile:
      return "Cannot create temporary file to save the file IDs";
    default:
      return {};
  }
}

void RaiseCannotReadArchive() {
  throw EArchiveError(BackupErrorText(beCannotReadArchive));
}

void RaiseInvalidArchive() {
  throw EArchiveError(BackupErrorText(beInvalidArchive));
}

}  // namespace vaultora
