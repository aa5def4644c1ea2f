#include "platform/atomic_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/folders.h"
#include "platform/text.h"

namespace vaultora {

TAtomicFile::TAtomicFile(const std::string& target) : FTarget(target) {
  // A hidden name in the same folder, so the rename never crosses file systems.
  std::string pattern = ExtractFilePath(target) + "." + ExtractFileName(target) + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0)
    throw EFCreateError(Format("Cannot create file \"%s\". %s", target.c_str(), strerror(errno)));
  ::close(fd);
  FTempPath = name.data();
  try {
    FStream = std::make_unique<TFileStream>(FTempPath, fmOpenReadWrite);
  } catch (...) {
    DeleteFile(FTempPath);
    throw;
  }
}

TAtomicFile::~TAtomicFile() {
  FStream.reset();
  if (!FCommitted) DeleteFile(FTempPath);
}

void TAtomicFile::Commit() {
  FStream.reset();
  if (!ReplaceFile(FTempPath, FTarget))
    throw EWriteError(Format("Cannot replace file \"%s\". %s", FTarget.c_str(), strerror(errno)));
  FCommitted = true;
}

}  // namespace vaultora
