#pragma once
// The file rows of the "Restore" window as a table model: the session's rows seen through the
// indices that the listing's filter keeps, so that 100,000 rows cost no widget and no copy.

#include <QAbstractTableModel>

#include <vector>

#include "archive/restore_session.h"

namespace vaultora {

class TRestoreRowsModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TRestoreRowsModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  // rows must outlive the model or the next Show.
  void Show(const std::vector<TRestoreRow>* rows, std::vector<size_t> shown);
  // The session's index of a row of the model.
  size_t RowIndex(int row) const { return FShown[static_cast<size_t>(row)]; }
  int Count() const { return static_cast<int>(FShown.size()); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  const std::vector<TRestoreRow>* FRows = nullptr;
  std::vector<size_t> FShown;
};

}  // namespace vaultora
