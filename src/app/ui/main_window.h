#pragma once
// TfrmMain: the client's one main window and the owner of everything that runs for the program's
// life: its settings store instance, the work queue with the dial-up line and the transfer host,
// the alarm clock, the shutdown interceptor and the notification icon. It shows the catalogue as
// a fixed tree of five folders and a list of entries, and offers every user command. Its rules
// live in non-visual classes (main_window_rules, the catalogue views and local commands, the work
// queue); this class binds them to widgets. Other windows and threads reach it only by posting
// messages to Receiver(). User-interface thread only.

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/runtime/client_runtime.h"
#include "app/runtime/desktop_session.h"
#include "app/runtime/main_window_rules.h"
#include "connect/runtime/shutdown_intercept.h"
#include "platform/capture_error.h"
#include "platform/runtime/message_receiver.h"
#include "schedule/runtime/alarm_clock.h"
#include "settings/ini_registry_editor.h"

class QAction;
class QDialog;
class QLabel;
class QListWidget;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vaultora {

class TAnimatedTrayIcon;
class TOnlineWindows;
class TfrmLogs;
class TfrmSession;
class TfrmShutDown;
class TfrmVerify;
class TShutDownCountdown;

struct TMainWindowOptions {
  std::string ProgramPath;             // written into the start-with-the-session entry
  bool TrayAvailable = true;           // the desktop has a notification area
  TSessionAdapter* Session = nullptr;  // nullptr: the system's
  TRasAdapter* Dialup = nullptr;       // nullptr: the one $VAULTORA_DIALUP chooses
  // Makes the login manager the shutdown flow and the wake from a sleep go through; none when
  // empty or when it gives nullptr (the program itself passes SystemLoginManager).
  std::function<std::unique_ptr<TLoginManager>()> LoginManager;
};

class TfrmMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit TfrmMain(const TMainWindowOptions& options, QWidget* parent = nullptr);
  ~TfrmMain() override;

  // "-StartupTray": hidden in the notification area, or minimised without one.
  void ShowAtStartup(bool startInTray);

  TClientRuntime& Runtime() { return FRuntime; }
  TIniRegistryEditor& Store() { return FStore; }
  TMessageReceiver& Receiver() { return *FReceiver; }
  TWorkQueue& Queue() { return *FQueue; }
  TTransferHost& Host() { return *FHost; }
  TStringList& RestoreList() { return FRestoreList; }
  TAlarmClock& Clock() { return FClock; }
  TShutDownItercept& Intercept() { return *FIntercept; }
  TDesktopSession& Desktop() { return *FDesktop; }
  TAnimatedTrayIcon& Tray() { return *FTray; }
  // The transfer, dial-up and available-backups windows.
  TOnlineWindows& Online() { return *FOnline; }
  QAction* Action(TMainCommand command) const { return FActions[command]; }
  TCatalogueView View() const { return FView; }
  TfrmLogs* LogWindow() const;
  TfrmShutDown* ShutDownWindow() const;
  bool ShutdownPollRunning() const { return FShutdownPoll.isActive(); }
  QWidget* CreatingBackupWindow() const { return FCreatingBackup; }
  // The window of the last verify request, nullptr when none is open.
  TfrmVerify* VerifyWindow() const;

  // Selects a tree node by its caption ("Outbox", "Backups", ...).
  bool SelectNode(const std::string& caption);
  // Clears and refills the list for the selected node.
  void RefreshList();
  // The catalogue key of the selected row, "" when none.
  std::string SelectedKey() const;
  bool SelectRow(const std::string& key);

  // Called with every Creating Backup window before it is shown (tests drive it from here).
  std::function<void(QWidget& window)> OnCreatingBackupShown;
  // Called with every Restore window before it is shown (tests drive it from here).
  std::function<void(QWidget& window)> OnRestoreWindowShown;
  // Runs each modal set-up window and wizard (connection, options, schedules, the backup and
  // restore wizards); unset, it is shown with exec(). Tests drive the window from here and close
  // it.
  std::function<void(QDialog& dialog)> OnModalDialog;
  // A transfer of the kind opens (its window comes with a later version; tests watch here).
  std::function<void(TWorkKind kind)> OnTransferOpening;

