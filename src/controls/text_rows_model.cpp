#include "controls/text_rows_model.h"

#include <QApplication>
#include <QStyle>

namespace vaultora {

TTextRowsModel::TTextRowsModel(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent), FHeaders(std::move(headers)) {
  FFolderIcon = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
  FFileIcon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
}

void TTextRowsModel::Clear() {
  beginResetModel();
  FRows.clear();
  endResetModel();
}

void TTextRowsModel::Append(std::vector<TTextRow> rows) {
  if (rows.empty()) return;
  const int first = Count();
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
  FRows.insert(FRows.end(), std::make_move_iterator(rows.begin()),
               std::make_move_iterator(rows.end()));
  endInsertRows();
}

int TTextRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

int TTextRowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(FHeaders.size());
}

QVariant TTextRowsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Count()) return {};
  const TTextRow& row = Row(index.row());
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
    return index.column() < row.Columns.size() ? row.Columns[index.column()] : QString();
  if (role == Qt::DecorationRole && index.column() == 0)
    return row.Folder ? FFolderIcon : FFileIcon;
  if (role == Qt::UserRole) return row.Key;
  return {};
}

QVariant TTextRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < FHeaders.size())
    return FHeaders[section];
  return {};
}

}  // namespace vaultora
