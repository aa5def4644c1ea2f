// vaultora-cli send, receive, delete-on-server, sync, download-settings and register: the main
// window's send and receive commands. Each arms the work queue, which opens the transfers in the
// order delete, send, receive, settings; each transfer prints the lines its window would show and
// writes its log, and the completion rules decide about retries and hanging up.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "backupset/available_backup.h"
#include "backupset/catalogue_commands.h"
#include "catalogue/catalogue.h"
#include "cli/cli_command.h"
#include "cli/cli_entries.h"
#include "cli/online_run.h"
#include "cli/output.h"
#include "platform/date_time.h"
#include "platform/json_writer.h"
#include "platform/size_text.h"

namespace vaultora::cli {

namespace {

// What a command did to the catalogue, told by comparing it before and after: backups sent or
// still waiting, received or not, deleted or not. For the --json summary.
class TTransferOutcome {
 public:
  explicit TTransferOutcome(TOnlineRun& online) : FOnline(online) {
    for (const TCatalogueEntry& e : TCatalogue(online.Store()).Entries()) {
      if (e.NeedToSend && !e.Deleted) FToSend.push_back(e.Id);
      if (e.Deleted) FToDelete.push_back(e.Id);
    }
  }
  void Print(int status) {
    TCatalogue catalogue(FOnline.Store());
    TJsonWriter json;
    json.BeginObject().Field("status", status == 0 ? "done" : "failed");
    auto lists = [&](const char* done, const char* notDone, const TStringList& ids,
                     const std::function<bool(const std::string&)>& happened) {
      TStringList yes, no;
      for (const std::string& id : ids)
        (happened(id) ? yes : no).push_back(id);
      for (const auto& [name, list] : {std::pair{done, &yes}, std::pair{notDone, &no}}) {
        json.Key(name).BeginArray();
        for (const std::string& id : *list)
          json.String(id);
        json.EndArray();
      }
    };
    lists("sent", "notSent", FToSend,
          [&](const std::string& id) { return !catalogue.Entry(id).NeedToSend; });
    lists("received", "notReceived", FRequested, [&](const std::string& id) {
      const TCatalogueEntry e = catalogue.Entry(id);
      return e.ArchiveExists && !e.HasReceivePosition;
    });
    lists("deleted", "notDeleted", FToDelete,
          [&](const std::string& id) { return !catalogue.Exists(id); });
    json.EndObject();
    PrintJson(json);
  }
  // The requests, once the command has made them.
  void Requested() { FRequested = FOnline.RestoreList(); }

