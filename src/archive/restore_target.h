#pragma once
// Where an archived file is restored, and the safe way of writing it: the data goes to a
// temporary file beside the target, which replaces the target with its stored date only once
// the data is complete. A failed or abandoned file leaves the old target untouched and no
// temporary file behind.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/streams.h"

namespace vaultora {

class TBufferedWriter;

// The target of stored name under targetFolder: the stored name itself when the folder is "",
// the folder + its file name, or with fullPath the folder + the stored path without its leading
// '/'. False (target untouched) when the name has a ".." component, an empty or "." file name,
// or is not absolute while the folder is "": such a name would write outside the target.
bool RestoreTargetName(const std::string& storedName, const std::string& targetFolder,
                       bool fullPath, std::string& target);

// True when path would lie inside folder once the folders that already exist on its way are
// resolved (so a link inside the folder cannot lead out of it).
bool StaysInsideFolder(const std::string& path, const std::string& folder);

// Removes the temporary files a stopped or killed restore left in folder (not its subfolders);
// returns how many. Called once per folder when a restore first writes into it.
int RemoveStaleTemporaries(const std::string& folder);

class TRestoreTarget {
 public:
  TRestoreTarget();
  ~TRestoreTarget();  // abandons an unfinished file
  TRestoreTarget(const TRestoreTarget&) = delete;
  TRestoreTarget& operator=(const TRestoreTarget&) = delete;

  // Creates the target's folder with its parents and the temporary file; false on failure.
  bool Begin(const std::string& target, int32_t dosDate);
  bool IsOpen() const { return FFile != nullptr; }
  const std::string& Target() const { return FTarget; }
  // Raises EWriteError when the data cannot be written.
  void Write(const void* data, int64_t count);
  // Completes the file: flush, stored date, rename over the target. False (and nothing left
  // behind) when any step fails.
  bool Commit();
  void Abandon();
  // Why the last Begin, Write or Commit failed, in words with the file ("No space left on
  // device: ..."); empty when the cause was not the file system's.
  const std::string& Problem() const { return FProblem; }

 private:
  // Records the system error of a failed step on file.
  void Failed(const std::string& action, const std::string& file, int error);

  std::string FProblem;
  std::string FTarget;
  std::string FTempName;
  int32_t FDate = 0;
  std::unique_ptr<TFileStream> FFile;
  std::unique_ptr<TBufferedWriter> FWriter;
};

}  // namespace vaultora
