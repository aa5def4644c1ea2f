#include "app/ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSessionManager>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include "app/runtime/client_setup.h"
#include "app/runtime/main_messages.h"
#include "app/ui/animated_tray_icon.h"
#include "app/ui/app_icons.h"
#include "app/ui/kept_geometry.h"
#include "app/ui/log_files_window.h"
#include "app/ui/online_windows.h"
#include "connect/runtime/shutdown_countdown.h"
#include "connect/ui/shutdown_window.h"
#include "platform/prompts.h"
#include "selection/ui/session_window.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

TfrmMain::TfrmMain(const TMainWindowOptions& options, QWidget* parent)
    : QMainWindow(parent),
      FRuntime(options.Dialup),
      FOptions(options),
      FReceiver(std::make_unique<TMessageReceiver>()) {
  InitAppResources();
  setObjectName("frmMain");
  setWindowTitle(kApplicationTitle);
  setWindowIcon(ApplicationIcon());
  if (QApplication::windowIcon().isNull()) QApplication::setWindowIcon(ApplicationIcon());
  FStore.SetLazyWrite(true);

  FIntercept = std::make_unique<TShutDownItercept>(nullptr, options.Session);
  FCountdown = std::make_unique<TShutDownCountdown>(FStore, *FIntercept);
  FDesktop =
      std::make_unique<TDesktopSession>(options.LoginManager ? options.LoginManager() : nullptr);

  WriteFirstRunDefaults(FStore, options.ProgramPath);

  CreateActions();
  CreateWidgets();
  CreateMenus();
  CreateToolBar();
  CreateTray();
  FOnline = std::make_unique<TOnlineWindows>(FRuntime, *FTray);
  FOnline->OnRegistered = [this] { RefreshList(); };
  // After a dial the main window comes back to the front, unless it was minimised.
  FOnline->OnDialConnected = [this] {
    if (isVisible() && !isMinimized()) {
      raise();
      activateWindow();
    }
  };

  FReceiver->OnMessage = [this](const TMessage& message) { HandleMessage(message); };
  FCaptureError.OnCapture = [this](TCaptureError&, const std::string& text) {
    ShowStatus(2, text);
  };
  FClock.SetCaptureError(&FCaptureError);
  FQueue->OnCheckSetup = [this] { CheckSetup(); };
  FQueue->OnRefreshList = [this] { RefreshList(); };
  FQueue->OnStopAnimation = [this] { FTray->SetAnimate(false); };
  FQueue->OnRunBackup = [this](const std::string& name) { return RunBackupWindow(name); };
  FRuntime.OnOpening = [this](TWorkKind kind, bool) {
    FTray->SetAnimate(true);
    FOnline->Opening(kind);
    if (OnTransferOpening) OnTransferOpening(kind);
  };
  FRuntime.OnRetriesStopped = [this](TWorkKind, const std::string& line) {
    ShowStatus(2, line);
    Notify(kApplicationTitle, line, true);
  };
  FHost->OnLine = [this](TWorkKind kind, const std::string& line) {
    ShowStatus(2, line);
    FOnline->Line(kind, line);
  };
  FRuntime.OnTransferClosed = [this](TWorkKind kind, bool success) {
    TransferClosed(kind, success);
  };
  FIntercept->OnShutDown = [this](TShutDownItercept&, bool& allow) { AskBeforeShutDown(allow); };
  FCountdown->OnClose = [this](TShutDownCountdown&, bool ended) { CountdownClosed(ended); };
  FDesktop->OnResumed = [this] { FRuntime.Resumed(); };
  FDesktop->OnError = [this](const std::string& text) { ShowStatus(2, text); };
  FShutdownPoll.setInterval(3000);
  connect(&FShutdownPoll, &QTimer::timeout, this,
          [this] { FReceiver->Post(WM_USER + messages::TWM_SHUTDOWNPOLL); });
  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
    if (!FIntercept->QueryEndSession()) manager.cancel();
  });

  LoadWindowSettings();
  LoadSchedulesNow();
  FTree->expandAll();
  RestoreGeometry();
  SelectNode("Outbox");
}

