#include "connect/ui/dialup_window.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "connect/runtime/dial_attempt.h"

namespace vaultora {

TfrmDialup::TfrmDialup(TDialAttempt& attempt, QWidget* parent)
    : QDialog(parent), FAttempt(&attempt) {
  setObjectName("frmDialup");
  FLines = new QTreeWidget;
  FLines->setObjectName("lvStatus");
  FLines->setHeaderLabels({"Status"});
  FLines->setRootIsDecorated(false);
  FLines->header()->resizeSection(0, 360);
  FState = new QLabel;
  FState->setObjectName("lblState");
  FState->setTextFormat(Qt::PlainText);
  FCancel = new QPushButton("Cancel");
  FCancel->setObjectName("btnCancel");
  connect(FCancel, &QPushButton::clicked, this, [this] { reject(); });
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(FState, 1);
  bottom->addWidget(FCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FLines, 1);
  layout->addLayout(bottom);
  resize(420, 260);
  Refresh();
}

void TfrmDialup::Refresh() {
  if (!FAttempt) return;
  setWindowTitle(QString::fromStdString(FAttempt->Caption()));
  FState->setText(QString::fromStdString(FAttempt->StateLabel()));
  // At most 52 lines: refilling is cheaper than following the attempt's removals.
  FLines->clear();
  QTreeWidgetItem* last = nullptr;
  for (const std::string& line : FAttempt->Lines())
    last = new QTreeWidgetItem(FLines, {QString::fromStdString(line)});
  if (last) FLines->scrollToItem(last);
}

void TfrmDialup::LineAdded() {
  QTimer::singleShot(0, this, [this] { Refresh(); });
}

void TfrmDialup::Detach() {
  Refresh();
  FAttempt = nullptr;
  FCancel->setEnabled(false);
}

void TfrmDialup::reject() {
  if (FAttempt && !FAttempt->Closed()) FAttempt->Cancel();
}

}  // namespace vaultora
