#include "app/ui/log_files_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpinBox>
#include <QSplitter>
#include <QTextDocument>
#include <QToolBar>
#include <QToolButton>

#include "app/runtime/main_messages.h"
#include "app/ui/app_icons.h"
#include "platform/log_file.h"
#include "platform/log_files.h"
#include "platform/prompts.h"
#include "platform/runtime/message_receiver.h"

namespace vaultora {

TfrmLogs::TfrmLogs(TIniRegistryEditor& store, TMessageReceiver& mainWindow, QWidget* parent)
    : QMainWindow(parent), FStore(store), FMainWindow(mainWindow) {
  setObjectName("frmLogs");
  setWindowTitle("Log Files");
  setAttribute(Qt::WA_DeleteOnClose, false);

  FLogs = new QListWidget;
  FLogs->setObjectName("lbLogs");
  for (const TLogFileEntry& log : kLogFiles)
    FLogs->addItem(QString::fromUtf8(log.Caption));
  FView = new QPlainTextEdit;
  FView->setObjectName("memLog");
  FView->setReadOnly(true);
  FView->setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  FView->setFont(mono);
  auto* split = new QSplitter;
  split->addWidget(FLogs);
  split->addWidget(FView);
  split->setStretchFactor(1, 1);
  split->setSizes({170, 560});
  setCentralWidget(split);
  connect(FLogs, &QListWidget::currentRowChanged, this, [this] { Refresh(); });

  FPrint = AddAction("actPrint", "&Print", [this] { Print(); });
  QAction* printSetup = AddAction("actPrintSetup", "&Print Setup", [this] {
    QPrinter printer;
    QPageSetupDialog(&printer, this).exec();
  });
  QAction* close = AddAction("actClose", "&Close", [this] { this->close(); });
  FSave = AddAction("actSave", "&Save", [this] { Save(); });
  FRefresh = AddAction("actRefresh", "&Refresh", [this] { Refresh(); });
  FClear = AddAction("actClear", "&Clear", [this] { Clear(); });
  QAction* clearLogs = AddAction("actClearLogs", "&Clear Logs", [this] { ClearLogs(); });
  FSave->setIcon(CommandIcon("document-save"));
  FRefresh->setIcon(CommandIcon("mail-send-receive"));
  FClear->setIcon(CommandIcon("edit-delete"));
  FPrint->setIcon(QIcon::fromTheme("document-print", CommandIcon("document-open")));

  QMenu* file = menuBar()->addMenu("&File");
  file->addActions({FPrint, printSetup});
  file->addSeparator();
  file->addAction(close);
  QMenu* logs = menuBar()->addMenu("&Logs");
  logs->addActions({FSave, FRefresh});
  logs->addSeparator();
  logs->addActions({FClear, clearLogs});

  // Font style: each press adds the next style; the drop-down toggles each one.
  const char* styles[4] = {"&Bold", "&Italic", "&Underline", "&Strikeout"};
  auto* styleMenu = new QMenu(this);
  for (int i = 0; i < 4; ++i) {
    FStyles[i] = styleMenu->addAction(styles[i]);
    FStyles[i]->setCheckable(true);
    connect(FStyles[i], &QAction::toggled, this, [this] {
      QFont font = FView->font();
      font.setBold(FStyles[0]->isChecked());
      font.setItalic(FStyles[1]->isChecked());
      font.setUnderline(FStyles[2]->isChecked());
      font.setStrikeOut(FStyles[3]->isChecked());
      FView->setFont(font);
    });
  }
  auto* styleButton = new QToolButton;
  styleButton->setObjectName("tbnFontStyle");
  styleButton->setText("&Font Style");
  styleButton->setMenu(styleMenu);
  styleButton->setPopupMode(QToolButton::MenuButtonPopup);
  connect(styleButton, &QToolButton::clicked, this, [this] { NextFontStyle(); });
  QAction* colors = AddAction("actColors", "&Colors", [this] {
    const QColor color = QColorDialog::getColor(FView->palette().text().color(), this);
    if (!color.isValid()) return;
    QPalette palette = FView->palette();
    palette.setColor(QPalette::Text, color);
    FView->setPalette(palette);
  });
  FSize = new QSpinBox;
  FSize->setObjectName("seFontSize");
  FSize->setRange(1, 1000);
  FSize->setValue(FView->font().pointSize() > 0 ? FView->font().pointSize() : 10);
  connect(FSize, &QSpinBox::valueChanged, this, [this](int size) {
    QFont font = FView->font();
    font.setPointSize(size);
    FView->setFont(font);
  });

  QToolBar* bar = addToolBar("Logs");
  bar->setObjectName("tbLogs");
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  bar->addActions({FSave, FRefresh, FClear, FPrint});
  bar->addSeparator();
  bar->addWidget(styleButton);
  bar->addAction(colors);
  bar->addWidget(new QLabel(" Size "));
  bar->addWidget(FSize);

  OnAskSaveFileName = [this] {
    return QFileDialog::getSaveFileName(this, "Save", "*.txt", "Text Files (*.txt);;All Files (*)")
        .toStdString();
  };
  resize(760, 460);
  UpdateCommands();
}

TfrmLogs::~TfrmLogs() = default;

QAction* TfrmLogs::AddAction(const char* name, const QString& caption, std::function<void()> run) {
  auto* action = new QAction(caption, this);
  action->setObjectName(name);
  connect(action, &QAction::triggered, this, [run = std::move(run)] { run(); });
  addAction(action);
  return action;
}

void TfrmLogs::UpdateCommands() {
  const bool selected = SelectedLog() >= 0;
  for (QAction* action : {FSave, FClear, FPrint, FRefresh})
    action->setEnabled(selected);
}

void TfrmLogs::SelectLog(int index) {
  FLogs->setCurrentRow(index);
}

int TfrmLogs::SelectedLog() const {
  return FLogs->currentRow();
}

QString TfrmLogs::ViewText() const {
  return FView->toPlainText();
}

void TfrmLogs::Refresh() {
  const int index = SelectedLog();
  FView->setPlainText(index < 0 ? QString()
                                : QString::fromStdString(ReadLogText(static_cast<size_t>(index))));
  UpdateCommands();
}

void TfrmLogs::Save() {
  if (SelectedLog() < 0) return;
  const std::string path = OnAskSaveFileName ? OnAskSaveFileName() : std::string();
  if (path.empty()) return;
  try {
    SaveLogText(path, FView->toPlainText().toStdString());
  } catch (const std::exception& e) {
    ShowError(std::string("The log could not be saved: ") + e.what());
  }
}

void TfrmLogs::Clear() {
  const int index = SelectedLog();
  if (index < 0) return;
  ClearLog(static_cast<size_t>(index));
  Refresh();
}

void TfrmLogs::ClearLogs() {
  if (ClearAllLogs()) FView->clear();
}

void TfrmLogs::Print() {
  const int index = SelectedLog();
  if (index < 0) return;
  QPrinter printer;
  printer.setDocName(QString("Vaultora - %1").arg(kLogFiles[index].FileName));
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  QTextDocument document(FView->toPlainText());
  document.setDefaultFont(FView->font());
  document.print(&printer);
}

void TfrmLogs::NextFontStyle() {
  FStyles[FNextStyle]->setChecked(true);
  FNextStyle = (FNextStyle + 1) % 4;
}

void TfrmLogs::closeEvent(QCloseEvent* event) {
  event->accept();
  FMainWindow.Post(WM_USER + messages::TWM_RELEASEWINDOW, 4);
}

}  // namespace vaultora
