// vaultora-cli account set|show, run as processes.
#include <gtest/gtest.h>

#include "online/account_record.h"
#include "settings/ini_registry_editor.h"
#include "support/process_run.h"
#include "support/test_profile.h"

namespace vaultora::test {
namespace {

TProcessRun Cli(const std::string& arguments, const std::string& input) {
  return RunCommand("printf %s " + ShellQuote(input) + " | " + std::string(VAULTORA_CLI_PATH) +
                    " " + arguments);
}

TEST(AccountCommands, TheAccountRecordHoldsTheLogonNameAndPassword) {
  TTestProfile profile;
  TProcessRun run = Cli("account show", "");
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Output, "vaultora-cli: Logon information has not been supplied.\n");

  run = Cli("account set ann", "pass word\n");
  ASSERT_EQ(run.Status, 0) << run.Output;
  EXPECT_EQ(Cli("account show", "").Output, "Logon name: ann\n");

  TIniRegistryEditor store;
  const std::vector<uint8_t> record = ReadAccountSetup(store);
  EXPECT_LE(record.size(), account::kMaxRecordSize);
  const std::optional<TAccountItems> items = ReadAccountRecord(record);
  ASSERT_TRUE(items);
  EXPECT_EQ(items->LogonName, "ann");
  EXPECT_EQ(items->Password, "pass word");
  // The record is enciphered: the password is not in it as text.
  EXPECT_EQ(std::string(record.begin(), record.end()).find("pass word"), std::string::npos);
}

TEST(AccountCommands, BadInputChangesNothing) {
  TTestProfile profile;
  ASSERT_EQ(Cli("account set ann", "first\n").Status, 0);
  EXPECT_EQ(Cli("account set bob", "").Status, 1);  // no password at all
  EXPECT_EQ(Cli("account set bob", "\n").Status, 1);
  EXPECT_EQ(Cli("account set " + std::string(65, 'n'), "pw\n").Status, 1);
  EXPECT_EQ(Cli("account set", "pw\n").Status, 2);
  EXPECT_EQ(Cli("account show", "").Output, "Logon name: ann\n");
}

}  // namespace
}  // namespace vaultora::test
