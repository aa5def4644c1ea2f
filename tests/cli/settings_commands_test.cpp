// vaultora-cli settings: the commands run as processes over a profile of their own.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "archive/encryption_key.h"
#include "platform/folders.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/cli_run.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora::test {
namespace {

TCliRun Cli(const std::string& arguments) {
  return RunCli(VAULTORA_CLI_PATH, arguments);
}

TEST(SettingsCommands, SetGetDumpAndDelete) {
  TTestProfile profile;
  EXPECT_EQ(Cli("settings set Preferences CompressionType 3 1").Status, 0);
  EXPECT_EQ(Cli("settings set Preferences ShellCommand 1 'run a=b'").Status, 0);
  EXPECT_EQ(Cli("settings set Preferences Enabled 2 True").Status, 0);
  EXPECT_EQ(Cli("settings set Registration RegistrationData b 00ff7a").Status, 0);
  EXPECT_EQ(Cli("settings set Backups/45000_5 BackupTitle 1 Monday").Status, 0);

  EXPECT_EQ(Cli("settings get preferences compressiontype").Output, "1\n");
  EXPECT_EQ(Cli("settings dump").Output,
            "[Software\\Vaultora]\n"
            "[Software\\Vaultora\\Backups]\n"
            "[Software\\Vaultora\\Backups\\45000_5]\n"
            "string BackupTitle=Monday\n"
            "[Software\\Vaultora\\Preferences]\n"
            "dword  CompressionType=1\n"
            "string ShellCommand=run a=b\n"
            "string Enabled=1\n"
            "[Software\\Vaultora\\Registration]\n"
            "binary RegistrationData=00FF7A\n");

  EXPECT_EQ(Cli("settings delete Preferences Enabled").Status, 0);
  EXPECT_EQ(Cli("settings get Preferences Enabled").Status, 1);
  EXPECT_EQ(Cli("settings delete Backups/45000_5").Status, 0);
  EXPECT_EQ(Cli("settings dump Software/Vaultora/Backups").Output,
            "[Software\\Vaultora\\Backups]\n");
}

TEST(SettingsCommands, BadArgumentsAreRefusedInWords) {
  TTestProfile profile;
  EXPECT_EQ(Cli("settings set Preferences DialRetry 3 5").Status, 0);
  const TCliRun bad = Cli("settings set Preferences DialRetry 3 five");
  EXPECT_EQ(bad.Status, 1);
  EXPECT_NE(bad.Output.find("\"five\" is not a value of kind 3"), std::string::npos) << bad.Output;
  EXPECT_EQ(Cli("settings get Preferences DialRetry").Output, "5\n");  // left as it was
  EXPECT_EQ(Cli("settings set Preferences DialRetry 0 5").Status, 1);
  EXPECT_EQ(Cli("settings set Registration Data b 0g").Status, 1);
  EXPECT_NE(Cli("settings dump Software/Missing").Output.find("no key Software\\Missing"),
            std::string::npos);
  EXPECT_EQ(Cli("settings delete Nowhere").Status, 1);
}

// A backup leaves a good copy of the settings; an emptied store is refused by every command, and
// one command brings the copy back.
TEST(SettingsCommands, AnEmptiedStoreIsRefusedAndTheLastGoodCopyBroughtBack) {
  TTestProfile profile;
  TTempFolder data;
  {
    TIniRegistryEditor store;
    store.SetRootKey(rtHKEY_CURRENT_USER);
    store.SetFilename(keys::kBaseKey);
    store.WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder, profile.Home());
    WriteEncryptionKey(store, "cli key");
  }
  WriteTextFile(data / "a.txt", "a");
  const std::string list = profile.Home() + "list.bfl";
  WriteTextFile(list, data.Path() + "\r\n/\b*.txt\r\n");
  const TCliRun backup = Cli("backup --title Docs --list " + ShellQuote(list));
  ASSERT_EQ(backup.Status, 0) << backup.Output;
  const std::string before = Cli("catalogue").Output;
  ASSERT_NE(before.find("Docs"), std::string::npos) << before;

  const std::string hive = profile.Home() + "registry.db";
  for (const char* companion : {"", "-wal", "-shm"})
    DeleteFile(hive + companion);
  WriteTextFile(hive, "");
  const TCliRun refused = Cli("catalogue");
  EXPECT_EQ(refused.Status, 1);
  EXPECT_NE(refused.Output.find("\"" + hive + "\" is empty"), std::string::npos) << refused.Output;
  EXPECT_EQ(FileSizeOf(hive), 0);

  const TCliRun restored = Cli("settings restore-last-good");
  ASSERT_EQ(restored.Status, 0) << restored.Output;
  EXPECT_NE(restored.Output.find("kept as \"" + hive + ".damaged-1\""), std::string::npos)
      << restored.Output;
  EXPECT_EQ(Cli("catalogue").Output, before);
}

// A store this user cannot write is shown by the display commands as it is; a command that would
// change it fails saying so, and the file keeps its bytes. Root can write anything, so there the
// commands run as the unprivileged user "nobody" over a profile that user owns.
TEST(SettingsCommands, AReadOnlyStoreIsShownAndNeverWritten) {
  TTestProfile profile;
  ASSERT_EQ(Cli("connection set --direct --host 10.1.2.3 --port 2010").Status, 0);
  ASSERT_EQ(Cli("schedule list").Status, 0);
  const std::string hive = profile.Home() + "registry.db";
  const std::string folder = ExcludeTrailingSlash(profile.Home());
  std::string prefix;
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown(hive.c_str(), 65534, 65534), 0);
    prefix =
        "setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=" + ShellQuote(folder) + " ";
  }
  ASSERT_EQ(::chmod(hive.c_str(), 0400), 0);
  ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
  const std::string before = ReadTextFile(hive);
  auto run = [&](const std::string& arguments) {
    return RunCommand(prefix + VAULTORA_CLI_PATH + " " + arguments);
  };

  const TCliRun shown = run("connection");
  EXPECT_EQ(shown.Status, 0) << shown.Output;
  EXPECT_NE(shown.Output.find("10.1.2.3"), std::string::npos) << shown.Output;
  for (const char* display : {"catalogue", "catalogue view sent", "options", "schedule list"}) {
    const TCliRun result = run(display);
    EXPECT_EQ(result.Status, 0) << display << ": " << result.Output;
  }
  const TCliRun changed = run("connection set --direct --host 10.9.9.9 --port 2010");
  EXPECT_EQ(changed.Status, 1);
  EXPECT_NE(changed.Output.find("cannot be written"), std::string::npos) << changed.Output;
  EXPECT_EQ(ReadTextFile(hive), before);
  ::chmod(folder.c_str(), 0700);
}

}  // namespace
}  // namespace vaultora::test