 signals:
  // The window closed for good: the program ends.
  void Closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // construction (main_window.cpp)
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateWidgets();
  void CreateTray();
  void LoadWindowSettings();
  void RelayToolBar();
  void KeepGeometry();
  void KeepColumns();  // of the view shown now
  void RestoreGeometry();
  // views and local commands (main_window_views.cpp)
  void NodeSelected();
  void SetColumns(TCatalogueView view);
  void UpdateCommandStates();
  void ShowStatus(int panel, const std::string& text);
  void DeleteSelected();
  void UndoSelected();
  void MoveSelectedToSentItems();
  void ClearCacheCommand();
  void ToggleRestoreRequest(QTreeWidgetItem* item, bool ticked);
  void ShowSessionFiles();
  // commands and messages (main_window_flow.cpp)
  void Run(TMainCommand command);
  void CheckSetup();
  TBackupRunResult RunBackupWindow(const std::string& scheduleName);
  void BackupCommand();
  void RestoreCommand();
  void LogsCommand();
  // restoring and verifying (main_window_restore.cpp)
  void ExtractCommand();
  void VerifyBackups(const std::vector<std::string>& keys);
  // set-up windows and wizards (main_window_setup.cpp)
  void RunModal(QDialog& dialog);
  void BackupWizardCommand();
  void RestoreWizardCommand();
  void ConnectionCommand();
  void OptionsCommand();
  void ScheduleCommand();
  void HandleMessage(const TMessage& message);
  void ReleaseWindow(int code);
  void BringBack();
  void ExitCommand();
  void AskBeforeShutDown(bool& allowShutDown);
  void BackupBeforeShutDown();
  void ShutdownPoll();
  void CountdownClosed(bool ended);
  void LoadSchedulesNow();
  void TransferClosed(TWorkKind kind, bool success);
  void Notify(const std::string& title, const std::string& text, bool error);
  void HideToTray();

  // The online machinery: store, restore list, dial-up line, work queue, transfer host and alarm
  // clock, with short names for its parts.
  TClientRuntime FRuntime;
  TIniRegistryEditor& FStore = FRuntime.Store();
  TStringList& FRestoreList = FRuntime.RestoreList();
  TDialupLine& FLine = FRuntime.Line();
  TWorkQueue* const FQueue = &FRuntime.Queue();
  TTransferHost* const FHost = &FRuntime.Host();
  TAlarmClock& FClock = FRuntime.Clock();
  TMainWindowOptions FOptions;
  std::unique_ptr<TMessageReceiver> FReceiver;
  TCaptureError FCaptureError;
  std::unique_ptr<TShutDownItercept> FIntercept;
  std::unique_ptr<TShutDownCountdown> FCountdown;
  std::unique_ptr<TDesktopSession> FDesktop;
  TAnimatedTrayIcon* FTray = nullptr;
  std::unique_ptr<TOnlineWindows> FOnline;

  std::array<QAction*, kMainCommandCount> FActions{};
  QMenu* FTrayMenu = nullptr;
  QMenu* FListMenu = nullptr;
  QToolBar* FToolBar = nullptr;
  QToolButton* FSendReceiveButton = nullptr;
  QSplitter* FSplitter = nullptr;
  QSplitter* FListSplitter = nullptr;
  QTreeWidget* FTree = nullptr;
  QTreeWidget* FList = nullptr;
  TfrmSession* FSessionFiles = nullptr;  // the file list viewer
  std::array<QLabel*, 3> FPanels{};

  TCatalogueView FView = cvOutbox;
  bool FFilling = false;  // the list is being refilled: check boxes are not the user's
  bool FClosing = false;
  QTimer FShutdownPoll;
  QPointer<TfrmLogs> FLogs;
  QPointer<TfrmShutDown> FShutDown;
  QPointer<QWidget> FCreatingBackup;
  QPointer<TfrmVerify> FVerify;
};

}  // namespace vaultora
