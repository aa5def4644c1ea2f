// A full backup and two incremental ones built by vaultora-cli from a folder that changes between
// them, sent to vaultora-server, fetched back and restored in every way the restore offers.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include "catalogue/catalogue.h"
#include "platform/date_time.h"
#include "platform/folders.h"
#include "support/background_server.h"
#include "support/catalogued_backup.h"
#include "support/cli_profile.h"
#include "support/server_suite.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

using TTree = std::map<std::string, std::string>;

constexpr const char* kKey = "the user's own key";

// What the newest backup holds, newest copy of each file: a.txt changed in the first
// incremental, d.txt added then, sub/b.txt changed and sub/e.txt added in the second. c.txt was
// deleted before the first incremental: only the full backup holds it, and only a restore of
// everything the chain holds brings it back.
const TTree kNewest = {{"a.txt", "a changed"},
                       {"d.txt", "d added"},
                       {"sub/b.txt", "b changed again"},
                       {"sub/e.txt", "e added"}};

class CliRestoreChain : public test::TServerSuite {
 protected:
  void SetUp() override {
    ASSERT_GT(Server().Port(), 0) << Server().Failure();
    Profile.Connect(Server().Port(), {kAccount.LogonName, kAccount.Password});
    Profile.SetKey(kKey);
  }

  void WriteSource(const std::string& name, const std::string& content, int year) {
    test::WriteTextFile(Source / name, content);
    test::SetFileDate(Source / name, EncodeDate(year, 1, 1));
  }

  // Builds the three backups from a changing folder; with send, sends them and fetches them back
  // as the user would to restore (the request marks the whole chain).
  void BuildChain(bool send = true) {
    WriteSource("a.txt", "a first", 2020);
    WriteSource("c.txt", "c first", 2020);
    WriteSource("sub/b.txt", "b first", 2020);
    // A monitoring rule, so that files added later are taken too.
    ASSERT_EQ(Profile.Run("list create " + Source.Path() + " --rule --subfolders --wizard"), 0)
        << Profile.Output();
    Full = Profile.Backup("--title Full --full");
    ASSERT_FALSE(Full.empty()) << Profile.Output();

    WriteSource("a.txt", "a changed", 2021);
    DeleteFile(Source / "c.txt");
    WriteSource("d.txt", "d added", 2021);
    Inc1 = Profile.Backup("--title Inc1 --base " + Full);
    ASSERT_FALSE(Inc1.empty()) << Profile.Output();
    EXPECT_TRUE(Profile.Printed("Excluding file \"" + Source / "c.txt" + "\", File not found"));

    WriteSource("sub/b.txt", "b changed again", 2022);
    WriteSource("sub/e.txt", "e added", 2022);
    Inc2 = Profile.Backup("--title Inc2 --base " + Inc1);
    ASSERT_FALSE(Inc2.empty()) << Profile.Output();
    EXPECT_TRUE(
        Profile.Printed("Excluding file \"" + Source / "a.txt" + "\", the file size unchanged"));
    if (!send) return;

    ASSERT_EQ(Profile.Run("send"), 0) << Profile.Output();
    ASSERT_FALSE(FileExists(Profile.FileOf(Full, ".BFE")));
    ASSERT_EQ(Profile.Run("request " + Inc2), 0) << Profile.Output();
    ASSERT_EQ(Profile.Run("receive"), 0) << Profile.Output();
    for (const std::string& id : {Full, Inc1, Inc2})
      ASSERT_TRUE(FileExists(Profile.FileOf(id, ".BFE"))) << id << "\n" << Profile.Output();
  }

  // Restores from the newest backup of the chain.
  int Restore(const std::string& arguments) {
    return Profile.Run("restore " + Inc2 + " " + arguments);
  }
  // Where --folder-names puts the files of Source below folder.
  std::string Below(const test::TTempFolder& folder) const {
    return folder.Path() + Source.Path().substr(1);
  }

  test::TCliProfile Profile{VAULTORA_CLI_PATH};
  test::TTempFolder Source;
  test::TTempFolder Target;
  std::string Full, Inc1, Inc2;
};

