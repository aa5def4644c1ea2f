#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <filesystem>

#include "archive/backup_file.h"
#include "archive/blowfish.h"
#include "archive/cipher_helpers.h"
#include "archive/encryption_key.h"
#include "backupset/create_backup_set.h"
#include "catalogue/catalogue.h"
#include "platform/folders.h"
#include "platform/processor_count.h"
#include "platform/system_names.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

using test::ReadTextFile;
using test::TTempFolder;
using test::TTestProfile;
using test::WriteTextFile;

constexpr const char* kKey = "correct horse battery";

void Touch(const std::string& path, int secondsFromNow) {
  const time_t when = time(nullptr) + secondsFromNow;
  utimbuf times{when, when};
  ASSERT_EQ(utime(path.c_str(), &times), 0);
}

std::vector<std::string> FolderContent(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A profile with a working folder, the user's key, a list of two files and a recursive rule.
class CreateBackupSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Work = Profile.Home() + "work/";
    ForceDirectories(Work);
    Store.SetRootKey(rtHKEY_CURRENT_USER);
    Store.SetFilename(keys::kBaseKey);
    Store.WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder, Work);
    Store.WriteInteger(keys::kPreferences, keys::preferences::kCompressionType, 0);
    WriteEncryptionKey(Store, kKey);
    WriteTextFile(Data / "one.txt", "first file");
    WriteTextFile(Data / "two.bin", std::string(40000, 'x'));
    WriteTextFile(Data / "docs/a.doc", "a doc");
    WriteTextFile(Data / "docs/deep/b.doc", "b doc");
    WriteTextFile(Data / "docs/deep/c.txt", "not matched");
    ListName = Profile.Home() + "list.bfl";
    WriteTextFile(ListName, Data.Path() + "\r\none.txt\r\ntwo.bin\r\n" + Data.Path() +
                                "docs/\r\n/s\b*.doc\r\n");
    UseWizard("Documents", "");
  }

  void UseWizard(const std::string& title, const std::string& append) {
    Store.SetRootKey(rtHKEY_CURRENT_USER);
    Store.SetFilename(keys::kBaseKey);
    Store.WriteString(keys::kBackupWizard, keys::wizard::kSession, ListName);
    Store.WriteString(keys::kBackupWizard, keys::wizard::kBackupTitle, title);
    if (append.empty())
      Store.DeleteValue(keys::kBackupWizard, keys::wizard::kAppendBackup);
    else
      Store.WriteString(keys::kBackupWizard, keys::wizard::kAppendBackup, append);
  }

  // Runs the builder and records its status lines.
  bool Run(TCreateBackupSet& builder) {
    Status.clear();
    builder.RegistryEditor = &Store;
    builder.Blowfish = &Cipher;
    builder.OnStatus = [&](TComponent*, const std::string& s) { Status.push_back(s); };
    builder.OnStart = [&](TComponent*, const std::string& title, const std::string& appending) {
      Started = title + "|" + appending;
    };
    return builder.Execute();
  }
  bool Run() {
    TCreateBackupSet builder;
    const bool ok = Run(builder);
    LastID = builder.BackupID();
    return ok;
  }

  bool Said(const std::string& line) const {
    return std::find(Status.begin(), Status.end(), line) != Status.end();
  }

  // The files stored in a recorded backup, read back through its ".BFE" and the recorded MAC.
  TStringList StoredFiles(const std::string& id) {
    const std::string encrypted = Work + ReplaceAll(id, ".", "_") + ".BFE";
    const std::string plain = Profile.Home() + "check.bck";
    const std::string mac = DecryptArchiveFile(Cipher, kKey, encrypted, plain);
    Store.SetRootKey(rtHKEY_CURRENT_USER);
    Store.SetFilename(keys::kBackupsKey);
    EXPECT_EQ(mac, Store.ReadString(id, "MAC", "-"));
    TBackupFile reader;
    TStringList ids;
    std::string title;
    reader.ReadArchiveInfo(plain, &ids, title);
    DeleteFile(plain);
    TStringList paths;
    for (const std::string& line : ids)
      paths.push_back(line.substr(0, line.find('\t')));
    std::sort(paths.begin(), paths.end());
    return paths;
  }

  TTestProfile Profile;
  TTempFolder Data;
  TIniRegistryEditor Store;
  TBlowfish Cipher;
  std::string Work, ListName, Started, LastID;
  std::vector<std::string> Status;
};

