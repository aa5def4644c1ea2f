#include "selection/file_picker.h"

#include <algorithm>

#include "platform/date_time.h"
#include "platform/size_text.h"
#include "selection/file_list_format.h"

namespace vaultora {

void SortPickerEntries(std::vector<TPickerEntry>& entries) {
  std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    if (a.IsFolder() != b.IsFolder()) return a.IsFolder();
    return a.Rec.Name < b.Rec.Name;
  });
}

std::string AttributeLetters(uint32_t attributes) {
  static const std::pair<uint32_t, const char*> kLetters[] = {{faReadOnly, "R"},  {faHidden, "H"},
                                                              {faSysFile, "S"},   {faVolumeID, "V"},
                                                              {faDirectory, "D"}, {faArchive, "A"}};
  TStringList letters;
  for (const auto& [bit, letter] : kLetters)
    if (attributes & bit) letters.push_back(letter);
  return Join(letters, " ");
}

TPickerRowText PickerRowText(const TPickerEntry& entry) {
  TPickerRowText row;
  row.Name = entry.Rec.Name;
  if (entry.Rec.Time != 0) row.Modified = DateTimeText(entry.Rec.Time);
  if (!entry.IsFolder()) {
    row.Size = FormatThousands(static_cast<double>(entry.Rec.Size) / 1024.0) + "KB";
    row.Attributes = AttributeLetters(entry.Rec.Attr);
  }
  return row;
}

TStringList SplitMasks(const std::string& maskText) {
  TStringList masks;
  std::string part;
  for (const char c : maskText + " ") {
    if (c == ',' || c == ';' || c == ' ') {
      if (!part.empty()) masks.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (masks.empty()) masks.push_back("*.*");
  return masks;
}

TStringList PickerSelection(const TPickerChoice& choice) {
  TStringList result;
  const TStringList masks = SplitMasks(choice.MaskText);
  auto target = [&](const std::string& folder) {
    for (const std::string& mask : masks)
      result.push_back(choice.Monitor ? RuleText(folder, choice.IncludeSubFolders, mask) : folder);
  };
  if (choice.Selected.empty()) {
    target(choice.Folder);
    return result;
  }
  for (const TPickerEntry* entry : choice.Selected) {
    if (entry->IsFolder())
      target(entry->Path() + "/");
    else
      result.push_back(entry->Path());
  }
  return result;
}

TStringList FolderExtensions(const std::vector<TPickerEntry>& entries) {
  TStringList extensions;
  for (const TPickerEntry& entry : entries) {
    if (entry.IsFolder()) continue;
    const size_t dot = entry.Rec.Name.find_last_of('.');
    if (dot == std::string::npos || dot == 0) continue;
    const std::string extension = entry.Rec.Name.substr(dot);
    if (std::none_of(extensions.begin(), extensions.end(),
                     [&](const std::string& known) { return SameText(known, extension); }))
      extensions.push_back(extension);
  }
  std::sort(extensions.begin(), extensions.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  return extensions;
}

bool MaskNamesExtension(const std::string& maskText, const std::string& extension) {
  for (const std::string& mask : SplitMasks(maskText))
    if (SameText(mask, "*" + extension)) return true;
  return false;
}

std::string MaskOfExtensions(const TStringList& extensions) {
  if (extensions.empty()) return "*.*";
  TStringList masks;
  for (const std::string& extension : extensions)
    masks.push_back("*" + extension);
  return Join(masks, " ");
}

std::string ParentFolder(const std::string& folder) {
  std::string path = folder;
  while (path.size() > 1 && path.back() == '/')
    path.pop_back();
  if (path.size() <= 1) return "";
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return "";
  return path.substr(0, slash + 1);
}

}  // namespace vaultora