TEST_F(CliRestoreChain, EachBackupHoldsWhatChangedAndNamesTheOneItAppendsTo) {
  ASSERT_NO_FATAL_FAILURE(BuildChain());
  TCatalogue catalogue(Profile.Store);
  EXPECT_EQ(catalogue.Entry(Full).Incremental, "");
  EXPECT_EQ(catalogue.Entry(Inc1).Incremental, Full);
  EXPECT_EQ(catalogue.Entry(Inc2).Incremental, Inc1);

  ASSERT_EQ(Profile.Run("restore " + Inc1 + " --list"), 0) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("Archive : Incremental Restore\n4 files, ")) << Profile.Output();
  ASSERT_EQ(Restore("--list"), 0) << Profile.Output();
  // Each file is listed once, the newest backup's first; the deleted one says so.
  const std::string out = Profile.Output();
  EXPECT_TRUE(Profile.Printed("Appending incremental archives\nAppend completed\n"));
  EXPECT_TRUE(Profile.Printed("5 files, 0 KB total\n")) << out;
  EXPECT_TRUE(Profile.Printed(Source.Path() + "  (deleted before this backup: --everything)"))
      << out;
  const size_t e = out.find("e.txt"), d = out.find("d.txt"), c = out.find("c.txt");
  ASSERT_NE(c, std::string::npos);
  EXPECT_LT(e, d);
  EXPECT_LT(d, c);
  EXPECT_TRUE(Profile.Printed("01/01/2022 12:00:00 AM")) << out;
}

TEST_F(CliRestoreChain, ASentChainIsNotRestoredInPartsButNamedForReceiving) {
  ASSERT_NO_FATAL_FAILURE(BuildChain(/*send=*/false));
  ASSERT_EQ(Profile.RunApart("send --json"), 0) << Profile.Errors();
  EXPECT_NE(Profile.Output().find("\"sent\":[\"" + Full + "\",\"" + Inc1 + "\",\"" + Inc2 +
                                  "\"],\"notSent\":[]"),
            std::string::npos)
      << Profile.Output();
  ASSERT_EQ(Profile.Run("restore " + Inc2 + " --list"), 1);
  for (const std::string& id : {Full, Inc1, Inc2})
    EXPECT_TRUE(Profile.Printed(id)) << id << "\n" << Profile.Output();
  EXPECT_TRUE(Profile.Printed("\"Inc1\" was sent to the server and is no longer here"))
      << Profile.Output();
  EXPECT_TRUE(Profile.Printed("fetch the backups first with: vaultora-cli receive " + Inc2));
  EXPECT_FALSE(Profile.Printed("Appending incremental archives"));

  // Only the base is fetched: the chosen backup is still missing, and nothing is listed.
  ASSERT_EQ(Profile.Run("receive " + Full), 0) << Profile.Output();
  ASSERT_EQ(Profile.Run("restore " + Inc2 + " --list"), 1);
  EXPECT_FALSE(Profile.Printed(Full + " \"Full\"")) << Profile.Output();
  EXPECT_TRUE(Profile.Printed(Inc2 + " \"Inc2\" was sent")) << Profile.Output();

  ASSERT_EQ(Profile.RunApart("receive " + Inc2 + " --json"), 0) << Profile.Errors();
  EXPECT_NE(Profile.Output().find("\"received\":["), std::string::npos) << Profile.Output();
  for (const std::string& id : {Inc1, Inc2})
    EXPECT_NE(Profile.Output().find("\"" + id + "\""), std::string::npos) << Profile.Output();
  EXPECT_NE(Profile.Output().find("\"notReceived\":[]"), std::string::npos) << Profile.Output();
  ASSERT_EQ(Profile.Run("restore " + Inc2 + " --list"), 0) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("5 files, 0 KB total\n")) << Profile.Output();
}