TEST_F(CreateBackupSetTest, AFullBackupTakesTheListedFilesAndWhatTheRuleFinds) {
  const std::string listBefore = ReadTextFile(ListName);
  ASSERT_TRUE(Run());
  EXPECT_EQ(Started, "Documents|[None]");
  EXPECT_TRUE(Said("Backup finished"));
  EXPECT_TRUE(Said("Encrypting Completed"));
  EXPECT_TRUE(Said("Validating file list for  \"" + Data / "docs/" + "\""));
  const std::string base = ReplaceAll(LastID, ".", "_");
  EXPECT_EQ(FolderContent(Work), (std::vector<std::string>{base + ".BFE", base + ".bfl"}));
  EXPECT_EQ(StoredFiles(LastID), (TStringList{Data / "docs/a.doc", Data / "docs/deep/b.doc",
                                              Data / "one.txt", Data / "two.bin"}));

  // The entry's values, in the order they were written.
  Store.SetFilename(keys::kBackupsKey);
  Store.ReadValueNames(LastID);
  EXPECT_EQ(Store.Data(), (TStringList{"FinishDateTime", "Session", "Size", "User", "MAC",
                                       "BackupTitle", "NeedToSend"}));
  EXPECT_EQ(Store.ReadString(LastID, "Session", ""), Work + base + ".bfl");
  EXPECT_EQ(Store.ReadString(LastID, "BackupTitle", ""), "Documents");
  EXPECT_EQ(Store.ReadString(LastID, "User", ""), UserName());
  double finished = 0;
  EXPECT_TRUE(TextToFloat(Store.ReadString(LastID, "FinishDateTime", ""), finished));
  EXPECT_NEAR(finished, Now(), 0.01);
  EXPECT_TRUE(Store.ReadBool(LastID, "NeedToSend", false));
  long long size = 0;
  EXPECT_TRUE(TryStrToInt(Store.ReadString(LastID, "Size", ""), size));
  EXPECT_GT(size, 0);

  // A full backup records the state of every file it takes, so that an incremental on it
  // takes only what changed.
  const std::string list = ReadTextFile(ListName);
  EXPECT_NE(list, listBefore);
  EXPECT_NE(list.find("one.txt\t"), std::string::npos);
  EXPECT_NE(list.find("two.bin\t"), std::string::npos);
  EXPECT_NE(list.find("a.doc\t"), std::string::npos);
  EXPECT_NE(list.find("/s\b*.doc\r\n"), std::string::npos);
  EXPECT_EQ(ReadTextFile(Work + base + ".bfl"), list);
}

TEST_F(CreateBackupSetTest, PreferencesChooseTheDeflatingThreads) {
  TCreateBackupSet builder;
  ASSERT_TRUE(Run(builder));
  EXPECT_EQ(builder.BackupFile().ThreadsUsed(), WorkerThreads(0));
  Store.SetRootKey(rtHKEY_CURRENT_USER);
  Store.SetFilename(keys::kBaseKey);
  Store.WriteInteger(keys::kPreferences, keys::preferences::kCompressionThreads, 1);
  ASSERT_TRUE(Run(builder));
  EXPECT_EQ(builder.BackupFile().ThreadsUsed(), 1);
}

