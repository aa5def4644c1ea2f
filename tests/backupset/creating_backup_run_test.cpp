#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "archive/blowfish.h"
#include "archive/encryption_key.h"
#include "backupset/creating_backup_run.h"
#include "platform/folders.h"
#include "platform/log_file.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

using test::ReadTextFile;
using test::TTempFolder;
using test::TTestProfile;
using test::WriteTextFile;

class CreatingBackupRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Store.SetRootKey(rtHKEY_CURRENT_USER);
    Store.SetFilename(keys::kBaseKey);
    Store.WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder,
                      Profile.Home() + "work");
    ForceDirectories(Profile.Home() + "work");
    WriteEncryptionKey(Store, "key");
    Store.SetFilename(keys::kBaseKey);
    WriteTextFile(Data / "a.txt", std::string(50000, 'a'));
    WriteTextFile(Profile.Home() + "list.bfl", Data.Path() + "\r\na.txt\r\n");
    Store.WriteString(keys::kBackupWizard, keys::wizard::kSession, Profile.Home() + "list.bfl");
    Store.WriteString(keys::kBackupWizard, keys::wizard::kBackupTitle, "Photos");
  }

  TTestProfile Profile;
  TTempFolder Data;
  TIniRegistryEditor Store;
  TBlowfish Cipher;
};

TEST_F(CreatingBackupRunTest, ShowsTheLinesByLabelAndLogsThemWhenAsked) {
  Store.SetFilename(keys::kBaseKey);
  Store.WriteString(keys::kPreferences, keys::preferences::kKeepLogFiles, "");
  TCreatingBackupRun run(Store, &Cipher);
  std::vector<std::pair<int, std::string>> shown;
  run.OnLine = [&](TBackupLineTag tag, const std::string& text) { shown.emplace_back(tag, text); };
  ASSERT_TRUE(run.Run());
  EXPECT_EQ(shown.front(), (std::pair<int, std::string>{btTitle, "Backup Title: Photos"}));
  EXPECT_EQ(shown[1], (std::pair<int, std::string>{btAppended, "Append Backup: [None]"}));
  EXPECT_EQ(run.Labels().at(btStatus), "Backup finished");
  EXPECT_EQ(run.Labels().at(btFileCount), "File(s) = 1");
  EXPECT_EQ(run.Labels().at(btCompression).rfind("Compression = ", 0), 0u);
  EXPECT_EQ(run.Labels().at(btPercent), "100 %");
  const TStringList& lines = run.Lines();
  auto starting = [&](const std::string& prefix) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  };
  EXPECT_EQ(starting("Original Size = 48."), 1);  // the file and the file-ID list
  EXPECT_EQ(starting("Compressed size = 0."), 1);
  EXPECT_EQ(starting("Compression = 100 %"), 1);  // integer division of a tiny archive
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Encryption backup set."), lines.end());
  EXPECT_EQ(std::find(lines.begin(), lines.end(), "100 %"), lines.end());  // progress: not kept

  const std::string log = ReadTextFile(LogFilePath(kBackupLog));
  EXPECT_EQ(log.rfind("**** ", 0), 0u);
  EXPECT_NE(log.find("\r\nBackup Title: Photos\r\nAppend Backup: [None]\r\n"), std::string::npos);
  EXPECT_NE(log.find("Backup finished\r\n"), std::string::npos);
}

TEST_F(CreatingBackupRunTest, WithoutKeepLogFilesNothingIsLogged) {
  TCreatingBackupRun run(Store, &Cipher);
  ASSERT_TRUE(run.Run());
  EXPECT_FALSE(FileExists(LogFilePath(kBackupLog)));
}

TEST_F(CreatingBackupRunTest, CancelStopsTheBuildAndSaysSo) {
  TCreatingBackupRun run(Store, &Cipher);
  run.OnLine = [&](TBackupLineTag tag, const std::string&) {
    if (tag == btCurrentFile) run.Cancel();
  };
  ASSERT_FALSE(run.Run());
  EXPECT_TRUE(run.Cancelled());
  const TStringList& lines = run.Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Backup Stopped."), lines.end());
  EXPECT_EQ(lines.back(), "Backup failed");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Profile.Home() + "work"), {}), 0);
}

TEST_F(CreatingBackupRunTest, AbortIsAskedAndOnlyYesCancels) {
  test::TScriptedPrompts prompts;
  prompts.Answer(false);
  prompts.Answer(true);
  TCreatingBackupRun run(Store, &Cipher);
  run.OnLine = [&](TBackupLineTag tag, const std::string&) {
    if (tag == btCurrentFile) run.AskToAbort();
  };
  ASSERT_FALSE(run.Run());
  EXPECT_EQ(prompts.Texts(), (std::vector<std::string>{"Abort process ?", "Abort process ?"}));
  EXPECT_TRUE(run.Cancelled());
  run.AskToAbort();  // nothing runs: nothing is asked
  EXPECT_EQ(prompts.Texts().size(), 2u);
}

TEST_F(CreatingBackupRunTest, CancelWhileARuleIsExpandedLeavesTheListAsItWas) {
  for (int i = 0; i < 5; ++i)
    WriteTextFile(Data / ("docs/f" + std::to_string(i) + ".doc"), "d");
  const std::string list = Data.Path() + "docs/\r\n/s\b*.doc\r\n";
  WriteTextFile(Profile.Home() + "list.bfl", list);
  TCreatingBackupRun run(Store, &Cipher);
  int added = 0;
  run.OnLine = [&](TBackupLineTag tag, const std::string&) {
    if (tag == btFileAdded && ++added == 2) run.Cancel();
  };
  ASSERT_FALSE(run.Run());
  EXPECT_EQ(added, 2);  // the search ended at once
  EXPECT_EQ(ReadTextFile(Profile.Home() + "list.bfl"), list);
  EXPECT_EQ(run.Labels().at(btStatus), "Backup failed");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Profile.Home() + "work"), {}), 0);
}

}  // namespace
}  // namespace vaultora
