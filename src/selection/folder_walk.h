#pragma once
// The walk shared by the synchronous and the threaded file search: lists a folder (and, when
// asked, its subfolders depth first) by absolute paths and reports every entry that passes the
// entry filter. The process's current folder is never changed.

#include <functional>
#include <string>

#include "selection/search_rec.h"

namespace vaultora {

enum TSeekView { skFiles, skFolders, skFilesFolders };

struct TSeekRequest {
  std::string Root;  // absolute, with a trailing '/'
  bool IncludeSubFolders = false;
  TSeekView SeekView = skFiles;
  std::string Mask = "*.*";
};

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
