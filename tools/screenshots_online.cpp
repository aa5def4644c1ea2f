#include "screenshots_online.h"

#include <QCoreApplication>

#include <memory>
#include <string>

#include "backupset/available_backup.h"
#include "backupset/ui/available_backups_window.h"
#include "connect/runtime/dial_attempt.h"
#include "connect/runtime/ras_dialer.h"
#include "connect/simulated_ras_adapter.h"
#include "connect/ui/dialup_window.h"
#include "connect/ui/logon_dialog.h"
#include "online/runtime/transfer_session.h"
#include "online/ui/transfer_window.h"
#include "platform/date_time.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

// A transfer window over a session of its own, with a clock the sample moves on.
struct TSampleTransfer {
  TSampleTransfer(TWorkKind kind, TTransferKind sessionKind, TIniRegistryEditor& store)
      : Session(sessionKind, store, [this] { return Clock; }),
        Window(kind, store, [this] { return &Session; }) {
    Window.Started();
    Session.Begin();
    Session.OnLine = [this](const std::string&) { Window.LineAdded(); };
  }
  // Moves the clock on by seconds and reports bytes of total.
  void Progress(const std::string& title, double seconds, double bytes, double total) {
    Clock += seconds / 86400.0;
    Session.TransferProgress(title, 2, 1, 100.0 * bytes / total, total, bytes);
    Window.Refresh();
  }

  TDateTime Clock = EncodeDate(2026, 12, 9) + EncodeTime(21, 4, 10);
  TTransferSession Session;
  TfrmTransfer Window;
};

void ClearMarks(TIniRegistryEditor& store, const char* section) {
  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetFilename(keys::kBaseKey);
  store.EraseSection(section);
}

TAvailableBackup SampleImage(const char* archive, const char* title, double started, int32_t size,
                             const char* incremental) {
  TAvailableBackup image;
  image.ArchiveName = archive;
  image.Title = title;
  image.FileListName = std::string(archive, std::string(archive).size() - 4) + ".bfl";
  image.Started = started;
  image.Finished = started + 0.01;
  image.Size = size;
  image.MAC = "8F1C2A9B44D0E3F7";
  image.Incremental = incremental;
  return image;
}

}  // namespace

void SaveOnlineWindows(TIniRegistryEditor& store,
                       const std::function<void(QWidget& window, const char* name)>& save) {
  const std::string upload = "Documents";
  {
    TSampleTransfer sample(wkSend, tkUpload, store);
    sample.Session.Status("Locating Vaultora's server");
    sample.Session.ConnectionStateChange(vcsConnected, "Connected to Vaultora's server");
    sample.Session.Logon(true);
    sample.Session.InitBackup(upload);
    sample.Progress(upload, 0, 0, 48.6e6);
    sample.Progress(upload, 6, 17.9e6, 48.6e6);
    save(sample.Window, "transfer-upload");
  }
  {
    ClearMarks(store, keys::kBackupErrors);
    TSampleTransfer sample(wkSend, tkUpload, store);
    sample.Session.Status("Locating Vaultora's server");
    sample.Session.ConnectionStateChange(vcsFailed, "");
    sample.Session.Status("Vaultora's server could not be reached at 192.0.2.10:8642");
    sample.Session.Failed();
    sample.Session.Closed();
    sample.Window.OperationClosed();
    save(sample.Window, "transfer-upload-error");
    ClearMarks(store, keys::kBackupErrors);
  }
  {
    TSampleTransfer sample(wkReceive, tkDownload, store);
    sample.Session.Logon(true);
    sample.Session.InitRestore("Photos 2026");
    sample.Progress("Photos 2026", 0, 1.2e6, 210e6);
    sample.Progress("Photos 2026", 3, 96.4e6, 210e6);
    save(sample.Window, "transfer-download");
  }
  {
    TSampleTransfer sample(wkDelete, tkDelete, store);
    sample.Session.Logon(true);
    sample.Session.Status("Deleting the backups marked for deletion");
    sample.Window.Refresh();
    save(sample.Window, "transfer-delete");
  }
  {
    TSampleTransfer sample(wkRegistryUpdate, tkRegistryUpdate, store);
    sample.Session.Logon(true);
    sample.Session.Status("Retrieving the available backups, information from the server");
    sample.Session.Status("Downloading data for backup entry [ 0 ]");
    sample.Session.Status("Downloading data for backup entry [ 1 ]");
    sample.Window.Refresh();
    save(sample.Window, "transfer-available-backups");
  }
  {
    TfrmAvailableBackups window(store);
    const TDateTime day = EncodeDate(2026, 11, 30) + EncodeTime(20, 15, 0);
    window.AddImage(
        BuildAvailableBackup(SampleImage("46000_8.BFE", "Documents", day, 51234567, "")));
    window.AddImage(
        BuildAvailableBackup(SampleImage("46003_8.BFE", "Documents", day + 3, 1834567, "46000.8")));
    window.AddImage(
        BuildAvailableBackup(SampleImage("46004_5.BFE", "Photos 2026", day + 4, 987654, "")));
    save(window, "available-backups");
  }
  {
    TSimulatedRasAdapter adapter;
    adapter.AddEntry("Office dial-up", "ann", "secret");
    adapter.AddCourse({0, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}}});
    store.SetFilename(keys::kBaseKey);
    store.WriteString(keys::kConnection, keys::connection::kConnection, "Office dial-up");
    TRasDialer dialer(nullptr, &adapter);
    TDialAttempt attempt(dialer, store);
    TfrmDialup window(attempt);
    attempt.OnLine = [&window](const std::string&) { window.LineAdded(); };
    attempt.Show();
    window.Refresh();
    save(window, "dialup-connection");
    attempt.OnLine = nullptr;
    store.SetFilename(keys::kBaseKey);
    store.DeleteValue(keys::kConnection, keys::connection::kConnection);
    store.EraseSection(keys::kRasErrors);
  }
  {
    TfrmLogon logon("Office dial-up", "ann");
    save(logon, "logon");
  }
}

}  // namespace vaultora
