#pragma once
// The builder's filtering of a file list: monitoring rules are expanded with the file search,
// and, when the backup appends to a base backup, every listed file is compared with the state
// recorded when it was last taken (every backup records the state of what it takes). The result is
// the plain list of files to archive and the updated list, which the builder writes back only once
// the backup has been recorded (so a failed or stopped run leaves the list file as it was and the
// next run takes the same files).

#include <functional>
#include <string>
#include <unordered_set>

#include "archive/backup_file.h"
#include "platform/text.h"
#include "selection/file_list.h"

namespace vaultora {

class TFileListFilter {
 public:
  using TStatus = std::function<void(const std::string& line)>;
  using TAddFile = std::function<void(const std::string& fileName, bool& stopScan)>;

  TStatus OnStatus;
  TAddFile OnAddFile;  // a file found by a monitoring rule is added
  // Asked after every file entry and found file: true ends the filtering early.
  std::function<bool()> Stopped;

  // Loads the list file; false (nothing to archive) when it cannot be read.
  bool Load(const std::string& fileName);
  // Filters the list; hasBase says whether the backup appends to an earlier one.
  void Filter(bool hasBase);

  // The files to archive, in list order, then the files the rules found.
  const TStringList& Files() const { return FPlain; }
  // The list with each taken file's present state; write it once the backup is recorded.
  TFileList& UpdatedList() { return FUpdated; }
  // The same without the entries whose file was missing: what the backup holds once its chain
  // is merged, kept beside it so that a restore gives back those files and no deleted ones.
  TFileList ContentsList() const;
  // Files the run could not take: special files and names the list format cannot hold. Each
  // was reported with a status line; the backup is incomplete.
  const std::vector<TNotTakenFile>& Skipped() const { return FSkipped; }
  // True when the list file no longer holds what Load read (the user edited it meanwhile): the
  // updated list must then not replace it.
  bool ChangedSinceLoad(const std::string& fileName) const;
  // True while Filter runs (a file search is part of it).
  bool Busy() const { return FBusy; }

 private:
  void ExpandRule(size_t index);
  void CheckFile(size_t index, bool hasBase);
  void Skip(const std::string& path, const std::string& reason);
  void Status(const std::string& line) const {
    if (OnStatus) OnStatus(line);
  }
  bool IsStopped() const { return Stopped && Stopped(); }

  TStringList FLoaded;   // the file's lines as Load read them
  TStringList FEntries;  // entry texts with their recorded state, as read
  TStringList FPlain;    // the same entries without state; "" once removed
  TStringList FFound;    // files the rules found, in the order found
  TFileList FUpdated;
  std::vector<TNotTakenFile> FSkipped;
  std::unordered_set<size_t> FAbsent;       // indices of entries whose file was missing
  std::unordered_set<std::string> FListed;  // the paths the list names, for the rules' walks
  bool FBusy = false;
};

}  // namespace vaultora
