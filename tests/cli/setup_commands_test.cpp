// vaultora-cli connection and options, run as processes over a profile of their own.
#include <gtest/gtest.h>

#include <string>

#include "archive/encryption_key.h"
#include "settings/ini_registry_editor.h"
#include "support/cli_run.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora::test {
namespace {

TCliRun Cli(const std::string& arguments, const std::string& environment = "") {
  return RunCommand(environment + " " + VAULTORA_CLI_PATH + " " + arguments);
}

bool Says(const std::string& output, const std::string& text) {
  return output.find(text) != std::string::npos;
}
bool Says(const TCliRun& run, const std::string& text) {
  return Says(run.Output, text);
}

TEST(SetupCommands, ConnectionIsSetCheckedAndShown) {
  TTestProfile profile;
  EXPECT_EQ(Cli("connection").Output,
            "The connection has not been set up (vaultora-cli connection set).\n");
  TCliRun run = Cli("connection set --host 127.0.0.1 --port 7070");
  EXPECT_EQ(run.Status, 2);
  EXPECT_TRUE(Says(run, "--direct or --dialup ENTRY")) << run.Output;

  run = Cli("connection set --host 127.0.0.1 --port 7070 --direct");
  ASSERT_EQ(run.Status, 0) << run.Output;
  const std::string stored =
      "Connection: direct\nDialup entry: (none)\nHost: 127.0.0.1\nServer port: 7070\n";
  EXPECT_EQ(Cli("connection").Output, stored);

  // Refused changes leave the section as it was; what is not named stays.
  run = Cli("connection set --port ''");
  EXPECT_EQ(run.Status, 1);
  EXPECT_TRUE(Says(run, "A Server port has not been specified.")) << run.Output;
  EXPECT_TRUE(Says(Cli("connection set --host ' '"), "A Host has not been specified."));
  EXPECT_TRUE(Says(Cli("connection set --port 70000"), "from 1 to 65535"));
  EXPECT_TRUE(Says(Cli("connection set --host 'backup server'"), "or a host name"));
  EXPECT_TRUE(Says(Cli("connection set --direct --dialup Office"), "not both"));
  run = Cli("connection set --hots 10.0.0.1");
  EXPECT_EQ(run.Status, 2);
  EXPECT_TRUE(Says(run, "unknown option \"--hots\" for connection set")) << run.Output;
  EXPECT_EQ(Cli("connection").Output, stored);

  ASSERT_EQ(Cli("connection set --port 7171").Status, 0);
  EXPECT_TRUE(Says(Cli("connection"), "Server port: 7171\n"));
}

TEST(SetupCommands, DialupEntriesComeFromThePhoneBook) {
  TTestProfile profile;
  TTempFolder folder;
  WriteTextFile(folder / "dialup", "entry Office|ann|secret\nentry Home\n");
  const std::string dialup = "VAULTORA_DIALUP=" + ShellQuote(folder / "dialup");
  EXPECT_EQ(Cli("connection entries", dialup).Output, "Office\nHome\n");
  EXPECT_EQ(Cli("connection entries").Output, "The dial-up phone book has no entries.\n");

  TCliRun run = Cli("connection set --dialup Work --host 10.0.0.1", dialup);
  EXPECT_EQ(run.Status, 1);
  EXPECT_TRUE(Says(run, "no dial-up entry \"Work\"")) << run.Output;
  run = Cli("connection set --dialup home --host 10.0.0.1", dialup);
  ASSERT_EQ(run.Status, 0) << run.Output;
  EXPECT_EQ(Cli("connection").Output,
            "Connection: dial-up\nDialup entry: Home\nHost: 10.0.0.1\nServer port: 211\n");
  // Without a flag the stored entry is kept, but only while the phone book still has it.
  EXPECT_EQ(Cli("connection set --port 7000", dialup).Status, 0);
  EXPECT_TRUE(Says(Cli("connection set --port 7001"), "\"Home\" is not in the phone book"));
}

TEST(SetupCommands, OptionsAreChangedByNameAndTheKeyIsKept) {
  TTestProfile profile;
  ASSERT_EQ(RunCommand("echo 'Pancakes1' | " + std::string(VAULTORA_CLI_PATH) + " key set").Status,
            0);
  TCliRun run =
      Cli("options set transmit-buffer 4096 reconnect off compression fastest keep-log-files on "
          "prompt-before-shutdown yes shutdown-action execute-shell shell-command 'echo done'");
  ASSERT_EQ(run.Status, 0) << run.Output;
  EXPECT_EQ(Cli("settings get Preferences TrxOutBufferSize").Output, "4096\n");
  EXPECT_EQ(Cli("settings get Preferences CompressionType").Output, "0\n");
  EXPECT_EQ(Cli("settings get Preferences ShellCommand").Output, "echo done\n");
  EXPECT_EQ(Cli("settings get Preferences AutoReconnect").Status, 1);  // unticked: absent
  TIniRegistryEditor store;
  EXPECT_EQ(ReadEncryptionKey(store), "Pancakes1");

  const std::string shown = Cli("options").Output;
  EXPECT_TRUE(Says(shown, "transmit-buffer            4096")) << shown;
  EXPECT_TRUE(Says(shown, "shutdown-action            execute-shell")) << shown;
  EXPECT_TRUE(Says(shown,
                   "standby-technique          hibernate              "
                   "hibernate|ram-alive  [not in use]"))
      << shown;
  EXPECT_TRUE(Says(shown, "encryption key             stored")) << shown;
}

TEST(SetupCommands, TheBandwidthLimitIsSetKeptByOtherOptionsAndRemovedAtZero) {
  TTestProfile profile;
  ASSERT_EQ(Cli("options set bandwidth-limit 500").Status, 0);
  EXPECT_EQ(Cli("settings get Preferences BandwidthLimit").Output, "500\n");
  // The options are written whole: another change keeps the limit.
  ASSERT_EQ(Cli("options set dial-retry 2").Status, 0);
  EXPECT_EQ(Cli("settings get Preferences BandwidthLimit").Output, "500\n");
  EXPECT_TRUE(Says(Cli("options").Output, "bandwidth-limit            500"));
  EXPECT_EQ(Cli("options set bandwidth-limit -1").Status, 2);
  ASSERT_EQ(Cli("options set bandwidth-limit 0").Status, 0);
  EXPECT_EQ(Cli("settings get Preferences BandwidthLimit").Status, 1) << "0: no limit, absent";
}

TEST(SetupCommands, RefusedOptionsWriteNothing) {
  TTestProfile profile;
  ASSERT_EQ(Cli("options set dial-retry 7").Status, 0);
  // Names and values the command line cannot use are usage errors (2); settings the option
  // checks refuse are failures (1).
  const struct {
    const char* Arguments;
    int Status;
    const char* Says;
  } refused[] = {
      {"options set dial-retry 3 colour blue", 2, "unknown option \"colour\""},
      {"options set dial-retry 3 transmit-buffer 100", 2, "is not a value of transmit-buffer"},
      {"options set dial-retry 3 compression best", 2, "fastest|average|slowest"},
      {"options set dial-retry 3 email-notification on", 1,
       "A e-mail address has not been specified."},
      {"options set dial-retry 3 working-folder /nowhere/at/all", 1,
       "The working folder specified does not exists."},
      {"options set dial-retry", 2, "usage"},
  };
  for (const auto& c : refused) {
    const TCliRun run = Cli(c.Arguments);
    EXPECT_EQ(run.Status, c.Status) << c.Arguments;
    EXPECT_TRUE(Says(run, c.Says)) << c.Arguments << ": " << run.Output;
  }
  EXPECT_EQ(Cli("settings get Preferences DialRetry").Output, "7\n");

  // A folder named relative to where the command runs is stored whole.
  TTempFolder folder;
  ASSERT_EQ(
      RunCommand("mkdir " + ShellQuote(folder / "work") + " && cd " + ShellQuote(folder.Path()) +
                 " && " + VAULTORA_CLI_PATH + " options set working-folder work")
          .Status,
      0);
  EXPECT_EQ(Cli("settings get Preferences WorkingZipFolder").Output, folder / "work\n");
}

}  // namespace
}  // namespace vaultora::test
