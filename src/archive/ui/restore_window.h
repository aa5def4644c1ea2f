#pragma once
// TfrmRestore: the "Restore" window over the restore session. Once shown it deciphers, proves,
// merges and lists the chosen backup by itself; the user finds files by a text or a folder of
// the backup, picks rows and restores them (or all) through "Restore Options". The session's
// lines fill the log list, its status and progress the status bar. "&Stop" (and closing while
// busy) asks before it stops. The session runs on the window thread and processes messages
// after every block, so the window stays live. Modal; the caller frees it.

#include <QDialog>
#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <string>

#include "archive/restore_listing.h"
#include "archive/restore_session.h"

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QTableView;
class QToolButton;
class QTreeWidget;

namespace vaultora {

class TfrmRestoreOptions;
class TRestoreRowsModel;

class TfrmRestore : public QDialog {
  Q_OBJECT
 public:
  // key: the catalogue key of the backup to restore from.
  TfrmRestore(TIniRegistryEditor& store, const std::string& key, QWidget* parent = nullptr);
  ~TfrmRestore() override;

  TRestoreSession& Session() { return *FSession; }
  TRestoreRowsModel& Model() { return *FModel; }
  bool Started() const { return FStartDone; }
  // The rows shown now are the session's rows of these indices.
  std::vector<size_t> SelectedRows() const;

  // Runs the options dialog; unset it is shown with exec(). Tests fill it and press a button.
  std::function<void(TfrmRestoreOptions& dialog)> OnOptionsDialog;
  // "&Stop" answered Yes: the running download of the chain stops too.
  std::function<void()> OnStopDownload;

  void reject() override;

 signals:
  // The start is over; listed: at least one file was listed.
  void StartFinished(bool listed);
  void ExtractFinished(bool extracted);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Start();
  void ShowRows();
  void BuildFolderTree();
  void ApplyFilter();
  void RestoreFiles();
  bool ConfirmReplacing(const TRestoreOptions& options);
  void StopPressed();
  void AddLogLine(const std::string& line);
  void UpdateStates();
  void EndBusy();

  std::unique_ptr<TRestoreSession> FSession;
  TRestoreListing FListing;
  TRestoreRowsModel* FModel = nullptr;
  bool FWorking = false;
  bool FStartDone = false;
  bool FStopped = false;  // "&Stop" was answered Yes
  bool FCloseWhenIdle = false;
  QElapsedTimer FShownAt, FPercentAt;  // when the status text and the percent last changed

  QAction* FRestore = nullptr;
  QAction* FStop = nullptr;
  QToolButton* FCancel = nullptr;
  QTreeWidget* FFolders = nullptr;
  QLineEdit* FFilter = nullptr;
  QLabel* FShown = nullptr;
  QTableView* FFiles = nullptr;
  QListWidget* FLog = nullptr;
  QLabel* FStatus = nullptr;
  QProgressBar* FProgress = nullptr;
};

}  // namespace vaultora
