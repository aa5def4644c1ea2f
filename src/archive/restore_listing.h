#pragma once
// TRestoreListing: finding files among the rows a restore lists, for the "Restore" window: the
// rows whose name or folder contains a text (case-insensitive) inside a chosen folder, the
// folders of the backup, and how many files at the target a restore would replace. Built once
// after listing; filtering 100,000 rows takes a few milliseconds, so it runs on every keystroke.

#include <cstddef>
#include <string>
#include <vector>

#include "archive/restore_session.h"

namespace vaultora {

class TRestoreListing {
 public:
  TRestoreListing() = default;
  explicit TRestoreListing(const std::vector<TRestoreRow>& rows);

  // The indices of the rows inside folder (with its sub-folders; "" = everywhere) whose name or
  // folder contains text, in list order. ASCII letters match either case.
  std::vector<size_t> Filter(const std::string& text, const std::string& folder = "") const;
  // Every folder that holds a listed file, sorted, each with its trailing '/'.
  const std::vector<std::string>& Folders() const { return FFolders; }
  // The folder every listed file lies in ("/" when they share none but the root).
  std::string CommonFolder() const;

 private:
  std::vector<std::string> FNames;  // lower-cased
  std::vector<std::string> FPaths;  // as listed
  std::vector<std::string> FLowerPaths;
  std::vector<std::string> FFolders;
};

// The files at the target that restoring with these options would write over: existing files
// the mode lets the restore replace. Counts the rows that the options restore (all rows not
// deleted before the backup, or the selected ones).
int ReplacedFileCount(const std::vector<TRestoreRow>& rows, const TRestoreOptions& options);

// The name a restore mode has in the "Restore Options" dialog ("Overwrite older files", ...).
const char* RestoreModeCaption(TRestoreMode mode);

}  // namespace vaultora
