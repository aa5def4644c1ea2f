#include "app/ui/restore_wizard_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "controls/summary_text.h"

namespace vaultora {

namespace {

constexpr int kKeyRole = Qt::UserRole;

QString KeyOf(const QTreeWidgetItem* item) {
  return item->data(0, kKeyRole).toString();
}

}  // namespace

TfrmRestoreWizard::TfrmRestoreWizard(TIniRegistryEditor& store, TStringList& restoreList,
                                     TMessageReceiver& mainWindow, QWidget* parent)
    : TWizardDialog("frmRestoreWizard", kRestoreWizardCaption, parent),
      FMainWindow(mainWindow),
      FWizard(store, restoreList) {
  AddPage(CreateCover(), "Welcome");
  AddPage(
      CreateList("Online Restore", "Tick the backup(s) to restore", "lvRequest",
                 {"Restore", "Name", "Size"}, {60, 100, 65}, FRequest, {&FAvailable, &FRequested}),
      "Online Restore");
  AddPage(CreateList("View/Extract Backup", "Select the backup to view/extract", "lvLocal",
                     {"Name", "Size"}, {150, 65}, FLocal, {&FInbox}),
          "View/Extract Backup");
  AddPage(CreateList("Verify Backups", "Tick the backup(s) to verify", "lvVerify",
                     {"Verify", "Name", "Size", "Kept"}, {50, 120, 65, 120}, FVerifyList,
                     {&FVerifyCount}),
          "Verify Backups");
  AddPage(CreateFinished(), "Finished");
  FAvailable->setObjectName("sbAvailable");
  FRequested->setObjectName("sbRequested");
  FInbox->setObjectName("sbInbox");
  FVerifyCount->setObjectName("sbVerify");
  connect(FRequest, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
    if (!FFilling && column == 0) RequestTicked(item);
  });
  connect(FVerifyList, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
    if (!FFilling && column == 0) VerifyTicked(item);
  });
  connect(FLocal, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (!FFilling) FWizard.Local = item ? FLocal->indexOfTopLevelItem(item) : -1;
  });
  resize(520, 380);
  GoTo(rwCover);
}

TfrmRestoreWizard::~TfrmRestoreWizard() = default;

QWidget* TfrmRestoreWizard::CreateCover() {
  auto* page = new QWidget;
  auto* layout = TitledPage(
      page, "Welcome",
      {"This wizard will help you to restore", "your files from the Vaultora server,", "Options"});
  FFromServer = new QRadioButton("Restore backup(s) from the server");
  FFromServer->setObjectName("rbFromServer");
  FFromServer->setChecked(true);
  FViewExtract = new QRadioButton("View/Extract a restored backup");
  FViewExtract->setObjectName("rbViewExtract");
  FVerify = new QRadioButton("Verify backup(s)");
  FVerify->setObjectName("rbVerify");
  for (QRadioButton* choice : {FFromServer, FViewExtract, FVerify})
    layout->addWidget(choice);
  layout->addStretch(1);
  layout->addWidget(new QLabel("Select \"&Next >\"  to use the selected option"));
  return page;
}

QWidget* TfrmRestoreWizard::CreateList(const char* title, const char* intro, const char* name,
                                       const QStringList& columns, const QList<int>& widths,
                                       QTreeWidget*& list, std::initializer_list<QLabel**> panels) {
  auto* page = new QWidget;
  auto* layout = TitledPage(page, title, {intro});
  list = new QTreeWidget;
  list->setObjectName(name);
  list->setRootIsDecorated(false);
  list->setUniformRowHeights(true);
  list->setHeaderLabels(columns);
  for (int i = 0; i < widths.size(); ++i)
    list->setColumnWidth(i, widths[i]);
  layout->addWidget(list, 1);
  auto* status = new QStatusBar;
  status->setSizeGripEnabled(false);
  for (QLabel** panel : panels) {
    *panel = new QLabel;
    status->addWidget(*panel, 1);
  }
  layout->addWidget(status);
  return page;
}