TfrmMain::~TfrmMain() {
  KeepGeometry();
  // The runtime outlives this body: nothing it does while it goes may reach the widgets.
  FShutdownPoll.stop();
  FReceiver->OnMessage = nullptr;
  FClock.SetActive(false);
  FRuntime.OnOpening = nullptr;
  FRuntime.OnTransferClosed = nullptr;
  FRuntime.OnRetriesStopped = nullptr;
  FQueue->OnCheckSetup = nullptr;
  FQueue->OnRefreshList = nullptr;
  FQueue->OnStopAnimation = nullptr;
  FQueue->OnRunBackup = nullptr;
  FHost->OnLine = nullptr;
  FCaptureError.OnCapture = nullptr;
  FDesktop.reset();
  FOnline.reset();
}

TfrmLogs* TfrmMain::LogWindow() const {
  return FLogs;
}

TfrmShutDown* TfrmMain::ShutDownWindow() const {
  return FShutDown;
}

void TfrmMain::CreateActions() {
  for (int i = 0; i < kMainCommandCount; ++i) {
    const auto command = static_cast<TMainCommand>(i);
    const TCommandInfo& info = CommandInfo(command);
    auto* action = new QAction(QString::fromUtf8(info.Caption), this);
    action->setObjectName(info.Name);
    if (*info.Hint) {
      action->setStatusTip(QString::fromUtf8(info.Hint));
      action->setToolTip(QString::fromUtf8(info.Hint));
    }
    if (*info.Shortcut) action->setShortcut(QKeySequence(QString::fromUtf8(info.Shortcut)));
    if (*info.Icon) action->setIcon(CommandIcon(info.Icon));
    connect(action, &QAction::triggered, this, [this, command] { Run(command); });
    FActions[command] = action;
  }
  for (TMainCommand toggle :
       {mcStandardButtons, mcTextLabels, mcBackupFiles, mcNotifications, mcLogs})
    FActions[toggle]->setCheckable(true);
  FActions[mcNotifications]->setChecked(NotificationsOn(FStore));
  // Shortcuts that also act while the list has the focus are the window's; Del and Ins belong
  // to the list alone (handled in eventFilter).
  for (QAction* action : FActions)
    addAction(action);
}

void TfrmMain::CreateWidgets() {
  FTree = new QTreeWidget;
  FTree->setObjectName("tvFolders");
  FTree->setHeaderHidden(true);
  FTree->setRootIsDecorated(true);
  QTreeWidgetItem* parents[2] = {nullptr, nullptr};
  for (size_t i = 0; i < kTreeNodes.size(); ++i) {
    const TTreeNode& node = kTreeNodes[i];
    auto* item = new QTreeWidgetItem(QStringList(QString::fromUtf8(node.Caption)));
    item->setData(0, Qt::UserRole, static_cast<int>(i));
    item->setIcon(0, FolderIcon(node.Caption));
    if (node.Level == 0) {
      FTree->addTopLevelItem(item);
      parents[0] = item;
    } else {
      parents[0]->addChild(item);
    }
  }
  (void)parents;
  connect(FTree, &QTreeWidget::currentItemChanged, this, [this] { NodeSelected(); });

  FList = new QTreeWidget;
  FList->setObjectName("lvBackups");
  FList->setRootIsDecorated(false);
  FList->setUniformRowHeights(true);
  FList->setSelectionMode(QAbstractItemView::SingleSelection);
  FList->setContextMenuPolicy(Qt::CustomContextMenu);
  FList->installEventFilter(this);
  connect(FList, &QTreeWidget::itemSelectionChanged, this, [this] {
    UpdateCommandStates();
    ShowSessionFiles();
  });
  connect(FList, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
    if (!FFilling && FView == cvSentItems && column == 0)
      ToggleRestoreRequest(item, item->checkState(0) == Qt::Checked);
  });
  connect(FList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    if (FView == cvSentItems)
      item->setCheckState(0, item->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  });
  connect(FList, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { FListMenu->popup(FList->viewport()->mapToGlobal(at)); });

  FSessionFiles = new TfrmSession(FStore, smViewer);
  FSessionFiles->hide();

  FListSplitter = new QSplitter(Qt::Vertical);
  FListSplitter->setObjectName("splList");
  FListSplitter->addWidget(FList);
  FListSplitter->addWidget(FSessionFiles);
  FListSplitter->setStretchFactor(0, 2);
  FListSplitter->setStretchFactor(1, 1);

  FSplitter = new QSplitter(Qt::Horizontal);
  FSplitter->setObjectName("splMain");
  FSplitter->addWidget(FTree);
  FSplitter->addWidget(FListSplitter);
  FSplitter->setStretchFactor(1, 1);
  FSplitter->setSizes({170, 630});
  setCentralWidget(FSplitter);

  const char* panelNames[3] = {"sbItems", "sbRequested", "sbError"};
  for (int i = 0; i < 3; ++i) {
    FPanels[i] = new QLabel;
    FPanels[i]->setObjectName(panelNames[i]);
    FPanels[i]->setMinimumWidth(i == 2 ? 260 : 150);
    statusBar()->addWidget(FPanels[i], i == 2 ? 1 : 0);
  }
  resize(820, 480);
}

