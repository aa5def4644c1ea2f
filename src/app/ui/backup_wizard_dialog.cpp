#include "app/ui/backup_wizard_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QVBoxLayout>

#include "controls/number_field.h"
#include "controls/summary_text.h"
#include "selection/ui/session_window.h"

namespace vaultora {

TfrmBackupWizard::TfrmBackupWizard(TIniRegistryEditor& store, bool anyWork,
                                   const TStringList& restoreList, TMessageReceiver& mainWindow,
                                   QWidget* parent)
    : TWizardDialog("frmBackupWizard", kBackupWizardCaption, parent),
      FStore(store),
      FMainWindow(mainWindow),
      FWizard(store, anyWork, restoreList) {
  AddPage(CreateCover(), "Welcome");
  AddPage(CreateBackup(), "Backup");
  AddPage(CreateSchedule(), "Scheduled Backups");
  AddPage(CreateFinished(), "Finished");
  FWizard.OnEditFileList = [this](bool fresh) { EditFileList(fresh); };
  resize(520, 380);
  ShowFields();
  GoTo(bwCover);
}

TfrmBackupWizard::~TfrmBackupWizard() = default;

QWidget* TfrmBackupWizard::CreateCover() {
  auto* page = new QWidget;
  auto* layout =
      TitledPage(page, "Welcome", {"This wizard will allow you to", "make a backup", "Options"});
  FNewBackup = new QRadioButton("Create a new backup");
  FNewBackup->setObjectName("rbNewBackup");
  FNewBackup->setChecked(true);
  FScheduled = new QRadioButton("Run the scheduled backup");
  FScheduled->setObjectName("rbScheduledBackup");
  FScheduled->setEnabled(FWizard.ScheduledAvailable());
  FSendReceive = new QRadioButton("Send / Receive");
  FSendReceive->setObjectName("rbSendReceive");
  FSendReceive->setEnabled(FWizard.SendReceiveAvailable());
  for (QRadioButton* choice : {FNewBackup, FScheduled, FSendReceive})
    layout->addWidget(choice);
  layout->addStretch(1);
  layout->addWidget(new QLabel("Select \"&Next >\"  to modify the backup"));
  return page;
}

QWidget* TfrmBackupWizard::CreateBackup() {
  auto* page = new QWidget;
  auto* layout = TitledPage(page, "Backup", {"Enter a name for the backup"});
  FName = new QLineEdit;
  FName->setObjectName("edBackupName");
  layout->addWidget(FName);
  auto* form = new QFormLayout;
  FParent = new QComboBox;
  FParent->setObjectName("cbAppendBackup");
  if (!FWizard.Parents().empty()) {
    FParent->addItem("[None]");
    for (const TAppendChoice& choice : FWizard.Parents())
      FParent->addItem(QString::fromStdString(choice.Title));
  }
  form->addRow("Append backup", FParent);
  layout->addLayout(form);
  FDisplay = new QCheckBox("Display the &file list");
  FDisplay->setObjectName("cbDisplayFileList");
  layout->addWidget(FDisplay);
  auto* expiry = new QHBoxLayout;
  FExpire = new QCheckBox("Expire after ");
  FExpire->setObjectName("cbExpire");
  FExpireDays = new TNumberField("edExpireDays", 1, 365, 1, 7);
  FDays = new QLabel("day(s)");
  FDays->setObjectName("lblDays");
  expiry->addWidget(FExpire);
  expiry->addWidget(FExpireDays);
  expiry->addWidget(FDays);
  expiry->addStretch(1);
  layout->addLayout(expiry);
  FReuse = new QCheckBox("Reuse the existing file list");
  FReuse->setObjectName("cbReuseFileList");
  layout->addWidget(FReuse);
  layout->addStretch(1);
  for (QCheckBox* box : {FDisplay, FExpire, FReuse})
    connect(box, &QCheckBox::toggled, this, [this] {
      TakeFields();
      ShowFields();
    });
  connect(FParent, &QComboBox::activated, this, [this](int index) {
    TakeFields();
    FWizard.ChooseParent(index);
    ShowFields();
  });
  return page;
}

QWidget* TfrmBackupWizard::CreateSchedule() {
  auto* page = new QWidget;
  auto* layout = TitledPage(page, "Scheduled Backups", {"Select the schedule to run"});
  FSchedules = new QListWidget;
  FSchedules->setObjectName("lbSchedules");
  for (const std::string& name : FWizard.Schedules())
    FSchedules->addItem(QString::fromStdString(name));
  layout->addWidget(FSchedules, 1);
  return page;
}

QWidget* TfrmBackupWizard::CreateFinished() {
  auto* page = new QWidget;
  auto* layout =
      TitledPage(page, "Finished", {"Please confirm that the current", "settings are correct"});
  FSummary = new TSummaryText("mmSummary");
  layout->addWidget(FSummary, 1);
  return page;
}

void TfrmBackupWizard::TakeFields() {
  if (FShowing) return;
  FWizard.Choice = FScheduled->isChecked()     ? bcScheduled
                   : FSendReceive->isChecked() ? bcSendReceive
                                               : bcNewBackup;
  FWizard.Name = FName->text().toStdString();
  FWizard.Expire = FExpire->isChecked();
  FWizard.ExpireDays = FExpireDays->value();
  FWizard.Reuse = FReuse->isChecked();
  FWizard.Display = FDisplay->isChecked();
  FWizard.Schedule = FSchedules->currentRow();
  FWizard.ApplyTickRules();
}

void TfrmBackupWizard::ShowFields() {
  FShowing = true;
  FName->setText(QString::fromStdString(FWizard.Name));
  const bool parents = !FWizard.Parents().empty();
  FParent->setEnabled(parents);
  FParent->setCurrentIndex(parents ? FWizard.Parent() : -1);
  FExpire->setEnabled(FWizard.ExpireEnabled());
  FExpire->setChecked(FWizard.Expire);
  FExpireDays->setValue(FWizard.ExpireDays);
  FExpireDays->setEnabled(FWizard.ExpireDaysEnabled());
  FDays->setEnabled(FWizard.ExpireDaysEnabled());
  FReuse->setEnabled(FWizard.ReuseEnabled());
  FReuse->setChecked(FWizard.Reuse);
  FDisplay->setEnabled(FWizard.DisplayEnabled());
  FDisplay->setChecked(FWizard.Display);
  FShowing = false;
}

void TfrmBackupWizard::EditFileList(bool fresh) {
  TfrmSession editor(FStore, smWizard, WizardSessionSource(), fresh, this);
  if (OnModalDialog)
    OnModalDialog(editor);
  else
    editor.exec();
}

int TfrmBackupWizard::NextPage(int page) {
  TakeFields();
  const int next = FWizard.Next(page);
  ShowFields();
  if (page == bwBackup && next < 0 && Trim(FWizard.Name).empty()) FName->setFocus();
  return next;
}

int TfrmBackupWizard::BackPage(int page) {
  TakeFields();
  return FWizard.Back(page);
}

void TfrmBackupWizard::PageShown(int page) {
  if (page == bwBackup) FName->setFocus();
  if (page == bwFinished) FSummary->SetLines(FWizard.Summary());
}

bool TfrmBackupWizard::ApplyPages() {
  TakeFields();
  FWizard.Apply(FMainWindow);
  return true;
}

void TfrmBackupWizard::reject() {
  // "&Close", Escape and the close box (QDialog turns it into a reject) leave the list as it was.
  FWizard.Close();
  TWizardDialog::reject();
}

}  // namespace vaultora
