#include "backupset/file_list_filter.h"

#include <sys/stat.h>

#include "platform/date_time.h"
#include "platform/process_messages.h"
#include "selection/file_list_format.h"
#include "selection/folder_walk.h"

namespace vaultora {

namespace {

// A regular file's size and local modification time as day number, rounded the way the list
// records it so that an unchanged file compares equal to its recorded state.
void PresentState(const struct stat& status, TRecordedState& state) {
  state.Size = status.st_size;
  if (!TextToFloat(FloatToText(ModificationTimeOf(status)), state.Time))
    state.Time = ModificationTimeOf(status);
}

// What a file that is not a regular one is, for the line that says it was not taken.
std::string KindOf(const struct stat& status) {
  if (S_ISFIFO(status.st_mode)) return "a FIFO";
  if (S_ISSOCK(status.st_mode)) return "a socket";
  if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return "a device";
  if (S_ISDIR(status.st_mode)) return "a folder";
  return "a special file";
}

// The list format is made of lines with TAB-separated parts: a name holding either cannot be
// written to it.
bool ListableName(const std::string& name) {
  return name.find_first_of("\n\r\t") == std::string::npos;
}

// True when path is a symbolic link to a folder, with the link's own status: it is taken as
// the link (never entered), the files it leads to are not.
bool FolderLinkStatus(const std::string& path, struct stat& link) {
  return ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
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
  FSkipped.clear();
  FAbsent.clear();
  FListed.clear();
  for (const std::string& entry : FEntries)
    if (!IsRuleText(entry)) FListed.emplace(EntryPath(entry));
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

TFileList TFileListFilter::ContentsList() const {
  TFileList contents;
  for (size_t i = 0; i < FEntries.size(); ++i)
    if (FAbsent.count(i) == 0) contents.Add(TDroppedFile{TSearchRec{}, FEntries[i]});
  return contents;
}

void TFileListFilter::ExpandRule(size_t index) {
  FPlain[index].clear();
  TMonitoringRule rule;
  if (!ParseRule(FEntries[index], rule)) return;
  Status("Validating file list for  " + Quoted(rule.Root));
  // Files the list names already are checked as entries: the walk skips them before their
  // status is read, so each file costs one stat in the whole filter.
  // Folders are reported too, for the links to folders among them.
  TSeekRequest request =
      SeekRequestFor(rule.Root, rule.IncludeSubFolders(), skFilesFolders, rule.Mask);
  request.ArchiveAttribute = false;
  request.Wanted = [&](const std::string& folder, const std::string& name) {
    return FListed.count(folder + name) == 0;
  };
  bool stopScan = false;
  std::string error;
  WalkFolders(
      request,
      [&](const std::string& folder, const TSearchRec& found) {
        const std::string path = folder + found.Name;
        struct stat link {};
        const bool isFolder = S_ISDIR(found.FindData.st_mode);
        if (isFolder && !FolderLinkStatus(path, link)) return stopScan || IsStopped();
        FListed.insert(path);
        if (isFolder) {
          if (!ListableName(found.Name)) {
            Skip(path, "its name holds a line break or TAB, which the file list cannot hold");
          } else {
            TRecordedState state;
            PresentState(link, state);
            FEntries.push_back(EntryWithState(path, state.Time, state.Size));
            if (OnAddFile) OnAddFile(path, stopScan);
            FFound.push_back(path);
          }
        } else if (!S_ISREG(found.FindData.st_mode)) {
          Skip(path, KindOf(found.FindData) + " cannot be backed up");
        } else if (!ListableName(found.Name)) {
          Skip(path, "its name holds a line break or TAB, which the file list cannot hold");
        } else {
          FEntries.push_back(EntryWithState(path, found.Time, found.Size));
          if (OnAddFile) OnAddFile(path, stopScan);
          FFound.push_back(path);
        }
        ProcessMessages();
        return stopScan || IsStopped();
      },
      [&] { return stopScan || IsStopped(); }, error);
}

void TFileListFilter::CheckFile(size_t index, bool hasBase) {
  const std::string path = FPlain[index];
  TRecordedState present;
  struct stat status {};
  const bool found = ::stat(path.c_str(), &status) == 0;
  // A link to a folder is compared by the link's own status.
  const bool folderLink = found && S_ISDIR(status.st_mode) && FolderLinkStatus(path, status);
  if (!found) {
    Status("Excluding file " + Quoted(path) + ", File not found");
    FPlain[index].clear();
    FAbsent.insert(index);
  } else if (!folderLink && !S_ISREG(status.st_mode)) {
    Skip(path, KindOf(status) + " cannot be backed up");
    FPlain[index].clear();
    FAbsent.insert(index);
  } else {
    PresentState(status, present);
    TRecordedState recorded;
    const bool hasState = ParseRecordedState(EntrySuffix(FEntries[index]), recorded);
    if (hasBase && hasState && present.Size == recorded.Size && present.Time <= recorded.Time) {
      Status("Excluding file " + Quoted(path) + ", the file size unchanged");
      Status("Excluding file " + Quoted(path) +
             ", the file is same or older as the archived file.");
      FPlain[index].clear();
    } else {
      // A full backup records the state too, so that an incremental on it takes only what
      // changed since.
      FEntries[index] = EntryWithState(path, present.Time, present.Size);
    }
  }
  ProcessMessages();
}

void TFileListFilter::Skip(const std::string& path, const std::string& reason) {
  Status("Skipping file " + Quoted(path) + ", " + reason);
  FSkipped.push_back({path, reason});
}

}  // namespace vaultora
