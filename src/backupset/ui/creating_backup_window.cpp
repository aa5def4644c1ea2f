#include "backupset/ui/creating_backup_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/app_icons.h"

namespace vaultora {

namespace {

constexpr int kPictureMs = 750;

}  // namespace

TfrmCreatingBackup::TfrmCreatingBackup(TIniRegistryEditor& store, std::string scheduleName,
                                       QWidget* parent)
    : QDialog(parent),
      FRun(std::make_unique<TCreatingBackupRun>(store, &FCipher)),
      FScheduleName(std::move(scheduleName)) {
  setObjectName("frmCreatingBackup");
  setWindowTitle("Creating Backup");
  const char* names[11] = {"",           "lblTitle",       "lblAppended", "lblCurrentFile",
                           "lblPercent", "lblErrors",      "lblStatus",   "lblFileCount",
                           "lblSize",    "lblCompression", "lblFileAdded"};
  for (int tag = 1; tag <= 10; ++tag) {
    FLabels[tag] = new QLabel;
    FLabels[tag]->setObjectName(names[tag]);
    FLabels[tag]->setTextFormat(Qt::PlainText);
    FLabels[tag]->setMinimumWidth(380);
  }
  FLabels[btErrors]->setStyleSheet("color: #b00020;");
  FLabels[btErrors]->setWordWrap(true);
  FAnimation = new QLabel;
  FAnimation->setObjectName("imgWorking");
  FAnimation->setFixedSize(48, 48);
  FProgress = new QProgressBar;
  FProgress->setObjectName("pbProgress");
  FProgress->setRange(0, 100);
  FSend = new QCheckBox("Send the backup when completed");
  FSend->setObjectName("cbSendWhenCompleted");
  FSend->setChecked(true);
  FButton = new QPushButton("Cancel");
  FButton->setObjectName("btnCancel");
  connect(FButton, &QPushButton::clicked, this, [this] { ButtonPressed(); });

  auto* header = new QHBoxLayout;
  header->addWidget(FAnimation, 0, Qt::AlignTop);
  auto* titles = new QVBoxLayout;
  titles->addWidget(FLabels[btTitle]);
  titles->addWidget(FLabels[btAppended]);
  titles->addWidget(FLabels[btStatus]);
  header->addLayout(titles, 1);
  auto* details = new QVBoxLayout;
  details->addWidget(FLabels[btFileAdded]);
  details->addWidget(FLabels[btCurrentFile]);
  auto* progress = new QHBoxLayout;
  progress->addWidget(FProgress, 1);
  progress->addWidget(FLabels[btPercent]);
  FLabels[btPercent]->setMinimumWidth(50);
  details->addLayout(progress);
  for (TBackupLineTag tag : {btFileCount, btSize, btCompression, btErrors})
    details->addWidget(FLabels[tag]);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(FSend, 1);
  buttons->addWidget(FButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(header);
  layout->addLayout(details);
  layout->addStretch(1);
  layout->addLayout(buttons);

  FRun->OnLine = [this](TBackupLineTag tag, const std::string& text) { ShowLine(tag, text); };
  const QList<QIcon> pictures = TrayFrames();
  FAnimation->setPixmap(pictures.first().pixmap(48, 48));
  connect(&FPictures, &QTimer::timeout, this, [this, pictures] {
    FPicture = (FPicture + 1) % static_cast<int>(pictures.size());
    FAnimation->setPixmap(pictures[FPicture].pixmap(48, 48));
  });
  installEventFilter(this);
  resize(520, 330);
}

TfrmCreatingBackup::~TfrmCreatingBackup() = default;

bool TfrmCreatingBackup::SendWhenCompleted() const {
  return FSend->isChecked();
}

QString TfrmCreatingBackup::LabelText(TBackupLineTag tag) const {
  return FLabels[tag]->text();
}

std::string TfrmCreatingBackup::FailureText() const {
  if (FSucceeded || !FFinished) return FSucceeded ? "" : "The backup was not completed.";
  const auto& labels = FRun->Labels();
  if (auto it = labels.find(btErrors); it != labels.end()) return it->second;
  if (auto it = labels.find(btStatus); it != labels.end()) return it->second;
  return "The backup was not completed.";
}

void TfrmCreatingBackup::ShowLine(TBackupLineTag tag, const std::string& text) {
  if (tag == btCurrentFile) {
    const QString file = QString::fromStdString(text);
    FLabels[tag]->setText(fontMetrics().elidedText(file, Qt::ElideMiddle, 380));
    FLabels[tag]->setToolTip(file);
    return;
  }
  // The original and the compressed size share their label, one line each.
  if (tag == btSize && FLabels[tag]->text().startsWith("Original") &&
      text.rfind("Compressed", 0) == 0)
    FLabels[tag]->setText(FLabels[tag]->text() + "\n" + QString::fromStdString(text));
  else
    FLabels[tag]->setText(QString::fromStdString(text));
  if (tag == btPercent)
    FProgress->setValue(QString::fromStdString(text).section(' ', 0, 0).toInt());
}

void TfrmCreatingBackup::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (FStarted) return;
  FStarted = true;
  // Started from the event loop once the window is painted; the run processes messages.
  QTimer::singleShot(0, this, [this] { Start(); });
}

void TfrmCreatingBackup::Start() {
  FPictures.start(kPictureMs);
  FSucceeded = FRun->Run(FScheduleName);
  FFinished = true;
  FPictures.stop();
  if (FSucceeded) {
    FButton->setText("Ok");
    FButton->setObjectName("btnOk");
  } else {
    FButton->setText("Close");
  }
  emit RunFinished(FSucceeded);
  if (FSucceeded && !FScheduleName.empty()) accept();  // a scheduled run closes by itself
}

void TfrmCreatingBackup::ButtonPressed() {
  if (!FFinished) {
    // While running: stop (deleting what was made), then a second press closes.
    FRun->Cancel();
    FButton->setText("Close");
    return;
  }
  if (FSucceeded)
    accept();
  else
    QDialog::reject();
}

void TfrmCreatingBackup::reject() {
  // Escape or the close box while the builder works is a cancel, never an abandoned run.
  if (FStarted && !FFinished) {
    FRun->AskToAbort();
    return;
  }
  QDialog::reject();
}

bool TfrmCreatingBackup::eventFilter(QObject* watched, QEvent* event) {
  const bool press = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress;
  if (press && FStarted && !FFinished && FRun->Busy() && watched == this) {
    FRun->AskToAbort();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace vaultora
