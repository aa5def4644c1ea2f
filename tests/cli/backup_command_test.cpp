#include <gtest/gtest.h>

#include "archive/encryption_key.h"
#include "platform/folders.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/process_run.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

using test::RunCommand;
using test::ShellQuote;
using test::TTempFolder;
using test::TTestProfile;
using test::WriteTextFile;

TEST(BackupCommand, BuildsAFullThenAnIncrementalBackupAndPrintsTheLines) {
  TTestProfile profile;
  TTempFolder data;
  {
    TIniRegistryEditor store;
    store.AtUserKey(keys::kBaseKey);
    store.WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder, profile.Home());
    WriteEncryptionKey(store, "cli key");
  }
  WriteTextFile(data / "a.txt", "a");
  const std::string list = profile.Home() + "list.bfl";
  WriteTextFile(list, data.Path() + "\r\n/\b*.txt\r\n");
  const std::string cli = std::string(VAULTORA_CLI_PATH) + " backup";

  auto run = RunCommand(cli + " --title Docs --list " + ShellQuote(list));
  ASSERT_EQ(run.Status, 0) << run.Output;
  EXPECT_NE(run.Output.find("Backup Title: Docs\nAppend Backup: [None]\n"), std::string::npos);
  EXPECT_NE(run.Output.find("File(s) = 1\n"), std::string::npos);
  EXPECT_NE(run.Output.find("Backup finished\n"), std::string::npos);

  TIniRegistryEditor store;
  store.AtUserKey(keys::kBackupsKey);
  store.ReadSections();
  ASSERT_EQ(store.Data().size(), 1u);
  const std::string full = store.Data()[0];

  // The stored choice is kept: only the base is given now. Nothing changed: nothing to do,
  // which is done, not failed.
  run = RunCommand(cli + " --base " + full);
  EXPECT_EQ(run.Status, 0) << run.Output;
  EXPECT_NE(run.Output.find("Append Backup: Docs\n"), std::string::npos);
  EXPECT_NE(run.Output.find("No new file(s) have been added to this backup archive.\n"),
            std::string::npos);
  WriteTextFile(data / "b.txt", "b");
  run = RunCommand(cli);
  ASSERT_EQ(run.Status, 0) << run.Output;
  EXPECT_NE(run.Output.find("Excluding file \"" + data / "a.txt" + "\", the file size unchanged"),
            std::string::npos);

  run = RunCommand(cli + " --schedule Missing");
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Output.find("A backup file list has not been selected"), std::string::npos);
}

}  // namespace
}  // namespace vaultora
