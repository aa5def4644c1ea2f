#include "online/ui/transfer_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/runtime/transfer_host.h"
#include "app/ui/app_icons.h"
#include "online/runtime/transfer_session.h"
#include "settings/error_marks.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

constexpr int kStatusColumnWidth = 500;
constexpr int kPictureSize = 32;

const char* const kWindowTitles[] = {"Deleting Backups on the Server", "Sending Backups",
                                     "Retrieving Backups", "Downloading Available Backups"};
const char* const kObjectNames[] = {"frmInternetDeleteBackup", "frmInternetBackup",
                                    "frmInternetRestore", "frmInternetRegistryUpdate"};

bool MovesData(TWorkKind kind) {
  return kind == wkSend || kind == wkReceive;
}

QLabel* NewLabel(const char* name, const QString& text = QString()) {
  auto* label = new QLabel(text);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

TfrmTransfer::TfrmTransfer(TWorkKind kind, TIniRegistryEditor& store, TSessionGetter session,
                           QWidget* parent)
    : QDialog(parent),
      FKind(kind),
      FStore(store),
      FSession(std::move(session)),
      FPictures(TrayFrames()) {
  setObjectName(kObjectNames[kind]);
  setWindowTitle(kWindowTitles[kind]);
  setModal(false);
  const TTransferKindTexts& texts = TTransferHost::Texts(kind);

  FPicture = NewLabel("imgAnimation");
  FPicture->setFixedSize(kPictureSize, kPictureSize);
  FConnection = NewLabel("lblConnection");
  FStatus = NewLabel("lblStatus");
  FPercent = NewLabel("lblPercent", "0 %");
  FRate = NewLabel("lblRate");
  FCount = NewLabel("lblCount");
  auto* caption = NewLabel("lblCaption", texts.Caption);
  QFont bold = caption->font();
  bold.setBold(true);
  caption->setFont(bold);

  auto* top = new QHBoxLayout;
  top->addWidget(FPicture, 0, Qt::AlignTop);
  auto* labels = new QVBoxLayout;
  labels->addWidget(FConnection);
  auto* captionRow = new QHBoxLayout;
  captionRow->addWidget(caption);
  captionRow->addWidget(FStatus, 1);
  captionRow->addWidget(FCount);
  labels->addLayout(captionRow);
  if (kind == wkRegistryUpdate) {
    labels->addWidget(NewLabel("lblFixed1", "A image of the available backups is being"));
    labels->addWidget(NewLabel("lblFixed2", "downloaded from the server for you to select from"));
  }
  top->addLayout(labels, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  if (MovesData(kind)) {
    FProgress = new QProgressBar;
    FProgress->setObjectName("pbFile");
    FProgress->setRange(0, 100);
    FProgress->setTextVisible(false);
    auto* percentRow = new QHBoxLayout;
    percentRow->addWidget(FPercent, 1);
    percentRow->addWidget(FRate);
    layout->addLayout(percentRow);
    layout->addWidget(FProgress);
  } else {
    FPercent->hide();
    FRate->hide();
  }
  if (kind == wkDelete) {
    FDeletions = new QPlainTextEdit;
    FDeletions->setObjectName("memDeletions");
    FDeletions->setReadOnly(true);
    FDeletions->setMaximumHeight(80);
    layout->addWidget(FDeletions);
  }

  FLines = new QTreeWidget;
  FLines->setObjectName("lvStatus");
  FLines->setColumnCount(1);
  FLines->setHeaderLabels({"Status"});
  FLines->setRootIsDecorated(false);
  FLines->setUniformRowHeights(true);
  FLines->header()->resizeSection(0, kStatusColumnWidth);
  FLines->setMinimumWidth(kStatusColumnWidth + 20);
  layout->addWidget(FLines, 1);

  FDisconnect = new QCheckBox("Disconnect when &finished");
  FDisconnect->setObjectName("cbDisconnect");
  FButton = new QPushButton("Stop");
  FButton->setObjectName("btnStop");
  FHide = new QPushButton("Hide");
  FHide->setObjectName("btnHide");
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(FDisconnect);
  buttons->addStretch(1);
  buttons->addWidget(FHide);
  buttons->addWidget(FButton);
  layout->addLayout(buttons);

  connect(FButton, &QPushButton::clicked, this, [this] { ButtonPressed(); });
  connect(FHide, &QPushButton::clicked, this, [this] { hide(); });
  // Ticked writes the value, unticked deletes it.
  connect(FDisconnect, &QCheckBox::toggled, this,
          [this](bool on) { WriteSetting(FStore, keys::setting::DisConWhenFin, on); });
  FRefresh.setInterval(kRefreshMs);
  connect(&FRefresh, &QTimer::timeout, this, [this] { Refresh(); });
  FAnimation.setInterval(kAnimationMs);
  connect(&FAnimation, &QTimer::timeout, this, [this] { Tick(); });
  resize(560, 380);
}

TfrmTransfer::~TfrmTransfer() {
  FRefresh.stop();
  FAnimation.stop();
}

TTransferSession* TfrmTransfer::Session() const {
  return FOpen && FSession ? FSession() : nullptr;
}

void TfrmTransfer::Started() {
  FOpen = true;
  FStopMode = true;
  FButton->setText("Stop");
  FButton->setEnabled(true);
  FHide->setEnabled(true);
  FStatus->clear();
  FPercent->setText("0 %");
  FRate->clear();
  FCount->clear();
  if (FProgress) FProgress->setValue(0);
  FLines->clear();
  FConnection->setText(QString::fromStdString(TransferConnectionName(FStore)));
  {
    const QSignalBlocker quiet(FDisconnect);
    FDisconnect->setChecked(ReadSetting(FStore, keys::setting::DisConWhenFin));
  }
  if (FDeletions) {
    const TStringList deletions = DeletionList(FStore);
    FCount->setText(QString::number(deletions.size()));
    FDeletions->setPlainText(QString::fromStdString(Join(deletions, "\n")));
  }
  SyncLines();
  Refresh();
  FRefresh.start();
  show();
  raise();
  activateWindow();
}

void TfrmTransfer::LineAdded() {
  SyncLines();
}

// The session holds the lines as they are shown (it empties them past 51); the list follows it.
void TfrmTransfer::SyncLines() {
  const TTransferSession* session = Session();
  if (!session) return;
  const TStringList& lines = session->Lines();
  int shown = FLines->topLevelItemCount();
  const bool follows =
      static_cast<size_t>(shown) <= lines.size() &&
      (shown == 0 || FLines->topLevelItem(shown - 1)->text(0).toStdString() == lines[shown - 1]);
  if (!follows) {
    FLines->clear();
    shown = 0;
  }
  QTreeWidgetItem* last = nullptr;
  for (size_t i = static_cast<size_t>(shown); i < lines.size(); ++i)
    last = new QTreeWidgetItem(FLines, {QString::fromStdString(lines[i])});
  if (last) FLines->scrollToItem(last);
}

void TfrmTransfer::Refresh() {
  const TTransferSession* session = Session();
  if (!session) return;
  const QString status = QString::fromStdString(session->StatusLabel());
  if (FStatus->text() != status) FStatus->setText(status);
  if (MovesData(FKind)) {
    FPercent->setText(QString::fromStdString(session->PercentLabel()));
    FRate->setText(QString::fromStdString(session->RateText()));
    FCount->setText(QString::fromStdString(session->CountLabel()));
    FProgress->setValue(session->ProgressPosition());
  }
  if (session->Stopping() && FStopMode) {
    FStopMode = false;
    FButton->setText("Stopping");
    FButton->setEnabled(false);
  }
  SetAnimating(session->Animating());
}

void TfrmTransfer::OperationClosed() {
  // The session's last lines came through LineAdded; what it showed last stays on screen.
  FRefresh.stop();
  SetAnimating(false);
  FOpen = false;
  FStopMode = false;
  FButton->setText("Close");
  FButton->setEnabled(true);
  FHide->setEnabled(false);
  if (!ErrorMarked(FStore, TTransferHost::Texts(FKind).ErrorsKey)) close();
}

void TfrmTransfer::ButtonPressed() {
  if (!FStopMode) {
    close();
    return;
  }
  FStopMode = false;
  FButton->setText("Stopping");
  FButton->setEnabled(false);
  if (TTransferSession* session = Session()) session->UserStop();
}

void TfrmTransfer::SetAnimating(bool on) {
  if (on == FAnimation.isActive()) return;
  if (on) {
    FStep = 0;
    FAnimation.start();
    Tick();
  } else {
    FAnimation.stop();
  }
}

// Steps 1 to 4 show the pictures in turn; step 5 rests.
void TfrmTransfer::Tick() {
  FStep = FStep % 5 + 1;
  if (FStep <= 4 && FStep <= FPictures.size())
    FPicture->setPixmap(FPictures[FStep - 1].pixmap(kPictureSize, kPictureSize));
}

void TfrmTransfer::reject() {
  hide();
}

void TfrmTransfer::closeEvent(QCloseEvent* event) {
  FRefresh.stop();
  FAnimation.stop();
  // The session goes on with the run; what it kept for the log so far is written now.
  if (TTransferSession* session = Session()) session->FlushLog();
  event->accept();
  if (OnReleased) OnReleased(*this);
}

}  // namespace vaultora
