// The archive reader: a damaged or hostile archive is listed and extracted with an error code
// or a structural error, never a crash, and nothing is written outside the target folder.
#include <cstddef>
#include <filesystem>

#include "archive/backup_file.h"
#include "fuzz_support.h"

using namespace vaultora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string archive = fuzz::Scratch() + "input.bck";
  const std::string target = fuzz::Scratch() + "target/";
  fuzz::WriteBytes(archive, data, size);
  TBackupFile backup;
  backup.OnError = [](TComponent*, int32_t, const std::string&) {};
  try {
    TStringList files;
    std::string title;
    backup.ReadArchiveInfo(archive, &files, title);
  } catch (const std::exception&) {
  }
  try {
    ForceDirectories(target);
    backup.SetRestoreFullPath(false);
    backup.ExtractArchive(archive, target);
  } catch (const std::exception&) {
  }
  std::error_code ignored;
  std::filesystem::remove_all(target, ignored);
  return 0;
}
