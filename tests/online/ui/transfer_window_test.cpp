// The transfer windows over real runs against vaultora-server: the order of Send & Receive, the
// close rules, Stop and resume, closing a window mid-run, the 52-line list, and the download's
// server-side outcomes.
#include <QCheckBox>
#include <QLabel>

#include <cstdio>

#include "app/runtime/main_messages.h"
#include "app/ui/animated_tray_icon.h"
#include "catalogue/catalogue.h"
#include "online/runtime/transfer_session.h"
#include "online/ui/transfer_window_fixture.h"
#include "platform/folders.h"
#include "platform/log_file.h"
#include "settings/error_marks.h"

namespace vaultora::test {
namespace {

TEST_F(TransferWindowsTest, SendAndReceiveRunsDeleteSendReceiveEachInAWindowThatClosesByItself) {
  UseLAN();
  const std::string gone = MakeBackup("Old", 2000, 46000.25);
  const std::string fetched = MakeBackup("Wanted", 3000, 46001.25);
  Open();
  Trigger(mcSendOnly);
  ASSERT_TRUE(RunToIdle());
  ASSERT_EQ(Opened, std::vector<TWorkKind>{wkSend});
  EXPECT_EQ(Transfer(wkSend), nullptr) << "a run without an error mark closes its window";

  TCatalogue(*FStore).MarkDeleted(gone);
  std::remove(ArchiveOf(fetched).c_str());
  Window->RestoreList().push_back(fetched);
  MakeBackup("New", 4000, 46002.25);
  Opened.clear();
  ShownOnOpening.clear();
  Trigger(mcSendReceive);
  ASSERT_TRUE(RunToIdle());
  EXPECT_EQ(Opened, (std::vector<TWorkKind>{wkDelete, wkSend, wkReceive}));
  EXPECT_EQ(ShownOnOpening, (std::vector<bool>{true, true, true}));
  for (TWorkKind kind : {wkDelete, wkSend, wkReceive})
    EXPECT_EQ(Transfer(kind), nullptr) << "kind " << kind;
  EXPECT_FALSE(TCatalogue(*FStore).Exists(gone));
  EXPECT_FALSE(Bytes(ArchiveOf(fetched)).empty());
}

TEST_F(TransferWindowsTest, AServerThatIsDownLeavesTheUploadWindowOpenAndStopsTheRetries) {
  UseLAN();
  SetFlag(keys::preferences::kAutoReconnect);
  MakeBackup("Unsent", 5000, 46003.25);
  FServer.Kill();
  Open();
  Trigger(mcSendReceive);
  ASSERT_TRUE(RunToIdle());
  TfrmTransfer* window = Transfer(wkSend);
  ASSERT_NE(window, nullptr) << "a run with an error mark keeps its window";
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(Button(window, "btnStop")->text(), "Close");
  EXPECT_TRUE(Button(window, "btnStop")->isEnabled());
  EXPECT_FALSE(Button(window, "btnHide")->isEnabled());
  EXPECT_TRUE(Lines(window).contains("Online backup closed"));
  EXPECT_TRUE(ErrorMarked(*FStore, keys::kBackupErrors));
  RunUntil([] { return false; }, 300);
  EXPECT_EQ(Opened, std::vector<TWorkKind>{wkSend}) << "no automatic retry with a mark";

  // The next command clears the mark and sends, in the same window.
  FServer.Start();
  Trigger(mcSendOnly);
  ASSERT_TRUE(RunUntil([this] { return Opened.size() == 2; }));
  EXPECT_EQ(Transfer(wkSend), window);
  EXPECT_EQ(Button(window, "btnStop")->text(), "Stop");
  ASSERT_TRUE(RunToIdle());
  EXPECT_EQ(Opened, (std::vector<TWorkKind>{wkSend, wkSend}));
  EXPECT_EQ(Transfer(wkSend), nullptr);
}

TEST_F(TransferWindowsTest, StopMarksTheUserStopAndTheNextSendResumesWhereTheServerStopped) {
  UseLAN();
  SetPreference(keys::preferences::kBandwidthLimit, 2048);
  const int64_t size = 3 << 20;
  const std::string entry = MakeBackup("Large", size, 46004.25);
  const std::vector<uint8_t> original = Bytes(ArchiveOf(entry));
  Open();
  Trigger(mcSendOnly);
  ASSERT_TRUE(RunUntil([this] { return SendProgress() > 20; }));
  TfrmTransfer* window = Transfer(wkSend);
  ASSERT_NE(window, nullptr);
  Button(window, "btnStop")->click();
  // "Stopping" until the run has closed, which may already be the case.
  EXPECT_NE(Button(window, "btnStop")->text(), "Stop");
  ASSERT_TRUE(RunToIdle());
  EXPECT_TRUE(Marked(keys::kBackupErrors, keys::errors::kUserStoppedBackup));
  EXPECT_EQ(Button(window, "btnStop")->text(), "Close");
  EXPECT_EQ(Lines(window).back().toStdString(), kResumeSendLine);
  const TCatalogueEntry stopped = TCatalogue(*FStore).Entry(entry);
  ASSERT_TRUE(stopped.HasSendPosition);
  EXPECT_GT(stopped.SendPosition, 0);
  EXPECT_LT(stopped.SendPosition, size);

  // The next run starts from what the server holds, not from the beginning.
  double firstProgress = -1;
  Trigger(mcSendOnly);
  ASSERT_TRUE(RunUntil([&] {
    if (firstProgress < 0 && SendProgress() > 0) firstProgress = SendProgress();
    return Window->Runtime().Idle();
  }));
  RunToIdle();
  EXPECT_GE(firstProgress, 100.0 * stopped.SendPosition / static_cast<double>(size) - 1);
  EXPECT_FALSE(TCatalogue(*FStore).Entry(entry).NeedToSend);
  EXPECT_EQ(Transfer(wkSend), nullptr);

  // What the server holds is the whole archive.
  Window->RestoreList().push_back(entry);
  SetPreference(keys::preferences::kBandwidthLimit, 0);
  Trigger(mcReceiveOnly);
  ASSERT_TRUE(RunToIdle());
  EXPECT_EQ(Bytes(ArchiveOf(entry)), original);
}

TEST_F(TransferWindowsTest, ClosingTheWindowMidUploadLeavesTheRunToFinishWithItsOwnHandlers) {
  UseLAN();
  SetPreference(keys::preferences::kBandwidthLimit, 8192);
  SetFlag(keys::preferences::kKeepLogFiles);
  const std::string entry = MakeBackup("Twenty", 20 << 20, 46005.25);
  Open();
  Trigger(mcSendOnly);
  ASSERT_TRUE(RunUntil([this] { return SendProgress() > 5; }));
  Transfer(wkSend)->close();
  RunUntil([] { return false; }, 50);
  EXPECT_EQ(Transfer(wkSend), nullptr) << "the closed window is freed";
  const std::string log = LogFilePath("InternetBackup.log");
  EXPECT_NE(ReadTextFile(log).find("Transfering Twenty"), std::string::npos)
      << "closing the window writes the lines kept so far";
  EXPECT_TRUE(Window->Host().Running(wkSend)) << "the run goes on without its window";
  // Nothing but speed changes once the window is gone: lift the limit so the test ends soon.
  SetPreference(keys::preferences::kBandwidthLimit, 0);
  ASSERT_TRUE(RunToIdle(30000));
  EXPECT_FALSE(TCatalogue(*FStore).Entry(entry).NeedToSend) << "the upload went to its end";
  TBaseOnlineTransfer& upload = Window->Host().Component(wkSend);
  EXPECT_FALSE(upload.OnTransferProgress) << "the component has its own handlers back";
  EXPECT_FALSE(upload.OnStatus);
  EXPECT_NE(ReadTextFile(log).find("Online backup closed"), std::string::npos)
      << "the run's own close writes the rest";
}

TEST_F(TransferWindowsTest, ASecondSendWhileTheWindowShowsRestartsItInsteadOfASecondWindow) {
  UseLAN();
  SetPreference(keys::preferences::kBandwidthLimit, 2048);
  MakeBackup("Twice", 2 << 20, 46011.25);
  Open();
  Trigger(mcSendOnly);
  ASSERT_TRUE(RunUntil([this] { return SendProgress() > 0; }));
  TfrmTransfer* window = Transfer(wkSend);
  Trigger(mcSendOnly);
  ASSERT_TRUE(RunUntil([this] { return Opened.size() == 2; }));
  EXPECT_EQ(Transfer(wkSend), window) << "the same window";
  SetPreference(keys::preferences::kBandwidthLimit, 0);
  int completions = 0;
  auto mainWindows = Window->Runtime().OnTransferClosed;
  Window->Runtime().OnTransferClosed = [&](TWorkKind kind, bool success) {
    completions += success;
    mainWindows(kind, success);
  };
  ASSERT_TRUE(RunToIdle());
  EXPECT_EQ(completions, 1) << "one run, restarted in its window";
  EXPECT_EQ(Transfer(wkSend), nullptr);
  EXPECT_EQ(Opened, (std::vector<TWorkKind>{wkSend, wkSend}));
}

TEST_F(TransferWindowsTest, TheFiftySecondLineClearsTheListFirst) {
  UseLAN();
  SetPreference(keys::preferences::kBandwidthLimit, 256);
  MakeBackup("Slow", 1 << 20, 46006.25);
  Open();
  Trigger(mcSendOnly);
  ASSERT_TRUE(RunUntil([this] { return SendProgress() > 0; }));
  TTransferSession* session = Window->Host().Session(wkSend);
  TfrmTransfer* window = Transfer(wkSend);
  ASSERT_NE(session, nullptr);
  while (session->Lines().size() < 52)
    session->Status("line " + std::to_string(session->Lines().size()));
  EXPECT_EQ(Lines(window).size(), 52);
  session->Status("the next one");
  EXPECT_EQ(Lines(window), QStringList{"the next one"});
  Button(window, "btnStop")->click();
  ASSERT_TRUE(RunToIdle());
}

TEST_F(TransferWindowsTest, TheDownloadWindowReportsEachServerSideOutcomeWithItsMark) {
  UseLAN();
  const std::string stored = MakeBackup("Archived", 2000, 46007.25);
  const std::string never = MakeBackup("Never sent", 2000, 46008.25);
  Open();
  // "Archived" reaches the server and is then moved into storage by the administrator.
  TCatalogue catalogue(*FStore);
  catalogue.MarkSent(never);
  Trigger(mcSendOnly);
  ASSERT_TRUE(RunToIdle());
  QProcess admin;
  admin.start(VAULTORA_SERVER_PATH, {"backup", "to-storage", "ann",
                                     QString::fromStdString(ReplaceAll(stored, ".", "_")) + ".BFE",
                                     "--storage", QString::fromStdString(FServer.Storage())});
  ASSERT_TRUE(admin.waitForFinished(10000));
  ASSERT_EQ(admin.exitCode(), 0) << admin.readAllStandardError().toStdString();

  Window->RestoreList() = {stored, never, "46009.25"};
  Trigger(mcReceiveOnly);
  ASSERT_TRUE(RunToIdle());
  TfrmTransfer* window = Transfer(wkReceive);
  ASSERT_NE(window, nullptr) << "the marks keep the window open";
  const QStringList lines = Lines(window);
  EXPECT_TRUE(
      lines.contains("\"Archived\" has been put in storage,a request for this backup has "
                     "been logged for you"))
      << lines.join("\n").toStdString();
  EXPECT_TRUE(lines.contains("\"Never sent\" could not be downloaded from the server"));
  EXPECT_TRUE(
      lines.contains("\"46009.25\" is not registered on this machine, try updating the "
                     "registered backup list"));
  for (const char* mark : {keys::errors::kBackupInStorage, keys::errors::kBackupNotOnServer,
                           keys::errors::kBackupNotRegisterd})
    EXPECT_TRUE(Marked(keys::kRestoreErrors, mark)) << mark;
  Button(window, "btnStop")->click();
  RunToIdle();
  EXPECT_EQ(Transfer(wkReceive), nullptr) << "Close closes it";
}

TEST_F(TransferWindowsTest, TheWindowShowsTheConnectionSpeedAndTheDisconnectChoice) {
  UseLAN();
  SetPreference(keys::preferences::kBandwidthLimit, 1024);
  MakeBackup("Measured", 1 << 20, 46010.25);
  Open();
  Trigger(mcSendOnly);
  ASSERT_TRUE(RunUntil([this] { return SendProgress() > 40; }));
  TfrmTransfer* window = Transfer(wkSend);
  window->Refresh();
  EXPECT_EQ(window->findChild<QLabel*>("lblConnection")->text(), " LAN Server : 127.0.0.1");
  EXPECT_EQ(window->findChild<QLabel*>("lblStatus")->text(), "Measured");
  EXPECT_TRUE(window->findChild<QLabel*>("lblPercent")->text().endsWith("of 1.00 MB"));
  const QString rate = window->findChild<QLabel*>("lblRate")->text();
  EXPECT_TRUE(rate.contains(" MB/s, ") && rate.endsWith(" left")) << rate.toStdString();
  EXPECT_TRUE(window->Animating());
  EXPECT_TRUE(Window->Tray().ToolTip().startsWith("Vaultora - Sending "))
      << Window->Tray().ToolTip().toStdString();
  window->findChild<QCheckBox*>("cbDisconnect")->setChecked(true);
  EXPECT_TRUE(Marked(keys::kPreferences, keys::preferences::kDisConWhenFin));
  window->findChild<QCheckBox*>("cbDisconnect")->setChecked(false);
  EXPECT_FALSE(Marked(keys::kPreferences, keys::preferences::kDisConWhenFin));
  Button(window, "btnHide")->click();
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(Window->Host().Running(wkSend)) << "hiding does not stop the run";
  Window->Receiver().Post(WM_USER + messages::TWM_SHOWMAINWINDOW);
  RunUntil([window] { return window->isVisible(); }, 2000);
  EXPECT_TRUE(window->isVisible()) << "bringing the program back shows the running transfer";
  ASSERT_TRUE(RunToIdle());
  EXPECT_EQ(Transfer(wkSend), nullptr);
}

}  // namespace
}  // namespace vaultora::test