TEST_F(CliRestoreChain, AllFilesToAnotherFolderWithAndWithoutFolderNames) {
  ASSERT_NO_FATAL_FAILURE(BuildChain());
  ASSERT_EQ(Restore("--to " + Target.Path() + " --folder-names"), 0) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("Restore completed, 4 file(s) unpacked\n")) << Profile.Output();
  EXPECT_EQ(test::ReadTree(Below(Target)), kNewest);

  // Folder names are kept by default; --flat puts every file in the one folder.
  test::TTempFolder kept;
  ASSERT_EQ(Restore("--to " + kept.Path()), 0) << Profile.Output();
  EXPECT_EQ(test::ReadTree(Below(kept)), kNewest);
  test::TTempFolder flat;
  ASSERT_EQ(Restore("--to " + flat.Path() + " --flat"), 0) << Profile.Output();
  EXPECT_EQ(test::ReadTree(flat.Path()), (TTree{{"a.txt", "a changed"},
                                                {"b.txt", "b changed again"},
                                                {"d.txt", "d added"},
                                                {"e.txt", "e added"}}));
  // Everything the chain holds, the deleted file too.
  test::TTempFolder everything;
  ASSERT_EQ(Restore("--to " + everything.Path() + " --everything"), 0) << Profile.Output();
  TTree all = kNewest;
  all["c.txt"] = "c first";
  EXPECT_EQ(test::ReadTree(Below(everything)), all);
  // Nothing deciphered is left behind.
  EXPECT_FALSE(FileExists(Profile.FileOf(Inc2, ".bck")));
  EXPECT_FALSE(FileExists(Profile.FileOf(Full, ".bck")));

  // A relative --to is below the current folder, made when missing; a file is refused.
  test::TTempFolder here;
  const std::filesystem::path was = std::filesystem::current_path();
  std::filesystem::current_path(here.Path());
  const int relative = Restore("--to restored/new --flat");
  const std::string relativeOutput = Profile.Output();
  const int onAFile = Restore("--to restored/new/a.txt");
  std::filesystem::current_path(was);
  EXPECT_EQ(relative, 0) << relativeOutput;
  EXPECT_EQ(test::ReadTree(here / "restored/new").size(), 4u);
  EXPECT_EQ(onAFile, 1);
  EXPECT_TRUE(Profile.Printed("--to \"" + here / "restored/new/a.txt" +
                              "\" is a file, not a folder; nothing was restored"))
      << Profile.Output();
}

TEST_F(CliRestoreChain, EachRestoreModeDecidesByTheNewestCopy) {
  ASSERT_NO_FATAL_FAILURE(BuildChain());
  struct TCase {
    const char* Mode;
    TTree Expected;
  };
  // The target holds a.txt older than the newest copy (but newer than the full backup's),
  // sub/b.txt newer than any copy, and sub/e.txt dated exactly as stored; c.txt and d.txt are
  // missing.
  const TTree local = {{"a.txt", "local a"}, {"sub/b.txt", "local b"}, {"sub/e.txt", "local e"}};
  const TCase cases[] = {
      {"all", kNewest},
      {"no-overwrite",
       {{"a.txt", "local a"},
        {"d.txt", "d added"},
        {"sub/b.txt", "local b"},
        {"sub/e.txt", "local e"}}},
      {"newer",
       {{"a.txt", "a changed"},
        {"d.txt", "d added"},
        {"sub/b.txt", "local b"},
        {"sub/e.txt", "local e"}}},
      {"existing",
       {{"a.txt", "a changed"}, {"sub/b.txt", "b changed again"}, {"sub/e.txt", "e added"}}},
      {"existing-newer",
       {{"a.txt", "a changed"}, {"sub/b.txt", "local b"}, {"sub/e.txt", "local e"}}},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Mode);
    test::TTempFolder target;
    const std::string root = Below(target);
    for (const auto& [name, content] : local)
      test::WriteTextFile(root + name, content);
    test::SetFileDate(root + "a.txt", EncodeDate(2020, 6, 1));
    test::SetFileDate(root + "sub/b.txt", EncodeDate(2030, 1, 1));
    test::SetFileDate(root + "sub/e.txt", EncodeDate(2022, 1, 1));
    ASSERT_EQ(Restore("--to " + target.Path() + " --folder-names --mode " + test.Mode), 0)
        << Profile.Output();
    EXPECT_EQ(test::ReadTree(root), test.Expected);
  }
}

TEST_F(CliRestoreChain, ChosenFilesAloneAreRestored) {
  ASSERT_NO_FATAL_FAILURE(BuildChain());
  // By file name, and by full stored path.
  ASSERT_EQ(Restore("--to " + Target.Path() + " --folder-names --file a.txt --file " +
                    Source / "sub/e.txt"),
            0)
      << Profile.Output();
  EXPECT_TRUE(Profile.Printed("Restore completed, 2 file(s) unpacked\n")) << Profile.Output();
  EXPECT_EQ(test::ReadTree(Below(Target)),
            (TTree{{"a.txt", "a changed"}, {"sub/e.txt", "e added"}}));

  EXPECT_EQ(Restore("--to " + Target.Path() + " --file nothing.txt"), 1);
  EXPECT_TRUE(Profile.Printed("\"nothing.txt\" is not in this backup")) << Profile.Output();
}