QWidget* TfrmRestoreWizard::CreateFinished() {
  auto* page = new QWidget;
  auto* layout =
      TitledPage(page, "Finished", {"Please confirm that the current", "settings are correct"});
  FSummary = new TSummaryText("mmSummary");
  layout->addWidget(FSummary, 1);
  return page;
}

void TfrmRestoreWizard::FillRows(QTreeWidget& list, const std::vector<TRestoreWizardRow>& rows,
                                 bool checks, bool where) {
  FFilling = true;
  list.clear();
  for (const TRestoreWizardRow& row : rows) {
    QStringList cells;
    if (checks) cells << QString();
    cells << QString::fromStdString(row.Title) << QString::fromStdString(row.SizeText);
    if (where) cells << (row.Local ? "On this computer" : "On the server");
    auto* item = new QTreeWidgetItem(cells);
    item->setData(0, kKeyRole, QString::fromStdString(row.Key));
    if (checks) {
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(0, Qt::Unchecked);
    }
    list.addTopLevelItem(item);
  }
  FFilling = false;
}

void TfrmRestoreWizard::ShowRequestTicks() {
  FFilling = true;
  for (int i = 0; i < FRequest->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = FRequest->topLevelItem(i);
    item->setCheckState(0,
                        FWizard.Requested(KeyOf(item).toStdString()) ? Qt::Checked : Qt::Unchecked);
  }
  FFilling = false;
}

void TfrmRestoreWizard::ShowStatus() {
  // Only the lists already filled: each is read when its page is first reached.
  if (FFilled[0]) {
    FAvailable->setText(QString::fromStdString(FWizard.AvailableText()));
    FRequested->setText(QString::fromStdString(FWizard.RequestedText()));
  }
  if (FFilled[1]) FInbox->setText(QString::fromStdString(FWizard.InboxText()));
  if (FFilled[2])
    FVerifyCount->setText(
        QString("%1 item(s) to verify.").arg(static_cast<int>(FWizard.Verify.size())));
}

void TfrmRestoreWizard::RequestTicked(QTreeWidgetItem* item) {
  FRequest->setCurrentItem(item);
  FWizard.ToggleRequest(KeyOf(item).toStdString(), item->checkState(0) == Qt::Checked);
  ShowRequestTicks();
  ShowStatus();
}

void TfrmRestoreWizard::VerifyTicked(QTreeWidgetItem* item) {
  const std::string key = KeyOf(item).toStdString();
  if (item->checkState(0) == Qt::Checked)
    FWizard.Verify.insert(key);
  else
    FWizard.Verify.erase(key);
  ShowStatus();
}

void TfrmRestoreWizard::TakeChoice() {
  FWizard.Choice = FViewExtract->isChecked() ? rcViewExtract
                   : FVerify->isChecked()    ? rcVerify
                                             : rcFromServer;
}

int TfrmRestoreWizard::NextPage(int page) {
  if (page == rwCover) TakeChoice();
  return FWizard.Next(page);
}

int TfrmRestoreWizard::BackPage(int page) {
  return FWizard.Back(page);
}

void TfrmRestoreWizard::PageShown(int page) {
  if (page == rwRequest && !FFilled[0]) {
    FillRows(*FRequest, FWizard.RequestRows(), true, false);
    ShowRequestTicks();
    FFilled[0] = true;
  }
  if (page == rwLocal) {
    if (!FFilled[1]) FillRows(*FLocal, FWizard.LocalRows(), false, false);
    FFilled[1] = true;
    FFilling = true;
    FLocal->setCurrentItem(FWizard.Local >= 0 ? FLocal->topLevelItem(FWizard.Local) : nullptr);
    FFilling = false;
  }
  if (page == rwVerify && !FFilled[2]) {
    FillRows(*FVerifyList, FWizard.VerifyRows(), true, true);
    FFilled[2] = true;
  }
  if (page == rwFinished) FSummary->SetLines(FWizard.Summary());
  ShowStatus();
}

bool TfrmRestoreWizard::ApplyPages() {
  FWizard.Apply(FMainWindow);
  return true;
}

void TfrmRestoreWizard::reject() {
  // "&Close", Escape and the close box (QDialog turns it into a reject) undo the ticks made here.
  FWizard.Close();
  TWizardDialog::reject();
}

}  // namespace vaultora
