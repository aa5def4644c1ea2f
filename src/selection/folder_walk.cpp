#include "selection/folder_walk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
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
  unsigned char Type = DT_UNKNOWN;  // as the listing said; DT_DIR is a real folder, not a link
};

// An open folder whose entries are listed once, in byte order of their names ("." and ".."
// left out); statuses are read relative to it.
class TOpenFolder {
 public:
  explicit TOpenFolder(const std::string& folder) : FDir(::opendir(folder.c_str())) {}
  ~TOpenFolder() {
    if (FDir) ::closedir(FDir);
  }
  TOpenFolder(const TOpenFolder&) = delete;
  TOpenFolder& operator=(const TOpenFolder&) = delete;

  bool IsOpen() const { return FDir != nullptr; }

  std::vector<TListedEntry> List() {
    std::vector<TListedEntry> entries;
    while (dirent* d = ::readdir(FDir)) {
      if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
      entries.push_back({d->d_name, d->d_type});
    }
    std::sort(entries.begin(), entries.end(),
              [](const TListedEntry& a, const TListedEntry& b) { return a.Name < b.Name; });
    return entries;
  }

  // The status of an entry; follow reads a link's target.
  bool Status(const std::string& name, struct stat& status, bool follow) const {
    return ::fstatat(::dirfd(FDir), name.c_str(), &status, follow ? 0 : AT_SYMLINK_NOFOLLOW) == 0;
  }

  // True for a real folder (a link to one is not entered: no cycles).
  bool IsFolder(const TListedEntry& entry) const {
    if (entry.Type != DT_UNKNOWN) return entry.Type == DT_DIR;
    struct stat status {};
    return Status(entry.Name, status, false) && S_ISDIR(status.st_mode);
  }

 private:
  DIR* FDir;
};

class TWalker {
 public:
  TWalker(const TSeekRequest& request, const TWalkReport& report, const TWalkStopped& stopped)
      : FRequest(request), FReport(report), FStopped(stopped) {}

  // False once the walk has been stopped. The folder is closed before its subfolders are
  // entered, so a deep tree holds one open folder at a time.
  bool Walk(const std::string& folder, std::unique_ptr<TOpenFolder> open) {
    std::vector<std::string> subFolders;
    for (const TListedEntry& entry : open->List()) {
      if (!FRequest.IncludeHidden && entry.Name[0] == '.') continue;
      if (!ReportEntry(folder, *open, entry.Name) || FStopped()) return false;
      if (FRequest.IncludeSubFolders && open->IsFolder(entry)) subFolders.push_back(entry.Name);
    }
    open.reset();
    for (const std::string& name : subFolders) {
      const std::string sub = folder + name + "/";
      auto subOpen = std::make_unique<TOpenFolder>(sub);  // one that cannot be listed is skipped
      if (subOpen->IsOpen() && !Walk(sub, std::move(subOpen))) return false;
      if (FStopped()) return false;
    }
    return true;
  }

 private:
  // False when the report asked to stop.
  bool ReportEntry(const std::string& folder, const TOpenFolder& open, const std::string& name) {
    if (!MatchesMask(name, FRequest.Mask)) return true;
    if (FRequest.Wanted && !FRequest.Wanted(folder, name)) return true;
    struct stat status {};
    if (!open.Status(name, status, true)) return true;  // vanished, broken link
    const bool isFolder = S_ISDIR(status.st_mode);
    if (FRequest.SeekView == skFiles && isFolder) return true;
    if (FRequest.SeekView == skFolders && !isFolder) return true;
    // One connection to the archive attributes for the walk, opened when first needed.
    if (FRequest.ArchiveAttribute && !FFlags) FFlags = std::make_unique<TArchiveFlags>();
    return !FReport(folder, SearchRecOf(folder, name, status, FFlags.get()));
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

TSeekRequest SeekRequestFor(const std::string& root, bool includeSubFolders, TSeekView view,
                            const std::string& mask) {
  TSeekRequest request;
  request.Root = AbsoluteSeekRoot(root);
  request.IncludeSubFolders = includeSubFolders;
  request.SeekView = view;
  request.Mask = mask;
  return request;
}

bool WalkFolders(const TSeekRequest& request, const TWalkReport& report,
                 const TWalkStopped& stopped, std::string& error) {
  auto root = std::make_unique<TOpenFolder>(request.Root);
  if (!root->IsOpen()) {
    error = "Cannot list folder \"" + request.Root + "\": " + std::strerror(errno);
    return false;
  }
  TWalker(request, report, stopped).Walk(request.Root, std::move(root));
  return true;
}

}  // namespace vaultora
