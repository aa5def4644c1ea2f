#include "online/runtime/transfer_binding.h"

#include <utility>

namespace vaultora {

namespace {

// Replaces handler by value and records how to give the old one back.
template <class Handler>
void Lend(std::vector<std::function<void()>>& restore, Handler& handler, Handler value) {
  restore.push_back(
      [&handler, saved = std::move(handler)]() mutable { handler = std::move(saved); });
  handler = std::move(value);
}

}  // namespace

void TTransferBinding::BindCommon(TBaseOnlineTransfer& c, TTransferSession& s) {
  Lend(FRestore, c.OnStatus,
       TNotifyStatus([&s](TComponent*, const std::string& t) { s.Status(t); }));
  Lend(FRestore, c.OnThreadException,
       TNotifyError([&s](TComponent*, const std::string& t) { s.Status(t); }));
  Lend(FRestore, c.OnConnectionStateChange,
       TNotifyAppServConnection([&s](TComponent*, TVaConnectionState state, const std::string& t) {
         s.ConnectionStateChange(state, t);
       }));
  Lend(FRestore, c.OnLogon, TNotifyLogon([&s](TComponent*, bool ok) { s.Logon(ok); }));
  Lend(FRestore, c.OnBackupNotRegistered,
       TNotifyBackupNotRegistered(
           [&s](TComponent*, const std::string& name) { s.BackupNotRegistered(name); }));
  Lend(FRestore, c.OnError,
       TNotifyError([&s](TComponent*, const std::string& t) { s.ComponentError(t); }));
  Lend(FRestore, c.OnTransferProgress,
       TNotifyTransferProgress([&s](TComponent*, const std::string&, const std::string& title,
                                    int count, int index, double percent, double total,
                                    double written) {
         s.TransferProgress(title, count, index, percent, total, written);
       }));
  Lend(FRestore, s.OnStopRequested, std::function<void()>([&c] { c.Stop(); }));
}

TTransferBinding::TTransferBinding(TOnLineBackup& c, TTransferSession& s) {
  BindCommon(c, s);
  Lend(FRestore, c.OnBackupOk, TNotifyEvent([&s](TComponent*) { s.Succeeded(); }));
  Lend(FRestore, c.OnBackupFailed, TNotifyEvent([&s](TComponent*) { s.Failed(); }));
  Lend(FRestore, c.OnFileNotFound,
       TNotifyFileNotFound([&s](TComponent*, const std::string& p) { s.FileNotFound(p); }));
  Lend(FRestore, c.OnNoBackupsToSend, TNotifyEvent([&s](TComponent*) { s.NoBackupsToSend(); }));
  Lend(FRestore, c.OnInitBackup,
       TNotifyInitBackup([&s](TComponent*, const std::string& t) { s.InitBackup(t); }));
}

TTransferBinding::TTransferBinding(TOnLineRestore& c, TTransferSession& s) {
  BindCommon(c, s);
  Lend(FRestore, c.OnRestoreOk, TNotifyEvent([&s](TComponent*) { s.Succeeded(); }));
  Lend(FRestore, c.OnRestoreFailed, TNotifyEvent([&s](TComponent*) { s.Failed(); }));
  Lend(FRestore, c.OnBackupNotOnServer,
       TNotifyRestoreBackup([&s](TComponent*, const std::string& t) { s.BackupNotOnServer(t); }));
  Lend(FRestore, c.OnBackupInStorage,
       TNotifyRestoreBackup([&s](TComponent*, const std::string& t) { s.BackupInStorage(t); }));
  Lend(FRestore, c.OnInitRestore,
       TNotifyRestoreBackup([&s](TComponent*, const std::string& t) { s.InitRestore(t); }));
  Lend(FRestore, c.OnNoBackupSpecified, TNotifyEvent([&s](TComponent*) { s.NoBackupSpecified(); }));
}

TTransferBinding::TTransferBinding(TOnlineDeleteBackup& c, TTransferSession& s) {
  BindCommon(c, s);
  Lend(FRestore, c.OnDeleteBackupOk, TNotifyEvent([&s](TComponent*) { s.Succeeded(); }));
  Lend(FRestore, c.OnDeleteBackupFailed, TNotifyEvent([&s](TComponent*) { s.Failed(); }));
  Lend(FRestore, c.OnNoBackupsToDelete, TNotifyEvent([&s](TComponent*) { s.NoBackupsToDelete(); }));
}

TTransferBinding::TTransferBinding(TOnlineRegistryUpdate& c, TTransferSession& s,
                                   TNotifyItemsToRegister onItem) {
  BindCommon(c, s);
  Lend(FRestore, c.OnRegistryUpdateOk, TNotifyEvent([&s](TComponent*) { s.Succeeded(); }));
  Lend(FRestore, c.OnRegistryUpdateFailed, TNotifyEvent([&s](TComponent*) { s.Failed(); }));
  Lend(FRestore, c.OnItemsToRegister, std::move(onItem));
}

TTransferBinding::~TTransferBinding() {
  for (auto it = FRestore.rbegin(); it != FRestore.rend(); ++it)
    (*it)();
}

}  // namespace vaultora
