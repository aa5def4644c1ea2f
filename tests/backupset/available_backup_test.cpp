#include "backupset/available_backup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "archive/cipher_helpers.h"
#include "archive/encryption_key.h"
#include "archive/server_file_list.h"
#include "platform/folders.h"
#include "platform/log_file.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

TAvailableBackup Sample() {
  TAvailableBackup b;
  b.ArchiveName = "46000_25.BFE";
  b.Title = "Documents";
  b.FileListName = "46000_25.bfl";
  b.Started = 46000.25;
  b.Finished = 46000.26;
  b.Size = 1048576;
  b.MAC = "0123456789ABCDEF";
  b.Incremental = "45999.5";
  TMemoryStream list(std::vector<uint8_t>{'/', 'h', '/', '\t', '\r', '\n'});
  b.FileList = EncryptWithPassphrase(&list, kStreamPassphrase).Stream->Bytes();
  return b;
}

TEST(AvailableBackupRecord, AllNineItemsComeBack) {
  const TAvailableBackup sample = Sample();
  const auto parsed = ParseAvailableBackup(BuildAvailableBackup(sample));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->ArchiveName, sample.ArchiveName);
  EXPECT_EQ(parsed->Title, "Documents");
  EXPECT_EQ(parsed->FileListName, sample.FileListName);
  EXPECT_EQ(parsed->Started, sample.Started);
  EXPECT_EQ(parsed->Finished, sample.Finished);
  EXPECT_EQ(parsed->Size, 1048576);
  EXPECT_EQ(parsed->MAC, sample.MAC);
  EXPECT_EQ(parsed->Incremental, "45999.5");
  EXPECT_EQ(parsed->FileList, sample.FileList);
  EXPECT_EQ(parsed->BackupId(), "46000.25");
}

TEST(AvailableBackupRecord, ARecordCutAnywhereIsDropped) {
  const std::vector<uint8_t> whole = BuildAvailableBackup(Sample());
  for (size_t length = 0; length < whole.size(); ++length)
    EXPECT_FALSE(ParseAvailableBackup({whole.begin(), whole.begin() + length})) << length;
}

TEST(AvailableBackupRecord, DatesAndSizeMustHaveTheirLengths) {
  std::vector<uint8_t> record = BuildAvailableBackup(Sample());
  // Item 6 (the size) claims 5 bytes: the record no longer parses as nine items of the layout.
  size_t at = 0;
  for (int item = 0; item < 5; ++item) {
    uint32_t length;
    std::memcpy(&length, &record[at], 4);
    at += 4 + length;
  }
  record[at] = 5;
  record.insert(record.begin() + static_cast<ptrdiff_t>(at + 4), 0);
  EXPECT_FALSE(ParseAvailableBackup(record));
}

TEST(AvailableBackupRecord, NamesThatLeadOutOfTheWorkingFolderOrAreOnlyDotsAreRefused) {
  for (const char* name : {"../46000_25.BFE", "sub/46000_25.BFE", "..", "a\\b.BFE", ".BFE", ".",
                           " . ", "...", "_.BFE", " _ .BFE"}) {
    TAvailableBackup b = Sample();
    b.ArchiveName = name;
    EXPECT_FALSE(ParseAvailableBackup(BuildAvailableBackup(b))) << name;
  }
  for (const char* name : {"../../.bashrc", "/etc/passwd", "x/..", "..\\x.bfl", "", ".", " "}) {
    TAvailableBackup b = Sample();
    b.FileListName = name;
    EXPECT_FALSE(ParseAvailableBackup(BuildAvailableBackup(b))) << name;
  }
  TAvailableBackup dot = Sample();
  dot.Incremental = ".";
  EXPECT_FALSE(ParseAvailableBackup(BuildAvailableBackup(dot)));
  dot.Incremental = "";
  EXPECT_TRUE(ParseAvailableBackup(BuildAvailableBackup(dot)));
}

class AvailableBackupsImportTest : public testing::Test {
 protected:
  AvailableBackupsImportTest() {
    FStore.SetRootKey(rtHKEY_CURRENT_USER);
    FStore.SetLazyWrite(true);
    FStore.SetFilename(keys::kBaseKey);
    FStore.WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder, FWork.Path());
    FStore.WriteBool(keys::kPreferences, keys::preferences::kKeepLogFiles, true);
    FPrevious = SetPrompts(&FPrompts);
  }
  ~AvailableBackupsImportTest() override { SetPrompts(FPrevious); }
  std::string Value(const std::string& entry, const char* name) {
    FStore.SetFilename(keys::kBackupsKey);
    return FStore.ValueExists(entry, name) ? FStore.ReadString(entry, name, "") : "<absent>";
  }

  test::TTestProfile FProfile;
  test::TTempFolder FWork;
  TIniRegistryEditor FStore;
  test::TScriptedPrompts FPrompts;
  TPrompts* FPrevious = nullptr;
};

