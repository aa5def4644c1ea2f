#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QToolBar>
#include <QtTest/QTest>

#include "app/runtime/main_messages.h"
#include "app/ui/animated_tray_icon.h"
#include "app/ui/main_window_fixture.h"
#include "backupset/catalogue_commands.h"
#include "controls/text_rows_model.h"
#include "platform/folders.h"
#include "selection/file_list.h"
#include "selection/ui/session_window.h"
#include "settings/autostart_entry.h"
#include "settings/preferences.h"

namespace vaultora::test {
namespace {

const TFileContents kFiles = {{"a.txt", "alpha"}, {"b.txt", "beta"}};

// One entry in each view: to send, in the inbox, on the server, being received, deleted.
class CatalogueViewsTest : public MainWindowTest {
 protected:
  void SetUp() override {
    Profile.Backup("46000.1", kFiles, "", true);
    Profile.Backup("46000.2", kFiles);
    Profile.Backup("46000.3", kFiles);
    DeleteFile(Profile.FileOf("46000.3", ".BFE"));
    Profile.Backup("46000.4", kFiles);
    DeleteFile(Profile.FileOf("46000.4", ".BFE"));
    TCatalogue(Profile.Store).WriteReceivePosition("46000.4", 2048);
    Profile.Backup("46000.5", kFiles);
    TCatalogue(Profile.Store).MarkDeleted("46000.5");
    Open();
  }
};

TEST(MainWindowFirstStart, WritesTheDefaultsAndTheAutostartEntry) {
  TTestProfile profile;
  TScriptedPrompts prompts;
  RemoveAutostartEntry();
  {
    TMainWindowOptions options;
    options.ProgramPath = "/opt/vaultora/bin/vaultora";
    TfrmMain window(options);
  }
  TIniRegistryEditor store;
  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetFilename(keys::kBaseKey);
  namespace p = keys::preferences;
  EXPECT_TRUE(store.ReadBool(keys::kPreferences, p::kEnabled, false));
  EXPECT_TRUE(store.ReadBool(keys::kPreferences, p::kTrapShutDown, false));
  EXPECT_EQ(store.ReadInteger(keys::kPreferences, p::kMaxLogFileSize, 0), 512);
  EXPECT_EQ(store.ReadInteger(keys::kSettings, keys::settings::kViewStyle, 0), 3);
  EXPECT_TRUE(store.ReadBool(keys::kSettings, keys::settings::kStandardButtons, false));
  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetFilename(keys::kWindowsCurrentVersionKey);
  EXPECT_EQ(store.ReadString(keys::kRunSection, keys::kRunValue, ""),
            "/opt/vaultora/bin/vaultora -StartupTray");
  EXPECT_TRUE(FileExists(AutostartEntryPath()));
  EXPECT_TRUE(prompts.Shown().empty());
}

TEST_F(CatalogueViewsTest, EachNodeShowsItsColumnsRowsMarksAndStatus) {
  struct TCase {
    const char* Node;
    QStringList Headers;
    const char* Key;
    const char* Status;
  };
  const TCase cases[] = {
      {"Outbox",
       {"Name", "Started", "Finished", "Size", "Transfered"},
       "46000.1",
       "1 item(s) to be sent."},
      {"Inbox", {"Name", "Started", "Finished", "Size"}, "46000.2", "1 item(s) in the inbox."},
      {"Sent Items",
       {"Restore", "Name", "Started", "Finished", "Size"},
       "46000.3",
       "1 item(s) on the server."},
      {"Receiving Items",
       {"Name", "Started", "Finished", "Size", "Received"},
       "46000.4",
       "1 item(s) requested."},
      {"Deleted", {"Name", "Started", "Finished", "Size"}, "46000.5", "1 item(s) to delete."},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Node);
    ASSERT_TRUE(Window->SelectNode(c.Node));
    EXPECT_EQ(Headers(), c.Headers);
    ASSERT_EQ(List().topLevelItemCount(), 1);
    EXPECT_EQ(Row(0)->data(0, Qt::UserRole).toString(), c.Key);
    EXPECT_EQ(Panel("sbItems"), c.Status);
  }
  Window->SelectNode("Outbox");
  EXPECT_EQ(Row(0)->text(0), "Title 46000.1");
  EXPECT_EQ(Row(0)->text(4), "0 KB");
  EXPECT_EQ(Row(0)->toolTip(0), "Waiting");
  Window->SelectNode("Receiving Items");
  EXPECT_EQ(Row(0)->text(4), "2.00 KB");
  EXPECT_EQ(Row(0)->toolTip(0), "Done");
  Window->SelectNode("Deleted");
  EXPECT_EQ(Row(0)->toolTip(0), "Deleted");
  Window->SelectNode("Sent Items");
  EXPECT_EQ(Row(0)->checkState(0), Qt::Unchecked);
  EXPECT_EQ(Panel("sbRequested"), "0 item(s) requested.");
}

TEST_F(CatalogueViewsTest, BackupsAndRestoresEmptyTheListAndKeepTheViewNumber) {
  Window->SelectNode("Inbox");
  Window->SelectRow("46000.2");
  EXPECT_TRUE(Enabled(mcExtract));
  Window->SelectNode("Backups");
  EXPECT_EQ(List().topLevelItemCount(), 0);
  EXPECT_EQ(Window->View(), cvInbox);
  EXPECT_FALSE(Enabled(mcExtract));  // nothing selected
  Window->SelectNode("Restores");
  EXPECT_EQ(Window->View(), cvInbox);
  EXPECT_EQ(Panel("sbItems"), "");
}

TEST_F(CatalogueViewsTest, CommandsFollowTheViewAndTheSelection) {
  struct TCase {
    const char* Node;
    const char* Key;
    bool Delete, Undo, Extract, Move;
  };
  const TCase cases[] = {
      {"Outbox", "46000.1", true, false, false, false},
      {"Inbox", "46000.2", true, false, true, true},
      {"Sent Items", "46000.3", true, false, false, false},
      {"Receiving Items", "46000.4", true, false, false, true},
      {"Deleted", "46000.5", false, true, false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Node);
    Window->SelectNode(c.Node);
    // Refilled with rows and nothing selected: Delete and Undo follow the list.
    EXPECT_TRUE(Enabled(mcDelete));
    EXPECT_TRUE(Enabled(mcUndo));
    ASSERT_TRUE(Window->SelectRow(c.Key));
    EXPECT_EQ(Enabled(mcDelete), c.Delete);
    EXPECT_EQ(Enabled(mcUndo), c.Undo);
    EXPECT_EQ(Enabled(mcExtract), c.Extract);
    EXPECT_EQ(Enabled(mcMoveToSentItems), c.Move);
  }
}

TEST_F(CatalogueViewsTest, DeleteMarksASentBackupAndUndoTakesTheMarkAway) {
  Window->SelectNode("Inbox");
  Window->SelectRow("46000.2");
  List().setFocus();
  QTest::keyClick(&List(), Qt::Key_Delete);
  EXPECT_TRUE(Prompts.Shown().empty());
  EXPECT_TRUE(TCatalogue(Profile.Store).Entry("46000.2").Deleted);
  EXPECT_EQ(Row(0)->toolTip(0), "Deleted");
  EXPECT_TRUE(Enabled(mcUndo));
  EXPECT_FALSE(Enabled(mcDelete));
  Window->Action(mcUndo)->trigger();
  EXPECT_FALSE(TCatalogue(Profile.Store).Entry("46000.2").Deleted);
  EXPECT_EQ(Row(0)->toolTip(0), "Done");
  EXPECT_TRUE(FileExists(Profile.FileOf("46000.2", ".BFE")));
}

TEST_F(CatalogueViewsTest, DeleteOfAnUnsentBackupAsksAndRemovesItsFiles) {
  const std::string archive = Profile.FileOf("46000.1", ".BFE");
  Window->SelectNode("Outbox");
  Window->SelectRow("46000.1");
  Prompts.Answer(false);
  Window->Action(mcDelete)->trigger();
  ASSERT_EQ(Prompts.Texts(), std::vector<std::string>{kRemoveUnsentQuestion});
  EXPECT_TRUE(FileExists(archive));
  EXPECT_EQ(List().topLevelItemCount(), 1);
  Prompts.Answer(true);
  Window->Action(mcDelete)->trigger();
  EXPECT_FALSE(FileExists(archive));
  EXPECT_FALSE(TCatalogue(Profile.Store).Exists("46000.1"));
  EXPECT_EQ(List().topLevelItemCount(), 0);
  EXPECT_EQ(Panel("sbItems"), "0 item(s) to be sent.");
}

TEST_F(CatalogueViewsTest, MoveToSentItemsForgetsTheLocalCopy) {
  Window->SelectNode("Inbox");
  Window->SelectRow("46000.2");
  Window->Action(mcMoveToSentItems)->trigger();
  EXPECT_FALSE(FileExists(Profile.FileOf("46000.2", ".BFE")));
  EXPECT_EQ(List().topLevelItemCount(), 0);
  Window->SelectNode("Sent Items");
  EXPECT_TRUE(Window->SelectRow("46000.2"));
}

TEST_F(MainWindowTest, TickingAnIncrementalTicksItsChainAndUntickingUnticksIt) {
  Profile.Backup("46000.1", kFiles);
  Profile.Backup("46000.2", kFiles, "46000.1");
  Profile.Backup("46000.3", kFiles, "46000.2");
  Profile.Backup("46000.4", kFiles);
  for (const char* id : {"46000.1", "46000.2", "46000.3", "46000.4"})
    DeleteFile(Profile.FileOf(id, ".BFE"));
  Open();
  Window->SelectNode("Sent Items");
  ASSERT_EQ(List().topLevelItemCount(), 4);
  const auto ticked = [this] {
    QStringList keys;
    for (int i = 0; i < List().topLevelItemCount(); ++i)
      if (Row(i)->checkState(0) == Qt::Checked) keys << Row(i)->data(0, Qt::UserRole).toString();
    return keys;
  };
  Window->SelectRow("46000.3");
  List().setFocus();
  QTest::keyClick(&List(), Qt::Key_Space);
  EXPECT_EQ(ticked(), QStringList({"46000.1", "46000.2", "46000.3"}));
  EXPECT_EQ(Window->RestoreList().size(), 3u);
  EXPECT_EQ(Panel("sbRequested"), "3 item(s) requested.");
  EXPECT_EQ(Panel("sbItems"), "4 item(s) on the server.");
  QTest::keyClick(&List(), Qt::Key_Space);
  EXPECT_TRUE(ticked().isEmpty());
  EXPECT_TRUE(Window->RestoreList().empty());
  EXPECT_EQ(Panel("sbRequested"), "0 item(s) requested.");
}

TEST_F(MainWindowTest, TheMenusHoldTheCommandsInTheirOrder) {
  Open();
  const auto captions = [this](const char* menuName) {
    QStringList texts;
    for (QAction* action : Window->findChild<QMenu*>(menuName)->actions())
      texts << (action->isSeparator() ? "-" : action->text());
    return texts;
  };
  EXPECT_EQ(captions("mnuFile"),
            QStringList({"&Delete", "&Undo", "-", "E&xtract", "&Move to \"Sent Items\"",
                         "&Clear cache", "-", "&Exit"}));
  EXPECT_EQ(captions("mnuVaultora"),
            QStringList({"&Send && Receive", "-", "S&end Only", "&Receive Only", "&Delete Only"}));
  EXPECT_EQ(captions("pmTray"), QStringList({"&Vaultora", "S&chedule", "&Options", "-",
                                             "&Send && Receive", "&Backup"}));
  EXPECT_EQ(Window->Action(mcSendReceive)->shortcut(), QKeySequence("Ctrl+E"));
  EXPECT_EQ(Window->Action(mcLogs)->statusTip(), "View Logs");
}

TEST_F(MainWindowTest, TheToolbarSwitchesAreStoredAndTextLabelsNeedTheToolbar) {
  Open();
  auto* toolbar = Window->findChild<QToolBar*>("tbStandard");
  Window->Action(mcStandardButtons)->setChecked(true);
  Window->Action(mcStandardButtons)->trigger();  // now off
  EXPECT_TRUE(toolbar->isHidden());
  EXPECT_FALSE(Enabled(mcTextLabels));
  Profile.Store.SetRootKey(rtHKEY_CURRENT_USER);
  Profile.Store.SetFilename(keys::kBaseKey);
  EXPECT_FALSE(Profile.Store.ValueExists(keys::kSettings, keys::settings::kStandardButtons));
  Window->Action(mcStandardButtons)->trigger();  // on again
  EXPECT_TRUE(Enabled(mcTextLabels));
  Window->Action(mcTextLabels)->setChecked(false);
  Window->Action(mcTextLabels)->trigger();
  EXPECT_EQ(toolbar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
  Profile.Store.SetRootKey(rtHKEY_CURRENT_USER);
  Profile.Store.SetFilename(keys::kBaseKey);
  EXPECT_TRUE(Profile.Store.ReadBool(keys::kSettings, keys::settings::kTextLabels, false));
}

TEST_F(MainWindowTest, TheCloseBoxMinimisesUnlessRemFromTaskBarIsSet) {
  Open(false);
  Window->show();
  Window->close();
  Deliver();
  EXPECT_TRUE(Window->isVisible());
  EXPECT_TRUE(Window->isMinimized());
  Window->showNormal();
  SetPreference(keys::preferences::kRemFromTaskBar, true);
  Window->close();
  EXPECT_FALSE(Window->isVisible());
}

TEST_F(MainWindowTest, ClosingTheProgramOffersToClearTheCache) {
  const std::string cached = Profile.Work.Path() + "cached.bck";
  WriteTextFile(cached, "restored archive");
  TCatalogue(Profile.Store).AddToDelCache("46000.1", cached);
  SetPreference(keys::preferences::kRemFromTaskBar, true);
  Open();
  Window->show();
  Prompts.Answer(true);
  Window->Action(mcExit)->trigger();
  EXPECT_FALSE(Window->isVisible());
  EXPECT_EQ(Prompts.Texts(), std::vector<std::string>{kClearCacheQuestion});
  EXPECT_FALSE(FileExists(cached));
}

TEST_F(MainWindowTest, ExitHidesToTheTrayOnlyWhenThereIsOne) {
  Open(true);
  Window->show();
  Window->Action(mcExit)->trigger();
  EXPECT_FALSE(Window->isVisible());
  Window->Receiver().Post(WM_USER + messages::TWM_SHOWMAINWINDOW);
  Deliver();
  EXPECT_TRUE(Window->isVisible());
  Window.reset();
  Open(false);
  Window->show();
  Window->Action(mcExit)->trigger();
  EXPECT_TRUE(Window->isVisible());
  EXPECT_TRUE(Window->isMinimized());
}

TEST_F(MainWindowTest, StartupTrayHidesOnlyWhenTheTrayCanBringItBack) {
  Open(true);
  Window->ShowAtStartup(true);
  EXPECT_FALSE(Window->isVisible());
  EXPECT_TRUE(Window->Tray().Active());
  Window->Tray().PlatformClick();
  Deliver();
  EXPECT_TRUE(Window->isVisible());
  Window.reset();
  Open(false);
  Window->ShowAtStartup(true);
  EXPECT_TRUE(Window->isVisible());
  EXPECT_TRUE(Window->isMinimized());
  Window.reset();
  Open(false);
  Window->ShowAtStartup(false);
  EXPECT_TRUE(Window->isVisible());
  EXPECT_FALSE(Window->isMinimized());
}

TEST_F(MainWindowTest, CheckSetupSaysWhatIsMissingAndTheCommandGoesOn) {
  Open();
  Window->Action(mcSchedule)->trigger();
  const std::vector<std::string> texts = Prompts.Texts();
  ASSERT_GE(texts.size(), 1u);
  EXPECT_EQ(texts[0], "The following options need to be set up inorder to continue.");
  // The profile has a key but no host: the connection window opens, then the schedules.
  EXPECT_EQ(ModalDialogs, QStringList({"frmConnection", "frmSchedules"}));
}

TEST_F(MainWindowTest, SplittersAndColumnWidthsAreKeptBetweenRuns) {
  Open(false);
  Window->SelectNode("Inbox");
  List().setColumnWidth(0, 233);
  auto* splitter = Window->findChild<QSplitter*>("splMain");
  splitter->setSizes({211, 500});
  const int kept = splitter->sizes()[0];
  Window->SelectNode("Outbox");  // leaving a view keeps its columns
  Window->close();               // minimised; the layout is kept on the way out
  Window.reset();
  Open(false);
  Window->SelectNode("Inbox");
  EXPECT_EQ(List().columnWidth(0), 233);
  EXPECT_EQ(Window->findChild<QSplitter*>("splMain")->sizes()[0], kept);
}

TEST_F(MainWindowTest, TheFileListViewerShowsTheSelectedBackupsList) {
  Profile.Backup("46000.1", kFiles);
  TFileList list;
  list.AddText(Profile.Source.Path());
  list.AddText(Profile.Source / "a.txt");
  ASSERT_TRUE(list.SaveToFile(Profile.FileOf("46000.1", ".bfl")));
  Open();
  Window->Action(mcBackupFiles)->setChecked(false);
  Window->Action(mcBackupFiles)->trigger();  // on
  auto* viewer = Window->findChild<TfrmSession*>("frmSession");
  ASSERT_NE(viewer, nullptr);
  Window->SelectNode("Inbox");
  EXPECT_EQ(viewer->Rows().Count(), 0);
  EXPECT_EQ(viewer->Folders().topLevelItemCount(), 0);
  Window->SelectRow("46000.1");
  // The viewer follows the row, read-only: the catalogue entry's list, its folder's files.
  EXPECT_TRUE(viewer->Edit().ReadOnly());
  EXPECT_FALSE(viewer->Action("actAdd")->isEnabled());
  EXPECT_GE(viewer->Folders().topLevelItemCount(), 1);
  ASSERT_TRUE(viewer->SelectFolder(Profile.Source.Path()));
  ASSERT_EQ(viewer->Rows().Count(), 1);
  EXPECT_EQ(viewer->Rows().Row(0).Columns[0], "a.txt");
  Window->Action(mcBackupFiles)->trigger();  // off
  EXPECT_TRUE(viewer->isHidden());
  EXPECT_FALSE(
      BaseKey(Profile.Store).ValueExists(keys::kSettings, keys::settings::kViewSessionFiles));
}

TEST_F(MainWindowTest, TheTrayToolTipIsCutTo63CharactersAndTheFramesComeInOrder) {
  Open();
  TAnimatedTrayIcon& tray = Window->Tray();
  tray.SetToolTip(std::string(100, 'x'));
  EXPECT_EQ(tray.ToolTip().size(), 63);
  tray.SetToolTip("Vaultora");
  EXPECT_EQ(tray.ToolTip(), "Vaultora");
  ASSERT_EQ(tray.Frames().size(), 4);
  tray.SetAnimate(true);
  EXPECT_TRUE(tray.TimerRunning());
  EXPECT_EQ(tray.Interval(), 250);
  std::vector<int> shown;
  for (int i = 0; i < 6; ++i) {
    tray.Tick();
    shown.push_back(tray.CurrentFrame());
  }
  EXPECT_EQ(shown, (std::vector<int>{0, 1, 2, 3, 0, 1}));
  tray.SetAnimate(false);
  EXPECT_FALSE(tray.TimerRunning());
  EXPECT_EQ(tray.CurrentFrame(), -1);  // the still picture, at once
  tray.SetInterval(-5);
  EXPECT_EQ(tray.Interval(), 250);
}

}  // namespace
}  // namespace vaultora::test
