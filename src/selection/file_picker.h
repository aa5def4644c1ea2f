#pragma once
// The rules of the "Select Files" picker without its window: what "&Add" returns for the rows
// chosen, the masks of the mask field, the rows' texts and order, and the extensions offered by
// "File Extentions". The window lists folders through the threaded file search and binds these.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"
#include "selection/search_rec.h"

namespace vaultora {

struct TPickerEntry {
  std::string Folder;  // with its trailing '/'
  TSearchRec Rec;
  bool IsFolder() const { return (Rec.Attr & faDirectory) != 0; }
  std::string Path() const { return Folder + Rec.Name; }
};

// Folders first, then files, each by name.
void SortPickerEntries(std::vector<TPickerEntry>& entries);

struct TPickerRowText {
  std::string Name, Size, Modified, Attributes;
};
TPickerRowText PickerRowText(const TPickerEntry& entry);
// "R H S V D A" letters of the attributes present.
std::string AttributeLetters(uint32_t attributes);

// The mask field split at ',', ';' and ' ' (empty parts dropped); "*.*" when nothing is left.
TStringList SplitMasks(const std::string& maskText);

struct TPickerChoice {
  std::string Folder;  // the folder shown, trailing '/'
  std::vector<const TPickerEntry*> Selected;
  std::string MaskText = "*.*";
  bool IncludeSubFolders = true;
  bool Monitor = true;  // "Monitor the selected folder(s) for new files"
};
// What "&Add" returns: files by path; for each folder target (the shown folder when nothing is
// selected) one rule per mask when monitoring, else the folder's path once per mask.
TStringList PickerSelection(const TPickerChoice& choice);

// The extensions (".txt", lower case kept as found, without duplicates in any case) of the files.
TStringList FolderExtensions(const std::vector<TPickerEntry>& entries);
// Whether the mask text names the extension ("*.txt" among its masks, any case).
bool MaskNamesExtension(const std::string& maskText, const std::string& extension);
// "*" + each extension joined by spaces, "*.*" when none.
std::string MaskOfExtensions(const TStringList& extensions);

// The parent of a folder (trailing '/'), "" at the root.
std::string ParentFolder(const std::string& folder);

}  // namespace vaultora
