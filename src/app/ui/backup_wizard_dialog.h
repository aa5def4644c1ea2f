#pragma once
// TfrmBackupWizard: the "Backup Wizard", a view of TBackupWizard. It binds the pages' controls to
// the wizard's answers, shows the tick rules as they change and opens the file list editor when
// the wizard asks for it. "&Close" and Escape put the file list back as it was.

#include <functional>

#include "app/runtime/backup_wizard.h"
#include "controls/wizard_dialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;

namespace vaultora {

class TIniRegistryEditor;
class TMessageReceiver;
class TNumberField;
class TSummaryText;

class TfrmBackupWizard : public TWizardDialog {
  Q_OBJECT
 public:
  // mainWindow: where "&Apply" posts its request.
  TfrmBackupWizard(TIniRegistryEditor& store, bool anyWork, const TStringList& restoreList,
                   TMessageReceiver& mainWindow, QWidget* parent = nullptr);
  ~TfrmBackupWizard() override;

  TBackupWizard& Wizard() { return FWizard; }
  // Runs the file list editor (a modal "Backup Files" window); unset, it is exec()'d.
  std::function<void(QDialog& editor)> OnModalDialog;

  void reject() override;

 protected:
  int NextPage(int page) override;
  int BackPage(int page) override;
  bool ApplyPages() override;
  void PageShown(int page) override;

 private:
  QWidget* CreateCover();
  QWidget* CreateBackup();
  QWidget* CreateSchedule();
  QWidget* CreateFinished();
  void TakeFields();
  void ShowFields();
  void EditFileList(bool fresh);

  TIniRegistryEditor& FStore;
  TMessageReceiver& FMainWindow;
  TBackupWizard FWizard;
  QRadioButton* FNewBackup = nullptr;
  QRadioButton* FScheduled = nullptr;
  QRadioButton* FSendReceive = nullptr;
  QLineEdit* FName = nullptr;
  QComboBox* FParent = nullptr;
  QCheckBox* FDisplay = nullptr;
  QCheckBox* FExpire = nullptr;
  TNumberField* FExpireDays = nullptr;
  QLabel* FDays = nullptr;
  QCheckBox* FReuse = nullptr;
  QListWidget* FSchedules = nullptr;
  TSummaryText* FSummary = nullptr;
  bool FShowing = false;
};

}  // namespace vaultora