TEST_F(CliRestoreChain, TheOldPlaceGetsBackWhatIsMissingOrOlder) {
  ASSERT_NO_FATAL_FAILURE(BuildChain());
  WriteSource("a.txt", "a spoilt", 2019);
  WriteSource("sub/b.txt", "b edited since", 2031);
  DeleteFile(Source / "sub/e.txt");
  ASSERT_EQ(Restore(""), 0) << Profile.Output();  // the default mode: newer
  EXPECT_EQ(test::ReadTree(Source.Path()), (TTree{{"a.txt", "a changed"},
                                                  {"d.txt", "d added"},
                                                  {"sub/b.txt", "b edited since"},
                                                  {"sub/e.txt", "e added"}}));
  // Restored files carry their stored dates: a second restore finds nothing older.
  ASSERT_EQ(Restore("--mode newer"), 0);
  EXPECT_TRUE(Profile.Printed("Restore completed, 0 file(s) unpacked\n")) << Profile.Output();
}

TEST_F(CliRestoreChain, AnotherKeyListsNothingAndLeavesTheArchivesAsTheyWere) {
  ASSERT_NO_FATAL_FAILURE(BuildChain());
  std::map<std::string, std::string> before;
  for (const std::string& id : {Full, Inc1, Inc2})
    before[id] = test::ReadTextFile(Profile.FileOf(id, ".BFE"));
  ASSERT_EQ(Profile.Run("key set --replace", "another key\n"), 0) << Profile.Output();

  EXPECT_EQ(Restore("--list"), 1);
  EXPECT_TRUE(Profile.Printed("Decryption failed, MAC mismatch\n")) << Profile.Output();
  EXPECT_TRUE(
      Profile.Printed("the stored encryption key is not the one this backup was made with"));
  EXPECT_FALSE(Profile.Printed("Archive :"));
  EXPECT_FALSE(Profile.Printed("a.txt"));
  EXPECT_EQ(Restore("--to " + Target.Path()), 1);
  EXPECT_TRUE(test::ReadTree(Target.Path()).empty());
  for (const std::string& id : {Full, Inc1, Inc2}) {
    EXPECT_EQ(test::ReadTextFile(Profile.FileOf(id, ".BFE")), before[id]) << id;
    EXPECT_FALSE(FileExists(Profile.FileOf(id, ".bck"))) << id;
  }
  // The right key still restores them.
  ASSERT_EQ(Profile.Run("key set --replace", std::string(kKey) + "\n"), 0);
  ASSERT_EQ(Restore("--to " + Target.Path() + " --folder-names"), 0) << Profile.Output();
  EXPECT_EQ(test::ReadTree(Below(Target)), kNewest);
}

TEST_F(CliRestoreChain, AnUnsentChainIsRestoredAndKeepsItsOnlyCopies) {
  ASSERT_NO_FATAL_FAILURE(BuildChain(/*send=*/false));
  ASSERT_EQ(Restore("--to " + Target.Path() + " --folder-names"), 0) << Profile.Output();
  EXPECT_EQ(test::ReadTree(Below(Target)), kNewest);
  for (const std::string& id : {Full, Inc1, Inc2})
    EXPECT_TRUE(FileExists(Profile.FileOf(id, ".BFE"))) << id;
  EXPECT_TRUE(TCatalogue(Profile.Store).DelCacheEntries().empty());
  ASSERT_EQ(Profile.Run("send"), 0) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("Transfering Full\n")) << Profile.Output();
}

TEST_F(CliRestoreChain, RestoredArchivesAreCachedUntilTheCacheIsCleared) {
  ASSERT_NO_FATAL_FAILURE(BuildChain());
  ASSERT_EQ(Restore("--to " + Target.Path()), 0) << Profile.Output();
  EXPECT_EQ(TCatalogue(Profile.Store).DelCacheEntries().size(), 3u);
  ASSERT_EQ(Profile.Run("catalogue view inbox"), 0);
  EXPECT_TRUE(Profile.Printed("3 item(s) in the inbox.")) << Profile.Output();
  ASSERT_EQ(Profile.Run("clear-cache --yes"), 0) << Profile.Output();
  for (const std::string& id : {Full, Inc1, Inc2})
    EXPECT_FALSE(FileExists(Profile.FileOf(id, ".BFE"))) << id;
  ASSERT_EQ(Profile.Run("catalogue view sent"), 0);
  EXPECT_TRUE(Profile.Printed("3 item(s) on the server.")) << Profile.Output();
}

}  // namespace
}  // namespace vaultora
