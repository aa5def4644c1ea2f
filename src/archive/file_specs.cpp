#include "archive/file_specs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/archive_flag.h"
#include "platform/file_attributes.h"
#include "platform/file_mask.h"
#include "platform/folders.h"

namespace vaultora {

namespace {

constexpr std::string_view kRecursiveSwitch = " /s";

// Removes a " /s" switch (followed by the end or a blank) from text; true when there was one.
bool TakeRecursiveSwitch(std::string& text) {
  for (size_t at = text.find(kRecursiveSwitch); at != std::string::npos;
       at = text.find(kRecursiveSwitch, at + 1)) {
    const size_t end = at + kRecursiveSwitch.size();
    if (end == text.size() || text[end] == ' ' || text[end] == '\t') {
      text.erase(at, kRecursiveSwitch.size());
      return true;
    }
  }
  return false;
}

bool HasWildcards(std::string_view mask) {
  return mask.find_first_of("*?") != std::string_view::npos;
}

class TExpander {
 public:
  explicit TExpander(const TFileSpecOptions& options)
      : FOptions(options),
        FArchive(options.ArchiveName.empty() ? "" : AbsolutePath(options.ArchiveName)) {}

  void Expand(const std::string& pattern) {
    std::string text = pattern;
    const bool recursive = TakeRecursiveSwitch(text);
    text = Trim(text);
    if (text.empty()) return;
    const std::string path = AbsolutePath(text);
    const std::string name = ExtractFileName(path);
    if (HasWildcards(name)) {
      ExpandFolder(ExtractFilePath(path), name, recursive);
      return;
    }
    // A path without wildcards is read with one stat: a listed file costs no folder listing.
    struct stat st {};
    const bool found = stat(path.c_str(), &st) == 0;
    TFileStamp link;
    int32_t age = 0;
    if (found && S_ISDIR(st.st_mode) && FOptions.NamedFolderLinks &&
        FolderLinkStamp(path, link, age))
      Add(path, &link);
    else if (found && S_ISDIR(st.st_mode))
      ExpandFolder(IncludeTrailingSlash(path), "*", recursive);
    else if (recursive)  // the name is looked for in the subfolders too
      ExpandFolder(ExtractFilePath(path), name, true);
    else if (found && S_ISREG(st.st_mode))
      Add(path);
    else if (!found && errno == ENOENT && FOptions.Missing)
      FOptions.Missing->push_back(path);
  }

  TStringList Take() { return std::move(FFiles); }

 private:
  void ExpandFolder(const std::string& folder, const std::string& mask, bool recursive) {
    const bool exact = !HasWildcards(mask);
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::pair<std::string, bool>> entries;  // name, a real folder
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      bool isFolder = entry->d_type == DT_DIR;
      if (entry->d_type == DT_UNKNOWN) {
        struct stat link {};
        isFolder = fstatat(dirfd(dir), name.c_str(), &link, AT_SYMLINK_NOFOLLOW) == 0 &&
                   S_ISDIR(link.st_mode);
      }
      entries.emplace_back(name, isFolder);
    }
    std::sort(entries.begin(), entries.end());
    // Entries in name order, a subfolder's files where its name comes.
    for (const auto& [name, isFolder] : entries) {
      if (isFolder) {
        if (recursive) ExpandFolder(folder + name + "/", mask, true);
        continue;
      }
      if (!(exact ? name == mask : MatchesMask(name, mask))) continue;
      struct stat st {};
      if (fstatat(dirfd(dir), name.c_str(), &st, 0) != 0) continue;
      if (S_ISREG(st.st_mode)) {
        Add(folder + name);
      } else if (S_ISDIR(st.st_mode)) {
        // A link to a folder is taken as the link, never entered: no loops, no doubles.
        TFileStamp link;
        int32_t age = 0;
        if (FolderLinkStamp(folder + name, link, age)) Add(folder + name, &link);
      }
    }
    closedir(dir);
  }

  // linkStamp: the stamp of a link to a folder, which has no contents to look up.
  void Add(const std::string& path, const TFileStamp* linkStamp = nullptr) {
    if (path == FArchive || FSeen.count(path) != 0) return;
    if (FOptions.OnlyFlagged && !(linkStamp ? FOptions.OnlyFlagged->IsSet(path, *linkStamp)
                                            : FOptions.OnlyFlagged->IsSet(path)))
      return;
    FSeen.insert(path);
    FFiles.push_back(path);
  }

  const TFileSpecOptions& FOptions;
  std::string FArchive;
  std::unordered_set<std::string> FSeen;
  TStringList FFiles;
};

}  // namespace

TStringList ExpandFileSpecs(const TStringList& patterns, const TFileSpecOptions& options) {
  TExpander expander(options);
  for (const std::string& pattern : patterns)
    expander.Expand(pattern);
  return expander.Take();
}

}  // namespace vaultora