TEST_F(CreateBackupSetTest, TheArchiveIsEncipheredAsWrittenExactlyAsTheFileRoutineWouldDoIt) {
  ASSERT_TRUE(Run());
  const std::string base = ReplaceAll(LastID, ".", "_");
  const std::string encrypted = Work + base + ".BFE";
  // The plain archive behind the ".BFE", enciphered again the way archives were enciphered
  // from a file: the same bytes and MAC as the recorded backup.
  const std::string plain = Profile.Home() + "again.bck";
  const std::string again = Profile.Home() + "again.BFE";
  DecryptArchiveFile(Cipher, kKey, encrypted, plain);
  const std::string mac = EncryptArchiveFile(Cipher, kKey, plain, again);
  EXPECT_TRUE(ReadTextFile(again) == ReadTextFile(encrypted));
  Store.SetRootKey(rtHKEY_CURRENT_USER);
  Store.SetFilename(keys::kBackupsKey);
  EXPECT_EQ(Store.ReadString(LastID, "MAC", "-"), mac);
  EXPECT_EQ(Store.ReadString(LastID, "Size", "-"), std::to_string(FileSizeOf(plain)));
  EXPECT_FALSE(FileExists(Work + base + ".bck"));
}

TEST_F(CreateBackupSetTest, AnIncrementalTakesExactlyTheNewGrownShrunkAndModifiedFiles) {
  WriteTextFile(Data / "same.txt", "unchanged");
  WriteTextFile(Data / "grow.txt", "12345");
  WriteTextFile(Data / "shrink.txt", "12345");
  WriteTextFile(Data / "modify.txt", "12345");
  WriteTextFile(ListName, Data.Path() + "\r\nsame.txt\r\ngrow.txt\r\nshrink.txt\r\nmodify.txt\r\n" +
                              Data.Path() + "docs/\r\n/s\b*.doc\r\n");
  for (const char* name : {"same.txt", "grow.txt", "shrink.txt", "modify.txt"})
    Touch(Data / name, -60);
  ASSERT_TRUE(Run());
  const std::string full = LastID;
  UseWizard("Documents", full);
  WriteTextFile(Data / "modify.txt", "12346");
  ASSERT_TRUE(Run());  // the first incremental takes the one changed file
  EXPECT_EQ(Started, "Documents|Documents");
  EXPECT_EQ(StoredFiles(LastID), TStringList{Data / "modify.txt"});

  WriteTextFile(Data / "grow.txt", "123456");
  WriteTextFile(Data / "shrink.txt", "1234");
  WriteTextFile(Data / "modify.txt", "54321");
  WriteTextFile(Data / "docs/new.doc", "new");
  ASSERT_TRUE(Run());
  EXPECT_EQ(StoredFiles(LastID), (TStringList{Data / "docs/new.doc", Data / "grow.txt",
                                              Data / "modify.txt", Data / "shrink.txt"}));
  EXPECT_TRUE(Said("Excluding file \"" + Data / "same.txt" + "\", the file size unchanged"));
  EXPECT_TRUE(Said("Excluding file \"" + Data / "same.txt" +
                   "\", the file is same or older as the archived file."));
  EXPECT_TRUE(Said("Excluding file \"" + Data / "docs/a.doc" + "\", the file size unchanged"));
  Store.SetFilename(keys::kBackupsKey);
  EXPECT_EQ(Store.ReadString(LastID, "Incremental", ""), full);

  std::filesystem::remove(Data / "grow.txt");
  ASSERT_FALSE(Run());
  EXPECT_TRUE(Said("Excluding file \"" + Data / "grow.txt" + "\", File not found"));
  EXPECT_TRUE(Said("No new file(s) have been added to this backup archive."));
  EXPECT_TRUE(Said("Backup stopped."));
  EXPECT_EQ(Status.back(), "Backup failed");
}