void TfrmMain::CreateMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = bar->addMenu("&File");
  file->setObjectName("mnuFile");
  file->addActions({FActions[mcDelete], FActions[mcUndo]});
  file->addSeparator();
  file->addActions({FActions[mcExtract], FActions[mcMoveToSentItems], FActions[mcClearCache]});
  file->addSeparator();
  file->addAction(FActions[mcExit]);

  QMenu* actions = bar->addMenu("&Actions");
  actions->setObjectName("mnuActions");
  QMenu* online = actions->addMenu("&Vaultora");
  online->setObjectName("mnuVaultora");
  online->addAction(FActions[mcSendReceive]);
  online->addSeparator();
  online->addActions({FActions[mcSendOnly], FActions[mcReceiveOnly], FActions[mcDeleteOnly]});
  actions->addSeparator();
  actions->addAction(FActions[mcBackup]);
  actions->addAction(FActions[mcRestore]);
  actions->addSeparator();
  actions->addAction(FActions[mcSchedule]);
  actions->addAction(FActions[mcDownloadSettings]);

  QMenu* setup = bar->addMenu("&Setup");
  setup->setObjectName("mnuSetup");
  setup->addActions({FActions[mcConnection], FActions[mcOptions]});
  setup->addSeparator();
  setup->addAction(FActions[mcNotifications]);

  QMenu* view = bar->addMenu("&View");
  view->setObjectName("mnuView");
  QMenu* toolbar = view->addMenu("&Toolbar");
  toolbar->setObjectName("mnuToolbar");
  toolbar->addActions({FActions[mcStandardButtons], FActions[mcTextLabels]});
  view->addSeparator();
  view->addActions({FActions[mcLogs], FActions[mcBackupFiles]});

  QMenu* help = bar->addMenu("&Help");
  help->setObjectName("mnuHelp");
  help->addAction(FActions[mcHelpContents]);
  help->addSeparator();
  help->addAction(FActions[mcAbout]);

  FListMenu = new QMenu(this);
  FListMenu->setObjectName("pmBackups");
  FListMenu->addActions({FActions[mcBackup], FActions[mcRestore]});
  FListMenu->addSeparator();
  FListMenu->addAction(FActions[mcSendReceive]);
  FListMenu->addSeparator();
  FListMenu->addActions({FActions[mcDelete], FActions[mcUndo]});
  FListMenu->addSeparator();
  FListMenu->addActions({FActions[mcExtract], FActions[mcMoveToSentItems], FActions[mcClearCache]});
}

void TfrmMain::CreateToolBar() {
  FToolBar = addToolBar("Standard Buttons");
  FToolBar->setObjectName("tbStandard");
  FToolBar->setMovable(false);
  FToolBar->addAction(FActions[mcBackup]);
  FToolBar->addAction(FActions[mcRestore]);
  auto* sendMenu = new QMenu(this);
  sendMenu->setObjectName("pmSendReceive");
  sendMenu->addActions({FActions[mcSendReceive], FActions[mcSendOnly], FActions[mcReceiveOnly],
                        FActions[mcDeleteOnly]});
  FSendReceiveButton = new QToolButton;
  FSendReceiveButton->setObjectName("tbnSendReceive");
  FSendReceiveButton->setDefaultAction(FActions[mcSendReceive]);
  FSendReceiveButton->setMenu(sendMenu);
  FSendReceiveButton->setPopupMode(QToolButton::MenuButtonPopup);
  FToolBar->addWidget(FSendReceiveButton);
  FToolBar->addSeparator();
  FToolBar->addAction(FActions[mcSchedule]);
  FToolBar->addAction(FActions[mcOptions]);
  FToolBar->addSeparator();
  FToolBar->addAction(FActions[mcLogs]);
}

