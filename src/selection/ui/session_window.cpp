#include "selection/ui/session_window.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "controls/entry_views.h"
#include "controls/text_rows_model.h"
#include "platform/prompts.h"
#include "platform/size_text.h"
#include "schedule/schedule_keys.h"
#include "selection/ui/drop_window.h"
#include "selection/ui/file_drops.h"
#include "selection/ui/picker_window.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

constexpr int kNodeRole = Qt::UserRole + 1;
constexpr int kFolderRole = Qt::UserRole + 2;

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

struct TCommand {
  const char* Name;
  const char* Caption;
  const char* Hint;
  const char* Shortcut;
};

constexpr TCommand kCommands[] = {
    {"actAdd", "&Add", "Add Files", "Ins"},
    {"actRemove", "&Remove", "Remove Files", "Del"},
    {"actApply", "&Apply", "Apply Changes", ""},
    {"actExplorer", "&Explorer", "Explore", ""},
    {"actShrink", "&Shrink", "Shrink Vaultora", ""},
    {"actStayOnTop", "Stay on top", "", ""},
    {"actClose", "&Close", "", ""},
    {"actViewCycle", "&View", "File Views", ""},
};

void AddNode(QTreeWidgetItem* parent, QTreeWidget* tree, const TFolderNode& node) {
  auto* item = new QTreeWidgetItem;
  item->setText(0, Q(node.Caption()));
  item->setData(0, kNodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(&node)));
  item->setData(0, kFolderRole, Q(node.FolderPath()));
  item->setIcon(0, QApplication::style()->standardIcon(QStyle::SP_DirIcon));
  if (parent)
    parent->addChild(item);
  else
    tree->addTopLevelItem(item);
  for (const auto& child : node.Children())
    AddNode(item, tree, *child);
}

TFolderNode* NodeOf(QTreeWidgetItem* item) {
  if (!item) return nullptr;
  return reinterpret_cast<TFolderNode*>(item->data(0, kNodeRole).value<quintptr>());
}

}  // namespace

TSessionSource WizardSessionSource() {
  return {keys::kBaseKey, keys::kBackupWizard, keys::wizard::kSession};
}

TSessionSource ScheduleSessionSource(const std::string& scheduleName) {
  return {keys::kScheduleKey, scheduleName, schedule::kDefaultSession};
}

