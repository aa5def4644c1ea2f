// The "Available Backups" window over a real server: the images of one computer's backups are
// listed on a second, empty profile of the same account and registered into its catalogue.
#include <QPushButton>
#include <QTreeWidget>

#include "backupset/ui/available_backups_window.h"
#include "catalogue/catalogue.h"
#include "online/ui/transfer_window_fixture.h"

namespace vaultora::test {
namespace {

TEST_F(TransferWindowsTest, DownloadSettingsListsTheServersBackupsAndRegistersTheChosenOnes) {
  UseLAN();
  const std::string kept = MakeBackup("Kept", 3000, 46040.25);
  const std::string left = MakeBackup("Left out", 2000, 46041.25);
  Open();
  Trigger(mcSendOnly);
  ASSERT_TRUE(RunToIdle());

  // A second computer: a new, empty profile of the same account.
  Window.reset();
  FStore.reset();
  FProfile.reset();
  SetUpProfile();
  UseLAN();
  Opened.clear();
  Open();
  ASSERT_TRUE(TCatalogue(*FStore).Ids().empty());
  Trigger(mcDownloadSettings);
  ASSERT_TRUE(RunToIdle());
  EXPECT_EQ(Opened, std::vector<TWorkKind>{wkRegistryUpdate});
  EXPECT_EQ(Transfer(wkRegistryUpdate), nullptr) << "the download window closed by itself";
  TfrmAvailableBackups* window = Window->Online().AvailableBackupsWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  auto* list = window->findChild<QTreeWidget*>("lvAvailable");
  ASSERT_EQ(list->topLevelItemCount(), 2);
  QTreeWidgetItem* keptRow = list->findItems("Kept", Qt::MatchExactly).value(0);
  ASSERT_NE(keptRow, nullptr);
  EXPECT_EQ(keptRow->text(3), "2.93 KB");
  EXPECT_EQ(keptRow->text(4), "No");

  keptRow->setCheckState(0, Qt::Checked);
  window->findChild<QPushButton*>("btnRegister")->click();
  EXPECT_EQ(Prompts.Texts().back(), "Settings have been updated");
  EXPECT_EQ(keptRow->checkState(0), Qt::Unchecked) << "a registered row is unticked";
  TCatalogue catalogue(*FStore);
  EXPECT_TRUE(catalogue.Exists(kept));
  EXPECT_FALSE(catalogue.Exists(left)) << "only the ticked row is registered";
  EXPECT_EQ(catalogue.Entry(kept).BackupTitle, "Kept");

  // The main window shows it at once, as a backup on the server without a local copy.
  ASSERT_TRUE(Window->SelectNode("Sent Items"));
  auto* rows = Window->findChild<QTreeWidget*>("lvBackups");
  ASSERT_EQ(rows->topLevelItemCount(), 1);
  QStringList shown;
  for (int column = 0; column < rows->columnCount(); ++column)
    shown << rows->topLevelItem(0)->text(column);
  EXPECT_TRUE(shown.contains("Kept")) << shown.join(" | ").toStdString();
}

}  // namespace
}  // namespace vaultora::test