void TfrmMain::CreateTray() {
  FTray = new TAnimatedTrayIcon(this, FOptions.TrayAvailable);
  FTray->SetFrames(TrayFrames());
  FTray->SetInterval(250);
  FTray->SetSeparateIcon(true);
  FTray->SetToolTip(kApplicationTitle);
  FTrayMenu = new QMenu(this);
  FTrayMenu->setObjectName("pmTray");
  QAction* show = FTrayMenu->addAction("&Vaultora");
  show->setObjectName("actTrayShow");
  QFont bold = show->font();
  bold.setBold(true);  // the default item
  show->setFont(bold);
  connect(show, &QAction::triggered, this,
          [this] { FReceiver->Post(WM_USER + messages::TWM_SHOWMAINWINDOW); });
  FTrayMenu->addActions({FActions[mcSchedule], FActions[mcOptions]});
  FTrayMenu->addSeparator();
  FTrayMenu->addActions({FActions[mcSendReceive], FActions[mcBackup]});
  FTray->SetPopupMenu(FTrayMenu);
  FTray->OnClick = [this] { FReceiver->Post(WM_USER + messages::TWM_SHOWMAINWINDOW); };
  FTray->SetActive(true);
}

void TfrmMain::LoadWindowSettings() {
  if (const std::optional<TWindowSettings> settings = ReadWindowSettings(FStore)) {
    FActions[mcStandardButtons]->setChecked(settings->StandardButtons);
    FActions[mcTextLabels]->setChecked(settings->TextLabels);
    FActions[mcBackupFiles]->setChecked(settings->ViewSessionFiles);
    ShowSessionFiles();
    RelayToolBar();
  }
  namespace k = keys::setting;
  if (BaseKey(FStore).SectionExists(keys::kPreferences)) {
    FIntercept->Intercept = ReadSetting(FStore, k::TrapShutDown);
    FIntercept->ForcePowerOff = ReadSetting(FStore, k::ForceStandby);
    if (const std::optional<int32_t> tech = ReadStoredSetting(FStore, k::StandbyTech))
      FIntercept->PowerOffState = *tech == 1 ? POS_RAMALIVE : POS_HIBERNATE;
  }
}

void TfrmMain::RelayToolBar() {
  const bool shown = FActions[mcStandardButtons]->isChecked();
  FToolBar->setVisible(shown);
  FActions[mcTextLabels]->setEnabled(shown);
  // Captions under the buttons; the hints show as tooltips only without them.
  const bool labels = FActions[mcTextLabels]->isChecked();
  FToolBar->setToolButtonStyle(labels ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
  FSendReceiveButton->setToolButtonStyle(FToolBar->toolButtonStyle());
  for (QAction* action : FToolBar->actions())
    if (QWidget* button = FToolBar->widgetForAction(action))
      button->setToolTip(labels ? QString() : action->statusTip());
  FSendReceiveButton->setToolTip(labels ? QString() : FActions[mcSendReceive]->statusTip());
}

void TfrmMain::RestoreGeometry() {
  TKeptGeometry kept(FStore);
  kept.RestoreWindow(*this, "Main");
  kept.RestoreSplitter(*FSplitter, "MainSplitter");
  kept.RestoreSplitter(*FListSplitter, "ListSplitter");
}

void TfrmMain::KeepGeometry() {
  TKeptGeometry kept(FStore);
  kept.KeepWindow(*this, "Main");
  kept.KeepSplitter(*FSplitter, "MainSplitter");
  kept.KeepSplitter(*FListSplitter, "ListSplitter");
  KeepColumns();
}

void TfrmMain::KeepColumns() {
  TKeptGeometry(FStore).KeepColumns(*FList, "Columns" + std::to_string(FView));
}

}  // namespace vaultora
