#include "archive/ui/restore_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <map>

#include "archive/ui/restore_options_dialog.h"
#include "archive/ui/restore_rows_model.h"
#include "platform/prompts.h"
#include "platform/text.h"

namespace vaultora {

namespace {

// The log list keeps about a screen of lines: past this many it starts again.
constexpr int kMaxLogLines = 51;
constexpr int kFolderRole = Qt::UserRole + 1;
constexpr qint64 kShowEveryMs = 100;

}  // namespace

TfrmRestore::TfrmRestore(TIniRegistryEditor& store, const std::string& key, QWidget* parent)
    : QDialog(parent), FSession(std::make_unique<TRestoreSession>(nullptr, store, key)) {
  setObjectName("frmRestore");
  setWindowTitle(QString::fromStdString(FSession->Caption()));

  auto* tools = new QToolBar;
  tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
  FRestore = tools->addAction("&Restore File(s)");
  FRestore->setObjectName("actRestoreFiles");
  FStop = tools->addAction("&Stop");
  FStop->setObjectName("actStop");
  tools->addSeparator();
  FCancel = new QToolButton;
  FCancel->setObjectName("btnCancel");
  FCancel->setText("Cancel");
  FCancel->setToolTip("Ends the running step after its current block");
  tools->addWidget(FCancel);
  connect(FRestore, &QAction::triggered, this, [this] { RestoreFiles(); });
  connect(FStop, &QAction::triggered, this, [this] { StopPressed(); });
  // Held down, the cancel button answers every progress with "do not go on".
  connect(FCancel, &QToolButton::pressed, this, [this] { FSession->Cancel(); });

  FFolders = new QTreeWidget;
  FFolders->setObjectName("tvFolders");
  FFolders->setHeaderLabel("Folders");
  FFilter = new QLineEdit;
  FFilter->setObjectName("edFilter");
  FFilter->setPlaceholderText("Find files: a part of the name or folder");
  FFilter->setClearButtonEnabled(true);
  auto* selectShown = new QPushButton("Select all shown");
  selectShown->setObjectName("btnSelectShown");
  FShown = new QLabel;
  FShown->setObjectName("lblShown");
  FModel = new TRestoreRowsModel(this);
  FFiles = new QTableView;
  FFiles->setObjectName("lvFiles");
  FFiles->setModel(FModel);
  FFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
  FFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
  FFiles->setShowGrid(false);
  FFiles->setWordWrap(false);
  FFiles->verticalHeader()->hide();
  FFiles->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  FFiles->horizontalHeader()->setStretchLastSection(true);
  for (const auto& [column, width] : {std::pair{0, 200}, {1, 85}, {2, 95}, {3, 90}})
    FFiles->setColumnWidth(column, width);
  connect(FFilter, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
  connect(FFolders, &QTreeWidget::itemSelectionChanged, this, [this] { ApplyFilter(); });
  connect(selectShown, &QPushButton::clicked, this, [this] {
    FFiles->selectAll();
    FFiles->setFocus();
  });

  auto* findRow = new QHBoxLayout;
  findRow->setContentsMargins(0, 0, 0, 0);
  findRow->addWidget(FFilter, 1);
  findRow->addWidget(FShown);
  findRow->addWidget(selectShown);
  auto* filesPane = new QWidget;
  auto* filesLayout = new QVBoxLayout(filesPane);
  filesLayout->setContentsMargins(0, 0, 0, 0);
  filesLayout->addLayout(findRow);
  filesLayout->addWidget(FFiles, 1);
  auto* browse = new QSplitter(Qt::Horizontal);
  browse->addWidget(FFolders);
  browse->addWidget(filesPane);
  browse->setStretchFactor(1, 1);
  browse->setSizes({200, 560});

  FLog = new QListWidget;
  FLog->setObjectName("lbLog");
  auto* panes = new QSplitter(Qt::Vertical);
  panes->addWidget(browse);
  panes->addWidget(FLog);
  panes->setStretchFactor(0, 1);
  panes->setSizes({330, 120});

  auto* status = new QStatusBar;
  status->setSizeGripEnabled(false);
  FStatus = new QLabel;
  FStatus->setObjectName("lblStatus");
  FProgress = new QProgressBar;
  FProgress->setObjectName("pbProgress");
  FProgress->setRange(0, 100);
  FProgress->setMaximumWidth(180);
  status->addWidget(FStatus, 1);
  status->addPermanentWidget(FProgress);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 0);
  layout->addWidget(tools);
  layout->addWidget(panes, 1);
  layout->addWidget(status);

  FSession->OnLog = [this](const std::string& line) { AddLogLine(line); };
  FSession->OnStatus = [this](const std::string& text) {
    // A file name a block would repaint the bar thousands of times a second: a few a second do.
    if (FSession->Busy() && FShownAt.isValid() && FShownAt.elapsed() < kShowEveryMs) return;
    FShownAt.start();
    FStatus->setText(QString::fromStdString(text));
  };
  FSession->OnProgress = [this](const std::string&, int percent) {
    if (percent != FProgress->value() && (percent == 100 || FPercentAt.elapsed() >= kShowEveryMs)) {
      FPercentAt.start();
      FProgress->setValue(percent);
    }
    if (FCancel->isDown()) FSession->Cancel();
  };
  FSession->OnStopDownload = [this] {
    if (OnStopDownload) OnStopDownload();
  };
  FPercentAt.start();
  resize(820, 560);
  UpdateStates();
}

TfrmRestore::~TfrmRestore() = default;

std::vector<size_t> TfrmRestore::SelectedRows() const {
  std::vector<size_t> rows;
  for (const QModelIndex& index : FFiles->selectionModel()->selectedRows())
    rows.push_back(FModel->RowIndex(index.row()));
  return rows;
}

void TfrmRestore::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (FWorking || FStartDone) return;
  FWorking = true;
  // Started from the event loop once the window is painted.
  QTimer::singleShot(0, this, [this] { Start(); });
}

