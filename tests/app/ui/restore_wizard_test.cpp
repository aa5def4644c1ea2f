// The "Online Restore" wizard over a catalogue of finished, failed, sent and local backups: what
// each page offers, ticking a chain and "&Close" undoing it, the refused pages, and the requests
// "&Apply" posts for a view and for a verify.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include "app/runtime/main_messages.h"
#include "app/ui/restore_wizard_dialog.h"
#include "catalogue/catalogue.h"
#include "controls/summary_text.h"
#include "platform/folders.h"
#include "platform/runtime/message_receiver.h"
#include "platform/size_text.h"
#include "settings/registry_keys.h"
#include "support/catalogued_backup.h"
#include "support/scripted_prompts.h"
#include "support/widget_lookup.h"

namespace vaultora::test {
namespace {

using namespace messages;

class RestoreWizardTest : public testing::Test {
 protected:
  void SetUp() override {
    Receiver.OnMessage = [this](const TMessage& message) {
      Posted.push_back(message.Msg - WM_USER);
      if (const std::string* key = message.PayloadAs<std::string>()) ExtractKey = *key;
      if (const TStringList* keys = message.PayloadAs<TStringList>()) VerifyKeys = *keys;
    };
  }
  // A sent backup whose archive is only on the server.
  void OnServer(const std::string& id, const std::string& incremental = "") {
    Profile.Backup(id, {{"f" + id + ".txt", std::string(3000, 'x')}}, incremental);
    DeleteFile(TCatalogue(Profile.Store).ArchivePath(id));
  }
  void Failed(const std::string& id) {
    Profile.Store.SetFilename(keys::kBackupsKey);
    Profile.Store.DeleteValue(id, catalogue::kFinishDateTime);
    Profile.Store.SetFilename(keys::kBaseKey);
  }
  std::unique_ptr<TfrmRestoreWizard> Wizard() {
    return std::make_unique<TfrmRestoreWizard>(Profile.Store, RestoreList, Receiver);
  }
  static QStringList Titles(QWidget& wizard, const char* list, int column) {
    QStringList titles;
    auto& rows = Find<QTreeWidget>(wizard, list);
    for (int i = 0; i < rows.topLevelItemCount(); ++i)
      titles << rows.topLevelItem(i)->text(column);
    return titles;
  }
  static QStringList Ticked(QWidget& wizard, const char* list) {
    QStringList titles;
    auto& rows = Find<QTreeWidget>(wizard, list);
    for (int i = 0; i < rows.topLevelItemCount(); ++i)
      if (rows.topLevelItem(i)->checkState(0) == Qt::Checked)
        titles << rows.topLevelItem(i)->text(1);
    return titles;
  }
  static void Tick(QWidget& wizard, const char* list, int row, bool on = true) {
    Find<QTreeWidget>(wizard, list)
        .topLevelItem(row)
        ->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
  }
  static QString Text(QWidget& wizard, const char* label) {
    return Find<QLabel>(wizard, label).text();
  }
  // The summed sizes of the entries, as the summary shows them.
  std::string KBSizeTextOf(const TStringList& ids) {
    long long total = 0;
    for (const std::string& id : ids) {
      long long bytes = 0;
      EXPECT_TRUE(TryStrToInt(TCatalogue(Profile.Store).Entry(id).Size, bytes));
      total += bytes;
    }
    return KBSizeText(total);
  }
  static QString Summary(QWidget& wizard) {
    return Find<TSummaryText>(wizard, "mmSummary").toPlainText();
  }

