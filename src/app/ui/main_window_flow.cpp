// The main window's commands, its posted messages, the shutdown flow, closing and bringing the
// window back.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QTreeWidget>
#include <QWindowStateChangeEvent>

#include "app/runtime/client_setup.h"
#include "app/runtime/main_messages.h"
#include "app/ui/about_dialog.h"
#include "app/ui/animated_tray_icon.h"
#include "app/ui/log_files_window.h"
#include "app/ui/main_window.h"
#include "app/ui/online_windows.h"
#include "backupset/catalogue_commands.h"
#include "backupset/ui/creating_backup_window.h"
#include "catalogue/catalogue.h"
#include "connect/runtime/shutdown_countdown.h"
#include "connect/ui/shutdown_window.h"
#include "platform/prompts.h"
#include "schedule/schedule_record.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

using namespace messages;

namespace {

const char* const kShutDownQuestion =
    "You are not protected until you backup your data. Backup your data now?";

}  // namespace

void TfrmMain::CheckSetup() {
  vaultora::CheckSetup(
      FStore, [this] { Run(mcConnection); }, [this] { Run(mcOptions); });
}

void TfrmMain::Run(TMainCommand command) {
  switch (command) {
    case mcSchedule:
      CheckSetup();
      ScheduleCommand();
      return LoadSchedulesNow();
    case mcOptions:
      OptionsCommand();
      LoadWindowSettings();
      return LoadSchedulesNow();
    case mcConnection:
      ConnectionCommand();
      return LoadWindowSettings();
    case mcDelete:
      return DeleteSelected();
    case mcUndo:
      return UndoSelected();
    case mcExtract:
      return ExtractCommand();
    case mcSendReceive:
      return FQueue->SendAndReceive();
    case mcSendOnly:
      return FQueue->SendOnly();
    case mcReceiveOnly:
      return FQueue->ReceiveOnly();
    case mcDeleteOnly:
      return FQueue->DeleteOnly();
    case mcDownloadSettings:
      return FQueue->DownloadSettings();
    case mcBackup:
      return BackupCommand();
    case mcRestore:
      return RestoreCommand();
    case mcLogs:
      return LogsCommand();
    case mcMoveToSentItems:
      return MoveSelectedToSentItems();
    case mcClearCache:
      return ClearCacheCommand();
    case mcHelpContents:
      return ShowHelp(this);
    case mcAbout:
      return ShowAbout(this);
    case mcExit:
      return ExitCommand();
    case mcStandardButtons:
      WriteWindowSetting(FStore, keys::setting::StandardButtons,
                         FActions[mcStandardButtons]->isChecked());
      return RelayToolBar();
    case mcTextLabels:
      WriteWindowSetting(FStore, keys::setting::TextLabels, FActions[mcTextLabels]->isChecked());
      return RelayToolBar();
    case mcBackupFiles:
      WriteWindowSetting(FStore, keys::setting::ViewSessionFiles,
                         FActions[mcBackupFiles]->isChecked());
      return ShowSessionFiles();
    case mcNotifications:
      return SetNotificationsOn(FStore, FActions[mcNotifications]->isChecked());
  }
}

void TfrmMain::BackupCommand() {
  CheckSetup();
  BackupWizardCommand();
  LoadWindowSettings();
  UpdateCommandStates();
  RelayToolBar();
}

void TfrmMain::RestoreCommand() {
  CheckSetup();
  RestoreWizardCommand();
  LoadWindowSettings();
  RelayToolBar();
  RefreshList();
}