TEST_F(CreateBackupSetTest, NothingChangedCreatesNothing) {
  ASSERT_TRUE(Run());
  UseWizard("Documents", LastID);
  const auto before = FolderContent(Work);
  const std::string list = ReadTextFile(ListName);
  Store.SetFilename(keys::kBackupsKey);
  Store.ReadSections();
  const size_t entries = Store.Data().size();
  ASSERT_FALSE(Run());
  EXPECT_TRUE(Said("No new file(s) have been added to this backup archive."));
  EXPECT_EQ(FolderContent(Work), before);
  EXPECT_EQ(ReadTextFile(ListName), list);
  Store.SetFilename(keys::kBackupsKey);
  Store.ReadSections();
  EXPECT_EQ(Store.Data().size(), entries);
}

TEST_F(CreateBackupSetTest, AScheduleAppendingToStarMakesAFullBackupAndPointsAtIt) {
  Store.SetFilename(keys::kScheduleKey);
  Store.WriteString("Nightly", "DefaultSession", ListName);
  Store.WriteString("Nightly", "BackupTitle", "Night");
  Store.WriteString("Nightly", "AppendBackup", "*");
  TCreateBackupSet builder;
  builder.IsScheduledBackup = true;
  builder.ScheduleName = "Nightly";
  ASSERT_TRUE(Run(builder));
  EXPECT_EQ(Started, "Night|[None]");
  Store.SetRootKey(rtHKEY_CURRENT_USER);
  Store.SetFilename(keys::kScheduleKey);
  EXPECT_EQ(Store.ReadString("Nightly", "AppendBackup", ""), builder.BackupID());
  Store.SetFilename(keys::kBackupsKey);
  EXPECT_FALSE(Store.ValueExists(builder.BackupID(), "Incremental"));

  const std::string first = builder.BackupID();
  WriteTextFile(Data / "docs/later.doc", "later");
  ASSERT_TRUE(Run(builder));
  EXPECT_EQ(Started, "Night|Night");
  Store.SetFilename(keys::kBackupsKey);
  EXPECT_EQ(Store.ReadString(builder.BackupID(), "Incremental", ""), first);
  Store.SetFilename(keys::kScheduleKey);
  EXPECT_EQ(Store.ReadString("Nightly", "AppendBackup", ""), first);  // only "*" is replaced
}

TEST_F(CreateBackupSetTest, IncludeBackupNoNumbersTheAutomatedTitle) {
  Store.SetFilename(keys::kBackupsKey);
  for (const char* id : {"46000.1", "46000.2", "46000.3"})
    Store.WriteString(id, "BackupTitle", "old");
  Store.SetFilename(keys::kScheduleKey);
  Store.WriteString("Weekly", "DefaultSession", ListName);
  Store.WriteString("Weekly", "IncludeBackupNo", "");
  TCreateBackupSet builder;
  builder.IsScheduledBackup = true;
  builder.ScheduleName = "Weekly";
  ASSERT_TRUE(Run(builder));
  EXPECT_EQ(Started, "Automated Backup_4|[None]");
  Store.SetFilename(keys::kBackupsKey);
  EXPECT_EQ(Store.ReadString(builder.BackupID(), "BackupTitle", ""), "Automated Backup_4");
}

TEST_F(CreateBackupSetTest, AnEmptyKeyFailsAfterCompressionAndLeavesNothing) {
  WriteEncryptionKey(Store, "   ");
  const std::string list = ReadTextFile(ListName);
  bool compressed = false;
  TCreateBackupSet builder;
  builder.OnFinished = [&](TComponent*) { compressed = true; };
  ASSERT_FALSE(Run(builder));
  EXPECT_TRUE(compressed);
  EXPECT_TRUE(Said("Encryption key has not been defined in \"Options\""));
  EXPECT_TRUE(Said("Encryption failed"));
  EXPECT_EQ(Status.back(), "Backup failed");
  EXPECT_TRUE(FolderContent(Work).empty());
  EXPECT_EQ(ReadTextFile(ListName), list);
  Store.SetFilename(keys::kBackupsKey);
  Store.ReadSections();
  EXPECT_TRUE(Store.Data().empty());
}

