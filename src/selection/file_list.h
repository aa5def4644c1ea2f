#pragma once
// The backup file list in memory: a tree of folder nodes, one per path component (case
// matters), where a node that directly holds entries owns a TFolderFileList. Entries are files
// (with the search record found when they were added or loaded) and monitoring rules; each
// keeps its text, the full path optionally followed by TAB and the recorded state, unchanged.
// Written lists group entries node by node in the order nodes first received entries. Used on
// one thread.

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/text.h"
#include "selection/file_list_format.h"
#include "selection/search_rec.h"

namespace vaultora {

class TArchiveFlags;

struct TDroppedFile {
  TSearchRec SearchRec;  // empty for a monitoring rule
  std::string Text;      // full path or rule text, optionally TAB + recorded state
};

// The entries of one folder, keyed by full path, in the order they were added.
class TFolderFileList {
 public:
  bool Contains(const std::string& path) const { return FPaths.count(path) != 0; }
  // False (nothing added) when the entry's path is already there.
  bool Add(const TDroppedFile& entry);
  bool Remove(const std::string& path);
  const std::vector<TDroppedFile>& Items() const { return FItems; }
  size_t Count() const { return FItems.size(); }

 private:
  std::vector<TDroppedFile> FItems;
  std::unordered_set<std::string> FPaths;
};

enum TFolderNodeState { nsClosed = 1, nsCurrent = 4 };

class TFolderNode {
 public:
  TFolderNode(std::string caption, TFolderNode* parent)
      : FCaption(std::move(caption)), FParent(parent) {}

  const std::string& Caption() const { return FCaption; }
  TFolderNode* Parent() const { return FParent; }
  const std::vector<std::unique_ptr<TFolderNode>>& Children() const { return FChildren; }
  // Null until the node first receives an entry.
  TFolderFileList* Files() const { return FFiles.get(); }
  // The folder the node stands for, with a trailing '/'.
  std::string FolderPath() const;
  int State = nsClosed;

 private:
  friend class TFileList;
  std::string FCaption;
  TFolderNode* FParent;
  std::vector<std::unique_ptr<TFolderNode>> FChildren;
  std::unique_ptr<TFolderFileList> FFiles;
};

class TFileList {
 public:
  void Clear();

  // Replaces the list with the file's content. An empty name (after trimming), a missing or
  // unreadable file loads nothing. Clears the modified flag.
  void LoadFromFile(const std::string& fileName);
  // The same for commands that go on to show or rewrite the file: a missing file loads nothing,
  // but one that exists and is no list (see ReadFileListEntries) gives false with the reason
  // and an empty list, so that it is never written over.
  bool LoadFromFile(const std::string& fileName, std::string& error);
  // Adds a copy of entry under the node of its folder, creating missing nodes; false (nothing
  // changed) when its path is already listed. Sets the modified flag.
  bool Add(const TDroppedFile& entry);
  // Adds a file with its present search record (the name only when it is missing or empty), or
  // a monitoring rule.
  bool AddText(const std::string& text);
  bool AddText(const std::string& text, TArchiveFlags& flags);

  // Adds what a picker returned: a monitoring rule unchanged; a folder's files found by the
  // file search with mask (and its subfolders when asked); a file with its search record.
  // Returns how many entries were added.
  int AddSelected(const std::string& selected, const std::string& mask, bool includeSubFolders);

  // Removes a node with its entries and subnodes; removes one entry. Both set modified.
  void RemoveNode(TFolderNode* node);
  bool RemoveEntry(const std::string& path);

  // Writes the list, replacing the file in one step (TAtomicFile). Returns false when the list
  // is empty: the file is then deleted instead. Raises EFCreateError / EWriteError when it
  // cannot be written; the old file is then untouched.
  // Clears the modified flag when it succeeds.
  bool SaveToFile(const std::string& fileName);
  // The lines SaveToFile writes, without line ends.
  TStringList Lines() const;

  // Entries in writing order.
  std::vector<const TDroppedFile*> Entries() const;
  bool Contains(const std::string& path) const;
  size_t Count() const;
  const std::vector<std::unique_ptr<TFolderNode>>& Roots() const { return FRoots; }
  // The node of a folder (trailing '/'), or null.
  TFolderNode* FindNode(const std::string& folder) const;
  // The first and the last node that received entries since the last ResetAddedNodes (the
  // editor selects the first after a drop and shows the last).
  TFolderNode* FirstAddedNode() const { return FFirstAdded; }
  TFolderNode* LastAddedNode() const { return FLastAdded; }
  void ResetAddedNodes() { FFirstAdded = FLastAdded = nullptr; }

  bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }

 private:
  TFolderNode* ForceNode(const std::string& folder);
  void ForgetNode(TFolderNode* node);

  std::vector<std::unique_ptr<TFolderNode>> FRoots;
  std::vector<TFolderNode*> FEntryOrder;  // nodes in the order they first received entries
  // The folder of the last entry added and its node: entries come folder by folder.
  std::string FLastFolder;
  TFolderNode* FLastNode = nullptr;
  TFolderNode* FFirstAdded = nullptr;
  TFolderNode* FLastAdded = nullptr;
  bool FModified = false;
};

// Every line of a list file expanded into a full entry text (current folder + line, TAB suffix
// kept): file paths and rule texts in file order. Lines before the first folder line name no
// file and are left out. Empty when the file cannot be read.
TStringList ReadFileListEntries(const std::string& fileName);
// The same with the reason when the file cannot be read or is no list: it holds a NUL byte or an
// endless line, or it holds text but no folder line (no list ever written looks like that).
bool ReadFileListEntries(const std::string& fileName, TStringList& entries, std::string& error);
// The same for lines already read.
TStringList ExpandListLines(const TStringList& lines);

// A new list file name in the working folder: the present time as a day number with its
// decimal separator turned into '_', plus ".bfl".
std::string NewFileListName(const std::string& workingFolder);

}  // namespace vaultora