TBackupRunResult TfrmMain::RunBackupWindow(const std::string& scheduleName) {
  TBackupRunResult result;
  auto* window = new TfrmCreatingBackup(FStore, scheduleName, this);
  FCreatingBackup = window;
  if (OnCreatingBackupShown) OnCreatingBackupShown(*window);
  result.Completed = window->exec() == QDialog::Accepted;
  result.SendWhenCompleted = window->SendWhenCompleted();
  result.Incomplete = result.Completed && window->Run().Builder().Incomplete();
  const std::string failure = window->FailureText();
  const std::string incomplete =
      IncompleteBackupText(window->Run().Builder().NotTaken().size()) +
      ": each file is named in the Creating Backup lines and the backup log.";
  delete window;
  // A user away from the window learns how a scheduled backup went, and of any failure.
  if (!result.Completed && !failure.empty())
    Notify("Backup failed", scheduleName.empty() ? failure : scheduleName + ": " + failure, true);
  else if (result.Incomplete)
    Notify("Backup incomplete",
           scheduleName.empty() ? incomplete : scheduleName + ": " + incomplete, true);
  else if (result.Completed && !scheduleName.empty())
    Notify("Backup finished", "The scheduled backup \"" + scheduleName + "\" is done.", false);
  LoadWindowSettings();
  RefreshList();
  // The third panel keeps the run's outcome in words until the next message there.
  if (result.Incomplete) ShowStatus(2, incomplete);
  UpdateCommandStates();
  RelayToolBar();
  return result;
}

void TfrmMain::LogsCommand() {
  if (FLogs) {
    FReceiver->Post(WM_USER + TWM_RELEASEWINDOW, 4);
    return;
  }
  try {
    FLogs = new TfrmLogs(FStore, *FReceiver);
    FLogs->show();
    FLogs->raise();
    FLogs->activateWindow();
    FActions[mcLogs]->setChecked(true);
  } catch (const std::exception& e) {
    FCaptureError.CaptureError(e.what());
    FReceiver->Post(WM_USER + TWM_RELEASEWINDOW, 4);
  }
}

void TfrmMain::ReleaseWindow(int code) {
  if (code == 4) {
    if (FLogs) FLogs->deleteLater();
    FLogs = nullptr;
    FActions[mcLogs]->setChecked(false);
  }
}

void TfrmMain::LoadSchedulesNow() {
  try {
    FRuntime.LoadSchedules();
  } catch (const std::exception& e) {
    FCaptureError.CaptureError(e.what());
  }
}

void TfrmMain::HandleMessage(const TMessage& message) {
  switch (message.Msg - WM_USER) {
    case TWM_RELEASEWINDOW:
      return ReleaseWindow(static_cast<int>(message.WParam));
    case TWM_SHOWMAINWINDOW:
      return BringBack();
    case TWM_DOBACKUPWIZARD:
      return BackupBeforeShutDown();
    case TWM_SHUTDOWNPOLL:
      return ShutdownPoll();
    case TWM_DOEXTRACT:
      if (const std::string* key = message.PayloadAs<std::string>()) {
        SelectNode("Inbox");
        if (SelectRow(*key)) Run(mcExtract);
      }
      return;
    case TWM_DOVERIFY:
      if (const auto* keys = message.PayloadAs<std::vector<std::string>>()) VerifyBackups(*keys);
      return;
    case TWM_SHOWAVAILABLEBACKUPS:
      return RefreshList();
    default:
      // The work queue's messages: the "do" and "done" messages and the backup requests.
      FQueue->Receiver().Post(message.Msg, message.WParam, message.LParam);
  }
}

void TfrmMain::TransferClosed(TWorkKind kind, bool success) {
  FOnline->Closed(kind);
  RefreshList();
  if (!success)
    Notify(TTransferHost::Texts(kind).Caption,
           "The transfer ended with an error; see View > Logs for its lines.", true);
}

void TfrmMain::Notify(const std::string& title, const std::string& text, bool error) {
  if (NotificationsOn(FStore))
    FTray->ShowMessage(QString::fromStdString(title), QString::fromStdString(text), error);
}

// --- the shutdown flow ----------------------------------------------------------------------

void TfrmMain::AskBeforeShutDown(bool& allowShutDown) {
  allowShutDown = !AskQuestion(kShutDownQuestion);
  if (allowShutDown) return;
  FDesktop->FlowStarted();
  FReceiver->Post(WM_USER + TWM_DOBACKUPWIZARD);
}

