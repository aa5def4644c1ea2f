#include "selection/session_edit.h"

#include <filesystem>

#include "platform/date_time.h"
#include "platform/folders.h"
#include "platform/prompts.h"
#include "platform/size_text.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_key.h"

namespace vaultora {

const char* const kRemoveFolderQuestion =
    "Are you sure you want to remove the selected folder from this file list";
const char* const kRemoveFilesQuestion =
    "Are you sure you want to remove the selected file(s) from this file list";
const char* const kSaveBeforeLeavingQuestion = "Save the current file list before continuing ?";
const char* const kReturnToWizardQuestion =
    "Would you like to save this session, and return to the wizard?";

namespace {

TRegistryKey SourceKey(TIniRegistryEditor& store, const TSessionSource& source) {
  return TRegistryKey(store, source.Key);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string AttributeWords(uint32_t attributes) {
  static const std::pair<uint32_t, const char*> kWords[] = {
      {faReadOnly, "ReadOnly"},  {faHidden, "Hidden"},       {faSysFile, "System"},
      {faVolumeID, "Volume ID"}, {faDirectory, "Directory"}, {faArchive, "Archive"},
      {faNormal, "Normal"}};
  TStringList words;
  for (const auto& [bit, word] : kWords)
    if (attributes & bit) words.push_back(word);
  return Join(words, " ");
}

TSessionEdit::TSessionEdit(TSessionMode mode, TSessionSource source, bool fresh)
    : FMode(mode), FSource(std::move(source)), FFresh(fresh && mode != smViewer) {}

std::string TSessionEdit::StoredFileName(TIniRegistryEditor& store) const {
  if (FMode == smViewer) return FFileName;
  return Trim(SourceKey(store, FSource).ReadString(FSource.Section, FSource.Value, ""));
}

void TSessionEdit::Load(TIniRegistryEditor& store) {
  if (FFresh) {
    SourceKey(store, FSource).DeleteValue(FSource.Section, FSource.Value);
    FFresh = false;
    FList.Clear();
    FFileName.clear();
    return;
  }
  LoadFile(StoredFileName(store));
}

void TSessionEdit::LoadFile(const std::string& fileName) {
  FFileName = Trim(fileName);
  FList.Clear();
  FList.LoadFromFile(FFileName);
  FList.ResetAddedNodes();
}

int TSessionEdit::Drop(const TStringList& paths) {
  if (ReadOnly()) return 0;
  FList.ResetAddedNodes();
  int added = 0;
  for (const std::string& path : paths) {
    if (path.empty()) continue;
    added += FList.AddSelected(path, SearchMask, true);
  }
  return added;
}

int TSessionEdit::AddSelected(const TStringList& selected, const std::string& mask,
                              bool includeSubFolders) {
  if (ReadOnly()) return 0;
  FList.ResetAddedNodes();
  SearchMask = mask.empty() ? "*.*" : mask;
  int added = 0;
  for (const std::string& entry : selected)
    added += FList.AddSelected(entry, SearchMask, includeSubFolders);
  return added;
}

bool TSessionEdit::AskReturnAfterAdd() {
  if (!FAskToReturn) return false;
  FAskToReturn = false;
  return AskQuestion(kReturnToWizardQuestion);
}

bool TSessionEdit::RemoveFolder(TFolderNode* node) {
  if (ReadOnly() || !node || !AskQuestion(kRemoveFolderQuestion)) return false;
  FList.RemoveNode(node);
  return true;
}

bool TSessionEdit::RemoveEntries(const TStringList& paths) {
  if (ReadOnly() || paths.empty() || !AskQuestion(kRemoveFilesQuestion)) return false;
  for (const std::string& path : paths)
    FList.RemoveEntry(path);
  return true;
}

std::string TSessionEdit::Apply(TIniRegistryEditor& store) {
  if (ReadOnly()) return FFileName;
  const TRegistryKey key = SourceKey(store, FSource);
  std::string fileName = StoredFileName(store);
  if (fileName.empty()) fileName = NewFileListName(ReadWorkingFolder(store));
  if (!FList.SaveToFile(fileName)) {
    key.DeleteValue(FSource.Section, FSource.Value);
    FFileName.clear();
    return "";
  }
  key.WriteString(FSource.Section, FSource.Value, fileName);
  FFileName = fileName;
  return fileName;
}

void TSessionEdit::Close(TIniRegistryEditor& store) {
  if (!ReadOnly() && FList.Modified() && AskQuestion(kSaveBeforeLeavingQuestion)) Apply(store);
}

std::string TSessionEdit::RuleCaption(const std::string& ruleText) {
  TMonitoringRule rule;
  if (!ParseRule(ruleText, rule)) return ruleText;
  if (rule.Flag == kFileListSubfoldersFlag)
    return "<Monitoring for new files including subfolders, folder mask=\"" + rule.Mask + "\">";
  if (rule.Flag.empty()) return "<Monitoring for new files, folder mask=\"" + rule.Mask + "\">";
  // Another flag: the rule as written after its folder.
  return StartsWith(ruleText, rule.Root) ? ruleText.substr(rule.Root.size()) : ruleText;
}

std::vector<TSessionRow> TSessionEdit::Rows(const TFolderNode& node) {
  std::vector<TSessionRow> rows;
  const TFolderFileList* files = node.Files();
  if (!files) return rows;
  rows.reserve(files->Count());
  for (const TDroppedFile& entry : files->Items()) {
    TSessionRow row;
    row.Path = std::string(EntryPath(entry.Text));
    if (IsRuleText(row.Path)) {
      row.Rule = true;
      row.Name = RuleCaption(row.Path);
    } else {
      row.Name = entry.SearchRec.Name.empty() ? NameOf(row.Path) : entry.SearchRec.Name;
      row.Size = FormatThousands(static_cast<double>(entry.SearchRec.Size) / 1024.0) + "KB";
      row.Attributes = AttributeWords(entry.SearchRec.Attr);
      if (entry.SearchRec.Time != 0) row.Modified = DateTimeText(entry.SearchRec.Time);
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string TSessionEdit::CountText(size_t count) {
  return IntToStr(static_cast<long long>(count)) + " object(s) selected";
}

std::string TSessionEdit::NodeSizeText(const TFolderNode& node) {
  int64_t total = 0;
  if (const TFolderFileList* files = node.Files())
    for (const TDroppedFile& entry : files->Items())
      total += entry.SearchRec.Size;
  return KBSizeText(total);
}

}  // namespace vaultora