void TfrmRestore::Start() {
  UpdateStates();
  try {
    FSession->Start();
  } catch (const std::exception&) {
    // The session logged "Decryption execption, " and the text, and removed what it made.
  }
  FWorking = false;
  FStartDone = true;
  ShowRows();
  EndBusy();
  emit StartFinished(!FSession->Rows().empty());
}

void TfrmRestore::ShowRows() {
  FListing = TRestoreListing(FSession->Rows());
  BuildFolderTree();
  ApplyFilter();
}

void TfrmRestore::BuildFolderTree() {
  FFolders->clear();
  if (FListing.Folders().empty()) return;
  const std::string common = FListing.CommonFolder();
  auto* root = new QTreeWidgetItem(FFolders, {QString::fromStdString(common)});
  root->setData(0, kFolderRole, QString());
  std::map<std::string, QTreeWidgetItem*> items = {{common, root}};
  for (const std::string& folder : FListing.Folders()) {
    // Each folder below the common one, with the folders on its way.
    size_t at = common.size();
    QTreeWidgetItem* parent = root;
    while (at < folder.size()) {
      const size_t slash = folder.find('/', at);
      const size_t end = slash == std::string::npos ? folder.size() : slash + 1;
      const std::string path = folder.substr(0, end);
      auto [found, fresh] = items.emplace(path, nullptr);
      if (fresh) {
        found->second = new QTreeWidgetItem(
            parent,
            {QString::fromStdString(folder.substr(at, end - at - (slash != std::string::npos)))});
        found->second->setData(0, kFolderRole, QString::fromStdString(path));
      }
      parent = found->second;
      at = end;
    }
  }
  root->setExpanded(true);
}

void TfrmRestore::ApplyFilter() {
  std::string folder;
  if (const QList<QTreeWidgetItem*> chosen = FFolders->selectedItems(); !chosen.isEmpty())
    folder = chosen.front()->data(0, kFolderRole).toString().toStdString();
  FModel->Show(&FSession->Rows(), FListing.Filter(FFilter->text().toStdString(), folder));
  const size_t all = FSession->Rows().size();
  FShown->setText(static_cast<size_t>(FModel->Count()) == all
                      ? QString()
                      : QString("%1 of %2 shown").arg(FModel->Count()).arg(all));
}

bool TfrmRestore::ConfirmReplacing(const TRestoreOptions& options) {
  if (!options.OriginalPath || options.Mode == rmNoOverwrite) return true;
  const int replaced = ReplacedFileCount(FSession->Rows(), options);
  if (replaced == 0) return true;
  return AskQuestion(IntToStr(replaced) + " existing file(s) at their original place will be " +
                     "replaced (\"" + RestoreModeCaption(options.Mode) + "\"). Restore the files?");
}

void TfrmRestore::RestoreFiles() {
  if (FSession->Busy()) return;
  const std::vector<size_t> selected = SelectedRows();
  TfrmRestoreOptions dialog(!selected.empty(), this);
  if (OnOptionsDialog)
    OnOptionsDialog(dialog);
  else
    dialog.exec();
  if (dialog.result() != QDialog::Accepted) return;
  TRestoreOptions options = dialog.Options();
  if (!options.AllFiles) {
    options.Selected = selected;
    // A chosen row is restored even when the backup's list had dropped its file: the user
    // picked it. "All Files" leaves such files out, as the command line does without
    // --everything.
    options.Everything = true;
  }
  if (!ConfirmReplacing(options)) return;
  FProgress->setValue(0);
  // Busy from here: Stop and closing ask first.
  FWorking = true;
  UpdateStates();
  const bool extracted = FSession->Extract(options);
  FWorking = false;
  EndBusy();
  emit ExtractFinished(extracted);
}

void TfrmRestore::StopPressed() {
  // Stopped, the deciphered archives are gone: nothing is left to restore from.
  if ((FWorking || FSession->Busy()) && FSession->RequestStop()) FStopped = true;
  UpdateStates();
}

void TfrmRestore::reject() {
  // Escape or the close box while the session works: asked first, and the window closes only
  // once the running step has ended.
  if (FWorking || FSession->Busy()) {
    if (FSession->RequestStop()) FStopped = FCloseWhenIdle = true;
    return;
  }
  QDialog::reject();
}

void TfrmRestore::EndBusy() {
  // The status shown while busy was thinned out: the session's last word is the one to show.
  FStatus->setText(QString::fromStdString(FSession->StatusText()));
  UpdateStates();
  if (FCloseWhenIdle) QTimer::singleShot(0, this, [this] { QDialog::reject(); });
}

void TfrmRestore::AddLogLine(const std::string& line) {
  if (FLog->count() > kMaxLogLines) FLog->clear();
  FLog->addItem(QString::fromStdString(line));
  FLog->scrollToBottom();
}

void TfrmRestore::UpdateStates() {
  const bool busy = FWorking || FSession->Busy();
  FRestore->setEnabled(!busy && FStartDone && !FStopped && !FSession->Rows().empty());
  FStop->setEnabled(busy);
  FCancel->setEnabled(busy);
}

}  // namespace vaultora
