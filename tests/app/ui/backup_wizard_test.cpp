// The "Backup Wizard" walked as a user walks it: the cover's choices, the parent choice and its
// tick rules, the file list put back on "&Close", a blank name, and "&Apply" with the backup the
// main window then builds.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <filesystem>

#include "app/runtime/main_messages.h"
#include "app/ui/backup_wizard_dialog.h"
#include "app/ui/main_window_fixture.h"
#include "backupset/ui/creating_backup_window.h"
#include "controls/number_field.h"
#include "controls/summary_text.h"
#include "platform/folders.h"
#include "platform/runtime/message_receiver.h"
#include "schedule/schedule_record.h"
#include "selection/ui/session_window.h"
#include "settings/preferences.h"
#include "support/widget_lookup.h"

namespace vaultora::test {
namespace {

namespace fs = std::filesystem;
using namespace messages;

class BackupWizardTest : public MainWindowTest {
 protected:
  void SetUp() override {
    Profile.Store.SetRootKey(rtHKEY_CURRENT_USER);
    Profile.Store.SetFilename(keys::kBaseKey);
    WriteTextFile(Profile.Source / "notes.txt", std::string(20000, 'n'));
    WriteTextFile(Profile.Source / "extra.txt", "more");
    Receiver.OnMessage = [this](const TMessage& message) {
      Posted.push_back(message.Msg - WM_USER);
      PostedWParam = message.WParam;
    };
  }
  // The wizard's list as the last backup left it.
  std::string StoreWizardList(const std::string& content) {
    const std::string list = Profile.Work.Path() + "wizard.bfl";
    WriteTextFile(list, content);
    WriteSetting(Profile.Store, keys::setting::WizardSession, list);
    return list;
  }
  std::unique_ptr<TfrmBackupWizard> Wizard(bool anyWork = false) {
    auto wizard = std::make_unique<TfrmBackupWizard>(Profile.Store, anyWork, RestoreList, Receiver);
    // The list editor, as a user uses it: one more file, then Apply.
    wizard->OnModalDialog = [this](QDialog& dialog) {
      auto& editor = static_cast<TfrmSession&>(dialog);
      ++EditorRuns;
      if (!AddInEditor) return;
      editor.Edit().AddSelected({Profile.Source / "extra.txt"}, "*.*", false);
      editor.ApplyCommand();
    };
    return wizard;
  }
  static void ChooseParent(TfrmBackupWizard& wizard, int index) {
    auto& combo = Find<QComboBox>(wizard, "cbAppendBackup");
    combo.setCurrentIndex(index);
    emit combo.activated(index);
  }
  static bool Ticked(QWidget& wizard, const char* name) {
    return Find<QCheckBox>(wizard, name).isChecked();
  }
  static bool Usable(QWidget& wizard, const char* name) {
    return Find<QWidget>(wizard, name).isEnabled();
  }
  static QString Summary(QWidget& wizard) {
    return Find<TSummaryText>(wizard, "mmSummary").toPlainText();
  }
  // The .bfl files of the working folder.
  std::vector<std::string> ListFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Profile.Work.Path()))
      if (entry.path().extension() == ".bfl") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TMessageReceiver Receiver;
  std::vector<unsigned> Posted;
  intptr_t PostedWParam = -1;
  TStringList RestoreList;
  int EditorRuns = 0;
  bool AddInEditor = true;
};

