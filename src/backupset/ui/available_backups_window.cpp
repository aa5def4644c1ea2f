#include "backupset/ui/available_backups_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "backupset/available_backup.h"
#include "platform/date_time.h"
#include "platform/size_text.h"

namespace vaultora {

TfrmAvailableBackups::TfrmAvailableBackups(TIniRegistryEditor& store, QWidget* parent)
    : QDialog(parent), FImport(std::make_unique<TAvailableBackupsImport>(store)) {
  setObjectName("frmAvailableBackups");
  setWindowTitle("Available Backups");
  FList = new QTreeWidget;
  FList->setObjectName("lvAvailable");
  FList->setHeaderLabels({"Name", "Started", "Finished", "Size", "Incremental"});
  FList->setRootIsDecorated(false);
  FList->header()->resizeSection(0, 160);
  FList->header()->resizeSection(1, 180);
  FList->header()->resizeSection(2, 180);
  FLog = new QListWidget;
  FLog->setObjectName("lbLog");
  FLog->setMaximumHeight(110);
  FLog->hide();
  FStatus = new QStatusBar;
  FStatus->setObjectName("sbStatus");
  FStatus->setSizeGripEnabled(false);

  FRegister = new QPushButton("R&egister");
  FRegister->setObjectName("btnRegister");
  auto* log = new QPushButton("&Log");
  log->setObjectName("btnLog");
  log->setCheckable(true);
  auto* close = new QPushButton("&Close");
  close->setObjectName("btnClose");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(log);
  buttons->addStretch(1);
  buttons->addWidget(FRegister);
  buttons->addWidget(close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FList, 1);
  layout->addWidget(FLog);
  layout->addLayout(buttons);
  layout->addWidget(FStatus);

  connect(FRegister, &QPushButton::clicked, this, [this] { RegisterChecked(); });
  connect(log, &QPushButton::toggled, FLog, &QWidget::setVisible);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(FList, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
    const int row = FList->indexOfTopLevelItem(item);
    if (column == 0 && row >= 0 && static_cast<size_t>(row) < FImport->Checked().size())
      FImport->Checked()[static_cast<size_t>(row)] = item->checkState(0) == Qt::Checked;
  });
  FImport->OnLine = [this](const std::string& line) { LineAdded(line); };
  resize(780, 360);
}

TfrmAvailableBackups::~TfrmAvailableBackups() {
  FImport->OnLine = nullptr;
}

void TfrmAvailableBackups::LineAdded(const std::string& line) {
  // The import empties its lines past 51; the list shows what it holds.
  const TStringList& lines = FImport->Lines();
  if (static_cast<size_t>(FLog->count()) >= lines.size()) FLog->clear();
  FLog->addItem(QString::fromStdString(line));
  FLog->scrollToBottom();
  FStatus->showMessage(QString::fromStdString(line));
}

void TfrmAvailableBackups::AddImage(const std::vector<uint8_t>& image) {
  if (!FImport->Add(image)) return;
  const TAvailableBackup& item = FImport->Items().back();
  const QSignalBlocker quiet(FList);
  auto* row = new QTreeWidgetItem(
      FList,
      {QString::fromStdString(item.Title), QString::fromStdString(DateTimeText(item.Started)),
       QString::fromStdString(DateTimeText(item.Finished)),
       QString::fromStdString(KBSizeText(item.Size)), item.Incremental.empty() ? "No" : "Yes"});
  row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
  row->setCheckState(0, Qt::Unchecked);
}

void TfrmAvailableBackups::RegisterChecked() {
  FRegister->setEnabled(false);
  FImport->Register();
  const QSignalBlocker quiet(FList);
  for (int i = 0; i < FList->topLevelItemCount(); ++i)
    FList->topLevelItem(i)->setCheckState(
        0, FImport->Checked()[static_cast<size_t>(i)] ? Qt::Checked : Qt::Unchecked);
  FRegister->setEnabled(true);
  if (OnRegistered) OnRegistered();
}

}  // namespace vaultora
