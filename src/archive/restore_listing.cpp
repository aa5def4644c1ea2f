#include "archive/restore_listing.h"

#include <algorithm>
#include <set>

#include "archive/restore_target.h"
#include "platform/file_attributes.h"
#include "platform/folders.h"

namespace vaultora {

namespace {

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool StartsWithText(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

TRestoreListing::TRestoreListing(const std::vector<TRestoreRow>& rows) {
  FNames.reserve(rows.size());
  FPaths.reserve(rows.size());
  FLowerPaths.reserve(rows.size());
  std::set<std::string> folders;
  for (const TRestoreRow& row : rows) {
    FNames.push_back(LowerAscii(row.Name));
    FPaths.push_back(row.Path);
    FLowerPaths.push_back(LowerAscii(row.Path));
    folders.insert(row.Path);
  }
  FFolders.assign(folders.begin(), folders.end());
}

std::vector<size_t> TRestoreListing::Filter(const std::string& text,
                                            const std::string& folder) const {
  const std::string lower = LowerAscii(text);
  std::vector<size_t> shown;
  shown.reserve(FNames.size());
  for (size_t i = 0; i < FNames.size(); ++i) {
    if (!folder.empty() && !StartsWithText(FPaths[i], folder)) continue;
    if (lower.empty() || FNames[i].find(lower) != std::string::npos ||
        FLowerPaths[i].find(lower) != std::string::npos)
      shown.push_back(i);
  }
  return shown;
}

std::string TRestoreListing::CommonFolder() const {
  if (FFolders.empty()) return "";
  // The folders are sorted: what the first and the last share, all share.
  const std::string& first = FFolders.front();
  const std::string& last = FFolders.back();
  size_t same = 0;
  while (same < first.size() && same < last.size() && first[same] == last[same])
    ++same;
  const size_t slash = first.rfind('/', same == 0 ? 0 : same - 1);
  return slash == std::string::npos ? "/" : first.substr(0, slash + 1);
}

int ReplacedFileCount(const std::vector<TRestoreRow>& rows, const TRestoreOptions& options) {
  std::vector<size_t> chosen;
  if (options.AllFiles) {
    for (size_t i = 0; i < rows.size(); ++i)
      if (!rows[i].Deleted || options.Everything) chosen.push_back(i);
  } else {
    chosen = options.Selected;
  }
  const std::string folder = options.OriginalPath ? "" : IncludeTrailingSlash(options.Folder);
  const bool fullPath = options.OriginalPath || options.UseFolderNames;
  std::set<std::string> counted;  // a flat restore can bring two rows to one target
  int replaced = 0;
  for (size_t i : chosen) {
    if (i >= rows.size()) continue;
    const TRestoreRow& row = rows[i];
    std::string target;
    if (!RestoreTargetName(row.Path + row.Name, folder, fullPath, target)) continue;
    if (!FileExists(target) || !counted.insert(target).second) continue;
    if (RestoreModeAllows(options.Mode, true, FileAge(target) < row.DosDate)) ++replaced;
  }
  return replaced;
}

const char* RestoreModeCaption(TRestoreMode mode) {
  switch (mode) {
    case rmAll:
      return "Overwrite All";
    case rmNoOverwrite:
      return "No Overwrite";
    case rmNewer:
      return "Overwrite older files";
    case rmExisting:
      return "Overwrite only existing files";
    case rmExistingNewer:
      return "Overwrtie only existing older files";
  }
  return "";
}

}  // namespace vaultora
