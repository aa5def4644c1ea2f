#include "archive/file_specs.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <unordered_set>

#include "platform/archive_flag.h"
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
    if (DirectoryExists(path)) {
      ExpandFolder(IncludeTrailingSlash(path), "*", recursive);
    } else {
      ExpandFolder(ExtractFilePath(path), ExtractFileName(path), recursive);
    }
  }

  TStringList Take() { return std::move(FFiles); }

 private:
  void ExpandFolder(const std::string& folder, const std::string& mask, bool recursive) {
    const bool exact = !HasWildcards(mask);
    for (const std::string& name : SortedEntries(folder)) {
      const std::string path = folder + name;
      struct stat link {};
      if (lstat(path.c_str(), &link) != 0) continue;
      if (S_ISDIR(link.st_mode)) {
        if (recursive && name[0] != '.') ExpandFolder(path + "/", mask, true);
        continue;
      }
      struct stat st {};
      if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;  // links to folders too
      if (exact ? name == mask : MatchesMask(name, mask)) Add(path);
    }
  }

  static TStringList SortedEntries(const std::string& folder) {
    TStringList names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
  }

  void Add(const std::string& path) {
    if (path == FArchive || FSeen.count(path) != 0) return;
    if (FOptions.OnlyFlagged && !FOptions.OnlyFlagged->IsSet(path)) return;
    FSeen.insert(path);
    FFiles.push_back(path);
  }

  const TFileSpecOptions& FOptions;
  std::string FArchive;
  std::unordered_set<std::string> FSeen;
  TStringList FFiles;
};

}  // namespace

std::string AbsolutePath(const std::string& path) {
  std::error_code ignored;
  std::string result = std::filesystem::absolute(path, ignored).lexically_normal().string();
  if (result.size() > 1 && result.back() == '/') result.pop_back();
  return result;
}

TStringList ExpandFileSpecs(const TStringList& patterns, const TFileSpecOptions& options) {
  TExpander expander(options);
  for (const std::string& pattern : patterns)
    expander.Expand(pattern);
  return expander.Take();
}

}  // namespace vaultora
