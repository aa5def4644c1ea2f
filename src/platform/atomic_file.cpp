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
  FTempPath = CreateTempFileBeside(target);
  if (FTempPath.empty())
    throw EFCreateError(Format("Cannot create file \"%s\". %s", target.c_str(), strerror(errno)));
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
  // The content reaches the disk before the name does: after a crash the target holds the old
  // content or the whole new one, never an empty file.
  FStream->Flush();
  FStream.reset();
  if (!ReplaceFile(FTempPath, FTarget))
    throw EWriteError(Format("Cannot replace file \"%s\". %s", FTarget.c_str(), strerror(errno)));
  FCommitted = true;
  SyncToDisk(FTarget);
}

}  // namespace vaultora
