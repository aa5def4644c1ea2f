#include "selection/ui/drop_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "selection/ui/file_drops.h"

namespace vaultora {

TfrmDropWindow::TfrmDropWindow(bool stayOnTop, QWidget* parent) : QDialog(parent) {
  setObjectName("frmDropWindow");
  setWindowTitle("Backup File(s)");
  setAcceptDrops(true);
  auto* picture = new QLabel;
  picture->setObjectName("imgDrop");
  picture->setPixmap(QApplication::style()->standardIcon(QStyle::SP_DirOpenIcon).pixmap(64, 64));
  picture->setAlignment(Qt::AlignCenter);
  picture->setToolTip("Drag and drop files or folders onto this image");
  picture->setMinimumSize(160, 110);
  auto* hint = new QLabel("Drag and drop files or folders onto this image");
  hint->setWordWrap(true);
  hint->setAlignment(Qt::AlignCenter);
  auto* onTop = new QCheckBox("Stay On Top");
  onTop->setObjectName("cbStayOnTop");
  onTop->setChecked(stayOnTop);
  auto* back = new QPushButton("&Back");
  back->setObjectName("btnBack");
  auto* apply = new QPushButton("&Apply");
  apply->setObjectName("btnApply");
  auto* cancel = new QPushButton("&Cancel");
  cancel->setObjectName("btnCancel");
  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {back, apply, cancel})
    buttons->addWidget(button);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(picture, 1);
  layout->addWidget(hint);
  layout->addWidget(onTop);
  layout->addLayout(buttons);
  auto keepOnTop = [this](bool on) {
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (isVisible()) show();
  };
  keepOnTop(stayOnTop);
  connect(onTop, &QCheckBox::toggled, this, keepOnTop);
  connect(back, &QPushButton::clicked, this, [this] { done(drBack); });
  connect(apply, &QPushButton::clicked, this, [this] { done(drApply); });
  connect(cancel, &QPushButton::clicked, this, [this] { done(drCancel); });
}

bool TfrmDropWindow::StayOnTop() const {
  return findChild<QCheckBox*>("cbStayOnTop")->isChecked();
}

void TfrmDropWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedPaths(*event->mimeData()).empty()) event->acceptProposedAction();
}

void TfrmDropWindow::dropEvent(QDropEvent* event) {
  const TStringList paths = DroppedPaths(*event->mimeData());
  if (paths.empty()) return;
  event->acceptProposedAction();
  if (OnDrop) OnDrop(paths);
}

}  // namespace vaultora