TfrmSession::TfrmSession(TIniRegistryEditor& store, TSessionMode mode, TSessionSource source,
                         bool fresh, QWidget* parent)
    : QDialog(parent), FStore(store), FEdit(mode, std::move(source), fresh) {
  setObjectName("frmSession");
  setWindowTitle("Backup Files");
  resize(720, 480);
  const bool viewer = FEdit.ReadOnly();
  if (viewer) setWindowFlags(Qt::Widget);
  setAcceptDrops(!viewer);

  FTree = new QTreeWidget;
  FTree->setObjectName("tvFolders");
  FTree->setHeaderLabels({"Folder", "Files", "Size"});
  FTree->setColumnWidth(0, 160);
  FTree->setColumnWidth(1, 44);
  FModel = new TTextRowsModel({"File Name", "Size", "Attributes", "Modified"}, this);
  FViews = new TEntryViews("lvEntries", *FModel, {110, 110, 110, 110});
  auto* splitter = new QSplitter;
  splitter->setObjectName("splSession");
  splitter->addWidget(FTree);
  splitter->addWidget(FViews);
  splitter->setStretchFactor(1, 2);

  auto* status = new QStatusBar;
  status->setSizeGripEnabled(!viewer);
  FCount = new QLabel;
  FCount->setObjectName("lblCount");
  FSize = new QLabel;
  FSize->setObjectName("lblSize");
  FTotal = new QLabel;
  FTotal->setObjectName("lblTotal");
  status->addWidget(FCount);
  status->addWidget(FSize);
  status->addWidget(FTotal, 1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(viewer ? 0 : 6, viewer ? 0 : 6, viewer ? 0 : 6, viewer ? 0 : 6);
  CreateActions();
  if (!viewer) {
    auto* bar = new QMenuBar;
    CreateMenus(*bar);
    layout->setMenuBar(bar);
    FToolBar = new QToolBar;
    FToolBar->setObjectName("tbSession");
    for (const char* name : {"actAdd", "actRemove", "actApply", "actViewCycle", "actShrink"})
      FToolBar->addAction(FActions[name]);
    const bool labels = ReadSetting(FStore, keys::setting::TextLabels);
    FToolBar->setToolButtonStyle(labels ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    layout->addWidget(FToolBar);
    for (QWidget* view : {static_cast<QWidget*>(FTree), static_cast<QWidget*>(FViews)}) {
      view->setContextMenuPolicy(Qt::ActionsContextMenu);
      for (const char* name :
           {"actAdd", "actRemove", "", "actApply", "", "actShrink", "actExplorer"}) {
        if (*name) {
          view->addAction(FActions[name]);
        } else {
          auto* separator = new QAction(view);
          separator->setSeparator(true);
          view->addAction(separator);
        }
      }
    }
  }
  layout->addWidget(splitter, 1);
  layout->addWidget(status);

  connect(FTree, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { ShowEntries(item); });
  connect(FViews, &TEntryViews::SelectionChanged, this, [this] { ShowStatus(); });
  SetViewStyle(ReadSetting(FStore, keys::setting::ViewStyle));
  FEdit.Load(FStore);
  Refresh();
}

TfrmSession::~TfrmSession() {
  StopTally();
}

void TfrmSession::CreateActions() {
  for (const TCommand& command : kCommands) {
    auto* action = new QAction(command.Caption, this);
    action->setObjectName(command.Name);
    if (*command.Hint) action->setToolTip(command.Hint);
    if (*command.Shortcut && !FEdit.ReadOnly()) action->setShortcut(QKeySequence(command.Shortcut));
    FActions.insert(command.Name, action);
    addAction(action);
  }
  const bool viewer = FEdit.ReadOnly();
  for (QAction* action : FActions)
    action->setEnabled(!viewer);
  QStyle* style = QApplication::style();
  FActions["actAdd"]->setIcon(style->standardIcon(QStyle::SP_FileDialogNewFolder));
  FActions["actRemove"]->setIcon(style->standardIcon(QStyle::SP_TrashIcon));
  FActions["actApply"]->setIcon(style->standardIcon(QStyle::SP_DialogApplyButton));
  FActions["actViewCycle"]->setIcon(style->standardIcon(QStyle::SP_FileDialogDetailedView));
  FActions["actShrink"]->setIcon(style->standardIcon(QStyle::SP_TitleBarMinButton));
  FActions["actStayOnTop"]->setCheckable(true);
  FActions["actStayOnTop"]->setChecked(ReadSetting(FStore, keys::setting::StayOntop));
  connect(FActions["actAdd"], &QAction::triggered, this, [this] { AddCommand(); });
  connect(FActions["actRemove"], &QAction::triggered, this, [this] { RemoveCommand(); });
  connect(FActions["actApply"], &QAction::triggered, this, [this] { ApplyCommand(); });
  connect(FActions["actShrink"], &QAction::triggered, this, [this] { ShrinkCommand(); });
  connect(FActions["actClose"], &QAction::triggered, this, [this] { reject(); });
  connect(FActions["actExplorer"], &QAction::triggered, this, [this] {
    const std::string folder = ShownFolder();
    QDesktopServices::openUrl(QUrl::fromLocalFile(Q(folder.empty() ? "/" : folder)));
  });
  connect(FActions["actViewCycle"], &QAction::triggered, this,
          [this] { SetViewStyle((FViews->Style() + 1) % 4); });
  connect(FActions["actStayOnTop"], &QAction::toggled, this, [this](bool on) {
    WriteSetting(FStore, keys::setting::StayOntop, on);
    if (on) {
      setWindowFlag(Qt::WindowStaysOnTopHint, true);
    } else {
      setWindowFlag(Qt::WindowStaysOnTopHint, false);
    }
    if (isVisible()) show();
  });
  for (int style = vsLargeIcons; style <= vsDetails; ++style) {
    auto* action = new QAction(kViewStyleCaptions[style], this);
    action->setObjectName(QString("actView%1").arg(style));
    action->setEnabled(!viewer);
    connect(action, &QAction::triggered, this, [this, style] { SetViewStyle(style); });
    FActions.insert(action->objectName(), action);
  }
}

void TfrmSession::CreateMenus(QMenuBar& bar) {
  QMenu* file = bar.addMenu("&File");
  file->addActions({FActions["actAdd"], FActions["actRemove"]});
  file->addSeparator();
  file->addAction(FActions["actApply"]);
  file->addSeparator();
  file->addAction(FActions["actClose"]);
  QMenu* options = bar.addMenu("&Options");
  options->addActions({FActions["actShrink"], FActions["actExplorer"]});
  options->addSeparator();
  options->addAction(FActions["actStayOnTop"]);
  QMenu* view = bar.addMenu("&View");
  QMenu* toolbar = view->addMenu("&Toolbar");
  QAction* labels = toolbar->addAction("&Text Labels");
  labels->setCheckable(true);
  labels->setChecked(ReadSetting(FStore, keys::setting::TextLabels));
  connect(labels, &QAction::toggled, this, [this](bool on) {
    FToolBar->setToolButtonStyle(on ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
  });
  QAction* buttons = toolbar->addAction("&Standard Buttons");
  buttons->setCheckable(true);
  buttons->setChecked(true);
  connect(buttons, &QAction::toggled, this, [this](bool on) { FToolBar->setVisible(on); });
  view->addSeparator();
  for (int style = vsLargeIcons; style <= vsDetails; ++style)
    view->addAction(FActions[QString("actView%1").arg(style)]);
}

QAction* TfrmSession::Action(const char* name) const {
  return FActions.value(name);
}

void TfrmSession::SetViewStyle(int style) {
  FViews->SetStyle(style);
  if (!FEdit.ReadOnly() && isVisible()) WriteSetting(FStore, keys::setting::ViewStyle, style);
}

void TfrmSession::ShowList(const std::string& fileName) {
  FEdit.LoadFile(fileName);
  Refresh();
}

void TfrmSession::Refresh() {
  const std::string shown = ShownFolder();
  FClearing = true;
  FTree->setUpdatesEnabled(false);
  FTree->clear();
  for (const auto& root : FEdit.List().Roots())
    AddNode(nullptr, FTree, *root);
  FTree->expandAll();
  FTree->setUpdatesEnabled(true);
  FClearing = false;
  FModel->Clear();
  FActions["actApply"]->setEnabled(!FEdit.ReadOnly() && FTree->topLevelItemCount() > 0);
  // After an add the first folder that received entries is chosen, else the one shown before,
  // else the first folder that holds entries.
  const TFolderNode* first = FEdit.List().FirstAddedNode();
  std::string wanted = first ? first->FolderPath() : shown;
  if (wanted.empty() || !SelectFolder(wanted)) {
    const auto entries = FEdit.List().Entries();
    if (entries.empty() || !SelectFolder(EntryFolder(entries.front()->Text))) ShowStatus();
  }
  StartTally();
}

bool TfrmSession::SelectFolder(const std::string& folder) {
  QTreeWidgetItemIterator it(FTree);
  for (; *it; ++it)
    if ((*it)->data(0, kFolderRole).toString().toStdString() == folder) {
      FTree->setCurrentItem(*it);
      FTree->scrollToItem(*it, QAbstractItemView::PositionAtTop);
      ShowEntries(*it);
      return true;
    }
  return false;
}

std::string TfrmSession::ShownFolder() const {
  QTreeWidgetItem* item = FTree->currentItem();
  return item ? item->data(0, kFolderRole).toString().toStdString() : std::string();
}

void TfrmSession::ShowEntries(QTreeWidgetItem* item) {
  if (FClearing) return;
  FModel->Clear();
  if (const TFolderNode* node = NodeOf(item)) {
    std::vector<TTextRow> rows;
    for (TSessionRow& row : TSessionEdit::Rows(*node))
      rows.push_back(
          {{Q(row.Name), Q(row.Size), Q(row.Attributes), Q(row.Modified)}, Q(row.Path), false});
    FModel->Append(std::move(rows));
  }
  ShowStatus();
}

void TfrmSession::ShowStatus() {
  const TFolderNode* node = NodeOf(FTree->currentItem());
  FCount->setText(Q(TSessionEdit::CountText(static_cast<size_t>(FModel->Count()))));
  FSize->setText(Q(node ? TSessionEdit::NodeSizeText(*node) : KBSizeText(0)));
}

void TfrmSession::StartTally() {
  if (FTallyThread) {
    // The running count no longer matches the list: stop it and count again when it ends.
    FTallyStop->store(true);
    FTallyAgain = true;
    return;
  }
  FTallyAgain = false;
  const int generation = ++FTallyGeneration;
  auto stop = std::make_shared<std::atomic<bool>>(false);
  FTallyStop = stop;
  FTotal->setText("Counting what the backup will read...");
  QPointer<TfrmSession> self(this);
  FTallyThread = QThread::create([self, stop, generation, input = TallyInput(FEdit.List())] {
    TListTally tally = TallyList(input, [stop] { return stop->load(); });
    QMetaObject::invokeMethod(
        qApp,
        [self, generation, tally = std::move(tally)]() mutable {
          if (self) self->TallyArrived(generation, std::move(tally));
        },
        Qt::QueuedConnection);
  });
  FTallyThread->start(QThread::LowPriority);
}

void TfrmSession::StopTally() {
  if (!FTallyThread) return;
  FTallyStop->store(true);
  FTallyThread->wait();
  delete FTallyThread;
  FTallyThread = nullptr;
}

void TfrmSession::TallyArrived(int generation, TListTally tally) {
  if (FTallyThread) {
    FTallyThread->wait();
    delete FTallyThread;
    FTallyThread = nullptr;
  }
  if (FTallyAgain || generation != FTallyGeneration) return StartTally();
  FTally = std::move(tally);
  FTotal->setText(Q("The backup will read " + TallyText(FTally.Total)));
  ShowFolderTallies();
  emit TallyShown();
}

void TfrmSession::ShowFolderTallies() {
  QHash<QString, TTally> byFolder;
  for (const auto& [folder, tally] : FTally.Folders)
    byFolder.insert(Q(folder), tally);
  QTreeWidgetItemIterator it(FTree);
  for (; *it; ++it) {
    const auto found = byFolder.constFind((*it)->data(0, kFolderRole).toString());
    if (found == byFolder.constEnd()) continue;
    (*it)->setText(1, QString::number(found->Files));
    (*it)->setText(2, Q(ByteSizeText(found->Bytes)));
  }
}

void TfrmSession::AddCommand() {
  if (FEdit.ReadOnly()) return;
  TPickerResult result;
  bool picked = false;
  if (OnPick) {
    picked = OnPick(ShownFolder(), result);
  } else {
    TfrmPicker picker(ShownFolder(), FViews->Style(), this);
    picked = picker.exec() == QDialog::Accepted;
    result = picker.Result();
  }
  if (result.Shrink) return ShrinkCommand();
  if (!picked || result.Selected.empty()) return;
  FEdit.AddSelected(result.Selected, result.MaskText, result.IncludeSubFolders);
  AfterAdd();
}

void TfrmSession::DropPaths(const TStringList& paths) {
  if (FEdit.Drop(paths) > 0) AfterAdd();
}

void TfrmSession::AfterAdd() {
  Refresh();
  if (FEdit.AskReturnAfterAdd()) ApplyCommand();
}

void TfrmSession::RemoveCommand() {
  if (FEdit.ReadOnly()) return;
  QWidget* focus = focusWidget();
  const bool entries = focus && FViews->isAncestorOf(focus);
  bool removed = false;
  if (entries) {
    TStringList paths;
    for (int row : FViews->SelectedRows())
      paths.push_back(FModel->Row(row).Key.toStdString());
    removed = FEdit.RemoveEntries(paths);
  } else {
    removed = FEdit.RemoveFolder(NodeOf(FTree->currentItem()));
  }
  if (removed) Refresh();
}

void TfrmSession::ApplyCommand() {
  if (FEdit.ReadOnly()) return;
  try {
    FEdit.Apply(FStore);
  } catch (const std::exception& e) {
    ShowError(std::string("The file list could not be saved: ") + e.what(), "Backup Files");
    return;
  }
  accept();
}

void TfrmSession::ShrinkCommand() {
  if (FEdit.ReadOnly()) return;
  TfrmDropWindow window(ReadSetting(FStore, keys::setting::StayOntop), this);
  window.OnDrop = [this](const TStringList& paths) { FEdit.Drop(paths); };
  const int result = OnDropWindow ? OnDropWindow(window) : window.exec();
  Refresh();
  const bool hasNodes = FTree->topLevelItemCount() > 0;
  if (result == drApply) {
    if (hasNodes) return ApplyCommand();
    return AddCommand();
  }
  if (result == drCancel) {
    if (hasNodes) return reject();
    return AddCommand();
  }
  if (result == drBack && !hasNodes) AddCommand();
}

void TfrmSession::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (FEdit.ReadOnly()) return;
  FEdit.Shown();
  if (PickOnShow) QTimer::singleShot(0, this, [this] { AddCommand(); });
}

void TfrmSession::dragEnterEvent(QDragEnterEvent* event) {
  if (!FEdit.ReadOnly() && !DroppedPaths(*event->mimeData()).empty()) event->acceptProposedAction();
}

void TfrmSession::dropEvent(QDropEvent* event) {
  const TStringList paths = DroppedPaths(*event->mimeData());
  if (FEdit.ReadOnly() || paths.empty()) return;
  event->acceptProposedAction();
  DropPaths(paths);
}

void TfrmSession::reject() {
  if (!FEdit.ReadOnly()) {
    try {
      FEdit.Close(FStore);
    } catch (const std::exception& e) {
      ShowError(std::string("The file list could not be saved: ") + e.what(), "Backup Files");
      return;
    }
  }
  QDialog::reject();
}

}  // namespace vaultora
