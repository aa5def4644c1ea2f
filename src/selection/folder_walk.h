#pragma once
// The walk shared by the synchronous and the threaded file search: lists a folder (and, when
// asked, its subfolders depth first) by absolute paths and reports every entry that passes the
// entry filter. Each folder is listed once and each reported entry costs one stat, relative to
// the open folder. Hidden entries (names beginning with '.') are reported and entered unless
// the request leaves them out: they are the configuration users most need back. The process's
// current folder is never changed.

#include <functional>
#include <string>

#include "selection/search_rec.h"

namespace vaultora {

enum TSeekView { skFiles, skFolders, skFilesFolders };

// Asked for each entry that matches the mask before its status is read; false leaves it out
// at no further cost (a caller that already knows the entry).
using TWalkWanted = std::function<bool(const std::string& folder, const std::string& name)>;

struct TSeekRequest {
  std::string Root;  // absolute, with a trailing '/'
  bool IncludeSubFolders = false;
  TSeekView SeekView = skFiles;
  std::string Mask = "*.*";
  bool IncludeHidden = true;
  bool ArchiveAttribute = true;  // false: reported records never carry faArchive (no lookup)
  TWalkWanted Wanted;            // none: every matching entry
};

// A request for the walk of root (made absolute) with the other fields at their defaults.
TSeekRequest SeekRequestFor(const std::string& root, bool includeSubFolders, TSeekView view,
                            const std::string& mask);

// Called for each reported entry with its folder (absolute, trailing '/'); returns true to stop
// the whole walk.
using TWalkReport = std::function<bool(const std::string& folder, const TSearchRec& found)>;
// Asked after every listed entry and every subfolder; true ends the whole walk.
using TWalkStopped = std::function<bool()>;

// The root made absolute against the current folder, with a trailing '/'; an empty root is the
// current folder itself.
std::string AbsoluteSeekRoot(const std::string& root);

// Walks request.Root. Returns false with error set when the root cannot be listed; a subfolder
// that cannot be listed is skipped. Entries of one folder come in byte order of their names.
bool WalkFolders(const TSeekRequest& request, const TWalkReport& report,
                 const TWalkStopped& stopped, std::string& error);

}  // namespace vaultora
