// vaultora-cli restore: the "Restore" window without the window: decipher, prove, merge, list
// and extract a backup of the catalogue.
#include <unistd.h>

#include <cstdio>
#include <optional>

#include "archive/encryption_key.h"
#include "archive/restore_session.h"
#include "catalogue/catalogue.h"
#include "cli/cli_command.h"
#include "cli/cli_entries.h"
#include "cli/exit_status.h"
#include "cli/interrupts.h"
#include "cli/output.h"
#include "cli/progress_meter.h"
#include "platform/date_time.h"
#include "platform/folders.h"
#include "platform/json_writer.h"
#include "platform/text.h"
#include "settings/ini_registry_editor.h"

namespace vaultora::cli {

namespace {

const std::vector<std::string> kValueOptions = {"--to", "--mode", "--file"};

bool ParseMode(const std::string& text, TRestoreMode& mode) {
  const std::pair<const char*, TRestoreMode> names[] = {{"all", rmAll},
                                                        {"no-overwrite", rmNoOverwrite},
                                                        {"newer", rmNewer},
                                                        {"existing", rmExisting},
                                                        {"existing-newer", rmExistingNewer}};
  for (const auto& [name, value] : names)
    if (text == name) {
      mode = value;
      return true;
    }
  return false;
}

TArgs OptionValues(const TArgs& args, const std::string& option) {
  TArgs values;
  for (size_t i = 0; i + 1 < args.size(); ++i)
    if (args[i] == option) values.push_back(args[++i]);
  return values;
}

// The row's "dd/mm/yyyy" and "hh:mm:ss AM/PM" as an ISO 8601 time; "" when they are not.
std::string IsoRowTime(const TRestoreRow& row) {
  int day, month, year, hour, minute, second;
  char half[3] = {};
  if (std::sscanf(row.Date.c_str(), "%2d/%2d/%4d", &day, &month, &year) != 3 ||
      std::sscanf(row.Time.c_str(), "%2d:%2d:%2d %2s", &hour, &minute, &second, half) != 4 ||
      month < 1 || month > 12 || day < 1 || day > 31 || hour > 12 || minute > 59 || second > 59)
    return "";
  hour = hour % 12 + (half[0] == 'P' ? 12 : 0);
  return IsoDateTimeText(EncodeDate(year, month, day) + EncodeTime(hour, minute, second));
}

void PrintRows(const TRestoreSession& session, const std::string& key) {
  if (OutputMode().Json) {
    TJsonWriter json;
    json.BeginObject().Field("backup", key).Key("chain").BeginArray();
    for (const std::string& id : session.Chain())
      json.String(id);
    json.EndArray().Key("files").BeginArray();
    for (const TRestoreRow& row : session.Rows())
      json.BeginObject()
          .Field("name", row.Name)
          .Field("folder", row.Path)
          .Field("size", row.Bytes)
          .Field("modified", IsoRowTime(row))
          .Field("deleted", row.Deleted)
          .EndObject();
    json.EndArray().EndObject();
    return PrintJson(json);
  }
  for (const TRestoreRow& row : session.Rows())
    std::printf("%-32s %-10s %-11s %14s  %s%s\n", row.Name.c_str(), row.Date.c_str(),
                row.Time.c_str(), row.Size.c_str(), row.Path.c_str(),
                row.Deleted ? "  (deleted before this backup: --everything)" : "");
}

// The rows named by --file: a full stored path, or a file name.
int SelectRows(const TRestoreSession& session, const TArgs& files, TRestoreOptions& options) {
  for (const std::string& file : files) {
    bool found = false;
    for (size_t i = 0; i < session.Rows().size(); ++i) {
      const TRestoreRow& row = session.Rows()[i];
      if (row.Path + row.Name == file || row.Name == file) {
        options.Selected.push_back(i);
        found = true;
      }
    }
    if (!found) return Fail("\"" + file + "\" is not in this backup");
  }
  return 0;
}

// Why the chain of key cannot be restored here and how to mend it; "" when it can.
std::string ChainGapText(TIniRegistryEditor& store, const std::string& key) {
  TCatalogue catalogue(store);
  using TGap = TCatalogue::TChainGap;
  const std::vector<TGap> gaps = catalogue.ChainGaps(key);
  if (gaps.empty()) return "";
  std::string text = "backup " + key + " cannot be restored on this computer:";
  bool fetch = false, enter = false;
  for (const TGap& gap : gaps) {
    const std::string name = gap.Id + (gap.Kind == TGap::cgNotCatalogued
                                           ? ""
                                           : " \"" + catalogue.Entry(gap.Id).BackupTitle + "\"");
    switch (gap.Kind) {
      case TGap::cgOnServer:
        text += "\n  " + name + " was sent to the server and is no longer here";
        fetch = true;
        break;
      case TGap::cgPartlyReceived:
        text += "\n  " + name + " is only partly received";
        fetch = true;
        break;
      case TGap::cgLost:
        text += "\n  the archive of " + name + " is missing and was never sent";
        break;
      case TGap::cgNotCatalogued:
        text += "\n  " + name + ", which it was appended to, is not in the catalogue";
        enter = true;
        break;
    }
  }
  if (enter) text += "\nenter what the server holds with: vaultora-cli register --all";
  if (fetch) text += "\nfetch the backups first with: vaultora-cli receive " + key;
  return text;
}

int RestoreCommand(const TArgs& args) {
  TIniRegistryEditor store;
  TRestoreOptions options;
  if (!ParseMode(OptionValue(args, "--mode", "newer"), options.Mode))
    return UsageError("--mode is one of all, no-overwrite, newer, existing, existing-newer");
  // "--to ''" is another folder with an empty name, never the files' old place. Below it the
  // files keep their folders unless --flat asks for all of them in the one folder.
  if (HasFlag(args, "--to")) {
    options.OriginalPath = false;
    options.Folder = AbsolutePath(OptionValue(args, "--to"));
    options.UseFolderNames = !HasFlag(args, "--flat");
    if (!options.Folder.empty() && FileExists(options.Folder))
      return Fail("--to \"" + options.Folder + "\" is a file, not a folder; nothing was restored");
  } else {
    for (const char* flag : {"--folder-names", "--flat"})
      if (HasFlag(args, flag))
        return UsageError(std::string(flag) +
                          " needs --to FOLDER: at the old place every file keeps its folder");
  }
  options.Everything = HasFlag(args, "--everything");
  if (const std::string problem = TRestoreSession::CheckOptions(options); !problem.empty())
    return Fail(problem);
  std::string key;
  if (const int status = ResolveEntry(store, args, key, kValueOptions)) return status;
  // Restoring part of a chain would give the files of some backups as if they were all of it.
  if (const std::string gaps = ChainGapText(store, key); !gaps.empty()) return Fail(gaps);

  TRestoreSession session(nullptr, store, key);
  const bool terminal = isatty(STDERR_FILENO);
  std::string failure;  // why nothing could be listed, in words
  std::optional<TProgressMeter> meter;
  session.OnLog = [&failure, &meter](const std::string& line) {
    if (meter) meter->Clear();
    StatusLine(line);
    if (line == kMacMismatchText)
      failure =
          "the stored encryption key is not the one this backup was made with (or its archive is "
          "damaged): nothing was restored";
    else if (line == kNoEncryptionKeyText)
      failure = "no encryption key is stored (see vaultora-cli key set): nothing was restored";
  };
  // Ctrl-C (or TERM) ends the running archive operation after its current block; the session
  // then closes as usual and removes what it deciphered.
  CatchInterrupts();
  // The progress line: the percent of the deciphering and merging, then the bytes, rate and
  // time left of the extraction (a meter of its own, so its rate starts with it).
  meter.emplace();
  bool extracting = false;
  session.OnProgress = [&](const std::string& file, int percent) {
    if (Interrupted()) session.Cancel();
    if (!terminal || file.empty()) return;
    if (extracting)
      meter->Update(session.BytesDone(), session.BytesInAll(), ExtractFileName(file));
    else
      meter->Show(Format("%3d %%  %s", percent, ExtractFileName(file).c_str()));
  };
  StatusLine(session.Caption());
  if (!session.Start())
    return Fail(failure.empty() ? "there are no files to restore in backup " + key : failure);
  if (HasFlag(args, "--list")) {
    PrintRows(session, key);
    return 0;
  }
  const TArgs files = OptionValues(args, "--file");
  if (!files.empty()) {
    options.AllFiles = false;
    if (const int status = SelectRows(session, files, options)) return status;
  }
  meter->Clear();
  meter.emplace();
  extracting = true;
  const bool ok = session.Extract(options);
  meter->Clear();
  if (OutputMode().Json) {
    TJsonWriter json;
    json.BeginObject()
        .Field("backup", key)
        .Field("status", Interrupted()              ? "interrupted"
                         : !ok                      ? "failed"
                         : session.Collisions() > 0 ? "incomplete"
                                                    : "done")
        .Field("restored", session.FilesRestored())
        .Field("notRestored", session.Collisions())
        .Field("to", options.OriginalPath ? std::string() : options.Folder)
        .EndObject();
    PrintJson(json);
  }
  if (Interrupted()) {
    Fail("restore stopped");
    return kExitInterrupted;
  }
  if (!ok) return kExitFailed;
  if (session.Collisions() > 0) {
    std::fprintf(stderr,
                 "vaultora-cli: %d file(s) were not restored: another stored file of the same "
                 "name was restored to the same place first (restore without --flat to keep "
                 "them all)\n",
                 session.Collisions());
    return kExitIncomplete;
  }
  return kExitDone;
}

const TCliRegistrar kRestore(
    {"restore",
     "BACKUP [--list] [--to FOLDER [--flat | --folder-names]] [--mode "
     "all|no-overwrite|newer|existing|"
     "existing-newer] [--file PATH]... [--everything] [--json]",
     "list a backup's files, or restore all or chosen ones to their place or another folder",
     RestoreCommand});

}  // namespace

}  // namespace vaultora::cli
