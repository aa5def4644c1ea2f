#pragma once
// The entry list of the editor and the picker in its four styles: large icons, small icons,
// list and details, over one TTextRowsModel and one selection. The style is kept by the caller
// (Settings\ViewStyle: 0 large icons, 1 small icons, 2 list, 3 details).

#include <QStackedWidget>

class QAbstractItemView;
class QItemSelectionModel;
class QListView;
class QTreeView;

namespace vaultora {

class TTextRowsModel;

enum TViewStyle { vsLargeIcons = 0, vsSmallIcons = 1, vsList = 2, vsDetails = 3 };
inline constexpr const char* kViewStyleCaptions[] = {"&Large Icons", "&Small Icons", "&List",
                                                     "&Details"};

class TEntryViews : public QStackedWidget {
  Q_OBJECT
 public:
  TEntryViews(const char* name, TTextRowsModel& model, const QList<int>& widths,
              QWidget* parent = nullptr);
  TViewStyle Style() const { return FStyle; }
  void SetStyle(int style);
  QAbstractItemView& Current() const;
  QTreeView& Details() const { return *FDetails; }
  QItemSelectionModel& Selection() const;
  // The selected rows, in row order.
  QList<int> SelectedRows() const;

 signals:
  void Activated(int row);
  void SelectionChanged();

 private:
  QTreeView* FDetails = nullptr;
  QListView* FIcons = nullptr;
  TViewStyle FStyle = vsDetails;
};

}  // namespace vaultora
