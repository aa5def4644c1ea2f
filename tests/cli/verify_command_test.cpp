// vaultora-cli verify over backups that vaultora-cli built: a sound backup is verified, a
// flipped byte of its stored archive is found, and a backup that lives only on the server is
// received first and then verified.
#include <gtest/gtest.h>

#include "platform/date_time.h"
#include "platform/folders.h"
#include "support/catalogued_backup.h"
#include "support/cli_profile.h"
#include "support/server_suite.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

class CliVerify : public test::TServerSuite {
 protected:
  void SetUp() override {
    ASSERT_GT(Server().Port(), 0) << Server().Failure();
    Profile.Connect(Server().Port(), {kAccount.LogonName, kAccount.Password});
    Profile.SetKey("the user's own key");
    test::WriteTextFile(Source / "a.txt", std::string(90000, 'a'));
    test::WriteTextFile(Source / "b.txt", "beta");
    ASSERT_EQ(Profile.Run("list create " + Source.Path() + " --rule --wizard"), 0)
        << Profile.Output();
    Id = Profile.Backup("--title Papers --full");
    ASSERT_FALSE(Id.empty()) << Profile.Output();
  }

  test::TCliProfile Profile{VAULTORA_CLI_PATH};
  test::TTempFolder Source;
  std::string Id;
};

TEST_F(CliVerify, ASoundBackupIsVerifiedAndAFlippedByteIsFound) {
  ASSERT_EQ(Profile.Run("verify " + Id), 0) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("\"Papers\" (" + Id + "): verified: 2 file(s), 87.89 KB\n"))
      << Profile.Output();

  const std::string archive = Profile.FileOf(Id, ".BFE");
  test::FlipBitAt(archive, FileSizeOf(archive) / 3);
  EXPECT_EQ(Profile.Run("verify " + Id), 1);
  EXPECT_TRUE(Profile.Printed("(" + Id + "): MAC mismatch")) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("1 of 1 backup(s) did not verify")) << Profile.Output();
  EXPECT_FALSE(FileExists(Profile.FileOf(Id, ".bck"))) << "nothing deciphered to the disk";
  EXPECT_EQ(Profile.Run("verify"), 2) << "no backup named";
}

TEST_F(CliVerify, ABackupOnlyOnTheServerIsReceivedFirst) {
  ASSERT_EQ(Profile.Run("send"), 0) << Profile.Output();
  ASSERT_FALSE(FileExists(Profile.FileOf(Id, ".BFE")));
  EXPECT_EQ(Profile.Run("verify " + Id + " --no-receive"), 1);
  EXPECT_TRUE(Profile.Printed("is not on this computer: receive it first")) << Profile.Output();
  ASSERT_EQ(Profile.Run("verify " + Id), 0) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("Receiving 1 backup(s) from the server before they are verified"));
  EXPECT_TRUE(Profile.Printed("): verified: 2 file(s)")) << Profile.Output();
}

}  // namespace
}  // namespace vaultora
