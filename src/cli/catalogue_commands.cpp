// vaultora-cli catalogue: the backups the client knows, with their values and state.
#include <cstdio>
#include <string>

#include "backupset/backup_names.h"
#include "catalogue/catalogue.h"
#include "cli/cli_command.h"
#include "cli/cli_entries.h"
#include "cli/exit_status.h"
#include "cli/output.h"
#include "platform/date_time.h"
#include "platform/json_writer.h"
#include "settings/ini_registry_editor.h"

namespace vaultora::cli {
namespace {

std::string TimeText(const std::string& dayNumber) {
  TDateTime when = 0;
  return TextToFloat(dayNumber, when) ? ShownTime(when) : dayNumber;
}

std::string IsoText(const std::string& dayNumber) {
  TDateTime when = 0;
  return TextToFloat(dayNumber, when) ? IsoDateTimeText(when) : "";
}

TStringList ViewNames(const TCatalogueEntry& entry) {
  TStringList views;
  for (TCatalogueView view : kCatalogueViews)
    if (entry.InView(view)) views.push_back(ViewCaption(view));
  return views;
}

void PrintValue(const char* name, const std::string& value) {
  if (!value.empty()) std::printf("  %s=%s\n", name, value.c_str());
}

void PrintEntry(const TCatalogueEntry& e, const std::string& shortName, TCatalogue& backups) {
  namespace c = catalogue;
  std::string views;
  for (const std::string& view : ViewNames(e))
    views += (views.empty() ? "" : ", ") + view;
  std::printf("%s  %s  [%s]\n", e.Id.c_str(), BackupStateText(e.State()), views.c_str());
  std::printf("  Short=%s\n", shortName.c_str());
  std::printf("  Started=%s\n", TimeText(e.Id).c_str());
  std::printf("  %s=%s\n", c::kFinishDateTime,
              e.FinishDateTime.empty() ? kFailedBackupText : TimeText(e.FinishDateTime).c_str());
  PrintValue(c::kBackupTitle, e.BackupTitle);
  PrintValue(c::kSession, e.Session);
  PrintValue(c::kSize, e.Size);
  PrintValue(c::kUser, e.User);
  PrintValue(c::kMAC, e.MAC);
  PrintValue(c::kIncremental, e.Incremental);
  if (e.NeedToSend) std::printf("  %s\n", c::kNeedToSend);
  if (e.HasSendPosition) std::printf("  %s=%d\n", c::kSendPosition, e.SendPosition);
  if (e.HasReceivePosition) std::printf("  %s=%d\n", c::kReceivePosition, e.ReceivePosition);
  if (e.Deleted) std::printf("  %s\n", c::kDeleted);
  std::printf("  Archive=%s%s\n", backups.ArchivePath(e.Id).c_str(),
              e.ArchiveExists ? "" : " (not here)");
}

void EntryJson(TJsonWriter& json, const TCatalogueEntry& e, const std::string& shortName,
               TCatalogue& backups) {
  long long size = 0;
  json.BeginObject()
      .Field("id", e.Id)
      .Field("short", shortName)
      .Field("title", e.BackupTitle)
      .Field("state", BackupStateText(e.State()));
  json.Key("views").BeginArray();
  for (const std::string& view : ViewNames(e))
    json.String(view);
  json.EndArray()
      .OptionalField("started", IsoText(e.Id))
      .OptionalField("finished", IsoText(e.FinishDateTime))
      .Key("size");
  if (TryStrToInt(e.Size, size))
    json.Number(static_cast<int64_t>(size));
  else
    json.Null();
  json.OptionalField("incremental", e.Incremental)
      .OptionalField("session", e.Session)
      .OptionalField("user", e.User)
      .OptionalField("mac", e.MAC)
      .Field("needToSend", e.NeedToSend)
      .Field("deleted", e.Deleted)
      .Key("sendPosition");
  e.HasSendPosition ? json.Number(static_cast<int64_t>(e.SendPosition)) : json.Null();
  json.Key("receivePosition");
  e.HasReceivePosition ? json.Number(static_cast<int64_t>(e.ReceivePosition)) : json.Null();
  json.Field("archive", backups.ArchivePath(e.Id))
      .Field("archiveHere", e.ArchiveExists)
      .EndObject();
}

int ListCatalogue(const TArgs& args) {
  const TArgs filter = Positional(args, {});
  TIniRegistryEditor store;
  TCatalogue backups(store);
  const std::vector<TCatalogueEntry> entries = backups.Entries();
  const TBackupNames names(entries);
  std::string only;
  if (!filter.empty()) {
    const TBackupNameMatch match = names.Resolve(filter[0]);
    if (match.Result != TBackupNameMatch::nmFound) return NameProblem(match);
    only = match.Id;
  }
  TJsonWriter json;
  if (OutputMode().Json && only.empty()) json.BeginArray();
  int shown = 0;
  for (const TCatalogueEntry& e : entries) {
    if (!only.empty() && e.Id != only) continue;
    ++shown;
    if (OutputMode().Json)
      EntryJson(json, e, names.ShortName(e.Id), backups);
    else
      PrintEntry(e, names.ShortName(e.Id), backups);
  }
  if (OutputMode().Json) {
    if (only.empty()) json.EndArray();
    PrintJson(json);
  } else if (only.empty()) {
    StatusLine(std::to_string(shown) + " backup(s)");
  }
  return kExitDone;
}

const TCliRegistrar kCatalogue({"catalogue", "[BACKUP] [--json]",
                                "list the catalogued backups with their values and state",
                                ListCatalogue});

}  // namespace
}  // namespace vaultora::cli
