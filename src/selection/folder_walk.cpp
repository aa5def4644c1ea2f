#include "selection/folder_walk.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/archive_flag.h"
#include "platform/file_mask.h"
#include "platform/folders.h"

namespace vaultora {

namespace {

struct TListedEntry {
  std::string Name;
  bool IsFolder = false;  // a real folder, not a link to one
};

// The names of a folder's entries in byte order, "." and ".." left out.
bool ListFolder(const std::string& folder, std::vector<TListedEntry>& entries, std::string& error) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) {
    error = "Cannot list folder \"" + folder + "\": " + std::strerror(errno);
    return false;
  }
  while (dirent* d = ::readdir(dir)) {
    const std::string name = d->d_name;
    if (name == "." || name == "..") continue;
    bool isFolder = d->d_type == DT_DIR;
    if (d->d_type == DT_UNKNOWN) {
      struct stat status {};
      isFolder = ::lstat((folder + name).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
    }
    entries.push_back({name, isFolder});
  }
  ::closedir(dir);
  std::sort(entries.begin(), entries.end(),
            [](const TListedEntry& a, const TListedEntry& b) { return a.Name < b.Name; });
  return true;
}

class TWalker {
 public:
  TWalker(const TSeekRequest& request, const TWalkReport& report, const TWalkStopped& stopped)
      : FRequest(request), FReport(report), FStopped(stopped) {}

  // False once the walk has been stopped.
  bool Walk(const std::string& folder, const std::vector<TListedEntry>& entries) {
    for (const TListedEntry& entry : entries) {
      if (!ReportEntry(folder, entry) || FStopped()) return false;
    }
    if (!FRequest.IncludeSubFolders) return true;
    for (const TListedEntry& entry : entries) {
      // Hidden folders are not entered; links to folders are not followed (no cycles).
      if (!entry.IsFolder || entry.Name[0] == '.') continue;
      const std::string sub = folder + entry.Name + "/";
      std::vector<TListedEntry> subEntries;
      std::string ignored;
      if (ListFolder(sub, subEntries, ignored) && !Walk(sub, subEntries)) return false;
      if (FStopped()) return false;
    }
    return true;
  }

 private:
  // False when the report asked to stop.
  bool ReportEntry(const std::string& folder, const TListedEntry& entry) {
    if (entry.Name[0] == '.' || !MatchesMask(entry.Name, FRequest.Mask)) return true;
    // One connection to the archive attributes for the walk, opened when first needed.
    if (!FFlags) FFlags = std::make_unique<TArchiveFlags>();
    TSearchRec rec;
    if (!FindSearchRec(folder + entry.Name, rec, *FFlags)) return true;  // vanished, broken link
    if (rec.Attr & faVolumeID) return true;
    const bool isFolder = (rec.Attr & faDirectory) != 0;
    if (FRequest.SeekView == skFiles && isFolder) return true;
    if (FRequest.SeekView == skFolders && !isFolder) return true;
    return !FReport(folder, rec);
  }

  const TSeekRequest& FRequest;
  const TWalkReport& FReport;
  const TWalkStopped& FStopped;
  std::unique_ptr<TArchiveFlags> FFlags;
};

}  // namespace

std::string AbsoluteSeekRoot(const std::string& root) {
  std::string path = root;
  if (path.empty() || path[0] != '/') {
    char buffer[4096];
    const std::string current = ::getcwd(buffer, sizeof buffer) ? buffer : "/";
    path = path.empty() ? current : IncludeTrailingSlash(current) + path;
  }
  return IncludeTrailingSlash(path);
}

bool WalkFolders(const TSeekRequest& request, const TWalkReport& report,
                 const TWalkStopped& stopped, std::string& error) {
  std::vector<TListedEntry> entries;
  if (!ListFolder(request.Root, entries, error)) return false;
  TWalker(request, report, stopped).Walk(request.Root, entries);
  return true;
}

}  // namespace vaultora