  TBackupProfile Profile{"restore wizard key"};
  TScriptedPrompts Prompts;
  TMessageReceiver Receiver;
  TStringList RestoreList;
  std::vector<unsigned> Posted;
  std::string ExtractKey;
  TStringList VerifyKeys;
};

TEST_F(RestoreWizardTest, AFailedBackupIsOfferedOnNeitherPage) {
  OnServer("46010.5");
  OnServer("46011.5");
  Failed("46011.5");
  Profile.Backup("46012.5", {{"a.txt", "alpha"}});
  Profile.Backup("46013.5", {{"b.txt", "beta"}});
  Failed("46013.5");
  Profile.Backup("46014.5", {{"c.txt", "gamma"}}, "", true);  // waiting to be sent
  auto wizard = Wizard();
  EXPECT_EQ(wizard->windowTitle(), "Online Restore");
  Click(*wizard, "btnNext");
  ASSERT_EQ(wizard->Page(), rwRequest);
  EXPECT_EQ(Titles(*wizard, "lvRequest", 1), QStringList{"Title 46010.5"});
  EXPECT_EQ(Text(*wizard, "sbAvailable"), "1 item(s) available.");
  Click(*wizard, "btnBack");
  Click(*wizard, "rbViewExtract");
  Click(*wizard, "btnNext");
  ASSERT_EQ(wizard->Page(), rwLocal);
  EXPECT_EQ(Titles(*wizard, "lvLocal", 0), QStringList{"Title 46012.5"});
  EXPECT_EQ(Text(*wizard, "sbInbox"), "1 item(s) in the inbox.");
  EXPECT_EQ(Find<QTreeWidget>(*wizard, "lvLocal").currentItem(),
            Find<QTreeWidget>(*wizard, "lvLocal").topLevelItem(0))
      << "the first row is chosen";
  Click(*wizard, "btnNext");
  EXPECT_EQ(Summary(*wizard), "View / Extract\nTitle 46012.5");
  Click(*wizard, "btnNext");
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Posted, std::vector<unsigned>{TWM_DOEXTRACT});
  EXPECT_EQ(ExtractKey, "46012.5");
}

TEST_F(RestoreWizardTest, TickingAnIncrementalTicksItsChainAndCloseRemovesTheRequests) {
  OnServer("46020.5");
  OnServer("46021.5", "46020.5");
  OnServer("46022.5", "46021.5");
  OnServer("46023.5");
  RestoreList = {"46023.5"};
  auto wizard = Wizard();
  Click(*wizard, "btnNext");
  EXPECT_EQ(Ticked(*wizard, "lvRequest"), QStringList{"Title 46023.5"}) << "already requested";
  EXPECT_EQ(Text(*wizard, "sbRequested"), "1 item(s) requested.");
  Tick(*wizard, "lvRequest", 2);
  EXPECT_EQ(Ticked(*wizard, "lvRequest"),
            (QStringList{"Title 46020.5", "Title 46021.5", "Title 46022.5", "Title 46023.5"}));
  EXPECT_EQ(Text(*wizard, "sbRequested"), "4 item(s) requested.");
  EXPECT_EQ(Text(*wizard, "sbAvailable"), "4 item(s) available.");
  Click(*wizard, "btnNext");
  ASSERT_EQ(wizard->Page(), rwFinished);
  const QString total =
      QString::fromStdString(KBSizeTextOf({"46020.5", "46021.5", "46022.5", "46023.5"}));
  EXPECT_EQ(Summary(*wizard),
            "Online Restore\nTitle 46020.5\nTitle 46021.5\nTitle 46022.5\nTitle "
            "46023.5\n\nTotal to restore  [ " +
                total + " ]");
  Click(*wizard, "btnClose");
  EXPECT_EQ(RestoreList, TStringList{"46023.5"});
  EXPECT_TRUE(Posted.empty());
}

TEST_F(RestoreWizardTest, UntickingABaseUnticksItAndApplyKeepsTheRest) {
  OnServer("46030.5");
  OnServer("46031.5", "46030.5");
  auto wizard = Wizard();
  Click(*wizard, "btnNext");
  Click(*wizard, "btnNext");
  EXPECT_EQ(Prompts.Texts(),
            std::vector<std::string>{"A backup has not been selected to restore."});
  EXPECT_EQ(wizard->Page(), rwRequest);
  Tick(*wizard, "lvRequest", 1);
  Tick(*wizard, "lvRequest", 0, false);
  EXPECT_EQ(Ticked(*wizard, "lvRequest"), QStringList{"Title 46031.5"});
  Click(*wizard, "btnNext");
  Click(*wizard, "btnNext");
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Posted, std::vector<unsigned>{TWM_DOSENDRECEIVE});
  EXPECT_EQ(RestoreList, TStringList{"46031.5"}) << "Apply keeps the ticks";
}

TEST_F(RestoreWizardTest, WithNoLocalBackupTheLocalPageIsEmptyAndRefused) {
  OnServer("46040.5");
  auto wizard = Wizard();
  Click(*wizard, "rbViewExtract");
  Click(*wizard, "btnNext");
  ASSERT_EQ(wizard->Page(), rwLocal);
  EXPECT_EQ(Find<QTreeWidget>(*wizard, "lvLocal").topLevelItemCount(), 0);
  EXPECT_EQ(Text(*wizard, "sbInbox"), "0 item(s) in the inbox.");
  Click(*wizard, "btnNext");
  EXPECT_EQ(wizard->Page(), rwLocal);
  EXPECT_EQ(Prompts.Texts(),
            std::vector<std::string>{"A backup has not been selected to View/Extract."});
}

TEST_F(RestoreWizardTest, VerifyPostsTheChosenBackupsWhereverTheyAre) {
  OnServer("46050.5");
  Profile.Backup("46051.5", {{"a.txt", "alpha"}});
  Profile.Backup("46052.5", {{"b.txt", "beta"}}, "", true);
  Profile.Backup("46053.5", {{"c.txt", "gamma"}});
  Failed("46053.5");
  auto wizard = Wizard();
  Click(*wizard, "rbVerify");
  Click(*wizard, "btnNext");
  ASSERT_EQ(wizard->Page(), rwVerify);
  EXPECT_EQ(Titles(*wizard, "lvVerify", 1),
            (QStringList{"Title 46050.5", "Title 46051.5", "Title 46052.5"}));
  EXPECT_EQ(Titles(*wizard, "lvVerify", 3),
            (QStringList{"On the server", "On this computer", "On this computer"}));
  Click(*wizard, "btnNext");
  EXPECT_EQ(Prompts.Texts(), std::vector<std::string>{"A backup has not been selected to verify."});
  Tick(*wizard, "lvVerify", 0);
  Tick(*wizard, "lvVerify", 2);
  Click(*wizard, "btnNext");
  EXPECT_EQ(Summary(*wizard),
            "Verify\nTitle 46050.5  (downloaded from the server first)\nTitle 46052.5");
  Click(*wizard, "btnNext");
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(Posted, std::vector<unsigned>{TWM_DOVERIFY});
  EXPECT_EQ(VerifyKeys, (TStringList{"46050.5", "46052.5"}));
}

}  // namespace
}  // namespace vaultora::test
