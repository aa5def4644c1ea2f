// The main window's verify request for a backup that lives only on the server: it is received
// through the download transfer first, then checked.
#include <QTreeWidget>

#include "app/runtime/main_messages.h"
#include "archive/ui/verify_window.h"
#include "online/ui/transfer_window_fixture.h"
#include "platform/folders.h"

namespace vaultora::test {
namespace {

using namespace messages;

TEST_F(TransferWindowsTest, VerifyReceivesABackupThatIsOnlyOnTheServerFirst) {
  UseLAN();
  // Bytes that are no archive under a made-up MAC: once received, the check must say so.
  const std::string id = MakeBackup("Elsewhere", 20000, 46050.25);
  Open();
  Trigger(mcSendOnly);
  ASSERT_TRUE(RunToIdle());
  ASSERT_FALSE(FileExists(ArchiveOf(id)));

  Window->Receiver().PostValue(WM_USER + TWM_DOVERIFY, 0, 0, std::vector<std::string>{id});
  ASSERT_TRUE(RunUntil([this] { return Window->VerifyWindow() != nullptr; }));
  TfrmVerify* window = Window->VerifyWindow();
  ASSERT_TRUE(RunUntil([window] { return window->Finished(); }, 30000));
  EXPECT_NE(std::find(Opened.begin(), Opened.end(), wkReceive), Opened.end());
  EXPECT_TRUE(FileExists(ArchiveOf(id))) << "received";
  ASSERT_EQ(window->Results().size(), 1u);
  EXPECT_EQ(window->Results()[0].Outcome, voDamaged) << window->Results()[0].Text;
  EXPECT_EQ(window->Results()[0].Text.rfind("MAC mismatch", 0), 0u);
}

}  // namespace
}  // namespace vaultora::test
