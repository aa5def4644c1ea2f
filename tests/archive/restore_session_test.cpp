#include "archive/restore_session.h"

#include <gtest/gtest.h>

#include "archive/blowfish.h"
#include "archive/cipher_helpers.h"
#include "platform/folders.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/catalogued_backup.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

class RestoreSession : public testing::Test {
 protected:
  RestoreSession()
      : profile(kKey), store(profile.Store), work(profile.Work), source(profile.Source) {}

  void Backup(const std::string& id, const test::TFileContents& files,
              const std::string& incremental = "", bool sent = true) {
    profile.Backup(id, files, incremental, !sent);
  }
  std::string FileOf(const std::string& id, const std::string& ext) {
    return profile.FileOf(id, ext);
  }

  TRestoreOptions Into(const test::TTempFolder& folder, TRestoreMode mode = rmNewer) {
    TRestoreOptions options;
    options.OriginalPath = false;
    options.Folder = folder.Path();
    options.Mode = mode;
    return options;
  }

  std::unique_ptr<TRestoreSession> Open(const std::string& id) {
    auto session = std::make_unique<TRestoreSession>(nullptr, store, id);
    session->OnLog = [this](const std::string& line) { log.push_back(line); };
    return session;
  }

  bool Logged(const std::string& line) const {
    return std::find(log.begin(), log.end(), line) != log.end();
  }

  static constexpr const char* kKey = "correct horse battery";
  test::TBackupProfile profile;
  TIniRegistryEditor& store;
  const test::TTempFolder& work;
  const test::TTempFolder& source;
  TStringList log;
};

TEST_F(RestoreSession, ASingleBackupIsListedRestoredCachedAndLogged) {
  Backup("46001.5", {{"a.txt", "alpha"}, {"b.txt", std::string(40000, 'b')}});
  test::TTempFolder target;
  {
    auto session = Open("46001.5");
    EXPECT_EQ(session->Caption(), "Restore \"Title 46001.5\"");
    ASSERT_TRUE(session->Start());
    ASSERT_EQ(session->Rows().size(), 2u);
    EXPECT_EQ(session->Rows()[0].Name, "a.txt");
    EXPECT_EQ(session->Rows()[0].Path, source.Path());
    EXPECT_EQ(session->Rows()[1].Size, "39.06 KB");
    EXPECT_EQ(session->StatusText(), "Viewing 2 files");
    EXPECT_TRUE(FileExists(FileOf("46001.5", ".bck")));

    TRestoreOptions options = Into(target);
    ASSERT_TRUE(session->Extract(options));
    EXPECT_EQ(session->FilesRestored(), 2);
    EXPECT_EQ(session->StatusText(), "Ready");
  }
  EXPECT_EQ(test::ReadTextFile(target / "a.txt"), "alpha");
  EXPECT_EQ(test::ReadTextFile(target / "b.txt"), std::string(40000, 'b'));
  EXPECT_EQ(log.front(), "Decrypting " + FileOf("46001.5", ".BFE"));
  EXPECT_TRUE(Logged("Decryption Completed"));
  EXPECT_TRUE(Logged("Archive : Title 46001.5"));
  EXPECT_TRUE(Logged("Restore completed, 2 file(s) unpacked"));

  // Closing forgets the deciphered archive and offers the enciphered one to the cache.
  EXPECT_FALSE(FileExists(FileOf("46001.5", ".bck")));
  EXPECT_TRUE(FileExists(FileOf("46001.5", ".BFE")));
  store.SetFilename(keys::kBaseKey);
  EXPECT_EQ(store.ReadString(keys::kDelCache, "46001.5", ""), FileOf("46001.5", ".BFE"));
  const std::string restoreLog = test::ReadTextFile(AppDataFolder() + "Restore.log");
  EXPECT_NE(restoreLog.find("Restore completed, 2 file(s) unpacked"), std::string::npos);
}

TEST_F(RestoreSession, AChainRestoresTheNewestCopyOfEveryFileUnderEachMode) {
  Backup("46001.5", {{"one", "a1"}, {"two", "a2"}, {"three", "a3"}});
  Backup("46002.5", {{"one", "b1"}, {"two", "b2"}}, "46001.5");
  Backup("46003.5", {{"one", "c1"}}, "46002.5");
  for (TRestoreMode mode : {rmAll, rmNoOverwrite, rmNewer, rmExisting, rmExistingNewer}) {
    SCOPED_TRACE(mode);
    test::TTempFolder target;
    const bool existing = mode == rmExisting || mode == rmExistingNewer;
    if (existing)
      for (const char* name : {"one", "two", "three"}) {
        test::WriteTextFile(target / name, "old");
        test::SetFileDate(target / name, EncodeDate(1999, 1, 1));
      }
    auto session = Open("46003.5");
    ASSERT_TRUE(session->Start());
    EXPECT_EQ(session->Chain().size(), 3u);
    EXPECT_EQ(session->Rows().size(), 3u) << "one row per file, however many backups took it";
    ASSERT_TRUE(session->Extract(Into(target, mode)));
    EXPECT_EQ(test::ReadTextFile(target / "one"), "c1");
    EXPECT_EQ(test::ReadTextFile(target / "two"), "b2");
    EXPECT_EQ(test::ReadTextFile(target / "three"), "a3");
    EXPECT_EQ(session->FilesRestored(), 3);
    session.reset();
    EXPECT_FALSE(FileExists(FileOf("46003.5", "abf")));
  }
  EXPECT_TRUE(Logged("Appending incremental archives"));
  EXPECT_TRUE(Logged("Append completed"));
}

