// vaultora-cli list create|add|show: backup file lists without the editor window.
#include <cstdio>
#include <filesystem>

#include "cli/cli_command.h"
#include "cli/output.h"
#include "platform/folders.h"
#include "platform/json_writer.h"
#include "platform/size_text.h"
#include "schedule/schedule_keys.h"
#include "selection/file_list.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_key.h"
#include "settings/registry_keys.h"

namespace vaultora::cli {

namespace {

const std::vector<std::string> kValueOptions = {"--mask", "--schedule", "--folder"};

// Adds each path as the editor adds a picker's selection. A folder becomes a monitoring rule,
// as the picker's "Monitor the selected folder(s) for new files" is ticked by default, so that
// files made in it later are backed up too; --files-only adds the files it holds now instead.
int AddPaths(TFileList& list, const TArgs& paths, const TArgs& args) {
  const std::string mask = OptionValue(args, "--mask", "*.*");
  const bool subfolders = HasFlag(args, "--subfolders");
  int added = 0;
  for (const std::string& given : paths) {
    const std::string path = AbsolutePath(given);
    if (!FileExists(path) && !DirectoryExists(path)) {
      std::fprintf(stderr, "vaultora-cli: \"%s\" does not exist\n", path.c_str());
      return -1;
    }
    if (!HasFlag(args, "--files-only") && DirectoryExists(path))
      added += list.AddSelected(RuleText(path, subfolders, mask), mask, subfolders);
    else
      added += list.AddSelected(path, mask, subfolders);
  }
  return added;
}

int Save(TFileList& list, const std::string& name, int added) {
  if (!list.SaveToFile(name)) return Fail("the list is empty: \"" + name + "\" not written");
  std::printf("%s\n%d entr%s added\n", name.c_str(), added, added == 1 ? "y" : "ies");
  return 0;
}

int ListCreate(const TArgs& args) {
  TIniRegistryEditor store;
  const std::string folder = OptionValue(args, "--folder", ReadWorkingFolder(store));
  ForceDirectories(folder);
  const std::string name = NewFileListName(folder);
  TFileList list;
  const int added = AddPaths(list, Positional(args, kValueOptions), args);
  if (added < 0) return 1;
  if (const int status = Save(list, name, added)) return status;
  if (HasFlag(args, "--wizard")) WriteSetting(store, keys::setting::WizardSession, name);
  if (const std::string scheduleName = OptionValue(args, "--schedule"); !scheduleName.empty())
    TRegistryKey(store, keys::kScheduleKey)
        .WriteString(scheduleName, schedule::kDefaultSession, name);
  return 0;
}

int ListAdd(const TArgs& args) {
  TArgs positional = Positional(args, kValueOptions);
  if (positional.size() < 2) return UsageError("usage: list add LIST PATH...");
  const std::string name = positional[0];
  TFileList list;
  if (std::string error; !list.LoadFromFile(name, error)) return Fail(error);
  const int added = AddPaths(list, TArgs(positional.begin() + 1, positional.end()), args);
  if (added < 0) return 1;
  return Save(list, name, added);
}

std::string Describe(const TDroppedFile& entry) {
  TMonitoringRule rule;
  if (ParseRule(entry.Text, rule))
    return std::string(rule.IncludeSubFolders()
                           ? "<Monitoring for new files including subfolders, folder mask="
                           : "<Monitoring for new files, folder mask=") +
           "\"" + rule.Mask + "\">";
  const std::string path(EntryPath(entry.Text));
  std::string line = "  " + ExtractFileName(path);
  if (entry.SearchRec.Size > 0) line += "  " + KBSizeText(entry.SearchRec.Size);
  TRecordedState state;
  if (ParseRecordedState(EntrySuffix(entry.Text), state))
    line += "  [taken " + DateTimeText(state.Time) + ", " + IntToStr(state.Size) + " bytes]";
  return line;
}

// An entry as its JSON object: a file with its size and recorded state, or a monitoring rule.
void EntryJson(TJsonWriter& json, const TDroppedFile& entry) {
  json.BeginObject();
  if (TMonitoringRule rule; ParseRule(entry.Text, rule)) {
    json.Field("kind", "rule")
        .Field("folder", rule.Root)
        .Field("mask", rule.Mask)
        .Field("subfolders", rule.IncludeSubFolders());
    json.EndObject();
    return;
  }
  json.Field("kind", "file").Field("path", std::string(EntryPath(entry.Text))).Key("size");
  entry.SearchRec.Size > 0 ? json.Number(static_cast<int64_t>(entry.SearchRec.Size)) : json.Null();
  TRecordedState state;
  const bool recorded = ParseRecordedState(EntrySuffix(entry.Text), state);
  json.OptionalField("takenAt", recorded ? IsoDateTimeText(state.Time) : "").Key("takenSize");
  recorded ? json.Number(static_cast<int64_t>(state.Size)) : json.Null();
  json.EndObject();
}

int ListShow(const TArgs& args) {
  const TArgs positional = Positional(args, kValueOptions);
  if (positional.size() != 1) return UsageError("usage: list show LIST");
  if (!FileExists(positional[0])) return Fail("\"" + positional[0] + "\" does not exist");
  TFileList list;
  if (std::string error; !list.LoadFromFile(positional[0], error)) return Fail(error);
  if (OutputMode().Json) {
    TJsonWriter json;
    json.BeginArray();
    for (const TDroppedFile* entry : list.Entries())
      EntryJson(json, *entry);
    PrintJson(json.EndArray());
    return 0;
  }
  std::string folder;
  for (const TDroppedFile* entry : list.Entries()) {
    if (EntryFolder(entry->Text) != folder) {
      folder = EntryFolder(entry->Text);
      std::printf("%s\n", folder.c_str());
    }
    std::printf("%s\n", Describe(*entry).c_str());
  }
  std::printf("%zu object(s)\n", list.Count());
  return 0;
}

const TCliRegistrar kCreate({"list create",
                             "[PATH...] [--mask M] [--subfolders] [--files-only | --rule] "
                             "[--wizard] [--schedule NAME] [--folder F]",
                             "start a new file list in the working folder and add paths to it",
                             ListCreate});
const TCliRegistrar kAdd({"list add",
                          "LIST PATH... [--mask M] [--subfolders] [--files-only | --rule]",
                          "add files, or folders as monitoring rules (with --files-only the "
                          "files they hold now), to a file list",
                          ListAdd});
const TCliRegistrar kShow({"list show", "LIST [--json]", "print a file list folder by folder",
                           ListShow});

}  // namespace

}  // namespace vaultora::cli
