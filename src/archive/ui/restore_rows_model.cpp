#include "archive/ui/restore_rows_model.h"

#include <QBrush>
#include <QPalette>

namespace vaultora {

namespace {

const char* const kHeaders[] = {"Name", "Date", "Time", "Size", "Path"};
constexpr int kColumns = 5;

}  // namespace

void TRestoreRowsModel::Show(const std::vector<TRestoreRow>* rows, std::vector<size_t> shown) {
  beginResetModel();
  FRows = rows;
  FShown = std::move(shown);
  endResetModel();
}

int TRestoreRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

int TRestoreRowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant TRestoreRowsModel::data(const QModelIndex& index, int role) const {
  if (!FRows || !index.isValid() || index.row() >= Count()) return {};
  const TRestoreRow& row = (*FRows)[RowIndex(index.row())];
  if (role == Qt::DisplayRole) {
    const std::string* texts[] = {&row.Name, &row.Date, &row.Time, &row.Size, &row.Path};
    return QString::fromStdString(*texts[index.column()]);
  }
  if (role == Qt::TextAlignmentRole && index.column() == 3)
    return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  // A file that the backup's list no longer named: restored only with everything.
  if (role == Qt::ForegroundRole && row.Deleted)
    return QBrush(QPalette().color(QPalette::PlaceholderText));
  if (role == Qt::ToolTipRole && row.Deleted)
    return QString(
        "Deleted before this backup was made: only an older backup of its chain holds it");
  return {};
}

QVariant TRestoreRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
      section < kColumns)
    return QString(kHeaders[section]);
  return {};
}

}  // namespace vaultora
