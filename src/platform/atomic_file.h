#pragma once
// A file that replaces its target in one step: it is written under a temporary name in the
// target's folder and renamed over the target on Commit, so a reader sees the old content or
// the whole new one, and a failure part-way leaves the old file as it was.

#include <memory>
#include <string>

#include "platform/streams.h"

namespace vaultora {

class TAtomicFile {
 public:
  // Creates the temporary file; raises EFCreateError when the folder does not allow it.
  explicit TAtomicFile(const std::string& target);
  // Removes the temporary file unless Commit succeeded.
  ~TAtomicFile();
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  TFileStream& Stream() { return *FStream; }
  const std::string& Target() const { return FTarget; }
  // Where the content is written until Commit.
  const std::string& TempPath() const { return FTempPath; }
  // Closes the temporary file and renames it over the target; raises EWriteError on failure.
  void Commit();

 private:
  std::string FTarget;
  std::string FTempPath;
  std::unique_ptr<TFileStream> FStream;
  bool FCommitted = false;
};

}  // namespace vaultora
