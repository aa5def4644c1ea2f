#include "selection/ui/picker_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStorageInfo>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "controls/entry_views.h"
#include "controls/text_rows_model.h"
#include "platform/folders.h"
#include "selection/runtime/thread_win_seek.h"
#include "selection/ui/extensions_dialog.h"

namespace vaultora {

namespace {

constexpr size_t kBatchRows = 2000;  // rows shown per turn of the event loop

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

TTextRow RowOf(const TPickerEntry& entry) {
  const TPickerRowText text = PickerRowText(entry);
  return {{QString::fromStdString(text.Name), QString::fromStdString(text.Size),
           QString::fromStdString(text.Modified), QString::fromStdString(text.Attributes)},
          QString::fromStdString(entry.Path()),
          entry.IsFolder()};
}

QToolButton* ToolButton(const char* name, const char* caption, const char* hint) {
  auto* button = new QToolButton;
  button->setObjectName(name);
  button->setText(caption);
  button->setToolTip(hint);
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  return button;
}

}  // namespace

std::vector<TVolume> MountedVolumes() {
  std::vector<TVolume> volumes;
  for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
    if (!storage.isValid() || !storage.isReady()) continue;
    const QString type = QString::fromUtf8(storage.fileSystemType());
    // Kernel and memory file systems hold nothing a user backs up.
    if (type == "proc" || type == "sysfs" || type == "devtmpfs" || type == "cgroup2" ||
        type == "devpts" || type == "securityfs" || type == "debugfs" || type == "tracefs")
      continue;
    const std::string root = WithSlash(storage.rootPath().toStdString());
    std::string caption = "(" + root + ") " + type.toStdString();
    if (!storage.name().isEmpty()) caption = storage.name().toStdString() + " " + caption;
    volumes.push_back({root, caption});
  }
  return volumes;
}