void TfrmMain::BackupBeforeShutDown() {
  // The backup wizard without CheckSetup.
  BackupWizardCommand();
  FShutdownPoll.start();
}

void TfrmMain::ShutdownPoll() {
  const bool work = TCatalogue(FStore).AnythingToSend() || TCatalogue(FStore).AnythingToDelete() ||
                    TCatalogue(FStore).AnythingToReceive() || !FRestoreList.empty();
  const bool busy = FCreatingBackup || !FRuntime.Idle();
  // Work that cannot go anywhere (its last run failed) does not hold the shutdown for ever.
  const bool stuck = work && !busy && !FQueue->Entry(wkSend).Enabled &&
                     !FQueue->Entry(wkReceive).Enabled && !FQueue->Entry(wkDelete).Enabled;
  if (busy || (work && !stuck)) return;
  FShutdownPoll.stop();
  if (!FShutDown) {
    FCountdown->Load();
    FShutDown = new TfrmShutDown(*FCountdown);
  }
  FShutDown->show();
  FShutDown->raise();
  FShutDown->activateWindow();
  FCountdown->Start();
}

void TfrmMain::CountdownClosed(bool ended) {
  if (FShutDown) FShutDown->deleteLater();
  FShutDown = nullptr;
  FDesktop->FlowEnded();  // before the action, which the lock would refuse
  if (!ended) return;
  close();
}

// --- closing and bringing back --------------------------------------------------------------

void TfrmMain::ExitCommand() {
  switch (ExitAction(FStore, FTray->Available())) {
    case caClose:
      FClosing = true;
      close();
      return;
    case caMinimize:
      showMinimized();
      return;
    case caHide:
      HideToTray();
      return;
  }
}

void TfrmMain::HideToTray() {
  hide();
  FTray->Minimized();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  // The close box minimises unless RemFromTaskBar is set; a countdown's end always closes.
  const bool byCountdown = !FIntercept->SelectedShutDown.Empty();
  if (!FClosing && !byCountdown && CloseBoxAction(FStore) == caMinimize) {
    event->ignore();
    showMinimized();
    return;
  }
  FClosing = false;
  FShutdownPoll.stop();
  KeepGeometry();
  if (KeepsProgramRunning(*FIntercept)) {
    // A standby: the program goes on afterwards, with its settings and alarms reloaded.
    event->ignore();
    FIntercept->Execute();
    FIntercept->SelectedShutDown = {};
    LoadWindowSettings();
    LoadSchedulesNow();
    return;
  }
  if (FShutDown) delete FShutDown;
  if (FLogs) delete FLogs;
  try {
    if (!FIntercept->SelectedShutDown.Empty())
      FIntercept->Execute();
    else
      TCatalogueCommands(FStore, FRestoreList).ClearCache();
  } catch (const std::exception&) {
    // An error here still lets the window close.
  }
  FList->clear();
  FTray->SetActive(false);
  event->accept();
  emit Closed();
}

void TfrmMain::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  if (isMinimized()) {
    FTray->Minimized();
    // With a notification area a minimised program leaves the taskbar and lives in the icon;
    // without one it stays on the taskbar, the only way back.
    if (FTray->Available()) QTimer::singleShot(0, this, [this] { hide(); });
  } else if (isVisible())
    FTray->Restored();
}

void TfrmMain::BringBack() {
  FOnline->ShowHiddenTransfers();
  show();
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  raise();
  activateWindow();
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window != this && window->isVisible()) window->raise();
  QCoreApplication::processEvents();
}

void TfrmMain::ShowAtStartup(bool startInTray) {
  if (!startInTray)
    show();
  else if (!FTray->Available())
    showMinimized();  // no notification area to bring it back from: stay on the taskbar
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == FList && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Delete && FActions[mcDelete]->isEnabled()) {
      Run(mcDelete);
      return true;
    }
    if (key == Qt::Key_Insert) {
      Run(mcBackup);
      return true;
    }
    if (key == Qt::Key_Space && FView == cvSentItems) {
      if (QTreeWidgetItem* item = FList->currentItem())
        item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace vaultora
