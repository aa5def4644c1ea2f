#include <sys/stat.h>

#include <algorithm>

#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>

#include "app/runtime/main_messages.h"
#include "app/ui/animated_tray_icon.h"
#include "app/ui/log_files_window.h"
#include "app/ui/main_window_fixture.h"
#include "backupset/ui/creating_backup_window.h"
#include "connect/ui/shutdown_window.h"
#include "platform/folders.h"
#include "platform/log_file.h"
#include "platform/log_files.h"

namespace vaultora::test {
namespace {

using messages::TWM_DOBACKUPNOW;
using messages::TWM_SHUTDOWNPOLL;

// A manual backup set up as the backup wizard leaves it, and a server behind a dial-up line that
// is never dialled (no dial-up facility here): work that is asked for stays armed.
class RunBackupTest : public MainWindowTest {
 protected:
  void SetUp() override {
    WriteTextFile(Profile.Source / "notes.txt", std::string(20000, 'n'));
    const std::string list = Profile.Profile.Home() + "notes.bfl";
    WriteTextFile(list, Profile.Source.Path() + "\r\nnotes.txt\r\n");
    Profile.Store.SetRootKey(rtHKEY_CURRENT_USER);
    Profile.Store.SetFilename(keys::kBaseKey);
    Profile.Store.WriteString(keys::kBackupWizard, keys::wizard::kSession, list);
    Profile.Store.WriteString(keys::kBackupWizard, keys::wizard::kBackupTitle, "Notes");
    Profile.Store.WriteString(keys::kConnection, keys::connection::kHost, "127.0.0.1");
    Open();
    Window->OnTransferOpening = [this](TWorkKind kind) { Opened.push_back(kind); };
  }

  // Runs Backup Now through the Creating Backup window, with the send box as given, and
  // presses Ok when the run has finished.
  void BackupNow(bool send) {
    Window->OnCreatingBackupShown = [this, send](QWidget& shown) {
      auto& window = static_cast<TfrmCreatingBackup&>(shown);
      window.findChild<QCheckBox*>("cbSendWhenCompleted")->setChecked(send);
      QObject::connect(&window, &TfrmCreatingBackup::RunFinished, &window,
                       [this, &window](bool succeeded) {
                         Succeeded = succeeded;
                         Title = window.LabelText(btTitle);
                         Status = window.LabelText(btStatus);
                         window.findChild<QPushButton*>("btnOk")->click();
                       });
    };
    Window->Receiver().Post(WM_USER + TWM_DOBACKUPNOW);
    Deliver();
  }