TfrmPicker::TfrmPicker(const std::string& folder, int viewStyle, QWidget* parent)
    : QDialog(parent), FSeek(std::make_unique<TThreadWinSeek>()) {
  setObjectName("frmPicker");
  setWindowTitle("Select Files");
  resize(640, 480);

  FDrives = new QComboBox;
  FDrives->setObjectName("cbDrives");
  for (const TVolume& volume : MountedVolumes())
    FDrives->addItem(QString::fromStdString(volume.Caption), QString::fromStdString(volume.Root));
  auto* up = ToolButton("btnUp", "&Up", "Up one level");
  auto* shrink = ToolButton("btnShrink", "Shrink", "Shrink Vaultora");
  auto* explore = ToolButton("btnExplore", "Explore", "Explore");
  auto* view = ToolButton("btnView", "&View", "File Views");
  auto* bar = new QHBoxLayout;
  bar->addWidget(FDrives, 1);
  for (QToolButton* button : {up, shrink, explore, view})
    bar->addWidget(button);

  FModel = new TTextRowsModel({"File Name", "Size", "Modified", "Attributes"}, this);
  FViews = new TEntryViews("lvFiles", *FModel, {110, 80, 150, 64});
  FViews->SetStyle(viewStyle);

  auto* folders = new QGroupBox("Folders");
  FMask = new QLineEdit("*.*");
  FMask->setObjectName("edMask");
  auto* extensions = new QPushButton("...");
  extensions->setObjectName("btnExtensions");
  extensions->setToolTip("File Extentions");
  FSubFolders = new QCheckBox("Include subfolders");
  FSubFolders->setObjectName("cbIncludeSubFolders");
  FSubFolders->setChecked(true);
  FMonitor = new QCheckBox("Monitor the selected folder(s) for new files");
  FMonitor->setObjectName("cbMonitor");
  FMonitor->setChecked(true);
  auto* maskRow = new QHBoxLayout;
  maskRow->addWidget(new QLabel("Mask:"));
  maskRow->addWidget(FMask, 1);
  maskRow->addWidget(extensions);
  auto* folderLayout = new QVBoxLayout(folders);
  folderLayout->addLayout(maskRow);
  folderLayout->addWidget(FSubFolders);
  folderLayout->addWidget(FMonitor);

  auto* add = new QPushButton("&Add");
  add->setObjectName("btnAdd");
  add->setDefault(true);
  auto* cancel = new QPushButton("&Cancel");
  cancel->setObjectName("btnCancel");
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(cancel);
  buttons->addStretch(1);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(folders, 1);
  bottom->addLayout(buttons);

  auto* status = new QStatusBar;
  FCount = new QLabel;
  FCount->setObjectName("lblCount");
  FPath = new QLabel;
  FPath->setObjectName("lblFolder");
  status->addWidget(FCount);
  status->addWidget(FPath, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(FViews, 1);
  layout->addLayout(bottom);
  layout->addWidget(status);

  connect(FDrives, &QComboBox::activated, this,
          [this](int index) { ListFolder(FDrives->itemData(index).toString().toStdString()); });
  connect(up, &QToolButton::clicked, this, [this] { Up(); });
  connect(explore, &QToolButton::clicked, this, [this] { Explore(); });
  connect(view, &QToolButton::clicked, this,
          [this] { FViews->SetStyle((FViews->Style() + 1) % 4); });
  connect(shrink, &QToolButton::clicked, this, [this] {
    FResult.Selected.clear();
    FResult.Shrink = true;
    reject();
  });
  connect(extensions, &QPushButton::clicked, this, [this] { OpenExtensions(); });
  connect(add, &QPushButton::clicked, this, [this] { Add(); });
  connect(cancel, &QPushButton::clicked, this, [this] {
    FResult.Selected.clear();
    reject();
  });
  connect(FViews, &TEntryViews::SelectionChanged, this, [this] { ShowStatus(); });
  connect(FViews, &TEntryViews::Activated, this, [this](int row) {
    if (FModel->Row(row).Folder) ListFolder(FModel->Row(row).Key.toStdString());
  });

  FSeek->SeekView = wskFilesFolders;
  FSeek->IncludeSubFolders = false;
  FSeek->Mask = "*";
  FSeek->SetThreadPriority(tpLowest);
  FSeek->OnFileFind = [this](TComponent*, const std::string& found, const TSearchRec& rec, bool&) {
    FEntries.push_back({found, rec});
  };
  FSeek->OnScanCompleted = [this](TComponent*) { ScanCompleted(); };
  FSeek->OnThreadError = [this](TComponent*, const std::string& text) {
    FCount->setText(QString::fromStdString("The folder cannot be listed: " + text));
    FSeek->Stop();
    FListing = false;
    emit Listed();
  };

  std::string start = folder;
  if (start.empty() || !DirectoryExists(start))
    start = QStorageInfo(QDir::currentPath()).rootPath().toStdString();
  ListFolder(start);
}

TfrmPicker::~TfrmPicker() {
  FSeek->OnFileFind = nullptr;
  FSeek->OnScanCompleted = nullptr;
  FSeek->OnThreadError = nullptr;
  FSeek->Stop();
}

int TfrmPicker::ViewStyle() const {
  return FViews->Style();
}

bool TfrmPicker::Listing() const {
  return FListing;
}

void TfrmPicker::SelectDrive(const std::string& folder) {
  int best = -1;
  size_t bestLength = 0;
  for (int i = 0; i < FDrives->count(); ++i) {
    const std::string root = FDrives->itemData(i).toString().toStdString();
    if (folder.compare(0, root.size(), root) == 0 && root.size() >= bestLength) {
      best = i;
      bestLength = root.size();
    }
  }
  if (best >= 0) FDrives->setCurrentIndex(best);
}

void TfrmPicker::ListFolder(const std::string& folder) {
  FFolder = WithSlash(folder);
  SelectDrive(FFolder);
  ++FGeneration;
  FSeek->Stop();
  FEntries.clear();
  FShown = 0;
  FModel->Clear();
  FListing = true;
  ShowStatus();
  FSeek->Root = FFolder;
  if (!FSeek->Restart()) {
    FListing = false;
    FCount->setText("The folder cannot be listed.");
    emit Listed();
  }
}

void TfrmPicker::ScanCompleted() {
  SortPickerEntries(FEntries);
  ShowNextBatch();
}

void TfrmPicker::ShowNextBatch() {
  QElapsedTimer timer;
  timer.start();
  const size_t end = std::min(FEntries.size(), FShown + kBatchRows);
  std::vector<TTextRow> rows;
  rows.reserve(end - FShown);
  for (; FShown < end; ++FShown)
    rows.push_back(RowOf(FEntries[FShown]));
  FModel->Append(std::move(rows));
  FLongestBatchMs = std::max(FLongestBatchMs, static_cast<double>(timer.nsecsElapsed()) / 1e6);
  if (FShown < FEntries.size()) {
    const int generation = FGeneration;
    QTimer::singleShot(0, this, [this, generation] {
      if (generation == FGeneration) ShowNextBatch();
    });
    return;
  }
  FListing = false;
  ShowStatus();
  emit Listed();
}

void TfrmPicker::ShowStatus() {
  FCount->setText(QString("%1 object(s) selected").arg(FViews->SelectedRows().size()));
  FPath->setText(QString::fromStdString(FFolder));
}

void TfrmPicker::Up() {
  const std::string parent = ParentFolder(FFolder);
  if (!parent.empty()) ListFolder(parent);
}

void TfrmPicker::Explore() {
  std::string chosen;
  if (OnChooseFolder)
    chosen = OnChooseFolder();
  else
    chosen = QFileDialog::getExistingDirectory(this, "Explore", QString::fromStdString(FFolder))
                 .toStdString();
  if (!chosen.empty()) ListFolder(chosen);
}

void TfrmPicker::OpenExtensions() {
  TfrmExtensions dialog(FolderExtensions(FEntries), FMask->text().toStdString(), this);
  if (OnModalDialog)
    OnModalDialog(dialog);
  else
    dialog.exec();
  if (dialog.result() == QDialog::Accepted) FMask->setText(QString::fromStdString(dialog.Mask()));
}

void TfrmPicker::Add() {
  if (FEntries.empty() && FModel->Count() == 0) return;  // only when the folder has entries
  TPickerChoice choice;
  choice.Folder = FFolder;
  choice.MaskText = FMask->text().toStdString();
  choice.IncludeSubFolders = FSubFolders->isChecked();
  choice.Monitor = FMonitor->isChecked();
  for (int row : FViews->SelectedRows())
    if (static_cast<size_t>(row) < FEntries.size()) choice.Selected.push_back(&FEntries[row]);
  FResult.Selected = PickerSelection(choice);
  FResult.MaskText = choice.MaskText;
  FResult.IncludeSubFolders = choice.IncludeSubFolders;
  if (!FResult.Selected.empty()) accept();
}

}  // namespace vaultora
