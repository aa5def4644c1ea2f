// Bit flips in an enciphered archive: a backup whose ".BFE" has one bit flipped at a random
// position is refused by its MAC with a clear error, nothing is restored from it, and the files
// already in the target stay as they were. The unflipped archive restores byte for byte.
#include <gtest/gtest.h>

#include <random>

#include "archive/restore_session.h"
#include "platform/folders.h"
#include "support/catalogued_backup.h"
#include "support/temp_folder.h"
#include "support/trials.h"

namespace vaultora {
namespace {

constexpr const char* kKey = "a key for the trials";

TRestoreOptions Into(const std::string& folder) {
  TRestoreOptions options;
  options.OriginalPath = false;
  options.Folder = folder;
  options.Mode = rmAll;
  return options;
}

// Restores the backup into the folder; the log of the run in lines.
bool Restore(TIniRegistryEditor& store, const std::string& id, const std::string& folder,
             TStringList& log) {
  TRestoreSession session(nullptr, store, id);
  session.OnLog = [&log](const std::string& line) { log.push_back(line); };
  try {
    return session.Start() && session.Extract(Into(folder));
  } catch (const std::exception& e) {
    log.push_back(e.what());
    return false;
  }
}

TEST(FaultTrials, BitFlipsInAnEncipheredArchiveAreRefusedAndRestoreNothing) {
  test::TBackupProfile profile(kKey);
  std::mt19937 random(test::TrialSeed());
  std::string big(70000, '\0');
  for (char& c : big)
    c = static_cast<char>(random());
  profile.Backup("46100.5", {{"notes.txt", "the notes"}, {"data.bin", big}});
  const std::string archive = profile.FileOf("46100.5", ".BFE");
  const std::string original = test::ReadTextFile(archive);

  test::TTempFolder target;
  test::WriteTextFile(target / "notes.txt", "older notes");  // must survive a refused restore
  const std::string expected = test::ReadTextFile(target / "notes.txt");
  test::TTrialTally tally("bit flips in an enciphered archive");
  const int flips = test::TrialCount(200);
  for (int i = 0; i < flips; ++i) {
    std::string damaged = original;
    const size_t at = random() % damaged.size();
    damaged[at] = static_cast<char>(damaged[at] ^ (1 << (random() % 8)));
    test::WriteTextFile(archive, damaged);
    TStringList log;
    const bool restored = Restore(profile.Store, "46100.5", target.Path(), log);
    const bool refused =
        std::find(log.begin(), log.end(), "Decryption failed, MAC mismatch") != log.end();
    const bool untouched =
        test::ReadTextFile(target / "notes.txt") == expected && !FileExists(target / "data.bin");
    tally.Count(!restored && refused && untouched);
    EXPECT_FALSE(restored) << "flip at " << at;
    EXPECT_TRUE(refused) << "flip at " << at << ": " << (log.empty() ? "" : log.back());
    EXPECT_TRUE(untouched) << "flip at " << at;
  }
  // The archive as it was restores byte for byte.
  test::WriteTextFile(archive, original);
  TStringList log;
  ASSERT_TRUE(Restore(profile.Store, "46100.5", target.Path(), log)) << log.back();
  EXPECT_EQ(test::ReadTextFile(target / "data.bin"), big);
  EXPECT_EQ(test::ReadTextFile(target / "notes.txt"), "the notes");
}

}  // namespace
}  // namespace vaultora
