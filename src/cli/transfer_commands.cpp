// vaultora-cli send, receive, delete-on-server, download-settings and register: the transfer
// windows without the windows. Each runs one online component to its end with the transfer session
// printing its lines, so a run shows and logs what the window would.
#include <QEventLoop>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "backupset/available_backup.h"
#include "backupset/catalogue.h"
#include "cli/cli_command.h"
#include "online/runtime/transfer_binding.h"
#include "platform/date_time.h"
#include "platform/size_text.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

namespace vaultora::cli {

namespace {

void OpenStore(TIniRegistryEditor& store) {
  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetLazyWrite(true);
  store.SetFilename(keys::kBaseKey);
}

TThreadPriority PriorityOf(TIniRegistryEditor& store, const char* name) {
  store.SetFilename(keys::kBaseKey);
  const int value =
      store.ReadInteger(keys::kPreferences, name, keys::preferences::kDefaultThreadPriority);
  return value >= tpIdle && value <= tpTimeCritical ? static_cast<TThreadPriority>(value)
                                                    : tpNormal;
}

// Runs the component to its end; 0 when it reported success. The kind's error marks are
// cleared first, as the main window does before it starts that kind of work.
template <class Component, class... Extra>
int RunTransfer(TIniRegistryEditor& store, TTransferKind kind, Component& component,
                Extra&&... extra) {
  store.SetFilename(keys::kBaseKey);
  store.EraseSection(TransferKindTexts(kind).ErrorsKey);
  TTransferSession session(kind, store);
  session.OnLine = [](const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  };
  TTransferBinding binding(component, session, std::forward<Extra>(extra)...);
  QEventLoop loop;
  component.OnClose = [&loop](TComponent*) { loop.quit(); };
  session.Begin();
  component.Start();
  if (component.Running()) loop.exec();
  session.Closed();
  component.OnClose = nullptr;
  return session.Success() ? 0 : 1;
}

int SendCommand(const TArgs&) {
  TIniRegistryEditor store;
  OpenStore(store);
  TOnLineBackup upload;
  upload.SetThreadPriority(PriorityOf(store, keys::preferences::kTransmitThreadPriority));
  return RunTransfer(store, tkUpload, upload);
}

int ReceiveCommand(const TArgs& args) {
  TIniRegistryEditor store;
  OpenStore(store);
  TCatalogue catalogue(store);
  TStringList list = Positional(args, {});
  if (list.empty())
    for (const TCatalogueEntry& entry : catalogue.EntriesToReceive())
      list.push_back(entry.Id);
  for (const std::string& id : list)
    if (catalogue.Exists(id)) catalogue.MarkForFetching(id);
  TOnLineRestore download;
  download.SetThreadPriority(PriorityOf(store, keys::preferences::kReceiveThreadPriority));
  download.SetRestoreList(list);
  return RunTransfer(store, tkDownload, download);
}

int DeleteCommand(const TArgs&) {
  TIniRegistryEditor store;
  OpenStore(store);
  TOnlineDeleteBackup remove;
  return RunTransfer(store, tkDelete, remove);
}

void PrintBackup(const TAvailableBackup& b) {
  std::printf("%-20s %-30s %s  %s  %14s  %s\n", b.BackupId().c_str(), b.Title.c_str(),
              DateTimeText(b.Started).c_str(), DateTimeText(b.Finished).c_str(),
              KBSizeText(b.Size).c_str(), b.Incremental.empty() ? "No" : "Yes");
}

// Lists the server's backups; registers those named (all with --all) when register is set.
int AvailableBackups(const TArgs& args, bool registerChosen) {
  TIniRegistryEditor store;
  OpenStore(store);
  const TStringList chosen = Positional(args, {});
  const bool all = HasFlag(args, "--all");
  if (registerChosen && chosen.empty() && !all)
    return Fail("name the backups to register, or give --all");
  TAvailableBackupsImport import(store);
  import.OnLine = [](const std::string& line) { std::printf("%s\n", line.c_str());
};
TOnlineRegistryUpdate update;
const int status = RunTransfer(store, tkRegistryUpdate, update,
                               [&import](TComponent*, std::vector<uint8_t> image) {
                                 if (!import.Add(image))
                                   std::printf(
                                       "A backup record that cannot be read was "
                                       "dropped\n");
                               });
for (const TAvailableBackup& b : import.Items())
  PrintBackup(b);
if (!registerChosen || import.Items().empty()) return status;
for (size_t i = 0; i < import.Items().size(); ++i)
  import.Checked()[i] = all || std::find(chosen.begin(), chosen.end(),
                                         import.Items()[i].BackupId()) != chosen.end();
return import.Register() ? 0 : 1;
}  // namespace

const TCliRegistrar kSend({"send", "", "send every backup waiting in the Outbox to the server",
                           SendCommand});
const TCliRegistrar kReceive({"receive", "[ID...]",
                              "download the named backups (else those marked for fetching)",
                              ReceiveCommand});
const TCliRegistrar kDeleteOnServer(
    {"delete-on-server", "", "delete on the server, then here, the backups marked for deletion",
     DeleteCommand});
const TCliRegistrar kDownloadSettings(
    {"download-settings", "", "list the backups the account holds on the server",
     [](const TArgs& args) { return AvailableBackups(args, false); }});
const TCliRegistrar kRegister(
    {"register", "ID... | --all",
     "enter backups held on the server into the catalogue (with their file lists)",
     [](const TArgs& args) { return AvailableBackups(args, true); }});

}  // namespace vaultora::cli

}  // namespace vaultora::cli