  std::vector<TWorkKind> Opened;
  bool Succeeded = false;
  QString Title, Status;
};

TEST_F(RunBackupTest, TheBackupRunsInItsWindowAndSendAndReceiveFollowsWhenTicked) {
  BackupNow(true);
  EXPECT_TRUE(Succeeded);
  EXPECT_EQ(Title, "Backup Title: Notes");
  EXPECT_EQ(Status, "Backup finished");
  EXPECT_EQ(Window->CreatingBackupWindow(), nullptr);
  // Send & Receive ran: the upload waits for the line.
  EXPECT_TRUE(Window->Queue().Entry(wkSend).Enabled);
  EXPECT_TRUE(Opened.empty());
  Window->SelectNode("Outbox");
  ASSERT_EQ(List().topLevelItemCount(), 1);
  EXPECT_EQ(Row(0)->text(0), "Notes");
  EXPECT_NE(ReadLogText(0).find("Backup Title: Notes"), std::string::npos);
}

TEST_F(RunBackupTest, AnUntickedBoxLeavesTheBackupInTheOutbox) {
  BackupNow(false);
  EXPECT_TRUE(Succeeded);
  EXPECT_FALSE(Window->Runtime().WorkLeftArmed());
  Window->SelectNode("Outbox");
  EXPECT_EQ(List().topLevelItemCount(), 1);
}

TEST_F(RunBackupTest, AFailedBackupTellsTheDesktopUnlessSwitchedOff) {
  Profile.Store.SetRootKey(rtHKEY_CURRENT_USER);
  Profile.Store.SetFilename(keys::kBaseKey);
  Profile.Store.WriteString(keys::kBackupWizard, keys::wizard::kSession,
                            Profile.Profile.Home() + "missing.bfl");
  Window->OnCreatingBackupShown = [](QWidget& shown) {
    auto& window = static_cast<TfrmCreatingBackup&>(shown);
    QObject::connect(&window, &TfrmCreatingBackup::RunFinished, &window,
                     [&window] { window.findChild<QPushButton*>("btnCancel")->click(); });
  };
  Window->Receiver().Post(WM_USER + TWM_DOBACKUPNOW);
  Deliver();
  EXPECT_EQ(Window->Tray().LastMessage().left(15), "Backup failed: ");
  Window->Action(mcNotifications)->trigger();  // off
  Window->Tray().ShowMessage("", "", false);
  Window->Receiver().Post(WM_USER + TWM_DOBACKUPNOW);
  Deliver();
  EXPECT_EQ(Window->Tray().LastMessage(), ": ");
}

TEST_F(RunBackupTest, ARunThatCouldNotTakeEveryFileSaysItIsIncomplete) {
  ASSERT_EQ(mkfifo((Profile.Source / "pipe").c_str(), 0600), 0);
  WriteTextFile(Profile.Profile.Home() + "notes.bfl",
                Profile.Source.Path() + "\r\nnotes.txt\r\npipe\r\n");
  BackupNow(false);
  ASSERT_TRUE(Succeeded);  // recorded, with what could be taken
  EXPECT_EQ(Status, "Backup incomplete, 1 file(s) could not be taken");
  EXPECT_EQ(Panel("sbError").toStdString(),
            "Backup incomplete, 1 file(s) could not be taken: each file is named in the Creating "
            "Backup lines and the backup log.");
  EXPECT_TRUE(Window->Tray().LastMessage().startsWith("Backup incomplete: "));
}

TEST_F(RunBackupTest, CancelStopsTheRunAndRemovesWhatItMade) {
  Window->OnCreatingBackupShown = [](QWidget& shown) {
    auto& window = static_cast<TfrmCreatingBackup&>(shown);
    // Cancel at the first progress of the build, as a user pressing the button would.
    auto showLine = window.Run().OnLine;
    window.Run().OnLine = [&window, showLine](TBackupLineTag tag, const std::string& text) {
      showLine(tag, text);
      if (tag == btCurrentFile && !window.Run().Cancelled())
        window.findChild<QPushButton*>("btnCancel")->click();
    };
    QObject::connect(&window, &TfrmCreatingBackup::RunFinished, &window, [&window](bool ok) {
      EXPECT_FALSE(ok);
      const TStringList& lines = window.Run().Lines();
      EXPECT_NE(std::find(lines.begin(), lines.end(), "Backup Stopped."), lines.end());
      if (auto* close = window.findChild<QPushButton*>("btnCancel")) close->click();  // "Close"
    });
  };
  Window->Receiver().Post(WM_USER + TWM_DOBACKUPNOW);
  Deliver();
  EXPECT_FALSE(Window->Runtime().WorkLeftArmed());
  EXPECT_TRUE(TCatalogue(Profile.Store).Ids().empty());
}

TEST_F(MainWindowTest, TheLogWindowListsShowsAndClearsTheLogs) {
  Open();
  WriteTextFile(LogFilePath(kBackupLog), "**** a run ****\r\nBackup finished\r\n");
  WriteTextFile(LogFilePath(kDeleteLog), "**** a delete ****\r\n");
  Window->Action(mcLogs)->trigger();
  TfrmLogs* logs = Window->LogWindow();
  ASSERT_NE(logs, nullptr);
  EXPECT_TRUE(Window->Action(mcLogs)->isChecked());
  auto* list = logs->findChild<QListWidget*>("lbLogs");
  ASSERT_EQ(list->count(), 7);
  EXPECT_EQ(list->item(2)->text(), "Internet Backups");
  EXPECT_FALSE(logs->findChild<QAction*>("actClear")->isEnabled());
  logs->SelectLog(0);
  EXPECT_EQ(logs->ViewText(), "**** a run ****\nBackup finished\n");
  EXPECT_TRUE(logs->findChild<QAction*>("actClear")->isEnabled());
  logs->SelectLog(1);
  EXPECT_EQ(logs->ViewText(), "");  // no such file yet

  logs->SelectLog(0);
  Prompts.Answer(false);
  logs->findChild<QAction*>("actClear")->trigger();
  EXPECT_TRUE(FileExists(LogFilePath(kBackupLog)));
  Prompts.Answer(true);
  logs->findChild<QAction*>("actClear")->trigger();
  EXPECT_FALSE(FileExists(LogFilePath(kBackupLog)));
  EXPECT_EQ(logs->ViewText(), "");

  logs->SelectLog(6);
  Prompts.Answer(true);
  logs->findChild<QAction*>("actClearLogs")->trigger();
  EXPECT_FALSE(FileExists(LogFilePath(kDeleteLog)));
  EXPECT_EQ(logs->ViewText(), "");
  EXPECT_EQ(Prompts.Texts().back(), kClearLogsQuestion);

  const std::string saved = Profile.Profile.Home() + "saved.txt";
  WriteTextFile(LogFilePath(kRestoreLog), "restored\r\n");
  logs->SelectLog(1);
  logs->OnAskSaveFileName = [&saved] { return saved; };
  logs->Save();
  EXPECT_EQ(ReadTextFile(saved), "restored\n");
  EXPECT_EQ(Prompts.Texts().back(), kLogSavedText);

  logs->close();
  Deliver();
  EXPECT_EQ(Window->LogWindow(), nullptr);
  EXPECT_FALSE(Window->Action(mcLogs)->isChecked());
}

class ShutDownFlowTest : public MainWindowTest {
 protected:
  void SetUp() override {
    SetPreference(keys::preferences::kTrapShutDown, true);
    Profile.Store.SetRootKey(rtHKEY_CURRENT_USER);
    Profile.Store.SetFilename(keys::kBaseKey);
    Profile.Store.WriteInteger(keys::kPreferences, keys::preferences::kShutdownTimeout, 3);
    Profile.Store.WriteInteger(keys::kPreferences, keys::preferences::kShutDownWin, scShutDown);
    Open();
    Window->OnModalDialog = [this](QDialog& dialog) {
      if (dialog.objectName() == "frmBackupWizard") ++WizardRuns;
    };
  }
  int WizardRuns = 0;
};

TEST_F(ShutDownFlowTest, NoLetsTheSessionEndAtOnce) {
  Prompts.Answer(false);
  EXPECT_TRUE(Window->Intercept().QueryEndSession());
  Deliver();
  EXPECT_EQ(Prompts.Texts(), std::vector<std::string>{
                                 "You are not protected until you backup your data. Backup your "
                                 "data now?"});
  EXPECT_EQ(WizardRuns, 0);
  EXPECT_FALSE(Window->ShutdownPollRunning());
  EXPECT_TRUE(Session.Calls.empty());  // no lock: the session ends now
}

TEST_F(ShutDownFlowTest, TheWakeFromASleepReachesTheMissedSchedules) {
  const TDateTime before = Window->Runtime().MissedNotBefore();
  static_cast<TRecordingLoginManager*>(Window->Desktop().Manager())->OnPrepareForSleep(false);
  EXPECT_GT(Window->Runtime().MissedNotBefore(), before);
}

TEST_F(ShutDownFlowTest, YesBacksUpThenPollsThenCountsDownAndShutsDown) {
  Profile.Backup("46000.1", {{"a.txt", "alpha"}}, "", true);  // work waits to be sent
  Prompts.Answer(true);
  EXPECT_FALSE(Window->Intercept().QueryEndSession());
  Deliver();
  EXPECT_EQ(WizardRuns, 1);
  EXPECT_TRUE(Window->ShutdownPollRunning());
  EXPECT_TRUE(Window->Desktop().HoldingShutDown());  // nothing else shuts down under the backup

  // A transfer is armed for the waiting work: the poll goes on.
  Window->Queue().Entry(wkSend).Enabled = true;
  Window->Receiver().Post(WM_USER + TWM_SHUTDOWNPOLL);
  Deliver();
  EXPECT_EQ(Window->ShutDownWindow(), nullptr);
  EXPECT_TRUE(Window->ShutdownPollRunning());

  // The work is done.
  Window->Queue().Entry(wkSend).Enabled = false;
  TCatalogue(Profile.Store).MarkSent("46000.1");
  Window->Receiver().Post(WM_USER + TWM_SHUTDOWNPOLL);
  Deliver();
  TfrmShutDown* countdown = Window->ShutDownWindow();
  ASSERT_NE(countdown, nullptr);
  EXPECT_FALSE(Window->ShutdownPollRunning());
  EXPECT_TRUE(countdown->Option(scShutDown)->isChecked());
  EXPECT_EQ(countdown->SecondsText(), "3");
  EXPECT_EQ(countdown->CountdownLabel(), "Seconds till shut down.");
  countdown->Option(scRestart)->click();
  EXPECT_EQ(countdown->CountdownLabel(), "Seconds till restart.");
  countdown->findChild<QPushButton*>("btnOk")->click();
  Deliver();
  // The lock goes before the action, which it would refuse.
  EXPECT_EQ(Session.Calls, (std::vector<std::string>{"lock shutdown:sleep block",
                                                     "release shutdown:sleep", "end 82"}));
  EXPECT_FALSE(Window->isVisible());
}

TEST_F(ShutDownFlowTest, CancelClearsTheChoiceAndKeepsTheProgram) {
  Prompts.Answer(true);
  Window->Intercept().QueryEndSession();
  Deliver();
  Window->Receiver().Post(WM_USER + TWM_SHUTDOWNPOLL);
  Deliver();
  ASSERT_NE(Window->ShutDownWindow(), nullptr);
  Window->ShutDownWindow()->findChild<QPushButton*>("btnCancel")->click();
  Deliver();
  EXPECT_EQ(Window->ShutDownWindow(), nullptr);
  EXPECT_TRUE(Window->Intercept().SelectedShutDown.Empty());
  EXPECT_FALSE(Window->Desktop().HoldingShutDown());
  EXPECT_EQ(Session.Calls,
            (std::vector<std::string>{"lock shutdown:sleep block", "release shutdown:sleep"}));
}

TEST_F(MainWindowTest, WithoutTrapShutDownTheSessionEndsUnasked) {
  SetPreference(keys::preferences::kTrapShutDown, false);
  Open();
  EXPECT_TRUE(Window->Intercept().QueryEndSession());
  EXPECT_TRUE(Prompts.Shown().empty());
}

}  // namespace
}  // namespace vaultora::test
