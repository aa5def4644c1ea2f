// The "Online Restore" wizard against a real server: the ticked chain is downloaded by the Send &
// Receive that "&Apply" starts, and is then offered for viewing and extraction.
#include <QRadioButton>
#include <QTreeWidget>

#include "app/runtime/main_messages.h"
#include "app/ui/restore_wizard_dialog.h"
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
  TMessageReceiver receiver;
  std::string extract;
  receiver.OnMessage = [&extract](const TMessage& message) {
    if (message.Msg == WM_USER + messages::TWM_DOEXTRACT)
      if (const std::string* key = message.PayloadAs<std::string>()) extract = *key;
  };
  TfrmRestoreWizard wizard(*FStore, Window->RestoreList(), receiver);
  Click(wizard, "rbViewExtract");
  Click(wizard, "btnNext");
  auto& local = Find<QTreeWidget>(wizard, "lvLocal");
  ASSERT_EQ(local.topLevelItemCount(), 2);
  local.setCurrentItem(local.topLevelItem(1));
  Click(wizard, "btnNext");
  Click(wizard, "btnNext");
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(extract, increment);
}

}  // namespace
}  // namespace vaultora::test