 private:
  TOnlineRun& FOnline;
  TStringList FToSend, FToDelete, FRequested;
};

// Runs one of the queue's commands after CheckSetup; says so when it found nothing to do.
int QueueCommand(TOnlineRun& online, void (TWorkQueue::*command)(), const char* nothingText,
                 TTransferOutcome* outcome = nullptr) {
  if (!online.CheckSetup()) return 1;
  if (outcome) outcome->Requested();
  const int status = online.Run([&] { (online.Queue().*command)(); });
  if (status == 0 && online.TransfersRun() == 0 && nothingText) StatusLine(nothingText);
  if (outcome && OutputMode().Json) outcome->Print(status);
  return status;
}

int TransferCommand(TOnlineRun& online, void (TWorkQueue::*command)(), const char* nothingText) {
  TTransferOutcome outcome(online);
  return QueueCommand(online, command, nothingText, &outcome);
}

int SendCommand(const TArgs&) {
  TOnlineRun online;
  return TransferCommand(online, &TWorkQueue::SendOnly, "Nothing waits in the Outbox");
}

int SyncCommand(const TArgs&) {
  TOnlineRun online;
  return TransferCommand(online, &TWorkQueue::SendAndReceive, "Nothing to delete, send or receive");
}

int DeleteCommand(const TArgs&) {
  TOnlineRun online;
  return TransferCommand(online, &TWorkQueue::DeleteOnly, "No backup is marked for deletion");
}

// The named backups (and those they were appended to) are requested first, as ticking their
// "Restore" boxes would; without names, what is already requested is received.
int ReceiveCommand(const TArgs& args) {
  TOnlineRun online;
  TTransferOutcome outcome(online);
  TCatalogueCommands commands(online.Store(), online.RestoreList());
  for (const std::string& given : Positional(args, {})) {
    std::string key;
    if (const int status = ResolveEntry(online.Store(), {given}, key); status != 0) return status;
    commands.ToggleRestoreRequest(key, true);
  }
  return QueueCommand(online, &TWorkQueue::ReceiveOnly, "No backup is requested from the server",
                      &outcome);
}

void BackupJson(TJsonWriter& json, const TAvailableBackup& b) {
  json.BeginObject()
      .Field("id", b.BackupId())
      .Field("title", b.Title)
      .Field("started", IsoDateTimeText(b.Started))
      .Field("finished", IsoDateTimeText(b.Finished))
      .Field("size", b.Size)
      .OptionalField("incremental", b.Incremental)
      .EndObject();
}

void PrintBackup(const TAvailableBackup& b) {
  std::printf("%-20s %-30s %s  %s  %14s  %s\n", b.BackupId().c_str(), b.Title.c_str(),
              DateTimeText(b.Started).c_str(), DateTimeText(b.Finished).c_str(),
              KBSizeText(b.Size).c_str(), b.Incremental.empty() ? "No" : "Yes");
}

// Lists the server's backups; registers those named (all with --all) when register is set.
int AvailableBackups(const TArgs& args, bool registerChosen) {
  const TStringList chosen = Positional(args, {});
  const bool all = HasFlag(args, "--all");
  if (registerChosen && chosen.empty() && !all)
    return UsageError("name the backups to register, or give --all");
  TOnlineRun online;
  TAvailableBackupsImport available(online.Store());
  available.OnLine = StatusLine;
  online.Host().OnItemToRegister = [&available](const std::vector<uint8_t>& image) {
    available.Add(image);  // a record that cannot be read says so in a line
  };
  const int status = QueueCommand(online, &TWorkQueue::DownloadSettings, nullptr);
  if (OutputMode().Json && !registerChosen) {
    TJsonWriter json;
    json.BeginArray();
    for (const TAvailableBackup& b : available.Items())
      BackupJson(json, b);
    PrintJson(json.EndArray());
  } else {
    for (const TAvailableBackup& b : available.Items())
      PrintBackup(b);
  }
  if (status != 0 || !registerChosen || available.Items().empty()) return status;
  const auto isChosen = [&chosen](const TAvailableBackup& b) {
    return std::find(chosen.begin(), chosen.end(), b.BackupId()) != chosen.end();
  };
  for (const std::string& id : chosen)
    if (std::none_of(available.Items().begin(), available.Items().end(),
                     [&id](const TAvailableBackup& b) { return b.BackupId() == id; }))
      return Fail("the server holds no backup \"" + id + "\" for this account");
  for (size_t i = 0; i < available.Items().size(); ++i)
    available.Checked()[i] = all || isChosen(available.Items()[i]);
  return available.Register() ? 0 : 1;
}

const TCliRegistrar kSend({"send", "[--json]",
                           "send every backup waiting in the Outbox to the server", SendCommand});
const TCliRegistrar kReceive(
    {"receive", "[BACKUP...] [--json]",
     "download the named backups (with those they were appended to), else those requested",
     ReceiveCommand});
const TCliRegistrar kDeleteOnServer(
    {"delete-on-server", "[--json]",
     "delete on the server, then here, the backups marked for deletion", DeleteCommand});
const TCliRegistrar kSync({"sync", "[--json]",
                           "Send & Receive: delete what is marked, send the Outbox, receive what "
                           "is requested, in that order",
                           SyncCommand});
const TCliRegistrar kDownloadSettings(
    {"download-settings", "[--json]", "list the backups the account holds on the server",
     [](const TArgs& args) { return AvailableBackups(args, false); }});
const TCliRegistrar kRegister(
    {"register", "ID... | --all",
     "enter backups held on the server into the catalogue (with their file lists)",
     [](const TArgs& args) { return AvailableBackups(args, true); }});

}  // namespace

}  // namespace vaultora::cli
