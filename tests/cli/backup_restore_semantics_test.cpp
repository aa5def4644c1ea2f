// What a Linux user gets back: folder names kept (and collisions of a flat restore reported),
// incrementals that take what changed, folders monitored for new files, backups that say when
// a file could not be taken, and restores that clean up what a killed restore left.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "catalogue/catalogue.h"
#include "platform/folders.h"
#include "support/cli_profile.h"
#include "support/server_suite.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

using TTree = std::map<std::string, std::string>;

class CliBackupRestore : public test::TServerSuite {
 protected:
  void SetUp() override {
    ASSERT_GT(Server().Port(), 0) << Server().Failure();
    Profile.Connect(Server().Port(), {kAccount.LogonName, kAccount.Password});
    Profile.SetKey("a key of the user's own");
    test::WriteTextFile(Source / "x/types.h", "x types");
    test::WriteTextFile(Source / "y/types.h", "y types");
    test::WriteTextFile(Source / "top.txt", "top");
    ASSERT_EQ(Profile.Run("list create " + Source.Path() + " --subfolders --wizard"), 0)
        << Profile.Output();
  }
  std::string Below(const test::TTempFolder& folder) const {
    return folder.Path() + Source.Path().substr(1);
  }

  test::TCliProfile Profile{VAULTORA_CLI_PATH};
  test::TTempFolder Source;
  test::TTempFolder Target;
};

TEST_F(CliBackupRestore, FolderNamesAreKeptAndAFlatRestoreReportsEachCollision) {
  const std::string id = Profile.Backup("--title Tree");
  ASSERT_FALSE(id.empty()) << Profile.Output();
  ASSERT_EQ(Profile.Run("restore " + id + " --to " + Target.Path()), 0) << Profile.Output();
  EXPECT_EQ(test::ReadTree(Below(Target)),
            (TTree{{"top.txt", "top"}, {"x/types.h", "x types"}, {"y/types.h", "y types"}}));

  test::TTempFolder flat;
  EXPECT_EQ(Profile.Run("restore " + id + " --flat --mode all --to " + flat.Path()), 3);
  EXPECT_EQ(test::ReadTree(flat.Path()), (TTree{{"top.txt", "top"}, {"types.h", "x types"}}));
  EXPECT_TRUE(Profile.Printed("Not restored \"" + Source / "y/types.h" + "\": \"" +
                              Source / "x/types.h" + "\" was restored to \"" + flat / "types.h" +
                              "\" already"))
      << Profile.Output();
  EXPECT_TRUE(Profile.Printed("1 file(s) were not restored")) << Profile.Output();
  EXPECT_FALSE(Profile.Printed("Restore completed"));
}

TEST_F(CliBackupRestore, IncrementalsTakeWhatChangedAndTheFolderIsMonitored) {
  const std::string full = Profile.Backup("--title Full");
  ASSERT_FALSE(full.empty()) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("File(s) = 3\n")) << Profile.Output();

  // Nothing changed: nothing to take.
  EXPECT_TRUE(Profile.Backup("--title Same --base " + full).empty());
  EXPECT_TRUE(Profile.Printed("No new file(s) have been added to this backup archive."))
      << Profile.Output();

  // One changed file and one new one in a monitored subfolder.
  test::WriteTextFile(Source / "top.txt", "top, changed");
  test::WriteTextFile(Source / "x/new.h", "new");
  const std::string incremental = Profile.Backup("--title Inc --base " + full);
  ASSERT_FALSE(incremental.empty()) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("File(s) = 2\n")) << Profile.Output();
  EXPECT_EQ(TCatalogue(Profile.Store).Entry(incremental).Incremental, full);

  // A plain backup after one with --base is a full one.
  const std::string plain = Profile.Backup("--title Plain");
  ASSERT_FALSE(plain.empty()) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("Append Backup: [None]\n")) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("File(s) = 4\n")) << Profile.Output();
  EXPECT_EQ(TCatalogue(Profile.Store).Entry(plain).Incremental, "");
}

TEST_F(CliBackupRestore, FilesOnlyFreezesTheFolderAsItWas) {
  ASSERT_EQ(Profile.Run("list create " + Source.Path() + " --subfolders --files-only --wizard"), 0);
  test::WriteTextFile(Source / "later.txt", "made after the list");
  ASSERT_FALSE(Profile.Backup("--title Frozen").empty()) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("File(s) = 3\n")) << Profile.Output();
}

TEST_F(CliBackupRestore, AFileThatCannotBeTakenIsNamedAndTheRunIsIncomplete) {
  ASSERT_EQ(mkfifo((Source / "x/pipe").c_str(), 0600), 0);
  EXPECT_EQ(Profile.Run("backup --title WithPipe"), 3);
  EXPECT_TRUE(
      Profile.Printed("Skipping file \"" + Source / "x/pipe" + "\", a FIFO cannot be backed up"))
      << Profile.Output();
  EXPECT_TRUE(Profile.Printed("the backup is incomplete")) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("File(s) = 3\n")) << Profile.Output();
  EXPECT_EQ(TCatalogue(Profile.Store).Entries().size(), 1u);
}

TEST_F(CliBackupRestore, ARestoreRemovesWhatAKilledRestoreLeft) {
  const std::string id = Profile.Backup("--title Tree");
  ASSERT_FALSE(id.empty()) << Profile.Output();
  // A killed restore left its deciphered archive and a temporary file beside a target.
  test::WriteTextFile(Profile.FileOf(id, ".bck"), "plain text of the user's files");
  const std::string stale = Below(Target) + "x/.vaultora-restore-0123456789abcdef.tmp";
  test::WriteTextFile(stale, "half a file");
  test::WriteTextFile(Below(Target) + "x/.vaultora-notes", "the user's own hidden file");
  ASSERT_EQ(Profile.Run("restore " + id + " --to " + Target.Path()), 0) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("left by an earlier restore")) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("Removed 1 temporary file(s) an earlier restore left in \"" +
                              Below(Target) + "x/\""))
      << Profile.Output();
  EXPECT_FALSE(FileExists(stale));
  EXPECT_FALSE(FileExists(Profile.FileOf(id, ".bck")));
  EXPECT_TRUE(FileExists(Below(Target) + "x/.vaultora-notes"));
  EXPECT_EQ(test::ReadTextFile(Below(Target) + "x/types.h"), "x types");
}

}  // namespace
}  // namespace vaultora