TEST_F(CreateBackupSetTest, AFailedIncrementalLeavesTheListSoTheNextRunTakesTheChanges) {
  ASSERT_TRUE(Run());
  UseWizard("Documents", LastID);
  WriteTextFile(Data / "one.txt", "first file, changed");
  const std::string list = ReadTextFile(ListName);
  WriteEncryptionKey(Store, "");
  ASSERT_FALSE(Run());
  EXPECT_EQ(ReadTextFile(ListName), list);  // exactly as it was
  WriteEncryptionKey(Store, kKey);
  ASSERT_TRUE(Run());
  EXPECT_EQ(StoredFiles(LastID), TStringList{Data / "one.txt"});
}

TEST_F(CreateBackupSetTest, BlankTitleOrListIsRefusedWithItsMessage) {
  UseWizard("   ", "");
  ASSERT_FALSE(Run());
  EXPECT_EQ(Status, std::vector<std::string>{"A backup title has not been defined"});
  Store.SetFilename(keys::kBaseKey);
  Store.WriteString(keys::kBackupWizard, keys::wizard::kSession, " ");
  ASSERT_FALSE(Run());
  EXPECT_EQ(Status, (std::vector<std::string>{"A backup title has not been defined",
                                              "A backup file list has not been selected"}));
  EXPECT_TRUE(FolderContent(Work).empty());
}

TEST_F(CreateBackupSetTest, StopDuringTheBuildLeavesOnlyWhatWasThere) {
  ASSERT_TRUE(Run());
  const auto before = FolderContent(Work);
  UseWizard("Documents", LastID);
  WriteTextFile(Data / "one.txt", "first file, changed");
  const std::string list = ReadTextFile(ListName);
  TCreateBackupSet builder;
  builder.OnBackupProgress = [&](TComponent*, const std::string& file, TPercentage,
                                 bool& canContinue) {
    if (!file.empty()) builder.StopBackup(true);
    (void)canContinue;
  };
  ASSERT_FALSE(Run(builder));
  EXPECT_TRUE(Said("Backup stopped"));
  EXPECT_EQ(Status.back(), "Backup failed");
  EXPECT_EQ(FolderContent(Work), before);
  EXPECT_EQ(ReadTextFile(ListName), list);
  Store.SetFilename(keys::kBackupsKey);
  Store.ReadSections();
  EXPECT_EQ(Store.Data().size(), 1u);
}

TEST_F(CreateBackupSetTest, AListEditedDuringTheRunIsKeptAndTheCopyHoldsWhatWasTaken) {
  const std::string edited = Data.Path() + "\r\none.txt\r\n";
  TCreateBackupSet builder;
  std::string exception;
  builder.OnException = [&](TComponent*, const std::string& text) { exception = text; };
  builder.OnBackupProgress = [&](TComponent*, const std::string& file, TPercentage, bool&) {
    if (!file.empty()) WriteTextFile(ListName, edited);
  };
  ASSERT_TRUE(Run(builder));
  EXPECT_EQ(ReadTextFile(ListName), edited);
  EXPECT_NE(exception.find("was changed during the backup"), std::string::npos);
  const std::string copy = Work + ReplaceAll(builder.BackupID(), ".", "_") + ".bfl";
  EXPECT_NE(ReadTextFile(copy).find("/s\b*.doc\r\n"), std::string::npos);
  EXPECT_TRUE(Said("File list for \"Documents\" created"));
}

