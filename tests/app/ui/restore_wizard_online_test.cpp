// The "Online Restore" wizard against a real server: the ticked chain is downloaded by the Send &
// Receive that "&Apply" starts, is then offered for viewing and extraction, and extracting opens
// the Restore window on it.
#include <QRadioButton>
#include <QTreeWidget>

#include "app/runtime/main_messages.h"
#include "app/ui/restore_wizard_dialog.h"
#include "archive/ui/restore_window.h"
#include "catalogue/catalogue.h"
#include "controls/summary_text.h"
#include "online/ui/transfer_window_fixture.h"
#include "platform/folders.h"
#include "support/widget_lookup.h"

namespace vaultora::test {
namespace {

TEST_F(TransferWindowsTest, TheRestoreWizardsRequestIsDownloadedAndThenOfferedForExtraction) {
  UseLAN();
  const std::string base = MakeBackup("Base", 300000, 46060.25);
  const std::string increment = MakeBackup("Increment", 120000, 46061.25);
  const std::string other = MakeBackup("Other", 5000, 46062.25);
  FStore->SetFilename(keys::kBackupsKey);
  FStore->WriteString(increment, catalogue::kIncremental, base);
  FStore->SetFilename(keys::kBaseKey);
  const std::vector<uint8_t> baseBytes = Bytes(ArchiveOf(base));
  const std::vector<uint8_t> incrementBytes = Bytes(ArchiveOf(increment));
  Open();
  Trigger(mcSendOnly);
  ASSERT_TRUE(RunToIdle());
  for (const std::string& entry : {base, increment, other})
    std::remove(ArchiveOf(entry).c_str());  // only on the server now

  QString summary;
  Window->OnModalDialog = [&summary](QDialog& dialog) {
    if (dialog.objectName() != "frmRestoreWizard") return;
    Click(dialog, "btnNext");
    auto& rows = Find<QTreeWidget>(dialog, "lvRequest");
    ASSERT_EQ(rows.topLevelItemCount(), 3);
    rows.topLevelItem(1)->setCheckState(0, Qt::Checked);  // the increment
    Click(dialog, "btnNext");
    summary = Find<TSummaryText>(dialog, "mmSummary").toPlainText();
    Click(dialog, "btnNext");
  };
  Opened.clear();
  Trigger(mcRestore);
  EXPECT_TRUE(summary.startsWith("Online Restore\nBase\nIncrement\n\nTotal to restore  [ "))
      << summary.toStdString();
  EXPECT_EQ(Window->RestoreList(), (TStringList{base, increment}));
  // The wizard posted Send & Receive: the download opens, then runs to its end.
  ASSERT_TRUE(RunUntil([this] { return !Opened.empty(); }));
  ASSERT_TRUE(RunToIdle());
  EXPECT_EQ(Opened, std::vector<TWorkKind>{wkReceive});
  EXPECT_EQ(Bytes(ArchiveOf(base)), baseBytes);
  EXPECT_EQ(Bytes(ArchiveOf(increment)), incrementBytes);
  EXPECT_FALSE(FileExists(ArchiveOf(other))) << "not ticked, not fetched";

  // Both are on this computer now: the wizard offers them for viewing and extraction.
  // Its request goes to the main window, which opens the Restore window on that backup.
  QString caption;
  Window->OnRestoreWindowShown = [&caption](QWidget& shown) {
    auto& window = static_cast<TfrmRestore&>(shown);
    caption = window.windowTitle();
    // Closed once it has tried its chain (the test's archives are no real ones).
    QObject::connect(&window, &TfrmRestore::StartFinished, &window, [&window] { window.reject(); });
  };
  TfrmRestoreWizard wizard(*FStore, Window->RestoreList(), Window->Receiver());
  Click(wizard, "rbViewExtract");
  Click(wizard, "btnNext");
  auto& local = Find<QTreeWidget>(wizard, "lvLocal");
  ASSERT_EQ(local.topLevelItemCount(), 2);
  local.setCurrentItem(local.topLevelItem(1));
  Click(wizard, "btnNext");
  Click(wizard, "btnNext");
  for (int i = 0; i < 20 && caption.isEmpty(); ++i)
    QCoreApplication::sendPostedEvents();
  EXPECT_EQ(caption, "Restore \"Increment\"");
}

}  // namespace
}  // namespace vaultora::test
