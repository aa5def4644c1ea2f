#include "selection/list_tally.h"

#include <unordered_map>
#include <unordered_set>

#include "platform/size_text.h"
#include "platform/text.h"
#include "selection/file_list.h"
#include "selection/folder_walk.h"

namespace vaultora {

std::vector<TTallyEntry> TallyInput(const TFileList& list) {
  std::vector<TTallyEntry> entries;
  entries.reserve(list.Count());
  for (const TDroppedFile* entry : list.Entries())
    entries.push_back({std::string(EntryPath(entry->Text)), entry->SearchRec.Size});
  return entries;
}

TListTally TallyList(const std::vector<TTallyEntry>& entries,
                     const std::function<bool()>& stopped) {
  TListTally result;
  std::unordered_map<std::string, size_t> index;
  // A file listed and also matched by a rule is read once.
  std::unordered_set<std::string> counted;
  auto folder = [&](const std::string& path) -> TTally& {
    auto [at, added] = index.try_emplace(path, result.Folders.size());
    if (added) result.Folders.push_back({path, TTally{}});
    return result.Folders[at->second].second;
  };
  auto count = [&](TTally& tally, const std::string& path, int64_t size) {
    if (!counted.insert(path).second) return;
    ++tally.Files;
    tally.Bytes += size;
    ++result.Total.Files;
    result.Total.Bytes += size;
  };
  for (const TTallyEntry& entry : entries) {
    if (stopped && stopped()) {
      result.Stopped = true;
      break;
    }
    TMonitoringRule rule;
    if (!ParseRule(entry.Text, rule)) {
      count(folder(EntryFolder(entry.Text)), entry.Text, entry.Size);
      continue;
    }
    TTally& tally = folder(rule.Root);
    TSeekRequest request = SeekRequestFor(rule.Root, rule.IncludeSubFolders(), skFiles, rule.Mask);
    request.ArchiveAttribute = false;
    std::string error;
    WalkFolders(
        request,
        [&](const std::string& found, const TSearchRec& rec) {
          count(tally, found + rec.Name, rec.Size);
          return false;
        },
        [&] { return stopped && stopped(); }, error);
  }
  if (stopped && stopped()) result.Stopped = true;
  return result;
}

std::string TallyText(const TTally& tally) {
  return IntToStr(tally.Files) + " file(s), " + ByteSizeText(tally.Bytes);
}

}  // namespace vaultora
