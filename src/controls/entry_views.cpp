#include "controls/entry_views.h"

#include <QHeaderView>
#include <QListView>
#include <QTreeView>

#include <algorithm>

#include "controls/text_rows_model.h"

namespace vaultora {

TEntryViews::TEntryViews(const char* name, TTextRowsModel& model, const QList<int>& widths,
                         QWidget* parent)
    : QStackedWidget(parent) {
  setObjectName(name);
  FDetails = new QTreeView;
  FDetails->setObjectName(QString(name) + "Details");
  FDetails->setRootIsDecorated(false);
  FDetails->setUniformRowHeights(true);
  FDetails->setModel(&model);
  FDetails->setSelectionMode(QAbstractItemView::ExtendedSelection);
  FDetails->setSelectionBehavior(QAbstractItemView::SelectRows);
  for (int i = 0; i < widths.size(); ++i)
    FDetails->setColumnWidth(i, widths[i]);
  FIcons = new QListView;
  FIcons->setObjectName(QString(name) + "Icons");
  FIcons->setModel(&model);
  FIcons->setSelectionModel(FDetails->selectionModel());
  FIcons->setSelectionMode(QAbstractItemView::ExtendedSelection);
  FIcons->setUniformItemSizes(true);
  FIcons->setLayoutMode(QListView::Batched);
  FIcons->setBatchSize(2000);
  addWidget(FDetails);
  addWidget(FIcons);
  setCurrentWidget(FDetails);
  for (QAbstractItemView* view :
       {static_cast<QAbstractItemView*>(FDetails), static_cast<QAbstractItemView*>(FIcons)})
    connect(view, &QAbstractItemView::activated, this,
            [this](const QModelIndex& index) { emit Activated(index.row()); });
  connect(FDetails->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { emit SelectionChanged(); });
}

void TEntryViews::SetStyle(int style) {
  FStyle = style >= vsLargeIcons && style <= vsDetails ? static_cast<TViewStyle>(style) : vsDetails;
  if (FStyle == vsDetails) {
    setCurrentWidget(FDetails);
    return;
  }
  FIcons->setViewMode(FStyle == vsLargeIcons ? QListView::IconMode : QListView::ListMode);
  FIcons->setIconSize(FStyle == vsLargeIcons ? QSize(32, 32) : QSize(16, 16));
  FIcons->setFlow(FStyle == vsList ? QListView::TopToBottom : QListView::LeftToRight);
  FIcons->setWrapping(true);
  FIcons->setResizeMode(QListView::Adjust);
  setCurrentWidget(FIcons);
}

QAbstractItemView& TEntryViews::Current() const {
  return FStyle == vsDetails ? static_cast<QAbstractItemView&>(*FDetails)
                             : static_cast<QAbstractItemView&>(*FIcons);
}

QItemSelectionModel& TEntryViews::Selection() const {
  return *FDetails->selectionModel();
}

QList<int> TEntryViews::SelectedRows() const {
  QList<int> rows;
  for (const QModelIndex& index : Selection().selectedRows())
    rows << index.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

}  // namespace vaultora