TEST_F(BackupWizardTest, WithoutSchedulesOrWorkTheirChoicesCannotBeMade) {
  Open();
  QStringList opened;
  bool scheduled = true, sendReceive = true;
  Window->OnModalDialog = [&](QDialog& dialog) {
    opened << dialog.objectName();
    if (dialog.objectName() != "frmBackupWizard") return;
    EXPECT_EQ(dialog.windowTitle(), "Backup Wizard");
    scheduled = Usable(dialog, "rbScheduledBackup");
    sendReceive = Usable(dialog, "rbSendReceive");
    EXPECT_TRUE(Find<QRadioButton>(dialog, "rbNewBackup").isChecked());
    EXPECT_FALSE(Find<QPushButton>(dialog, "btnBack").isEnabled());
    Click(dialog, "btnClose");
  };
  Window->Action(mcBackup)->trigger();
  EXPECT_TRUE(opened.contains("frmBackupWizard"));
  EXPECT_FALSE(scheduled);
  EXPECT_FALSE(sendReceive);

  // A stored schedule and a backup waiting to be sent open both.
  TScheduleRecord nightly;
  nightly.Name = "Nightly";
  nightly.Time = "02:00:00";
  SaveSchedule(Profile.Store, nightly);
  Profile.Backup("46000.5", {{"a.txt", "alpha"}}, "", true);
  Window->Action(mcBackup)->trigger();
  EXPECT_TRUE(scheduled);
  EXPECT_TRUE(sendReceive);
}

TEST_F(BackupWizardTest, AParentUnticksExpiryAndNoneBringsTheListBackAsItWas) {
  const std::string list = StoreWizardList(Profile.Source.Path() + "\r\nnotes.txt\r\n");
  Profile.Backup("46001.5", {{"a.txt", "alpha"}});
  const std::string parentList = Profile.FileOf("46001.5", ".bfl");
  WriteTextFile(parentList, Profile.Source.Path() + "\r\na.txt\r\n");
  WriteSetting(Profile.Store, keys::setting::WizardExpireDays, 30);
  auto wizard = Wizard();
  Click(*wizard, "btnNext");
  ASSERT_EQ(wizard->Page(), bwBackup);
  auto& parents = Find<QComboBox>(*wizard, "cbAppendBackup");
  ASSERT_EQ(parents.count(), 2);
  EXPECT_EQ(parents.itemText(0), "[None]");
  EXPECT_EQ(parents.itemText(1), "Title 46001.5");
  EXPECT_TRUE(Ticked(*wizard, "cbExpire")) << "the stored expiry is the last answer";
  EXPECT_EQ(Find<TNumberField>(*wizard, "edExpireDays").value(), 30);
  EXPECT_TRUE(Usable(*wizard, "edExpireDays"));

  ChooseParent(*wizard, 1);
  EXPECT_FALSE(Ticked(*wizard, "cbExpire"));
  EXPECT_FALSE(Usable(*wizard, "cbExpire"));
  EXPECT_FALSE(Usable(*wizard, "edExpireDays"));
  EXPECT_FALSE(Usable(*wizard, "lblDays"));
  EXPECT_TRUE(Ticked(*wizard, "cbReuseFileList"));
  EXPECT_EQ(ReadTextFile(list), Profile.Source.Path() + "\r\na.txt\r\n") << "the parent's list";

  ChooseParent(*wizard, 0);
  EXPECT_TRUE(Usable(*wizard, "cbExpire"));
  EXPECT_EQ(ReadTextFile(list), Profile.Source.Path() + "\r\nnotes.txt\r\n");
  EXPECT_EQ(ReadSetting(Profile.Store, keys::setting::WizardSession), list);

  // Unticking "Reuse" closes "Display the file list" and ticks it.
  Find<QCheckBox>(*wizard, "cbDisplayFileList").setChecked(false);
  Find<QCheckBox>(*wizard, "cbReuseFileList").setChecked(false);
  EXPECT_TRUE(Ticked(*wizard, "cbDisplayFileList"));
  EXPECT_FALSE(Usable(*wizard, "cbDisplayFileList"));
  Click(*wizard, "btnClose");
}

