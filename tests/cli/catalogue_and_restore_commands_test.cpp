#include <gtest/gtest.h>

#include "platform/folders.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/catalogued_backup.h"
#include "support/process_run.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

// Runs vaultora-cli in the test's profile with empty input; the exit status, output in output.
int RunCli(const std::string& arguments, std::string& output) {
  const test::TProcessRun run =
      test::RunCommand(std::string(VAULTORA_CLI_PATH) + " " + arguments + " </dev/null");
  output = run.Output;
  return run.Status;
}

std::string Quoted(const std::string& text) {
  return test::ShellQuote(text);
}

class CliCatalogue : public testing::Test {
 protected:
  CliCatalogue()
      : profile(kKey), store(profile.Store), work(profile.Work), source(profile.Source) {}

  void Backup(const std::string& id, const test::TFileContents& files,
              const std::string& incremental = "", bool needToSend = false) {
    profile.Backup(id, files, incremental, needToSend);
  }
  bool EntryExists(const std::string& id) {
    store.SetFilename(keys::kBackupsKey);
    return store.SectionExists(id);
  }
  static bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }

  static constexpr const char* kKey = "the user's own key";
  test::TBackupProfile profile;
  TIniRegistryEditor& store;
  const test::TTempFolder& work;
  const test::TTempFolder& source;
  std::string out;
};

TEST_F(CliCatalogue, ViewsDeleteAndUndo) {
  Backup("46001.5", {{"a", "a"}}, "", /*needToSend=*/true);
  Backup("46002.5", {{"b", "b"}});
  DeleteFile(work.Path() + "46002_5.BFE");  // sent, not cached

  ASSERT_EQ(RunCli("catalogue view outbox", out), 0) << out;
  EXPECT_TRUE(Has(out, "Transfered")) << out;
  EXPECT_TRUE(Has(out, "Title 46001.5"));
  EXPECT_TRUE(Has(out, "1 item(s) to be sent."));
  ASSERT_EQ(RunCli("catalogue view sent", out), 0) << out;
  EXPECT_TRUE(Has(out, "1 item(s) on the server."));
  EXPECT_NE(RunCli("catalogue view elsewhere", out), 0);

  // A backup never sent is removed only when the question is answered Yes.
  EXPECT_EQ(RunCli("delete 46001.5", out), 1) << out;
  EXPECT_TRUE(Has(out, "has not been sent to the backup server")) << out;
  EXPECT_TRUE(EntryExists("46001.5"));
  ASSERT_EQ(RunCli("delete 'Title 46001.5' --yes", out), 0) << out;
  EXPECT_FALSE(EntryExists("46001.5"));
  EXPECT_FALSE(FileExists(work.Path() + "46001_5.BFE"));

  // A sent one is only marked, and the mark can be taken back.
  ASSERT_EQ(RunCli("delete 46002.5", out), 0) << out;
  ASSERT_EQ(RunCli("catalogue view deleted", out), 0);
  EXPECT_TRUE(Has(out, "1 item(s) to delete.")) << out;
  ASSERT_EQ(RunCli("undo 46002.5", out), 0) << out;
  ASSERT_EQ(RunCli("catalogue view deleted", out), 0);
  EXPECT_TRUE(Has(out, "0 item(s) to delete.")) << out;

  // Asking for a backup on the server takes the backups it was appended to along.
  Backup("46003.5", {{"c", "c"}}, "46002.5");
  DeleteFile(work.Path() + "46003_5.BFE");
  ASSERT_EQ(RunCli("request 46003.5", out), 0) << out;
  ASSERT_EQ(RunCli("catalogue view receiving", out), 0);
  EXPECT_TRUE(Has(out, "2 item(s) requested.")) << out;

  EXPECT_EQ(RunCli("delete 47000.5", out), 1);
  EXPECT_TRUE(Has(out, "unknown backup \"47000.5\"")) << out;
}

TEST_F(CliCatalogue, RestoreListsAndExtractsAnIncrementalChain) {
  Backup("46001.5", {{"one", "a1"}, {"two", "a2"}});
  Backup("46002.5", {{"one", "b1"}}, "46001.5");
  ASSERT_EQ(RunCli("restore 46002.5 --list", out), 0) << out;
  EXPECT_TRUE(Has(out, "Restore \"Title 46002.5\"")) << out;
  EXPECT_TRUE(Has(out, "Append completed")) << out;
  EXPECT_TRUE(Has(out, source.Path())) << out;

  test::TTempFolder target;
  ASSERT_EQ(RunCli("restore 46002.5 --mode all --flat --to " + Quoted(target.Path()), out), 0)
      << out;
  EXPECT_TRUE(Has(out, "Restore completed, 2 file(s) unpacked")) << out;
  EXPECT_EQ(test::ReadTextFile(target / "one"), "b1");
  EXPECT_EQ(test::ReadTextFile(target / "two"), "a2");

  test::TTempFolder chosen;
  ASSERT_EQ(RunCli("restore 46002.5 --file two --flat --to " + Quoted(chosen.Path()), out), 0)
      << out;
  EXPECT_FALSE(FileExists(chosen / "one"));
  EXPECT_EQ(test::ReadTextFile(chosen / "two"), "a2");
  EXPECT_NE(RunCli("restore 46002.5 --file three --to " + Quoted(chosen.Path()), out), 0);
  EXPECT_NE(RunCli("restore 46002.5 --mode sometimes", out), 0);

  // Each run wrote its block into the restore log, the latest first.
  ASSERT_EQ(RunCli("logs show Restores", out), 0) << out;
  EXPECT_LT(out.find("Restore completed, 1 file(s) unpacked"),
            out.find("Restore completed, 2 file(s) unpacked"))
      << out;
  ASSERT_EQ(RunCli("logs list", out), 0) << out;
  EXPECT_TRUE(Has(out, "Restore.log")) << out;
  EXPECT_NE(RunCli("logs clear Restore.log", out), 0) << "asks first";
  ASSERT_EQ(RunCli("logs clear 1 --yes", out), 0) << out;
  EXPECT_FALSE(FileExists(AppDataFolder() + "Restore.log"));
  EXPECT_NE(RunCli("logs show Nonsense", out), 0);

  // The cache the restores left behind.
  ASSERT_EQ(RunCli("clear-cache --yes", out), 0) << out;
  EXPECT_FALSE(FileExists(work.Path() + "46001_5.BFE"));
}

TEST_F(CliCatalogue, AnotherKeyListsNothingAndFails) {
  Backup("46001.5", {{"one", "a1"}});
  test::StoreUserKey(store, "somebody else's key");
  EXPECT_NE(RunCli("restore 46001.5 --list", out), 0);
  EXPECT_TRUE(Has(out, "Decryption failed, MAC mismatch")) << out;
  EXPECT_FALSE(Has(out, source.Path())) << out;
}

}  // namespace
}  // namespace vaultora
