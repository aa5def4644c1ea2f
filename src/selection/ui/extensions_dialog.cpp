#include "selection/ui/extensions_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QMimeDatabase>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "selection/file_picker.h"

namespace vaultora {

namespace {

QTreeWidget* ExtensionList(const char* name) {
  auto* list = new QTreeWidget;
  list->setObjectName(name);
  list->setHeaderLabels({"Extention", "Description"});
  list->setRootIsDecorated(false);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setSortingEnabled(true);
  list->sortByColumn(0, Qt::AscendingOrder);
  return list;
}

QTreeWidgetItem* ExtensionItem(const std::string& extension) {
  static const QMimeDatabase mimes;
  const QString name = QString::fromStdString(extension);
  const QMimeType type = mimes.mimeTypeForFile("file" + name, QMimeDatabase::MatchExtension);
  return new QTreeWidgetItem({name, type.isDefault() ? QString() : type.comment()});
}

QPushButton* Mover(const char* name, const char* caption, QGridLayout& grid, int row) {
  auto* button = new QPushButton(caption);
  button->setObjectName(name);
  grid.addWidget(button, row, 1);
  return button;
}

}  // namespace

TfrmExtensions::TfrmExtensions(const TStringList& extensions, const std::string& maskText,
                               QWidget* parent)
    : QDialog(parent) {
  setObjectName("frmExtensions");
  setWindowTitle("File Extentions");
  FAvailable = ExtensionList("lvAvailable");
  FSelected = ExtensionList("lvSelected");
  for (const std::string& extension : extensions)
    (MaskNamesExtension(maskText, extension) ? FSelected : FAvailable)
        ->addTopLevelItem(ExtensionItem(extension));
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("Available extentions"), 0, 0);
  grid->addWidget(new QLabel("Selected extentions"), 0, 2);
  grid->addWidget(FAvailable, 1, 0, 5, 1);
  grid->addWidget(FSelected, 1, 2, 5, 1);
  connect(Mover("btnAdd", ">", *grid, 1), &QPushButton::clicked, this,
          [this] { MoveSelected(true); });
  connect(Mover("btnAddAll", ">>", *grid, 2), &QPushButton::clicked, this,
          [this] { MoveAll(true); });
  connect(Mover("btnRemove", "<", *grid, 3), &QPushButton::clicked, this,
          [this] { MoveSelected(false); });
  connect(Mover("btnRemoveAll", "<<", *grid, 4), &QPushButton::clicked, this,
          [this] { MoveAll(false); });
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid, 1);
  layout->addWidget(buttons);
}

void TfrmExtensions::MoveSelected(bool toSelected) {
  QTreeWidget* from = toSelected ? FAvailable : FSelected;
  QTreeWidget* to = toSelected ? FSelected : FAvailable;
  for (QTreeWidgetItem* item : from->selectedItems())
    to->addTopLevelItem(from->takeTopLevelItem(from->indexOfTopLevelItem(item)));
}

void TfrmExtensions::MoveAll(bool toSelected) {
  QTreeWidget* from = toSelected ? FAvailable : FSelected;
  QTreeWidget* to = toSelected ? FSelected : FAvailable;
  while (from->topLevelItemCount() > 0)
    to->addTopLevelItem(from->takeTopLevelItem(0));
}

TStringList TfrmExtensions::Selected() const {
  TStringList extensions;
  for (int i = 0; i < FSelected->topLevelItemCount(); ++i)
    extensions.push_back(FSelected->topLevelItem(i)->text(0).toStdString());
  return extensions;
}

std::string TfrmExtensions::Mask() const {
  return MaskOfExtensions(Selected());
}

}  // namespace vaultora