TEST_F(BackupWizardTest, EditingTheListThenCloseLeavesTheFileAsBefore) {
  const std::string before = Profile.Source.Path() + "\r\nnotes.txt\r\n";
  const std::string list = StoreWizardList(before);
  auto wizard = Wizard();
  EXPECT_EQ(ListFiles().size(), 2u) << "the list and its safety copy";
  Click(*wizard, "btnNext");
  Find<QLineEdit>(*wizard, "edBackupName").setText("Notes");
  Click(*wizard, "btnNext");
  EXPECT_EQ(EditorRuns, 1) << "\"Display the file list\" is ticked at first";
  ASSERT_EQ(wizard->Page(), bwFinished);
  EXPECT_NE(ReadTextFile(list), before) << "the editor added a file";
  Click(*wizard, "btnClose");
  EXPECT_EQ(ReadTextFile(list), before);
  EXPECT_EQ(ReadSetting(Profile.Store, keys::setting::WizardSession), list);
  EXPECT_EQ(ListFiles(), std::vector<std::string>{"wizard.bfl"}) << "the safety copy went";
  EXPECT_TRUE(Posted.empty());
}

TEST_F(BackupWizardTest, ANewListStartedInTheWizardGoesOnClose) {
  auto wizard = Wizard();
  Click(*wizard, "btnNext");
  EXPECT_FALSE(Usable(*wizard, "cbReuseFileList")) << "there is no list to reuse";
  Find<QLineEdit>(*wizard, "edBackupName").setText("Fresh");
  Click(*wizard, "btnNext");
  ASSERT_EQ(wizard->Page(), bwFinished);
  EXPECT_EQ(ListFiles().size(), 1u);
  // The window's close box, not the button: it closes the same way.
  wizard->show();
  wizard->close();
  EXPECT_TRUE(ListFiles().empty());
  EXPECT_FALSE(SettingExists(Profile.Store, keys::setting::WizardSession));
}

TEST_F(BackupWizardTest, ABlankNameOrAnEmptyListKeepsTheBackupPage) {
  auto wizard = Wizard();
  Click(*wizard, "btnNext");
  Find<QLineEdit>(*wizard, "edBackupName").setText("   ");
  Click(*wizard, "btnNext");
  EXPECT_EQ(wizard->Page(), bwBackup);
  EXPECT_EQ(Prompts.Texts(), std::vector<std::string>{"A backup name has not been specified."});
  EXPECT_EQ(EditorRuns, 0);

  // The editor left without a list: the page stays.
  AddInEditor = false;
  Find<QLineEdit>(*wizard, "edBackupName").setText("Named");
  Click(*wizard, "btnNext");
  EXPECT_EQ(EditorRuns, 1);
  EXPECT_EQ(wizard->Page(), bwBackup);
  Click(*wizard, "btnClose");
}

TEST_F(BackupWizardTest, TheScheduleAndSendReceiveChoicesPostTheirRequests) {
  for (const char* name : {"Daily", "Weekly"}) {
    TScheduleRecord record;
    record.Name = name;
    record.Time = "02:00:00";
    SaveSchedule(Profile.Store, record);
  }
  Profile.Backup("46002.5", {{"a.txt", "alpha"}}, "", true);
  Profile.Backup("46003.5", {{"b.txt", "beta"}});
  TCatalogue(Profile.Store).MarkDeleted("46003.5");
  {
    auto wizard = Wizard(true);
    Click(*wizard, "rbScheduledBackup");
    Click(*wizard, "btnNext");
    ASSERT_EQ(wizard->Page(), bwSchedule);
    Click(*wizard, "btnNext");
    ASSERT_FALSE(Prompts.Texts().empty());
    EXPECT_EQ(Prompts.Texts().back(), "A schedule has not been selected.");
    EXPECT_EQ(wizard->Page(), bwSchedule);
    Find<QListWidget>(*wizard, "lbSchedules").setCurrentRow(1);
    Click(*wizard, "btnNext");
    ASSERT_EQ(wizard->Page(), bwFinished);
    EXPECT_EQ(Find<QPushButton>(*wizard, "btnNext").text(), "&Apply");
    EXPECT_EQ(Summary(*wizard), "Scheduled Backup\nWeekly");
    Click(*wizard, "btnNext");
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(Posted, std::vector<unsigned>{TWM_DOSCHEDULEDBACKUP});
    EXPECT_EQ(PostedWParam, 1);
  }
  Posted.clear();
  auto wizard = Wizard(true);
  Click(*wizard, "rbSendReceive");
  Click(*wizard, "btnNext");
  ASSERT_EQ(wizard->Page(), bwFinished);
  EXPECT_EQ(Summary(*wizard),
            "Send / Receive\nSend the following:\n  Title 46002.5\nDelete the following:\n  "
            "Title 46003.5");
  Click(*wizard, "btnBack");
  EXPECT_EQ(wizard->Page(), bwCover);
  Click(*wizard, "btnNext");
  Click(*wizard, "btnNext");
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Posted, std::vector<unsigned>{TWM_DOSENDRECEIVE});
}

