// Volumes: splitting at the size limit, the continuation records and names, and the disk
// prompt on both sides, answered and refused.
#include <gtest/gtest.h>

#include "archive_test_util.h"
#include "independent_archive.h"
#include "platform/folders.h"
#include "support/scripted_prompts.h"

namespace vaultora::test {
namespace {

namespace ind = independent;

class ArchiveVolumes : public ::testing::Test {
 protected:
  static constexpr int32_t kLimit = 40000;

  void SetUp() override {
    MakeFile(Folder / "src/big", Content, kOldDate);
    MakeFile(Folder / "src/small", "small file", kNewDate);
    Backup.SetMaxSize(kLimit);
  }

  TTempFolder Folder;
  TRecordingBackup Backup;
  std::string Archive = Folder / "36712_5471064815.bck";
  std::string Target = Folder / "restore";
  std::string Content = RandomBytes(5 * 16384 + 5000);  // stored raw: two blocks a volume
};

TEST_F(ArchiveVolumes, AFileSplitsOverThreeVolumesEachBelowTheLimit) {
  std::vector<uint16_t> asked;
  Backup.OnNeedDisk = [&](TComponent*, uint16_t disk, bool&) { asked.push_back(disk); };
  ASSERT_TRUE(Backup.CreateArchive({Folder / "src/big", Folder / "src/small"}, Archive));
  EXPECT_EQ(asked, (std::vector<uint16_t>{2, 3}));
  const std::string second = Folder / "36712_5471064815.002";
  const std::string third = Folder / "36712_5471064815.003";
  for (const std::string& volume : {Archive, second, third})
    EXPECT_LT(FileSizeOf(volume), kLimit) << volume;
  EXPECT_EQ(ind::LoadBytes(second).substr(0, 4), std::string("EC2\0", 4));
  const std::string first = ind::LoadBytes(Archive);
  EXPECT_EQ(first.substr(first.size() - 16), std::string("\x0c\0\0\0NEXT:DISK002", 16));

  const ind::Archive parsed = ind::Parse(Archive);
  ASSERT_EQ(parsed.Volumes.size(), 3u);
  ASSERT_EQ(parsed.Records.size(), 2u);
  EXPECT_EQ(parsed.Records[0].Runs.size(), 3u);  // one run per volume
  EXPECT_TRUE(parsed.Records[0].Content == Content);
  EXPECT_EQ(parsed.Records[1].Content, "small file");
}

TEST_F(ArchiveVolumes, WithoutAHandlerThePromptAsksForTheDisk) {
  TScriptedPrompts prompts(true);
  ASSERT_TRUE(Backup.CreateArchive({Folder / "src/big"}, Archive));
  EXPECT_EQ(prompts.Texts(), (TStringList{"Please insert disk 2 and click OK to Continue.",
                                          "Please insert disk 3 and click OK to Continue."}));
  EXPECT_EQ(prompts.Shown()[0].Kind, TPromptKind::pkInformationOkCancel);
}

TEST_F(ArchiveVolumes, RefusingTheDiskEndsWritingWithoutAnError) {
  TScriptedPrompts prompts(false);
  EXPECT_FALSE(Backup.CreateArchive({Folder / "src/big"}, Archive));
  EXPECT_TRUE(Backup.Errors.empty());
  EXPECT_EQ(prompts.Texts().size(), 1u);
  EXPECT_FALSE(FileExists(Folder / "36712_5471064815.002"));
}

TEST_F(ArchiveVolumes, NoLimitNoVolumes) {
  Backup.SetMaxSize(0);
  Backup.OnNeedDisk = [](TComponent*, uint16_t, bool&) { FAIL() << "asked for a disk"; };
  ASSERT_TRUE(Backup.CreateArchive({Folder / "src/big"}, Archive));
  EXPECT_EQ(ind::Parse(Archive).Volumes.size(), 1u);
}

TEST_F(ArchiveVolumes, ALimitBelowOneBlockStillMakesProgress) {
  Backup.SetMaxSize(1000);
  int disks = 0;
  Backup.OnNeedDisk = [&](TComponent*, uint16_t, bool&) { ++disks; };
  ASSERT_TRUE(Backup.CreateArchive({Folder / "src/big"}, Archive));
  EXPECT_LE(disks, 6);
  EXPECT_TRUE(ind::Parse(Archive).Records[0].Content == Content);
}

TEST_F(ArchiveVolumes, RestoreFollowsTheVolumesWithThePromptAnswered) {
  Backup.OnNeedDisk = [](TComponent*, uint16_t, bool&) {};
  ASSERT_TRUE(Backup.CreateArchive({Folder / "src/big", Folder / "src/small"}, Archive));
  TBackupFile reader;
  TScriptedPrompts prompts(true);
  ASSERT_TRUE(reader.ExtractArchive(Archive, Target));
  EXPECT_EQ(prompts.Texts().size(), 2u);
  EXPECT_TRUE(ReadTextFile(Target + "/big") == Content);
  EXPECT_EQ(FileAge(Target + "/big"), kOldDate);
  EXPECT_EQ(ReadTextFile(Target + "/small"), "small file");
}

TEST_F(ArchiveVolumes, ASplitFileNotRestoredHasItsContinuationSkipped) {
  Backup.OnNeedDisk = [](TComponent*, uint16_t, bool&) {};
  ASSERT_TRUE(Backup.CreateArchive({Folder / "src/big", Folder / "src/small"}, Archive));
  TRecordingBackup reader;
  std::vector<uint16_t> asked;
  reader.OnNeedDisk = [&](TComponent*, uint16_t disk, bool&) { asked.push_back(disk); };
  reader.OnRestoreFile = [](TComponent*, std::string&, const std::string& stored, int32_t,
                            bool& restore) { restore = EndsWith(stored, "small"); };
  ASSERT_TRUE(reader.ExtractArchive(Archive, Target));
  EXPECT_EQ(asked, (std::vector<uint16_t>{2, 3}));
  EXPECT_FALSE(FileExists(Target + "/big"));
  EXPECT_EQ(ReadTextFile(Target + "/small"), "small file");
}

TEST_F(ArchiveVolumes, RefusedOrMissingVolumeKeepsTheOldFile) {
  Backup.OnNeedDisk = [](TComponent*, uint16_t, bool&) {};
  ASSERT_TRUE(Backup.CreateArchive({Folder / "src/big"}, Archive));
  MakeFile(Target + "/big", "the old file");
  TRecordingBackup reader;
  TScriptedPrompts prompts(false);
  EXPECT_FALSE(reader.ExtractArchive(Archive, Target));
  EXPECT_TRUE(reader.Errors.empty());  // refused: no message
  EXPECT_EQ(ReadTextFile(Target + "/big"), "the old file");

  // The third volume is missing: the prompt repeats until it is refused.
  DeleteFile(Folder / "36712_5471064815.003");
  int asked = 0;
  reader.OnNeedDisk = [&](TComponent*, uint16_t disk, bool& go) {
    ++asked;
    go = disk == 2 || asked < 4;
  };
  EXPECT_FALSE(reader.ExtractArchive(Archive, Target));
  EXPECT_EQ(asked, 4);
  EXPECT_EQ(ReadTextFile(Target + "/big"), "the old file");
}

}  // namespace
}  // namespace vaultora::test
