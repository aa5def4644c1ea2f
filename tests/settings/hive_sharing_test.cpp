// The hive file shared by threads and processes, and hive files that cannot be used.
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "platform/folders.h"
#include "settings/autostart_entry.h"
#include "settings/registry_keys.h"
#include "store_fixture.h"

namespace vaultora::test {
namespace {

using HiveSharing = StoreTest;

TEST_F(HiveSharing, TwoThreadsOnTheSameKeysLoseNothing) {
  constexpr int kWrites = 200;
  auto work = [this](const std::string& who) {
    auto store = NewStore();
    for (int i = 0; i < kWrites; ++i) {
      store->WriteInteger("Shared", who + IntToStr(i), i);
      // Both threads also bump one common counter inside a transaction.
      TRegistryTransaction transaction(*store);
      store->WriteInteger("Shared", "Counter", store->ReadInteger("Shared", "Counter", 0) + 1);
      transaction.Commit();
      ASSERT_EQ(store->ReadInteger("Shared", who + IntToStr(i), -1), i);
    }
  };
  std::thread first(work, "a"), second(work, "b");
  first.join();
  second.join();

  FStore->ReadValueNames("Shared");
  EXPECT_EQ(FStore->Data().size(), 2u * kWrites + 1);
  EXPECT_EQ(FStore->ReadInteger("Shared", "Counter", 0), 2 * kWrites);
  for (int i = 0; i < kWrites; i += 37) {
    EXPECT_EQ(FStore->ReadInteger("Shared", "a" + IntToStr(i), -1), i);
    EXPECT_EQ(FStore->ReadInteger("Shared", "b" + IntToStr(i), -1), i);
  }
}

TEST_F(HiveSharing, AnotherProcessSeesWhatWasCommitted) {
  FStore->WriteString("Connection", "Host", "192.168.1.20");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int status = 1;
    try {
      auto store = NewStore();
      if (store->ReadString("Connection", "Host", "") == "192.168.1.20") {
        store->WriteInteger("Connection", "ServerPort", 5001);
        status = 0;
      }
    } catch (...) {
      status = 2;
    }
    _exit(status);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(FStore->ReadInteger("Connection", "ServerPort", 0), 5001);
}

TEST_F(HiveSharing, ProcessesStartingOnANewFileAtOnceAllGetIn) {
  const std::string path = FFolder / "new.db";
  std::vector<pid_t> children;
  for (int i = 0; i < 4; ++i) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      int status = 1;
      try {
        TIniRegistryEditor store(nullptr, path);
        store.SetFilename("Software\\Vaultora");
        store.WriteInteger("Started", "Process" + IntToStr(i), i);
        status = 0;
      } catch (...) {
      }
      _exit(status);
    }
    children.push_back(child);
  }
  for (const pid_t child : children) {
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  TIniRegistryEditor store(nullptr, path);
  store.SetFilename("Software\\Vaultora");
  store.ReadValueNames("Started");
  EXPECT_EQ(store.Data().size(), 4u);
}

// The error names the file; the file keeps every byte.
void ExpectRefused(const std::string& path, const std::string& content) {
  {
    TIniRegistryEditor store(nullptr, path);
    store.SetRootKey(rtHKEY_CURRENT_USER);
    store.SetFilename("Software\\Vaultora");
    try {
      store.WriteString("Preferences", "Host", "x");
      ADD_FAILURE() << "no exception for " << path;
    } catch (const ERegistryException& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
  EXPECT_TRUE(ReadTextFile(path) == content) << path << " was changed";
  EXPECT_FALSE(FileExists(path + "-wal"));
}

TEST_F(HiveSharing, DamagedOrForeignFilesAreRefusedUntouched) {
  std::string garbage;
  for (int i = 0; i < 8192; ++i)
    garbage += static_cast<char>((i * 131 + 7) & 0xFF);
  WriteTextFile(FFolder / "garbage.db", garbage);
  ExpectRefused(FFolder / "garbage.db", garbage);

  // A real database of something else.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((FFolder / "foreign.db").c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "CREATE TABLE t(x); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  const std::string foreign = ReadTextFile(FFolder / "foreign.db");
  ExpectRefused(FFolder / "foreign.db", foreign);

  // A settings file whose pages were damaged after its header.
  {
    auto store = NewStore();
    for (int i = 0; i < 300; ++i)
      store->WriteString("Bulk", "Value" + IntToStr(i), std::string(100, 'v'));
  }
  sqlite3_open(HivePath().c_str(), &db);
  sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  std::string hive = ReadTextFile(HivePath());
  ASSERT_GT(hive.size(), 8192u);
  for (size_t i = 4096; i < hive.size(); ++i)
    hive[i] = static_cast<char>(hive[i] ^ 0x5A);
  WriteTextFile(HivePath(), hive);
  ExpectRefused(HivePath(), hive);
}

TEST_F(HiveSharing, UnreadableFileNamesItself) {
  ForceDirectories(FFolder / "folder.db");  // a folder in the file's place
  std::vector<std::string> paths = {FFolder / "folder.db"};
  if (geteuid() != 0) {  // root reads every file
    WriteTextFile(FFolder / "locked.db", "");
    chmod((FFolder / "locked.db").c_str(), 0);
    paths.push_back(FFolder / "locked.db");
  }
  for (const std::string& path : paths) {
    TIniRegistryEditor store(nullptr, path);
    store.SetFilename("Software\\Vaultora");
    try {
      store.ReadString("S", "N", "");
      ADD_FAILURE() << "no exception for " << path;
    } catch (const ERegistryException& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
}

TEST_F(HiveSharing, TheRunValueKeepsTheAutostartEntry) {
  auto store = NewStore(keys::kWindowsCurrentVersionKey);
  RemoveAutostartEntry();
  store->WriteString(keys::kRunSection, keys::kRunValue, "/opt/My Apps/vaultora -StartupTray");
  const std::string entry = ReadTextFile(AutostartEntryPath());
  EXPECT_NE(entry.find("\nExec=\"/opt/My Apps/vaultora\" -StartupTray\n"), std::string::npos)
      << entry;
  store->DeleteValue(keys::kRunSection, keys::kRunValue);
  EXPECT_FALSE(FileExists(AutostartEntryPath()));

  // A rolled-back change leaves no entry behind; another value of Run does not count.
  {
    TRegistryTransaction transaction(*store);
    store->WriteString(keys::kRunSection, keys::kRunValue, "/usr/bin/vaultora -StartupTray");
  }
  EXPECT_FALSE(FileExists(AutostartEntryPath()));
  store->WriteString(keys::kRunSection, "Other", "/usr/bin/other");
  EXPECT_FALSE(FileExists(AutostartEntryPath()));
  store->WriteString(keys::kRunSection, keys::kRunValue, "/usr/bin/vaultora -StartupTray");
  EXPECT_NE(ReadTextFile(AutostartEntryPath()).find("Exec=/usr/bin/vaultora -StartupTray"),
            std::string::npos);
  store->EraseSection(keys::kRunSection);
  EXPECT_FALSE(FileExists(AutostartEntryPath()));
}

}  // namespace
}  // namespace vaultora::test
