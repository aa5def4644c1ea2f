// The main window's views and local commands: the list for the selected tree node, its columns,
// marks and status texts, command availability, and Delete, Undo, Move to "Sent Items", Clear
// cache and the restore requests of "Sent Items".
#include <algorithm>

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTreeWidget>

#include "app/ui/animated_tray_icon.h"
#include "app/ui/app_icons.h"
#include "app/ui/kept_geometry.h"
#include "app/ui/main_window.h"
#include "backupset/catalogue_commands.h"
#include "backupset/catalogue_views.h"
#include "platform/capture_error.h"
#include "selection/file_list.h"
#include "selection/ui/session_window.h"

namespace vaultora {

namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kMarkRole = Qt::UserRole + 1;
constexpr int kSessionRole = Qt::UserRole + 2;

const char* MarkText(TRowMark mark) {
  switch (mark) {
    case mkDeleted:
      return "Deleted";
    case mkWaiting:
      return "Waiting";
    case mkDone:
      return "Done";
  }
  return "";
}

// A row of the list. The mark's picture and words, and the right alignment of the number
// columns, follow from the row's mark and column: answered when the view asks instead of being
// stored in every cell of thousands of rows.
class TBackupRow : public QTreeWidgetItem {
 public:
  TBackupRow(const QStringList& cells, int firstNumberColumn, bool marked)
      : QTreeWidgetItem(cells), FFirstNumberColumn(firstNumberColumn), FMarked(marked) {}

  QVariant data(int column, int role) const override {
    if (role == Qt::TextAlignmentRole && column >= FFirstNumberColumn)
      return static_cast<int>(Qt::AlignRight | Qt::AlignVCenter);
    if (FMarked && column == 0 && (role == Qt::DecorationRole || role == Qt::ToolTipRole)) {
      const auto mark = static_cast<TRowMark>(QTreeWidgetItem::data(0, kMarkRole).toInt());
      return role == Qt::DecorationRole ? QVariant(MarkIcon(mark)) : QVariant(MarkText(mark));
    }
    return QTreeWidgetItem::data(column, role);
  }

 private:
  int FFirstNumberColumn;
  bool FMarked;
};

void SetMark(QTreeWidgetItem& item, TRowMark mark) {
  item.setData(0, kMarkRole, static_cast<int>(mark));
}

}  // namespace

bool TfrmMain::SelectNode(const std::string& caption) {
  const QList<QTreeWidgetItem*> found =
      FTree->findItems(QString::fromStdString(caption), Qt::MatchExactly | Qt::MatchRecursive);
  if (found.isEmpty()) return false;
  FTree->setCurrentItem(found.first());
  return true;
}

void TfrmMain::NodeSelected() {
  KeepColumns();
  RefreshList();
}

void TfrmMain::SetColumns(TCatalogueView view) {
  const std::vector<TViewColumn> columns = ViewColumns(view);
  QStringList captions;
  for (const TViewColumn& column : columns)
    captions << QString::fromStdString(column.Caption);
  FList->setColumnCount(static_cast<int>(columns.size()));
  FList->setHeaderLabels(captions);
  // The specified widths are of a small dialog font; scaled to the font in use.
  const int unit = fontMetrics().averageCharWidth();
  for (size_t i = 0; i < columns.size(); ++i)
    FList->setColumnWidth(static_cast<int>(i), columns[i].Width * unit / 5 + 24);
  TKeptGeometry(FStore).RestoreColumns(*FList, "Columns" + std::to_string(view));
}

void TfrmMain::RefreshList() {
  FFilling = true;
  FList->setUpdatesEnabled(false);
  FList->clear();
  QTreeWidgetItem* node = FTree->currentItem();
  const int index = node ? node->data(0, Qt::UserRole).toInt() : -1;
  const TTreeNode* selected = index >= 0 ? &kTreeNodes[static_cast<size_t>(index)] : nullptr;
  const int viewNumber = selected && selected->View ? static_cast<int>(selected->View.value()) : -1;
  ShowStatus(0, "");
  ShowStatus(1, "");
  if (viewNumber >= 0) {
    FView = static_cast<TCatalogueView>(viewNumber);
    SetColumns(FView);
    const bool checks = FView == cvSentItems;
    std::vector<TCatalogueRow> rows;
    try {
      rows = ViewRows(FStore, FView, FRestoreList);
    } catch (const std::exception& e) {
      FCaptureError.CaptureError(e.what());
    }
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const TCatalogueRow& row : rows) {
      QStringList cells;
      if (checks) cells << QString();
      cells << QString::fromStdString(row.Name) << QString::fromStdString(row.Started)
            << QString::fromStdString(row.Finished) << QString::fromStdString(row.Size);
      if (FView == cvOutbox || FView == cvReceivingItems)
        cells << QString::fromStdString(row.Transferred);
      auto* item = new TBackupRow(cells, checks ? 4 : 3, !checks);
      item->setData(0, kKeyRole, QString::fromStdString(row.Id.Key));
      item->setData(0, kSessionRole, QString::fromStdString(row.Id.Session));
      if (checks)
        item->setCheckState(0, row.Checked ? Qt::Checked : Qt::Unchecked);
      else
        SetMark(*item, row.Mark);
      items << item;
    }
    FList->addTopLevelItems(items);
    ShowStatus(0, ViewStatusText(FView, rows.size()));
    if (checks) ShowStatus(1, RequestedStatusText(FRestoreList.size()));
  } else {
    FList->setColumnCount(0);
    FList->setHeaderLabels({});
  }
  FFilling = false;
  FList->setUpdatesEnabled(true);
  UpdateCommandStates();
  // After a refill Delete and Undo follow the list: available while it has rows.
  const bool rows = FList->topLevelItemCount() > 0;
  if (FList->selectedItems().isEmpty()) {
    FActions[mcDelete]->setEnabled(rows);
    FActions[mcUndo]->setEnabled(rows);
  }
  ShowSessionFiles();
}