TEST_F(BackupWizardTest, ApplyStoresTheAnswersAndTheMainWindowBuildsTheBackup) {
  StoreWizardList(Profile.Source.Path() + "\r\nnotes.txt\r\n");
  WriteSetting(Profile.Store, keys::setting::WizardAppendBackup, "46009.5");  // no such entry
  Profile.Store.WriteString(keys::kConnection, keys::connection::kHost, "127.0.0.1");
  Open();
  QString summary;
  Window->OnModalDialog = [&](QDialog& dialog) {
    if (dialog.objectName() != "frmBackupWizard") return;
    Click(dialog, "btnNext");
    Find<QLineEdit>(dialog, "edBackupName").setText("  Weekly notes ");
    Find<QCheckBox>(dialog, "cbExpire").setChecked(true);
    Find<TNumberField>(dialog, "edExpireDays").setValue(14);
    Find<QCheckBox>(dialog, "cbDisplayFileList").setChecked(false);
    Click(dialog, "btnNext");
    summary = Summary(dialog);
    Click(dialog, "btnNext");
  };
  bool built = false;
  Window->OnCreatingBackupShown = [&built](QWidget& shown) {
    auto& window = static_cast<TfrmCreatingBackup&>(shown);
    QObject::connect(&window, &TfrmCreatingBackup::RunFinished, &window,
                     [&built, &window](bool succeeded) {
                       built = succeeded;
                       window.findChild<QPushButton*>("btnOk")->click();
                     });
  };
  Window->Action(mcBackup)->trigger();
  EXPECT_EQ(summary, "New Backup\nTitle \"Weekly notes\"\nBackup to expire in 14 days");
  EXPECT_EQ(ReadSetting(Profile.Store, keys::setting::WizardBackupTitle), "Weekly notes");
  EXPECT_EQ(ReadSetting(Profile.Store, keys::setting::WizardExpireDays), 14);
  EXPECT_FALSE(SettingExists(Profile.Store, keys::setting::WizardAppendBackup));
  Deliver();
  EXPECT_TRUE(built);
  const std::vector<TCatalogueEntry> entries = TCatalogue(Profile.Store).Entries();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].BackupTitle, "Weekly notes");
  EXPECT_TRUE(entries[0].NeedToSend);
}

TEST_F(BackupWizardTest, TheShutdownPromptOpensTheWizardWithoutTheSetUpCheck) {
  SetPreference(keys::preferences::kTrapShutDown, true);
  Open();
  QStringList opened;
  Window->OnModalDialog = [&opened](QDialog& dialog) { opened << dialog.objectName(); };
  Prompts.Answer(true);
  EXPECT_FALSE(Window->Intercept().QueryEndSession());
  Deliver();
  EXPECT_EQ(opened, QStringList{"frmBackupWizard"}) << "no connection set-up before it";
  EXPECT_TRUE(Window->ShutdownPollRunning());
}

}  // namespace
}  // namespace vaultora::test