TEST_F(RestoreSession, ChosenFilesAloneAreRestored) {
  Backup("46001.5", {{"keep.txt", "k"}, {"skip.txt", "s"}});
  test::TTempFolder target;
  auto session = Open("46001.5");
  ASSERT_TRUE(session->Start());
  TRestoreOptions options = Into(target, rmAll);
  options.AllFiles = false;
  for (size_t i = 0; i < session->Rows().size(); ++i)
    if (session->Rows()[i].Name == "keep.txt") options.Selected.push_back(i);
  ASSERT_TRUE(session->Extract(options));
  EXPECT_TRUE(FileExists(target / "keep.txt"));
  EXPECT_FALSE(FileExists(target / "skip.txt"));
}

TEST_F(RestoreSession, FolderNamesAndTheOriginalPlace) {
  Backup("46001.5", {{"doc.txt", "original"}});
  test::TTempFolder target;
  auto session = Open("46001.5");
  ASSERT_TRUE(session->Start());
  TRestoreOptions options = Into(target, rmAll);
  options.UseFolderNames = true;
  ASSERT_TRUE(session->Extract(options));
  EXPECT_EQ(test::ReadTextFile(target.Path() + (source / "doc.txt").substr(1)), "original");

  test::WriteTextFile(source / "doc.txt", "changed since");
  TRestoreOptions original;
  original.Mode = rmAll;
  ASSERT_TRUE(session->Extract(original));
  EXPECT_EQ(test::ReadTextFile(source / "doc.txt"), "original");

  test::TScriptedPrompts prompts;
  TRestoreOptions noFolder = Into(target);
  noFolder.Folder = "  ";
  EXPECT_FALSE(session->Extract(noFolder));
  EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"Invalid folder name"});
}

TEST_F(RestoreSession, AnotherKeyIsRefusedByTheMacAndNothingIsListed) {
  Backup("46001.5", {{"a.txt", "alpha"}});
  test::StoreUserKey(store, "not the key");
  auto session = Open("46001.5");
  EXPECT_FALSE(session->Start());
  EXPECT_TRUE(session->Rows().empty());
  EXPECT_TRUE(Logged("Decryption failed, MAC mismatch"));
  EXPECT_FALSE(FileExists(FileOf("46001.5", ".bck")));
  EXPECT_TRUE(FileExists(FileOf("46001.5", ".BFE")));
}

TEST_F(RestoreSession, WithoutAKeyNothingIsDeciphered) {
  Backup("46001.5", {{"a.txt", "alpha"}});
  test::StoreUserKey(store, "");
  auto session = Open("46001.5");
  EXPECT_FALSE(session->Start());
  EXPECT_EQ(log, (TStringList{"Encryption key has not been defined in \"Options\"",
                              "Encryption failed"}));
}

TEST_F(RestoreSession, MissingAndPartlyReceivedArchivesAreDroppedFromTheChain) {
  Backup("46001.5", {{"one", "a1"}});
  Backup("46002.5", {{"two", "b2"}}, "46001.5");
  Backup("46003.5", {{"three", "c3"}}, "46002.5");
  DeleteFile(FileOf("46001.5", ".BFE"));
  store.SetFilename(keys::kBackupsKey);
  store.WriteInteger("46002.5", "ReceivePosition", 100);
  auto session = Open("46003.5");
  ASSERT_TRUE(session->Start());
  EXPECT_EQ(session->Chain(), TStringList{"46003.5"});
  EXPECT_TRUE(Logged("File \"" + FileOf("46001.5", ".BFE") + "\" not found or file corrupt"));
  ASSERT_EQ(session->Rows().size(), 1u);
  EXPECT_EQ(session->Rows()[0].Name, "three");
}

TEST_F(RestoreSession, StoppingNeverDeletesTheArchiveOfAnUnsentBackup) {
  Backup("46001.5", {{"one", "a1"}}, "", /*sent=*/false);
  Backup("46002.5", {{"two", "b2"}}, "46001.5");
  test::TScriptedPrompts prompts;
  {
    auto session = Open("46002.5");
    ASSERT_TRUE(session->Start());
    prompts.Answer(false);
    EXPECT_FALSE(session->RequestStop());
    EXPECT_TRUE(FileExists(FileOf("46002.5", ".bck")));
    prompts.Answer(true);
    int downloadsStopped = 0;
    session->OnStopDownload = [&] { ++downloadsStopped; };
    EXPECT_TRUE(session->RequestStop());
    EXPECT_EQ(downloadsStopped, 1);
  }
  EXPECT_EQ(prompts.Texts(),
            (std::vector<std::string>{"Are you sure you want to abort the current process?",
                                      "Are you sure you want to abort the current process?"}));
  EXPECT_TRUE(FileExists(FileOf("46001.5", ".BFE"))) << "the only copy of the base";
  EXPECT_FALSE(FileExists(FileOf("46002.5", ".BFE")));
  for (const char* id : {"46001.5", "46002.5"})
    EXPECT_FALSE(FileExists(FileOf(id, ".bck")));
  EXPECT_FALSE(FileExists(FileOf("46002.5", "abf")));
  store.SetFilename(keys::kBaseKey);
  EXPECT_FALSE(store.ValueExists(keys::kDelCache, "46001.5")) << "unsent: not a cache";
  EXPECT_TRUE(store.ValueExists(keys::kDelCache, "46002.5"));
}

}  // namespace
}  // namespace vaultora
