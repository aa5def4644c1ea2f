// The main window's Extract command, which opens the "Restore" window on the selected backup,
// and the verifying of chosen backups that the restore wizard asks for.
#include <QTimer>

#include "app/ui/main_window.h"
#include "archive/ui/restore_window.h"
#include "archive/ui/verify_window.h"
#include "backupset/catalogue_commands.h"
#include "online/runtime/transfer_session.h"

namespace vaultora {

namespace {

constexpr int kReceivePollMs = 200;

}  // namespace

TfrmVerify* TfrmMain::VerifyWindow() const {
  return FVerify.data();
}

void TfrmMain::ExtractCommand() {
  CheckSetup();
  if (const std::string key = SelectedKey(); !key.empty()) {
    TfrmRestore window(FStore, key, this);
    window.OnStopDownload = [this] {
      if (TTransferSession* download = FHost->Session(wkReceive)) download->UserStop();
    };
    if (OnRestoreWindowShown) OnRestoreWindowShown(window);
    window.exec();
  }
  LoadWindowSettings();
  RelayToolBar();
  RefreshList();
}

void TfrmMain::VerifyBackups(const std::vector<std::string>& keys) {
  if (keys.empty()) return;
  // One verify window at a time: a new request replaces the one before (which stops).
  delete FVerify.data();
  FVerify = new TfrmVerify(FStore, keys, this);
  FVerify->OnReceive = [this](const TStringList& missing) {
    TCatalogueCommands commands(FStore, FRestoreList);
    for (const std::string& key : missing)
      commands.ToggleRestoreRequest(key, true);
    FQueue->ReceiveOnly();
    // The receive runs through the queue's messages and its transfer window; once the runtime
    // is idle again it has ended (or never started: the check then says what is missing).
    auto* poll = new QTimer(FVerify);
    connect(poll, &QTimer::timeout, FVerify, [this, poll] {
      if (!FRuntime.Idle()) return;
      poll->stop();
      poll->deleteLater();
      FVerify->ReceiveEnded();
    });
    poll->start(kReceivePollMs);
  };
  FVerify->show();
  FVerify->raise();
  FVerify->Start();
}

}  // namespace vaultora
