// The main window's Extract command and the posted requests to extract and to verify: the
// "Restore" window opens on the chosen backup, and the verify window proves backups without
// restoring them.
#include <QTreeWidget>

#include "app/runtime/main_messages.h"
#include "app/ui/main_window_fixture.h"
#include "archive/ui/restore_rows_model.h"
#include "archive/ui/restore_window.h"
#include "archive/ui/verify_window.h"
#include "platform/folders.h"

namespace vaultora::test {
namespace {

using namespace messages;

TEST_F(MainWindowTest, ExtractRequestedByTheWizardOpensTheRestoreWindowOnThatBackup) {
  Profile.Backup("46001.5", {{"a.txt", "alpha"}, {"b.txt", "beta"}});
  Profile.Backup("46002.5", {{"c.txt", "gamma"}});
  Open();
  QString caption;
  int rows = -1;
  Window->OnRestoreWindowShown = [&](QWidget& shown) {
    auto& window = static_cast<TfrmRestore&>(shown);
    QObject::connect(&window, &TfrmRestore::StartFinished, &window, [&](bool listed) {
      EXPECT_TRUE(listed);
      caption = window.windowTitle();
      rows = window.Model().Count();
      window.reject();
    });
  };
  Window->Receiver().PostValue(WM_USER + TWM_DOEXTRACT, 0, 0, std::string("46001.5"));
  Deliver();
  EXPECT_EQ(Window->View(), cvInbox);
  EXPECT_EQ(caption, "Restore \"Title 46001.5\"");
  EXPECT_EQ(rows, 2);
  EXPECT_TRUE(Profile.Store.ValueExists(keys::kDelCache, "46001.5"));
  EXPECT_FALSE(Profile.Store.ValueExists(keys::kDelCache, "46002.5")) << "not opened";
}

TEST_F(MainWindowTest, VerifyRequestProvesEachBackupAndNamesTheDamagedOne) {
  Profile.Backup("46001.5", {{"a.txt", std::string(70000, 'a')}});
  Profile.Backup("46002.5", {{"b.txt", std::string(70000, 'b')}});
  FlipBitAt(Profile.FileOf("46002.5", ".BFE"), FileSizeOf(Profile.FileOf("46002.5", ".BFE")) / 2);
  Open();
  Window->Receiver().PostValue(WM_USER + TWM_DOVERIFY, 0, 0,
                               std::vector<std::string>{"46001.5", "46002.5"});
  Deliver();
  TfrmVerify* window = Window->VerifyWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  for (int i = 0; i < 2000 && !window->Finished(); ++i)
    Deliver();
  ASSERT_TRUE(window->Finished());
  auto& list = *window->findChild<QTreeWidget*>("lvResults");
  ASSERT_EQ(list.topLevelItemCount(), 2);
  EXPECT_EQ(list.topLevelItem(0)->text(0), "Title 46001.5");
  EXPECT_TRUE(list.topLevelItem(0)->text(1).startsWith("verified: 1 file(s)"))
      << list.topLevelItem(0)->text(1).toStdString();
  EXPECT_TRUE(list.topLevelItem(1)->text(1).startsWith("MAC mismatch"))
      << list.topLevelItem(1)->text(1).toStdString();
  for (const char* id : {"46001.5", "46002.5"})
    EXPECT_FALSE(FileExists(Profile.FileOf(id, ".bck"))) << "nothing written";
}

}  // namespace
}  // namespace vaultora::test
