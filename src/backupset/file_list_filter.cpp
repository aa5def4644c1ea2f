#include "backupset/file_list_filter.h"

#include <sys/stat.h>

#include <unordered_set>

#include "platform/date_time.h"
#include "platform/process_messages.h"
#include "selection/file_list_format.h"
#include "selection/win_seek.h"

namespace vaultora {

namespace {

// A regular file's size and local modification time as day number, rounded the way the list
// records it so that an unchanged file compares equal to its recorded state.
bool PresentState(const std::string& path, TRecordedState& state) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
  state.Size = status.st_size;
  return TextToFloat(FloatToText(ModificationTimeOf(status)), state.Time);
}

std::string Quoted(const std::string& path) {
  return "\"" + path + "\"";
}

}  // namespace

bool TFileListFilter::Load(const std::string& fileName) {
  FEntries.clear();
  FPlain.clear();
  FFound.clear();
  FUpdated.Clear();
  FLoaded.clear();
  std::string error;
  if (!ReadListLines(fileName, FLoaded, error)) return false;
  FEntries = ExpandListLines(FLoaded);
  for (const std::string& entry : FEntries)
    FPlain.emplace_back(EntryPath(entry));
  return true;
}

bool TFileListFilter::ChangedSinceLoad(const std::string& fileName) const {
  TStringList lines;
  std::string error;
  return !ReadListLines(fileName, lines, error) || lines != FLoaded;
}

void TFileListFilter::Filter(bool hasBase) {
  FBusy = true;
  // Entries are visited from the last to the first, as the list has always been filtered.
  for (size_t i = FEntries.size(); i-- > 0 && !IsStopped();) {
    if (IsRuleText(FEntries[i]))
      ExpandRule(i);
    else
      CheckFile(i, hasBase);
  }
  FBusy = false;

  TStringList files;
  for (std::string& path : FPlain)
    if (!path.empty()) files.push_back(std::move(path));
  files.insert(files.end(), FFound.begin(), FFound.end());
  FPlain = std::move(files);
  // The updated list keeps the original order, with the found files after it. It is only
  // written, so its entries need no search records.
  FUpdated.Clear();
  for (const std::string& entry : FEntries)
    FUpdated.Add(TDroppedFile{TSearchRec{}, entry});
}

void TFileListFilter::ExpandRule(size_t index) {
  FPlain[index].clear();
  TMonitoringRule rule;
  if (!ParseRule(FEntries[index], rule)) return;
  Status("Validating file list for  " + Quoted(rule.Root));
  std::unordered_set<std::string> listed;
  for (const std::string& entry : FEntries)
    listed.emplace(EntryPath(entry));

  TWinSeek seek;
  seek.Root = rule.Root;
  seek.IncludeSubFolders = rule.IncludeSubFolders();
  seek.Mask = rule.Mask;
  seek.SeekView = skFiles;
  seek.OnFileFind = [&](TComponent*, const std::string& folder, const TSearchRec& found,
                        bool& stopScan) {
    const std::string path = folder + found.Name;
    if (listed.insert(path).second) {
      FEntries.push_back(EntryWithState(path, found.Time, found.Size));
      if (OnAddFile) OnAddFile(path, stopScan);
      FFound.push_back(path);
    }
    ProcessMessages();
    if (IsStopped()) stopScan = true;
  };
  seek.Execute();
}

void TFileListFilter::CheckFile(size_t index, bool hasBase) {
  const std::string path = FPlain[index];
  TRecordedState present;
  if (!PresentState(path, present)) {
    Status("Excluding file " + Quoted(path) + ", File not found");
    FPlain[index].clear();
  } else if (hasBase) {
    TRecordedState recorded;
    const bool hasState = ParseRecordedState(EntrySuffix(FEntries[index]), recorded);
    if (hasState && present.Size == recorded.Size && present.Time <= recorded.Time) {
      Status("Excluding file " + Quoted(path) + ", the file size unchanged");
      Status("Excluding file " + Quoted(path) +
             ", the file is same or older as the archived file.");
      FPlain[index].clear();
    } else {
      FEntries[index] = EntryWithState(path, present.Time, present.Size);
    }
  }
  ProcessMessages();
}

}  // namespace vaultora
