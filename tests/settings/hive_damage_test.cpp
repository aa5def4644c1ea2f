// A damaged or emptied settings file is refused and never written, and the last good copy of
// it comes back with one call.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/folders.h"
#include "settings/hive.h"
#include "settings/last_good_copy.h"
#include "settings/registry_error.h"
#include "store_fixture.h"
#include "support/temp_folder.h"

namespace vaultora::test {
namespace {

// A profile's worth of keys: enough pages that damage past the first one hits tables and
// indexes, as a catalogue of some hundred backups does.
void FillCatalogue(TIniRegistryEditor& store, int entries) {
  TRegistryTransaction transaction(store);
  for (int i = 0; i < entries; ++i) {
    const std::string section = "Backups\\" + std::to_string(45000 + i) + "_5";
    store.WriteString(section, "BackupTitle", "Monday " + std::to_string(i));
    store.WriteString(section, "FileList", "/home/user/list" + std::to_string(i) + ".bfl");
    store.WriteInteger(section, "BackupSize", 1000 + i);
  }
  transaction.Commit();
}

// SQLite's own full check of a file, read-only, as an independent judge of damage.
bool SqliteFindsDamage(const std::string& path) {
  sqlite3* db = nullptr;
  bool damaged = true;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr) == SQLITE_OK &&
        sqlite3_step(stmt) == SQLITE_ROW)
      damaged = std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))) != "ok";
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  return damaged;
}

std::string ReadValue(const std::string& hivePath, const std::string& section,
                      const std::string& name) {
  TIniRegistryEditor store(nullptr, hivePath);
  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetFilename("Software\\Vaultora");
  return store.ReadString(section, name, "");
}

void WriteValue(const std::string& hivePath, const std::string& value) {
  TIniRegistryEditor store(nullptr, hivePath);
  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetFilename("Software\\Vaultora");
  store.WriteString("Preferences", "ShellCommand", value);
}

class HiveDamage : public StoreTest {
 protected:
  // The hive checkpointed into its one file, closed.
  std::string MakeHive(int entries) {
    FillCatalogue(*FStore, entries);
    FStore.reset();
    return ReadTextFile(HivePath());
  }
};

TEST_F(HiveDamage, AnEmptiedFileIsRefusedByNameAndLeftEmpty) {
  FStore.reset();
  DeleteFile(HivePath());
  WriteTextFile(HivePath(), "");
  try {
    ReadValue(HivePath(), "Preferences", "ShellCommand");
    FAIL() << "an empty settings file was opened";
  } catch (const ERegistryException& e) {
    const std::string text = e.what();
    EXPECT_NE(text.find(HivePath()), std::string::npos) << text;
    EXPECT_NE(text.find("is empty"), std::string::npos) << text;
    EXPECT_NE(text.find("settings restore-last-good"), std::string::npos) << text;
  }
  EXPECT_THROW(WriteValue(HivePath(), "x"), ERegistryException);
  EXPECT_EQ(FileSizeOf(HivePath()), 0);
}

// Twenty bytes inverted somewhere past the first page, for forty seeds: every damage SQLite's
// full check sees is refused, and a refused file keeps every byte.
TEST_F(HiveDamage, SeededDamageIsRefusedAndTheFileNeverWritten) {
  const std::string good = MakeHive(1500);
  ASSERT_GT(good.size(), 64u * 1024);
  int damaged = 0, refused = 0;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    std::mt19937 random(seed);
    std::string bytes = good;
    const size_t at = 4096 + random() % (bytes.size() - 4096 - 20);
    for (size_t i = 0; i < 20; ++i)
      bytes[at + i] = static_cast<char>(~bytes[at + i]);
    TTempFolder folder;
    const std::string path = folder / "registry.db";
    WriteTextFile(path, bytes);
    WriteTextFile(folder / "judge.db", bytes);
    const bool seen = SqliteFindsDamage(folder / "judge.db");
    damaged += seen;
    bool opened = false;
    try {
      ReadValue(path, "Backups\\45000_5", "BackupTitle");
      WriteValue(path, "written after damage");
      opened = true;
    } catch (const ERegistryException& e) {
      ++refused;
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
      EXPECT_EQ(ReadTextFile(path), bytes) << "seed " << seed << ": a refused file was written";
    }
    EXPECT_FALSE(seen && opened) << "seed " << seed << ": damage at " << at << " not seen";
  }
  EXPECT_GE(damaged, 20) << "the seeds hardly damage anything: the test proves little";
  EXPECT_GE(refused, damaged);
}