TEST_F(AvailableBackupsImportTest, RegisteringWritesTheEntryAndRestoresItsList) {
  TAvailableBackup full = Sample();
  full.Incremental.clear();
  TAvailableBackup again = Sample();
  again.Title = "Documents (new title)";
  FStore.SetFilename(keys::kBackupsKey);
  FStore.WriteBool("46000.25", "Deleted", true);  // an entry already here keeps its flags
  FStore.WriteString("46000.25", "Incremental", "45990.5");

  {
    TAvailableBackupsImport available(FStore);
    EXPECT_FALSE(available.Add({1, 2, 3}));  // dropped silently
    ASSERT_TRUE(available.Add(BuildAvailableBackup(full)));
    ASSERT_TRUE(available.Add(BuildAvailableBackup(again)));
    available.Checked() = {true, false};
    ASSERT_TRUE(available.Register());
    EXPECT_EQ(available.Checked(), (std::vector<bool>{false, false}));
  }
  EXPECT_EQ(Value("46000.25", "BackupTitle"), "Documents");
  EXPECT_EQ(Value("46000.25", "Session"), FWork.Path() + "46000_25.bfl");
  EXPECT_EQ(Value("46000.25", "FinishDateTime"), "46000.26");
  EXPECT_EQ(Value("46000.25", "Size"), "1048576");
  EXPECT_EQ(Value("46000.25", "MAC"), "0123456789ABCDEF");
  EXPECT_EQ(Value("46000.25", "Incremental"), "45990.5");  // an empty mark leaves the link
  EXPECT_NE(Value("46000.25", "Deleted"), "<absent>");
  EXPECT_EQ(test::ReadTextFile(FWork.Path() + "46000_25.bfl"), "/h/\t\r\n");
  const std::string log = test::ReadTextFile(LogFilePath("RegUpDate.log"));
  EXPECT_NE(log.find("\r\nDocuments retrieved from Vaultora's server\r\n"
                     "Documents (new title) retrieved from Vaultora's server\r\n"
                     "Updating settings\r\nDocuments unpacked.\r\nCompleted\r\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(FPrompts.Texts(), (std::vector<std::string>{"Settings have been updated"}));
}

TEST_F(AvailableBackupsImportTest, ABackupThatCannotBeRegisteredIsSkippedWithALine) {
  const TAvailableBackup broken = Sample();
  TAvailableBackup later = Sample();
  later.ArchiveName = "46001_5.BFE";
  later.FileListName = "46001_5.bfl";
  later.Title = "Photos";
  // A folder where the first one's list file would go.
  ASSERT_TRUE(ForceDirectories(FWork / broken.FileListName));
  TAvailableBackupsImport available(FStore);
  ASSERT_TRUE(available.Add(BuildAvailableBackup(broken)));
  TAvailableBackup dot = Sample();
  dot.ArchiveName = ".";
  EXPECT_FALSE(available.Add(BuildAvailableBackup(dot)));  // skipped, with a line
  EXPECT_NE(available.Lines().back().find("skipped"), std::string::npos);
  ASSERT_TRUE(available.Add(BuildAvailableBackup(later)));
  available.Checked() = {true, true};
  EXPECT_FALSE(available.Register());
  const TStringList& lines = available.Lines();
  EXPECT_NE(
      std::find(lines.begin(), lines.end(), "Update failed: Documents (46000.25) was skipped"),
      lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Photos unpacked."), lines.end());
  EXPECT_EQ(lines.back(), "Completed");
  EXPECT_EQ(available.Checked(), (std::vector<bool>{true, false}));
  EXPECT_EQ(Value("46000.25", "BackupTitle"), "Documents");  // written before the failure
  EXPECT_EQ(Value("46001.5", "BackupTitle"), "Photos");
}

TEST_F(AvailableBackupsImportTest, APrivateListIsRestoredWithItsKeyAndRefusedWithAnother) {
  TAvailableBackup mine = Sample();
  mine.Incremental.clear();
  TMemoryStream list(std::vector<uint8_t>{'/', 'h', '/', '\t', '\r', '\n'});
  mine.FileList = SealServerFileList(list, "my own key");
  TAvailableBackup other = mine;
  other.ArchiveName = "46001_5.BFE";
  other.FileListName = "46001_5.bfl";
  other.Title = "Photos";
  other.FileList = SealServerFileList(list, "someone else's key");
  WriteEncryptionKey(FStore, "my own key");

  TAvailableBackupsImport available(FStore);
  ASSERT_TRUE(available.Add(BuildAvailableBackup(mine)));
  ASSERT_TRUE(available.Add(BuildAvailableBackup(other)));
  available.Checked() = {true, true};
  EXPECT_FALSE(available.Register());
  EXPECT_EQ(test::ReadTextFile(FWork.Path() + "46000_25.bfl"), "/h/\t\r\n");
  const TStringList& lines = available.Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "The file list of Photos is enciphered under another key than the one "
                      "stored here"),
            lines.end());
  // Nothing of a backup whose list cannot be read is entered.
  EXPECT_EQ(Value("46001.5", "BackupTitle"), "<absent>");
  EXPECT_FALSE(FileExists(FWork.Path() + "46001_5.bfl"));
}

}  // namespace
}  // namespace vaultora