std::string TfrmMain::SelectedKey() const {
  const QList<QTreeWidgetItem*> selected = FList->selectedItems();
  return selected.isEmpty() ? std::string()
                            : selected.first()->data(0, kKeyRole).toString().toStdString();
}

bool TfrmMain::SelectRow(const std::string& key) {
  for (int i = 0; i < FList->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = FList->topLevelItem(i);
    if (item->data(0, kKeyRole).toString().toStdString() == key) {
      FList->setCurrentItem(item);
      item->setSelected(true);
      return true;
    }
  }
  return false;
}

void TfrmMain::UpdateCommandStates() {
  const QList<QTreeWidgetItem*> selected = FList->selectedItems();
  const bool deleted = !selected.isEmpty() && FView != cvSentItems &&
                       selected.first()->data(0, kMarkRole).toInt() == static_cast<int>(mkDeleted);
  const TCommandStates states = SelectionCommandStates(FView, !selected.isEmpty(), deleted);
  FActions[mcDelete]->setEnabled(states.Delete);
  FActions[mcUndo]->setEnabled(states.Undo);
  FActions[mcExtract]->setEnabled(states.Extract);
  FActions[mcMoveToSentItems]->setEnabled(states.MoveToSentItems);
}

void TfrmMain::ShowStatus(int panel, const std::string& text) {
  FPanels[static_cast<size_t>(panel)]->setText(QString::fromStdString(text));
}

void TfrmMain::DeleteSelected() {
  const std::string key = SelectedKey();
  if (key.empty()) return;
  const TDeleteResult result = TCatalogueCommands(FStore, FRestoreList).Delete(key);
  if (result == drMarked && FView != cvSentItems) {
    if (QTreeWidgetItem* item = FList->currentItem()) SetMark(*item, mkDeleted);
    UpdateCommandStates();
  } else if (result != drKept) {
    RefreshList();
  }
}

void TfrmMain::UndoSelected() {
  const std::string key = SelectedKey();
  if (key.empty()) return;
  TCatalogueCommands(FStore, FRestoreList).Undo(key);
  const TCatalogueEntry entry = TCatalogue(FStore).Entry(key);
  if (QTreeWidgetItem* item = FList->currentItem())
    SetMark(*item, entry.HasSendPosition ? mkWaiting : mkDone);
  UpdateCommandStates();
}

void TfrmMain::MoveSelectedToSentItems() {
  const std::string key = SelectedKey();
  if (key.empty() || FHost->Running(wkReceive)) return;
  TCatalogueCommands(FStore, FRestoreList).MoveToSentItems(key);
  RefreshList();
}

void TfrmMain::ClearCacheCommand() {
  if (FHost->Running(wkReceive)) return;
  TCatalogueCommands(FStore, FRestoreList).ClearCache();
  RefreshList();
}

void TfrmMain::ToggleRestoreRequest(QTreeWidgetItem* item, bool ticked) {
  FList->setCurrentItem(item);
  const std::string key = item->data(0, kKeyRole).toString().toStdString();
  const TStringList keys =
      TCatalogueCommands(FStore, FRestoreList).ToggleRestoreRequest(key, ticked);
  FFilling = true;
  for (int i = 0; i < FList->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = FList->topLevelItem(i);
    const std::string rowKey = row->data(0, kKeyRole).toString().toStdString();
    if (std::find(keys.begin(), keys.end(), rowKey) != keys.end())
      row->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
  }
  FFilling = false;
  ShowStatus(0, ViewStatusText(cvSentItems, static_cast<size_t>(FList->topLevelItemCount())));
  ShowStatus(1, RequestedStatusText(FRestoreList.size()));
}

void TfrmMain::ShowSessionFiles() {
  const bool wanted = FActions[mcBackupFiles]->isChecked();
  FSessionFiles->setVisible(wanted);
  const QList<QTreeWidgetItem*> selected = FList->selectedItems();
  // The viewer is emptied first, so that a list that cannot be read never shows another's.
  FSessionFiles->ShowList("");
  if (!wanted || selected.isEmpty()) return;
  FSessionFiles->ShowList(selected.first()->data(0, kSessionRole).toString().toStdString());
}

}  // namespace vaultora
