// What vaultora-cli says when it cannot do what was asked: no server, a refused logon, no
// account, no key, a backup it does not know, arguments it cannot use. Every case exits non-zero,
// tells the user in words, and leaves the stored files as they were.
#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "platform/date_time.h"
#include "platform/folders.h"
#include "support/background_server.h"
#include "support/catalogued_backup.h"
#include "support/cli_profile.h"
#include "support/server_suite.h"
#include "support/small_disk.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

constexpr const char* kKey = "the user's own key";
constexpr const char* kId = "46010.5";

class CliErrors : public test::TServerSuite {
 protected:
  // A backup of one file waiting in the Outbox, enciphered under key.
  void AddWaitingBackup(const std::string& key = kKey) {
    test::WriteTextFile(Source / "notes.txt", "some notes");
    test::SetFileDate(Source / "notes.txt", EncodeDate(2020, 1, 1));
    test::AddCataloguedBackup(Profile.Store, {kId, "Notes", {Source / "notes.txt"}, "", true}, key);
    Archive = test::ReadTextFile(Profile.FileOf(kId, ".BFE"));
  }
  // The backup is still waiting to be sent, its archive unchanged.
  void ExpectStillWaiting() {
    EXPECT_TRUE(TCatalogue(Profile.Store).Entry(kId).NeedToSend);
    EXPECT_EQ(test::ReadTextFile(Profile.FileOf(kId, ".BFE")), Archive);
  }

  test::TCliProfile Profile{VAULTORA_CLI_PATH};
  test::TTempFolder Source;
  std::string Archive;
};

TEST_F(CliErrors, WithNoServerListeningEveryTransferFailsAndSaysWhy) {
  const int port = test::UnusedLoopbackPort();
  Profile.Connect(port, {kAccount.LogonName, kAccount.Password});
  Profile.SetKey(kKey);
  AddWaitingBackup();
  EXPECT_EQ(Profile.Run("send"), 1);
  EXPECT_TRUE(Profile.Printed("cannot connect to 127.0.0.1:" + std::to_string(port) +
                              ": connection refused\n"))
      << Profile.Output();
  EXPECT_FALSE(Profile.Printed("Windows socket error")) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("Failed to locate the Vaultora server [127.0.0.1]\n"));
  EXPECT_TRUE(Profile.Printed("Online backup failed to transfer the backup(s)\n"));
  ExpectStillWaiting();
  EXPECT_EQ(Profile.Run("download-settings"), 1);
  EXPECT_TRUE(Profile.Printed("Failed to locate the Vaultora server [127.0.0.1]\n"))
      << Profile.Output();
  ExpectStillWaiting();
}

TEST_F(CliErrors, AWrongPasswordOrNoAccountIsRefusedAndNothingIsSent) {
  ASSERT_GT(Server().Port(), 0) << Server().Failure();
  Profile.Connect(Server().Port(), {"ann", "not the password"});
  Profile.SetKey(kKey);
  AddWaitingBackup();
  EXPECT_EQ(Profile.Run("send"), 1);
  EXPECT_TRUE(Profile.Printed(
      "Logon failed, Please check your logon details or contact Vaultora's helpdesk\n"))
      << Profile.Output();
  EXPECT_FALSE(Profile.Printed("Transfering Notes"));
  ExpectStillWaiting();
  EXPECT_EQ(Profile.Run("download-settings"), 1);
  EXPECT_TRUE(Profile.Printed("Logon failed")) << Profile.Output();

  ASSERT_EQ(Profile.Run("settings delete Registration"), 0) << Profile.Output();
  EXPECT_EQ(Profile.Run("send"), 1);
  EXPECT_TRUE(Profile.Printed("Logon information has not been supplied.\n")) << Profile.Output();
  ExpectStillWaiting();
}

TEST_F(CliErrors, WithoutAKeyNothingIsBuiltOrRestored) {
  test::WriteTextFile(Source / "a.txt", "a");
  ASSERT_EQ(Profile.Run("list create " + Source.Path() + " --wizard"), 0) << Profile.Output();
  // Refused before a byte is read: the run does not even start.
  EXPECT_EQ(Profile.Run("backup --title Nothing"), 1);
  EXPECT_TRUE(Profile.Printed("no encryption key is stored, so no backup can be made"))
      << Profile.Output();
  EXPECT_FALSE(Profile.Printed("Compressing")) << Profile.Output();
  EXPECT_TRUE(TCatalogue(Profile.Store).Entries().empty());
  for (const auto& [name, content] : test::ReadTree(Profile.Home()))
    EXPECT_EQ(name.find(".bck"), std::string::npos) << name;

  // A backup made under a key the profile no longer holds.
  AddWaitingBackup("a key since forgotten");
  test::TTempFolder target;
  EXPECT_EQ(Profile.Run(std::string("restore ") + kId + " --to " + target.Path()), 1);
  EXPECT_TRUE(Profile.Printed("Encryption key has not been defined in \"Options\"\n"))
      << Profile.Output();
  EXPECT_TRUE(Profile.Printed("no encryption key is stored (see vaultora-cli key set)"));
  EXPECT_TRUE(test::ReadTree(target.Path()).empty());
  ExpectStillWaiting();

  EXPECT_EQ(Profile.Run("key set"), 1);  // nothing on standard input
  EXPECT_TRUE(Profile.Printed("no key was given")) << Profile.Output();
  EXPECT_EQ(Profile.Run("key set", "   \n"), 1);
  EXPECT_TRUE(Profile.Printed("the key is blank; nothing was changed")) << Profile.Output();
}

