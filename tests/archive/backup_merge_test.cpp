// Merging a full backup with the incremental backups built on it, and restoring the result.
#include <gtest/gtest.h>

#include "archive_test_util.h"
#include "independent_archive.h"
#include "platform/folders.h"
#include "support/test_profile.h"

namespace vaultora::test {
namespace {

namespace ind = independent;

class ArchiveMerge : public ::testing::Test {
 protected:
  // A full backup of a, b, c, then two incremental ones: b changed, then c changed and d added.
  void SetUp() override {
    MakeFile(Data + "a.txt", "a1");
    MakeFile(Data + "b.txt", "b1");
    MakeFile(Data + "c.bin", RandomBytes(20000, 1));
    Backup(bmAll, Full);
    MakeFile(Data + "b.txt", "b2, longer");
    Backup(bmIncremental, Inc1);
    MakeFile(Data + "c.bin", RandomBytes(30000, 2));
    MakeFile(Data + "d.txt", "d3");
    Backup(bmIncremental, Inc2);
  }

  void Backup(TBackupMode mode, const std::string& archive) {
    TRecordingBackup backup;
    backup.SetBackupMode(mode);
    backup.SetSetArchiveFlag(true);
    backup.SetSaveFileID(true);
    ASSERT_TRUE(backup.CreateArchive({Data + "*.*"}, archive));
  }

  TTestProfile Profile;
  TTempFolder Folder;
  std::string Data = Folder / "data/";
  std::string Full = Folder / "full.bck", Inc1 = Folder / "inc1.bck", Inc2 = Folder / "inc2.bck";
  std::string Merged = Folder / "restore.abf";
  TRecordingBackup Merger;
};

TEST_F(ArchiveMerge, MergedArchiveListsAllAndRestoresTheNewestCopies) {
  ASSERT_TRUE(Merger.MergeArchives(Merged, {Full, Inc1, Inc2}));
  EXPECT_FALSE(FileExists(Folder / "AppendRestore.tfl"));
  TStringList lines;
  std::string title;
  Merger.ReadArchiveInfo(Merged, &lines, title);
  EXPECT_EQ(title, "Incremental Restore");
  EXPECT_EQ(lines.size(), 3u + 1u + 2u);
  EXPECT_EQ(Merger.FileCount(), 6);
  EXPECT_EQ(Merger.TotalSize(), 1);

  const ind::Archive parsed = ind::Parse(Merged);
  ASSERT_EQ(parsed.Records.size(), 7u);  // the list, then every copy in order
  EXPECT_EQ(parsed.Records[0].Name, "FILE:LIST");
  EXPECT_EQ(parsed.Records[4].Name, Data + "b.txt");

  TRecordingBackup restorer;
  ASSERT_TRUE(restorer.ExtractArchive(Merged, Folder / "out"));
  EXPECT_EQ(restorer.FilesProcessed(), 6);
  EXPECT_EQ(ReadTextFile(Folder / "out/a.txt"), "a1");
  EXPECT_EQ(ReadTextFile(Folder / "out/b.txt"), "b2, longer");
  EXPECT_EQ(ReadTextFile(Folder / "out/c.bin"), RandomBytes(30000, 2));
  EXPECT_EQ(ReadTextFile(Folder / "out/d.txt"), "d3");
}

TEST_F(ArchiveMerge, StoredBlocksStayStored) {
  ASSERT_TRUE(Merger.MergeArchives(Merged, {Full, Inc1, Inc2}));
  const ind::Archive merged = ind::Parse(Merged);
  const ind::Archive full = ind::Parse(Full);
  ASSERT_EQ(full.Records[3].Name, Data + "c.bin");
  ASSERT_EQ(merged.Records[3].Name, Data + "c.bin");
  EXPECT_EQ(merged.Records[3].Runs[0].Blocks[0].Size, -16384);
  ASSERT_EQ(merged.Records[3].Runs[0].Blocks.size(), full.Records[3].Runs[0].Blocks.size());
  for (size_t i = 0; i < full.Records[3].Runs[0].Blocks.size(); ++i) {
    EXPECT_EQ(merged.Records[3].Runs[0].Blocks[i].Size, full.Records[3].Runs[0].Blocks[i].Size);
    EXPECT_EQ(merged.Records[3].Runs[0].Blocks[i].Data, full.Records[3].Runs[0].Blocks[i].Data);
  }
}

TEST_F(ArchiveMerge, AppendHandlerMayLeaveFilesOut) {
  Merger.OnAppendFile = [](TComponent*, const std::string& name, bool& append) {
    append = !EndsWith(name, "a.txt");
  };
  std::vector<int> percents;
  Merger.OnProgress = [&](TComponent*, const std::string& name, TPercentage p, bool&) {
    if (!name.empty()) percents.push_back(p);
  };
  ASSERT_TRUE(Merger.MergeArchives(Merged, {Full, Inc1, Inc2}));
  EXPECT_EQ(ind::Parse(Merged).Records.size(), 6u);
  ASSERT_FALSE(percents.empty());
  EXPECT_GE(percents.back(), 99);  // the end word is still to come
}

TEST_F(ArchiveMerge, ADamagedArchiveFailsTheMergeAndLeavesNoMergedFile) {
  const std::string bytes = ind::LoadBytes(Inc2);
  WriteTextFile(Inc2, bytes.substr(0, bytes.size() - 30));
  EXPECT_FALSE(Merger.MergeArchives(Merged, {Full, Inc1, Inc2}));
  EXPECT_FALSE(FileExists(Merged));
  EXPECT_FALSE(FileExists(Merged + ".part"));
  EXPECT_EQ(Merger.Errors, std::vector<int32_t>{1});
}

TEST_F(ArchiveMerge, ArchivesWithoutFileListsCannotBeMerged) {
  TRecordingBackup plain;
  ASSERT_TRUE(plain.CreateArchive({Data + "*.*"}, Folder / "plain.bck"));
  EXPECT_FALSE(Merger.MergeArchives(Merged, {Folder / "plain.bck"}));
  EXPECT_EQ(Merger.Errors, std::vector<int32_t>{3});
  EXPECT_FALSE(FileExists(Merged));
}

}  // namespace
}  // namespace vaultora::test
