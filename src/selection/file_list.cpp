#include "selection/file_list.h"

#include <algorithm>

#include "platform/archive_flag.h"
#include "platform/atomic_file.h"
#include "platform/date_time.h"
#include "platform/folders.h"
#include "platform/streams.h"
#include "selection/win_seek.h"

namespace vaultora {

namespace {

// "/home/ann/" -> "/", "home", "ann"; the root of an absolute path is a component of its own.
TStringList FolderComponents(const std::string& folder) {
  TStringList parts;
  size_t start = 0;
  if (!folder.empty() && folder[0] == '/') {
    parts.push_back("/");
    start = 1;
  }
  for (std::string& part : Split(std::string_view(folder).substr(start), '/'))
    if (!part.empty()) parts.push_back(std::move(part));
  return parts;
}

}  // namespace

bool TFolderFileList::Add(const TDroppedFile& entry) {
  const std::string path(EntryPath(entry.Text));
  if (!FPaths.insert(path).second) return false;
  FItems.push_back(entry);
  return true;
}

bool TFolderFileList::Remove(const std::string& path) {
  if (FPaths.erase(path) == 0) return false;
  FItems.erase(std::find_if(FItems.begin(), FItems.end(),
                            [&](const TDroppedFile& e) { return EntryPath(e.Text) == path; }));
  return true;
}

std::string TFolderNode::FolderPath() const {
  if (FParent) return FParent->FolderPath() + FCaption + "/";
  return FCaption == "/" ? FCaption : FCaption + "/";
}

void TFileList::Clear() {
  FLastFolder.clear();
  FLastNode = nullptr;
  FEntryOrder.clear();
  FRoots.clear();
  ResetAddedNodes();
  FModified = false;
}

void TFileList::LoadFromFile(const std::string& fileName) {
  std::string error;
  LoadFromFile(fileName, error);
}

bool TFileList::LoadFromFile(const std::string& fileName, std::string& error) {
  Clear();
  TStringList entries;
  if (!Trim(fileName).empty() && FileExists(fileName) &&
      !ReadFileListEntries(fileName, entries, error))
    return false;
  TArchiveFlags flags;
  for (const std::string& text : entries)
    AddText(text, flags);
  FModified = false;
  return true;
}

bool TFileList::AddText(const std::string& text) {
  TArchiveFlags flags;
  return AddText(text, flags);
}

bool TFileList::AddText(const std::string& text, TArchiveFlags& flags) {
  TDroppedFile entry;
  entry.Text = text;
  const std::string path(EntryPath(text));
  if (!IsRuleText(text) &&
      (!FindSearchRec(path, entry.SearchRec, flags) || entry.SearchRec.Size == 0)) {
    entry.SearchRec = TSearchRec{};
    entry.SearchRec.Name = ExtractFileName(path);
  }
  return Add(entry);
}

bool TFileList::Add(const TDroppedFile& entry) {
  const std::string path(EntryPath(entry.Text));
  if (path.empty()) return false;
  std::string folder = EntryFolder(entry.Text);
  if (!FLastNode || folder != FLastFolder) {
    FLastNode = ForceNode(folder);
    FLastFolder = std::move(folder);
  }
  TFolderNode* node = FLastNode;
  if (!node->FFiles) {
    node->FFiles = std::make_unique<TFolderFileList>();
    FEntryOrder.push_back(node);
  }
  if (!node->FFiles->Add(entry)) return false;
  if (!FFirstAdded) FFirstAdded = node;
  FLastAdded = node;
  FModified = true;
  return true;
}

int TFileList::AddSelected(const std::string& selected, const std::string& mask,
                           bool includeSubFolders) {
  if (IsRuleText(selected)) return Add(TDroppedFile{TSearchRec{}, selected}) ? 1 : 0;
  if (!DirectoryExists(selected)) return AddText(selected) ? 1 : 0;
  int added = 0;
  TWinSeek seek;
  seek.Root = selected;
  seek.Mask = mask;
  seek.IncludeSubFolders = includeSubFolders;
  seek.SeekView = skFiles;
  seek.OnFileFind = [&](TComponent*, const std::string& folder, const TSearchRec& found, bool&) {
    if (Add(TDroppedFile{found, folder + found.Name})) ++added;
  };
  seek.Execute();
  return added;
}

TFolderNode* TFileList::ForceNode(const std::string& folder) {
  std::vector<std::unique_ptr<TFolderNode>>* level = &FRoots;
  TFolderNode* parent = nullptr;
  for (const std::string& part : FolderComponents(folder)) {
    auto found = std::find_if(level->begin(), level->end(),
                              [&](const auto& node) { return node->Caption() == part; });
    if (found == level->end()) {
      level->push_back(std::make_unique<TFolderNode>(part, parent));
      found = level->end() - 1;
    }
    parent = found->get();
    level = &parent->FChildren;
  }
  return parent;
}

TFolderNode* TFileList::FindNode(const std::string& folder) const {
  const std::vector<std::unique_ptr<TFolderNode>>* level = &FRoots;
  TFolderNode* node = nullptr;
  for (const std::string& part : FolderComponents(folder)) {
    auto found = std::find_if(level->begin(), level->end(),
                              [&](const auto& n) { return n->Caption() == part; });
    if (found == level->end()) return nullptr;
    node = found->get();
    level = &node->FChildren;
  }
  return node;
}

void TFileList::ForgetNode(TFolderNode* node) {
  for (const auto& child : node->FChildren)
    ForgetNode(child.get());
  FEntryOrder.erase(std::remove(FEntryOrder.begin(), FEntryOrder.end(), node), FEntryOrder.end());
  if (FFirstAdded == node) FFirstAdded = nullptr;
  if (FLastAdded == node) FLastAdded = nullptr;
  if (FLastNode == node) FLastNode = nullptr;
}

void TFileList::RemoveNode(TFolderNode* node) {
  if (!node) return;
  ForgetNode(node);
  auto& level = node->Parent() ? node->Parent()->FChildren : FRoots;
  level.erase(
      std::remove_if(level.begin(), level.end(), [&](const auto& n) { return n.get() == node; }),
      level.end());
  FModified = true;
}

bool TFileList::RemoveEntry(const std::string& path) {
  TFolderNode* node = FindNode(EntryFolder(path));
  if (!node || !node->FFiles || !node->FFiles->Remove(path)) return false;
  FModified = true;
  return true;
}

std::vector<const TDroppedFile*> TFileList::Entries() const {
  std::vector<const TDroppedFile*> entries;
  for (const TFolderNode* node : FEntryOrder)
    for (const TDroppedFile& entry : node->FFiles->Items())
      entries.push_back(&entry);
  return entries;
}

bool TFileList::Contains(const std::string& path) const {
  const TFolderNode* node = FindNode(EntryFolder(path));
  return node && node->FFiles && node->FFiles->Contains(path);
}

size_t TFileList::Count() const {
  size_t count = 0;
  for (const TFolderNode* node : FEntryOrder)
    count += node->FFiles->Count();
  return count;
}

TStringList TFileList::Lines() const {
  TStringList lines;
  std::string folder;
  for (const TDroppedFile* entry : Entries()) {
    const std::string entryFolder = EntryFolder(entry->Text);
    if (entryFolder != folder || lines.empty()) {
      folder = entryFolder;
      lines.push_back(folder);
    }
    lines.push_back(entry->Text.substr(folder.size()));
  }
  return lines;
}

bool TFileList::SaveToFile(const std::string& fileName) {
  const TStringList lines = Lines();
  if (lines.empty()) {
    DeleteFile(fileName);
    FModified = false;
    return false;
  }
  std::string text;
  for (const std::string& line : lines)
    text += line + kFileListLineEnd;
  TAtomicFile file(fileName);
  file.Stream().WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  file.Stream().Flush();
  file.Commit();
  FModified = false;
  return true;
}

TStringList ExpandListLines(const TStringList& lines) {
  TStringList entries;
  std::string folder;
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    if (ClassifyListLine(line) == TListLineKind::llFolder) {
      folder = IncludeTrailingSlash(std::string(EntryPath(line)));
    } else if (!folder.empty()) {
      entries.push_back(folder + line);
    }
  }
  return entries;
}

TStringList ReadFileListEntries(const std::string& fileName) {
  TStringList entries;
  std::string error;
  ReadFileListEntries(fileName, entries, error);
  return entries;
}

bool ReadFileListEntries(const std::string& fileName, TStringList& entries, std::string& error) {
  entries.clear();
  TStringList lines;
  if (!ReadListLines(fileName, lines, error)) return false;
  const bool hasText = std::any_of(lines.begin(), lines.end(),
                                   [](const std::string& line) { return !line.empty(); });
  const bool hasFolder = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
    return !line.empty() && ClassifyListLine(line) == TListLineKind::llFolder;
  });
  if (hasText && !hasFolder) {
    error = "\"" + fileName + "\" is not a file list";
    return false;
  }
  entries = ExpandListLines(lines);
  return true;
}

std::string NewFileListName(const std::string& workingFolder) {
  return IncludeTrailingSlash(workingFolder) + ReplaceAll(FloatToText(Now()), ".", "_") +
         kFileListExtension;
}

}  // namespace vaultora