TEST_F(CliErrors, AnUnknownBackupIsNamedInTheError) {
  ASSERT_GT(Server().Port(), 0) << Server().Failure();
  Profile.Connect(Server().Port(), {kAccount.LogonName, kAccount.Password});
  Profile.SetKey(kKey);
  AddWaitingBackup();
  for (const char* command :
       {"restore 4711.5", "restore 4711.5 --list", "delete 4711.5 --yes", "undo 4711.5",
        "request 4711.5", "move-to-sent 4711.5", "receive 4711.5"}) {
    EXPECT_EQ(Profile.Run(command), 1) << command;
    EXPECT_EQ(Profile.Output(), "vaultora-cli: unknown backup \"4711.5\"\n") << command;
  }
  EXPECT_EQ(Profile.Run("catalogue 4711.5"), 1);
  EXPECT_TRUE(Profile.Printed("unknown backup \"4711.5\"")) << Profile.Output();
  // An incremental backup on a base that does not exist is refused, not made a full one.
  test::WriteTextFile(Source / "more.txt", "more");
  ASSERT_EQ(Profile.Run("list create " + Source.Path() + " --wizard"), 0) << Profile.Output();
  EXPECT_EQ(Profile.Run("backup --title More --base 4711.5"), 1);
  EXPECT_TRUE(Profile.Printed("unknown backup \"4711.5\" for --base")) << Profile.Output();
  EXPECT_EQ(TCatalogue(Profile.Store).Entries().size(), 1u);
  ExpectStillWaiting();
}

TEST_F(CliErrors, ArgumentsItCannotUseAreRefusedInWords) {
  Profile.SetKey(kKey);
  AddWaitingBackup();
  // The file's old place holds a newer edit that a restore to the old place would overwrite.
  test::WriteTextFile(Source / "notes.txt", "edited since");
  const std::string id = kId;
  const struct {
    std::string Arguments;
    int Status;
    std::string Says;
  } cases[] = {
      {"", 2, "Usage: vaultora-cli COMMAND"},
      {"frobnicate", 2, "unknown command \"frobnicate\""},
      {"restore " + id + " --too " + Source.Path() + " --mode all", 2,
       "unknown option \"--too\" for restore"},
      {"restore " + id + " --mode all --to", 2, "--to needs a value"},
      {"restore " + id + " --mode all --to ''", 1, "Invalid folder name"},
      {"restore " + id + " --mode all --folder-names", 2, "--folder-names needs --to FOLDER"},
      {"restore " + id + " --mode sideways", 2, "--mode is one of all, no-overwrite, newer"},
      {"restore --mode all", 2, "name a backup: its ID, the beginning of it, latest"},
      {"catalogue view elsewhere", 2, "name a view: outbox, inbox, sent, receiving or deleted"},
      {"logs show nowhere", 1, "unknown log \"nowhere\""},
      {"settings set Connection ServerPort 9 x", 1, "KIND is 1 (string)"},
      {"list create /no/such/folder", 1, "\"/no/such/folder\" does not exist"},
  };
  for (const auto& test : cases) {
    EXPECT_EQ(Profile.Run(test.Arguments), test.Status) << test.Arguments;
    EXPECT_TRUE(Profile.Printed(test.Says)) << test.Arguments << "\n" << Profile.Output();
  }
  EXPECT_EQ(test::ReadTextFile(Source / "notes.txt"), "edited since");
  ExpectStillWaiting();
}

// A list made without --wizard is not the backup's: the refusal says how to make it so. A tiny
// backup shows no compression figure, which only its records would decide.
TEST_F(CliErrors, ABackupWithoutAChosenListSaysHowAndATinyOneShowsNoFigure) {
  Profile.SetKey(kKey);
  test::WriteTextFile(Source / "tiny.txt", "tiny");
  ASSERT_EQ(Profile.Run("list create " + Source.Path()), 0) << Profile.Output();
  EXPECT_EQ(Profile.Run("backup --title Tiny"), 1);
  EXPECT_TRUE(
      Profile.Printed("give --list FILE, or make the backup's list with vaultora-cli "
                      "list create PATH... --wizard"))
      << Profile.Output();
  ASSERT_EQ(Profile.Run("list create " + Source.Path() + " --wizard"), 0) << Profile.Output();
  EXPECT_EQ(Profile.Run("backup --title Tiny"), 0) << Profile.Output();
  EXPECT_TRUE(Profile.Printed("File(s) = 1")) << Profile.Output();
  EXPECT_FALSE(Profile.Printed("Compression = ")) << Profile.Output();
}

// A working folder that fills up names the full disk; nothing is catalogued or left behind.
TEST_F(CliErrors, ABackupOntoAFullDiskSaysSoAndLeavesNothing) {
  test::TSmallDisk disk(256 * 1024);
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small file system here (needs root)";
  Profile.SetKey(kKey);
  std::string noise(1024 * 1024, '\0');
  uint32_t seed = 17;
  for (char& c : noise)
    c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
  test::WriteTextFile(Source / "noise.bin", noise);
  ASSERT_EQ(Profile.Run("list create " + Source.Path() + " --wizard"), 0) << Profile.Output();
  ASSERT_EQ(Profile.Run("options set working-folder " + disk.Path()), 0) << Profile.Output();
  EXPECT_EQ(Profile.Run("backup --title Full --full"), 1);
  EXPECT_TRUE(Profile.Printed("No space left on device: cannot write the archive in \"" +
                              disk.Path() + "\""))
      << Profile.Output();
  EXPECT_TRUE(TCatalogue(Profile.Store).Entries().empty());
  EXPECT_TRUE(test::ReadTree(disk.Path()).empty());
}

}  // namespace
}  // namespace vaultora