TEST_F(CreateBackupSetTest, LinksToFoldersAreTakenAsLinksAndNeverEntered) {
  WriteTextFile(Data / "elsewhere/x.doc", "only behind a link");
  std::filesystem::create_directory_symlink("../elsewhere", Data / "docs/linked.doc");
  std::filesystem::create_directory_symlink("..", Data / "docs/deep/up.doc");  // a loop
  std::filesystem::create_directory_symlink("docs", Data / "dirlink");
  WriteTextFile(ListName, Data.Path() + "\r\none.txt\r\ndirlink\r\n" + Data.Path() +
                              "docs/\r\n/s\b*.doc\r\n");
  TCreateBackupSet builder;
  ASSERT_TRUE(Run(builder));
  EXPECT_FALSE(builder.Incomplete())
      << (builder.NotTaken().empty() ? "" : builder.NotTaken()[0].Path);
  EXPECT_EQ(StoredFiles(builder.BackupID()),
            (TStringList{Data / "dirlink", Data / "docs/a.doc", Data / "docs/deep/b.doc",
                         Data / "docs/deep/up.doc", Data / "docs/linked.doc", Data / "one.txt"}));
  // The updated list names the links as entries, and the next run takes them as links again.
  ASSERT_TRUE(Run());
  EXPECT_EQ(StoredFiles(LastID),
            (TStringList{Data / "dirlink", Data / "docs/a.doc", Data / "docs/deep/b.doc",
                         Data / "docs/deep/up.doc", Data / "docs/linked.doc", Data / "one.txt"}));
}

TEST_F(CreateBackupSetTest, FilesThatCannotBeTakenAreNamedAndTheBackupIsIncomplete) {
  ASSERT_EQ(mkfifo((Data / "docs/pipe.doc").c_str(), 0600), 0);
  WriteTextFile(Data / "docs/two\nlines.doc", "a name the list cannot hold");
  WriteTextFile(Data / "docs/goes.doc", "deleted while the backup runs");
  TCreateBackupSet builder;
  builder.OnAddFile = [&](TComponent*, const std::string& file, bool&) {
    if (file == Data / "docs/goes.doc") std::filesystem::remove(file);
  };
  ASSERT_TRUE(Run(builder));
  EXPECT_TRUE(Said("Backup finished"));
  EXPECT_TRUE(Said("Backup incomplete, 3 file(s) could not be taken"));
  EXPECT_TRUE(Said("Skipping file \"" + Data / "docs/pipe.doc" + "\", a FIFO cannot be backed up"));
  EXPECT_TRUE(Said("Skipping file \"" + Data / "docs/goes.doc" + "\", deleted during the backup"));
  TStringList skipped;
  for (const TNotTakenFile& file : builder.NotTaken())
    skipped.push_back(file.Path);
  std::sort(skipped.begin(), skipped.end());
  EXPECT_EQ(skipped, (TStringList{Data / "docs/goes.doc", Data / "docs/pipe.doc",
                                  Data / "docs/two\nlines.doc"}));
  // Everything else is in the backup.
  EXPECT_EQ(StoredFiles(builder.BackupID()),
            (TStringList{Data / "docs/a.doc", Data / "docs/deep/b.doc", Data / "one.txt",
                         Data / "two.bin"}));
  // A complete run says nothing of the kind.
  std::filesystem::remove(Data / "docs/pipe.doc");
  std::filesystem::remove(Data / "docs/two\nlines.doc");
  TCreateBackupSet again;
  ASSERT_TRUE(Run(again));
  EXPECT_TRUE(again.NotTaken().empty());
}

TEST_F(CreateBackupSetTest, TheCopyOfTheListNamesOnlyTheFilesThatWereThere) {
  ASSERT_TRUE(Run());
  std::filesystem::remove(Data / "two.bin");
  WriteTextFile(Data / "one.txt", "changed");
  UseWizard("Documents", LastID);
  ASSERT_TRUE(Run());
  const std::string copy = ReadTextFile(Work + ReplaceAll(LastID, ".", "_") + ".bfl");
  EXPECT_EQ(copy.find("two.bin"), std::string::npos);
  EXPECT_NE(copy.find("one.txt\t"), std::string::npos);
  EXPECT_NE(copy.find("a.doc\t"), std::string::npos);
  // The user's own list keeps the entry.
  EXPECT_NE(ReadTextFile(ListName).find("two.bin"), std::string::npos);
}

}  // namespace
}  // namespace vaultora
