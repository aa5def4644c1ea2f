// vaultora-cli key set, archive encrypt|decrypt and catalogue, run as processes.
#include <gtest/gtest.h>

#include "platform/folders.h"
#include "support/process_run.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora::test {
namespace {

TProcessRun Cli(const std::string& arguments, const std::string& input = "") {
  const std::string cli = std::string(VAULTORA_CLI_PATH) + " " + arguments;
  return RunCommand(input.empty() ? cli + " </dev/null"
                                  : "printf %s " + ShellQuote(input) + " | " + cli);
}

TEST(CryptoCommands, ArchivesNeedAStoredKeyAndComeBackWithTheirMac) {
  TTestProfile profile;
  TTempFolder data;
  WriteTextFile(data / "a.bck", std::string(10000, 'a') + "end");

  TProcessRun run = Cli("archive encrypt " + data / "a.bck" + " " + data / "a.BFE");
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Output, "vaultora-cli: Encryption key has not been defined in \"Options\"\n");

  run = Cli("key set", "my secret key\n");
  ASSERT_EQ(run.Status, 0) << run.Output;
  run = Cli("archive encrypt " + data / "a.bck" + " " + data / "a.BFE");
  ASSERT_EQ(run.Status, 0) << run.Output;
  const std::string mac = run.Output.substr(0, 16);
  EXPECT_EQ(run.Output, mac + "\n");
  EXPECT_EQ(ReadTextFile(data / "a.BFE").size(), 10008u);

  run = Cli("archive decrypt " + data / "a.BFE" + " " + data / "b.bck" + " --mac " + mac);
  EXPECT_EQ(run.Status, 0) << run.Output;
  EXPECT_EQ(run.Output, mac + "\n");
  EXPECT_EQ(ReadTextFile(data / "b.bck"), ReadTextFile(data / "a.bck"));

  // Another key deciphers to garbage and its MAC differs: an earlier output stays as it was.
  EXPECT_EQ(Cli("key set", "another key").Status, 1);
  ASSERT_EQ(Cli("key set --replace", "another key").Status, 0);
  WriteTextFile(data / "c.bck", "earlier");
  run = Cli("archive decrypt " + data / "a.BFE" + " " + data / "c.bck" + " --mac " + mac);
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Output, "vaultora-cli: Decryption failed, MAC mismatch\n");
  EXPECT_EQ(ReadTextFile(data / "c.bck"), "earlier");
  EXPECT_FALSE(vaultora::FileExists(data / "c.bck.partial"));
}

TEST(CryptoCommands, KeysOutsideTheRulesAreRefusedAndTheOldKeyKept) {
  TTestProfile profile;
  TTempFolder data;
  WriteTextFile(data / "in", "some archive");
  ASSERT_EQ(Cli("key set", "the good key").Status, 0);
  const std::string before = Cli("archive encrypt " + data / "in" + " " + data / "out").Output;

  EXPECT_EQ(Cli("key set", "   \n").Status, 1);
  TProcessRun run = Cli("key set", std::string(57, 'k'));
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Output, "vaultora-cli: Blowfish: Key must be between 1 and 56 bytes\n");
  EXPECT_EQ(Cli("key set").Status, 1);  // nothing on standard input
  run = Cli("key set --replace --from " + data / "no such file");
  EXPECT_EQ(run.Status, 1);
  EXPECT_TRUE(run.Output.find("cannot read a key from") != std::string::npos) << run.Output;
  EXPECT_EQ(Cli("archive encrypt " + data / "in" + " " + data / "out").Output, before);

  // A key file gives its first line, without the line end, as the terminal would.
  WriteTextFile(data / "key", "the good key\r\nnot part of it\n");
  ASSERT_EQ(Cli("key set --from " + data / "key").Status, 0);
  EXPECT_EQ(Cli("archive encrypt " + data / "in" + " " + data / "out").Output, before);
}

TEST(CryptoCommands, CatalogueListsEntriesWithValuesAndState) {
  TTestProfile profile;
  ASSERT_EQ(Cli("settings set Backups/45000.5 FinishDateTime 1 45000.75").Status, 0);
  ASSERT_EQ(Cli("settings set Backups/45000.5 BackupTitle 1 Monday").Status, 0);
  ASSERT_EQ(Cli("settings set Backups/45000.5 NeedToSend 2 True").Status, 0);
  ASSERT_EQ(Cli("settings set Backups/45001.5 BackupTitle 1 Broken").Status, 0);
  ASSERT_EQ(Cli("settings set Backups/45001.5 Deleted 2 True").Status, 0);

  // Standard output holds the entries; the count is a status line. Times as the user chose.
  TProcessRun run =
      RunCommandApart(std::string(VAULTORA_CLI_PATH) + " catalogue --date-format '%d/%m/%Y %T'");
  ASSERT_EQ(run.Status, 0) << run.Output;
  EXPECT_EQ(run.Output,
            "45000.5  To send  [Outbox]\n"
            "  Short=45000.5\n"
            "  Started=15/03/2023 12:00:00\n"
            "  FinishDateTime=15/03/2023 18:00:00\n"
            "  BackupTitle=Monday\n"
            "  NeedToSend\n"
            "  Archive=" +
                profile.Home() +
                "45000_5.BFE (not here)\n"
                "45001.5  Marked for deletion  [Deleted]\n"
                "  Short=45001.5\n"
                "  Started=16/03/2023 12:00:00\n"
                "  FinishDateTime=Failed Backup\n"
                "  BackupTitle=Broken\n"
                "  Deleted\n"
                "  Archive=" +
                profile.Home() + "45001_5.BFE (not here)\n");
  EXPECT_EQ(run.Errors, "2 backup(s)\n");
  EXPECT_EQ(Cli("catalogue 1.5").Status, 1);
}

}  // namespace
}  // namespace vaultora::test
