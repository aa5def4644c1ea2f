#include "archive/ui/verify_window.h"

#include <QColor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "catalogue/catalogue.h"
#include "settings/ini_registry_editor.h"

namespace vaultora {

TfrmVerify::TfrmVerify(TIniRegistryEditor& store, std::vector<std::string> keys, QWidget* parent)
    : QDialog(parent), FStore(store), FKeys(std::move(keys)) {
  setObjectName("frmVerify");
  setWindowTitle("Verify Backups");
  setAttribute(Qt::WA_DeleteOnClose, false);
  FList = new QTreeWidget;
  FList->setObjectName("lvResults");
  FList->setHeaderLabels({"Backup", "Result"});
  FList->setRootIsDecorated(false);
  FList->setColumnWidth(0, 220);
  FList->header()->setStretchLastSection(true);
  FStatus = new QLabel;
  FStatus->setObjectName("lblStatus");
  FProgress = new QProgressBar;
  FProgress->setObjectName("pbProgress");
  FProgress->setRange(0, static_cast<int>(FKeys.size()) * 100);
  FClose = new QPushButton("Close");
  FClose->setObjectName("btnClose");
  connect(FClose, &QPushButton::clicked, this, &QDialog::close);
  TCatalogue catalogue(store);
  for (const std::string& key : FKeys) {
    const std::string title = catalogue.Exists(key) ? catalogue.Entry(key).BackupTitle : key;
    FRows.push_back(new QTreeWidgetItem(
        FList, {QString::fromStdString(title.empty() ? key : title), "Waiting"}));
    FRows.back()->setToolTip(0, QString::fromStdString(key));
  }
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(FProgress, 1);
  bottom->addWidget(FClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FList, 1);
  layout->addWidget(FStatus);
  layout->addLayout(bottom);
  resize(560, 260);
}

TfrmVerify::~TfrmVerify() {
  FStopped = true;
  if (FWorker.joinable()) FWorker.join();
}

void TfrmVerify::Start() {
  TBackupVerifier verifier(FStore);
  TStringList missing;
  for (size_t i = 0; i < FKeys.size(); ++i)
    if (verifier.NeedsReceiving(FKeys[i])) {
      missing.push_back(FKeys[i]);
      FRows[i]->setText(1, "Receiving from the server");
    }
  if (!missing.empty() && OnReceive) {
    FReceiving = true;
    FStatus->setText(QString("Receiving %1 backup(s) from the server before they are verified")
                         .arg(missing.size()));
    OnReceive(missing);
    return;
  }
  CheckAll();
}

void TfrmVerify::ReceiveEnded() {
  if (!FReceiving) return;
  FReceiving = false;
  CheckAll();
}

void TfrmVerify::CheckAll() {
  FStatus->setText("Verifying: each archive is deciphered as it is read; nothing is written");
  // The worker has a settings-store instance of its own: one is never shared between threads.
  FWorker = std::thread([this] {
    TIniRegistryEditor store;
    TBackupVerifier verifier(store);
    size_t at = 0;
    int shown = -1;
    verifier.OnProgress = [&](const std::string&, int percent) {
      if (FStopped) verifier.Stopped = true;
      if (percent == shown) return;  // one message a percent, not one a block
      shown = percent;
      QMetaObject::invokeMethod(
          this, [this, at, percent] { Progress(at, percent); }, Qt::QueuedConnection);
    };
    for (; at < FKeys.size() && !FStopped; ++at) {
      shown = -1;
      TVerifyResult result = verifier.Verify(FKeys[at]);
      QMetaObject::invokeMethod(
          this, [this, i = at, result] { Checked(i, result); }, Qt::QueuedConnection);
    }
  });
}

void TfrmVerify::Progress(size_t index, int percent) {
  if (index >= FRows.size()) return;
  FRows[index]->setText(1, QString("Checking... %1%").arg(percent));
  FProgress->setValue(static_cast<int>(index) * 100 + percent);
}

void TfrmVerify::Checked(size_t index, TVerifyResult result) {
  if (index >= FRows.size()) return;
  FRows[index]->setText(1, QString::fromStdString(result.Text));
  FRows[index]->setToolTip(1, QString::fromStdString(result.Text));
  FRows[index]->setForeground(
      1, result.Outcome == voVerified ? QColor(0, 110, 0) : QColor(176, 0, 32));
  FProgress->setValue(static_cast<int>(index + 1) * 100);
  FResults.push_back(std::move(result));
  if (FResults.size() < FKeys.size()) return;
  FFinished = true;
  int good = 0;
  for (const TVerifyResult& r : FResults)
    good += r.Outcome == voVerified;
  FStatus->setText(QString("%1 of %2 backup(s) verified").arg(good).arg(FResults.size()));
  emit VerifyFinished();
}

}  // namespace vaultora