TEST_F(HiveDamage, TheLastGoodCopyComesBackAndTheReplacedFileIsKept) {
  MakeHive(50);
  WriteValue(HivePath(), "before the backup");
  SaveLastGoodCopy(HivePath());
  WriteValue(HivePath(), "after the backup");
  const std::string copy = ReadTextFile(LastGoodCopyPath(HivePath()));

  WriteTextFile(HivePath(), "");  // the profile is emptied
  const TRestoredSettings restored = RestoreLastGoodCopy(HivePath());
  EXPECT_FALSE(restored.SavedOn.empty());
  EXPECT_EQ(ReadValue(HivePath(), "Preferences", "ShellCommand"), "before the backup");
  EXPECT_EQ(ReadValue(HivePath(), "Backups\\45049_5", "BackupTitle"), "Monday 49");
  ASSERT_FALSE(restored.KeptAsPath.empty());
  EXPECT_EQ(FileSizeOf(restored.KeptAsPath), 0);
  // The copy stays as it was, for another time.
  EXPECT_EQ(ReadTextFile(LastGoodCopyPath(HivePath())), copy);

  // A second restore keeps the first replaced file and names the new one apart.
  const TRestoredSettings again = RestoreLastGoodCopy(HivePath());
  EXPECT_NE(again.KeptAsPath, restored.KeptAsPath);
  EXPECT_TRUE(FileExists(restored.KeptAsPath));
}

TEST_F(HiveDamage, ADamagedHiveNeverReplacesTheGoodCopyNorIsRestoredFrom) {
  const std::string good = MakeHive(1500);
  SaveLastGoodCopy(HivePath());
  const std::string copy = ReadTextFile(LastGoodCopyPath(HivePath()));
  // A damage the full check sees (the first of the seeds above that SQLite reports).
  std::string bytes = good;
  for (unsigned seed = 1;; ++seed) {
    ASSERT_LT(seed, 100u);
    std::mt19937 random(seed);
    bytes = good;
    const size_t at = 4096 + random() % (bytes.size() - 4096 - 20);
    for (size_t i = 0; i < 20; ++i)
      bytes[at + i] = static_cast<char>(~bytes[at + i]);
    WriteTextFile(HivePath(), bytes);
    if (SqliteFindsDamage(HivePath())) break;
  }
  EXPECT_THROW(SaveLastGoodCopy(HivePath()), ERegistryException);
  EXPECT_EQ(ReadTextFile(LastGoodCopyPath(HivePath())), copy);

  // A damaged copy is refused too, and the hive is then left where it is.
  WriteTextFile(LastGoodCopyPath(HivePath()), bytes);
  EXPECT_THROW(RestoreLastGoodCopy(HivePath()), ERegistryException);
  EXPECT_EQ(ReadTextFile(HivePath()), bytes);
  DeleteFile(LastGoodCopyPath(HivePath()));
  try {
    RestoreLastGoodCopy(HivePath());
    FAIL() << "a restore without a copy succeeded";
  } catch (const ERegistryException& e) {
    EXPECT_NE(std::string(e.what()).find("no last good copy"), std::string::npos) << e.what();
  }
}

// Processes starting on a new profile at once all find one whole hive.
TEST(NewHive, StartersAtOnceAllOpenTheSameWholeFile) {
  TTempFolder folder;
  const std::string path = folder / "registry.db";
  std::vector<std::thread> starters;
  std::atomic<int> failures{0};
  for (int i = 0; i < 4; ++i)
    starters.emplace_back([&, i] {
      try {
        TIniRegistryEditor store(nullptr, path);
        store.SetRootKey(rtHKEY_CURRENT_USER);
        store.SetFilename("Software\\Vaultora");
        store.WriteInteger("Starters", "S" + std::to_string(i), i);
      } catch (const std::exception&) {
        ++failures;
      }
    });
  for (auto& starter : starters)
    starter.join();
  EXPECT_EQ(failures, 0);
  TIniRegistryEditor store(nullptr, path);
  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetFilename("Software\\Vaultora");
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(store.ReadInteger("Starters", "S" + std::to_string(i), -1), i);
}

}  // namespace
}  // namespace vaultora::test
