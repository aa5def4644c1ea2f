#pragma once
// TfrmCreatingBackup: the "Creating Backup" window over the creating-backup run. Once shown it
// runs the backup set, shows the run's lines in their labels while four pictures turn, and lets
// the user cancel. Its "Send the backup when completed" box is read by the caller. Modal; the
// caller frees it.

#include <QDialog>
#include <QTimer>

#include <memory>
#include <string>

#include "archive/blowfish.h"
#include "backupset/creating_backup_run.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace vaultora {

class TfrmCreatingBackup : public QDialog {
  Q_OBJECT
 public:
  // scheduleName: empty for a manual backup (the backup wizard's settings).
  TfrmCreatingBackup(TIniRegistryEditor& store, std::string scheduleName,
                     QWidget* parent = nullptr);
  ~TfrmCreatingBackup() override;

  bool SendWhenCompleted() const;
  // The error or status the run ended with, "" when it succeeded.
  std::string FailureText() const;
  TCreatingBackupRun& Run() { return *FRun; }
  bool Finished() const { return FFinished; }
  QString LabelText(TBackupLineTag tag) const;

  void reject() override;

 signals:
  // The run ended (succeeded or not); the button now closes the window.
  void RunFinished(bool succeeded);

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Start();
  void ShowLine(TBackupLineTag tag, const std::string& text);
  void ButtonPressed();

  TBlowfish FCipher;
  std::unique_ptr<TCreatingBackupRun> FRun;
  std::string FScheduleName;
  bool FStarted = false;
  bool FFinished = false;
  bool FSucceeded = false;
  int FPicture = 0;
  QTimer FPictures;
  QLabel* FAnimation = nullptr;
  QLabel* FLabels[11] = {};
  QProgressBar* FProgress = nullptr;
  QCheckBox* FSend = nullptr;
  QPushButton* FButton = nullptr;
};

}  // namespace vaultora
