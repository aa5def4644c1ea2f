#include <gtest/gtest.h>

#include "backupset/catalogue.h"
#include "platform/folders.h"
#include "support/background_server.h"
#include "support/catalogued_backup.h"
#include "support/cli_profile.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

class CliTransfer : public testing::Test {
 protected:
  // A profile of the account that reaches the server.
  std::unique_ptr<test::TCliProfile> NewProfile() {
    auto profile = std::make_unique<test::TCliProfile>(VAULTORA_CLI_PATH);
    profile->Connect(FServer.Port(), {"ann", "secret"});
    profile->SetKey(kKey);
    return profile;
  }

  static constexpr const char* kKey = "the user's own key";
  test::TBackgroundServer FServer{VAULTORA_SERVER_PATH, {{"ann", "secret"}}};
  test::TTempFolder FSource;
};

TEST_F(CliTransfer, SendThenRegisterAndReceiveOnASecondComputerThenDelete) {
  ASSERT_GT(FServer.Port(), 0) << FServer.Failure();
  auto first = NewProfile();
  test::WriteTextFile(FSource / "notes.txt", "some notes");
  test::AddCataloguedBackup(first->Store,
                            {"46010.5", "Title 46010.5", {FSource / "notes.txt"}, "", true}, kKey);
  test::WriteTextFile(first->FileOf("46010.5", ".bfl"), "/home/ann/notes.txt\t\r\n");
  ASSERT_EQ(first->Run("send"), 0) << first->Output();
  EXPECT_TRUE(first->Printed("Logon accepted\nTransfering Title 46010.5\n")) << first->Output();
  EXPECT_TRUE(first->Printed("Internet transfer complete\n"));
  EXPECT_TRUE(first->Printed("Online backup closed\n"));
  EXPECT_FALSE(FileExists(first->FileOf("46010.5", ".BFE")));
  EXPECT_TRUE(FileExists(first->LogOf("InternetBackup.log")));
  EXPECT_EQ(first->Run("send"), 0) << first->Output();  // nothing to send is not a failure
  EXPECT_TRUE(first->Printed("Nothing waits in the Outbox\n"));

  auto second = NewProfile();
  ASSERT_EQ(second->Run("download-settings"), 0) << second->Output();
  EXPECT_TRUE(second->Printed("Title 46010.5 retrieved from Vaultora's server"));
  EXPECT_TRUE(second->Printed("46010.5 ")) << second->Output();
  EXPECT_EQ(second->Run("register"), 2);  // nothing named
  ASSERT_EQ(second->Run("register --all"), 0) << second->Output();
  EXPECT_TRUE(second->Printed("Title 46010.5 unpacked.\n"));
  EXPECT_EQ(test::ReadTextFile(second->FileOf("46010.5", ".bfl")), "/home/ann/notes.txt\t\r\n");
  ASSERT_EQ(second->Run("receive 46010.5"), 0) << second->Output();
  EXPECT_TRUE(second->Printed("Retrieving Title 46010.5\n"));
  EXPECT_TRUE(second->Printed("Backup retrieved from server\n"));
  EXPECT_TRUE(FileExists(second->FileOf("46010.5", ".BFE")));

  TCatalogue(second->Store).MarkDeleted("46010.5");
  ASSERT_EQ(second->Run("delete-on-server"), 0) << second->Output();
  EXPECT_TRUE(second->Printed("Internet delete complete\n"));
  EXPECT_FALSE(TCatalogue(second->Store).Exists("46010.5"));
  EXPECT_EQ(second->Run("download-settings"), 1);
  EXPECT_TRUE(second->Printed("There are no backups available on the server\n"));
}

}  // namespace
}  // namespace vaultora
