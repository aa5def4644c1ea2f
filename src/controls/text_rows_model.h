#pragma once
// A table of text rows for the entry lists of the file list editor and the picker: each row is
// its column texts, a key (the entry's path) and an icon kind. Rows are appended in batches, so
// that a folder of tens of thousands of entries fills without holding up the window, and the
// same model feeds the details view and the icon and list views.

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>

#include <vector>

namespace vaultora {

struct TTextRow {
  QStringList Columns;
  QString Key;
  bool Folder = false;
};

class TTextRowsModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TTextRowsModel(QStringList headers, QObject* parent = nullptr);

  void Clear();
  void Append(std::vector<TTextRow> rows);
  const TTextRow& Row(int row) const { return FRows[static_cast<size_t>(row)]; }
  int Count() const { return static_cast<int>(FRows.size()); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  QStringList FHeaders;
  std::vector<TTextRow> FRows;
  QIcon FFolderIcon, FFileIcon;
};

}  // namespace vaultora
