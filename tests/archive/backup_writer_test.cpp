// The write side of the archive: the bytes of records and blocks, what the expansion of the
// file patterns takes, the file-ID list, the archive attribute, progress and cancellation.
#include <gtest/gtest.h>
#include <zlib.h>

#include "archive/block_codec.h"
#include "archive_test_util.h"
#include "independent_archive.h"
#include "platform/archive_flag.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "support/test_profile.h"

namespace vaultora::test {
namespace {

namespace ind = independent;

class ArchiveWriter : public ::testing::Test {
 protected:
  TTestProfile Profile;  // a fresh archive-attribute database per test
  TTempFolder Folder;
  TRecordingBackup Backup;
  std::string Archive = Folder / "out.bck";
};

TEST_F(ArchiveWriter, EmptyFileIsNameDateMarkerAndZeroWord) {
  MakeFile(Folder / "empty", "", kOldDate);
  Backup.SetBackupTitle("");
  ASSERT_TRUE(Backup.CreateArchive({Folder / "empty"}, Archive));
  const std::string name = Folder / "empty";
  std::string expected;
  ind::PutInt(expected, 0);  // title of length 0, no bytes
  ind::PutInt(expected, 0);  // total size
  ind::PutInt(expected, 1);  // file count
  ind::PutInt(expected, static_cast<int32_t>(name.size()));
  expected += name;
  ind::PutInt(expected, kOldDate);
  expected.append("EC2\0", 4);
  ind::PutInt(expected, 0);
  ind::PutInt(expected, 0);  // end word
  EXPECT_EQ(ind::LoadBytes(Archive), expected);
  EXPECT_EQ(Backup.FilesProcessed(), 1);
}

TEST_F(ArchiveWriter, RandomBlocksAreStoredRawAndTheShortLastBlockDeflated) {
  MakeFile(Folder / "noise", RandomBytes(2 * 16384 + 100));
  ASSERT_TRUE(Backup.CreateArchive({Folder / "noise"}, Archive));
  const ind::Archive parsed = ind::Parse(Archive);
  ASSERT_EQ(parsed.Records.size(), 1u);
  const auto& blocks = parsed.Records[0].Runs[0].Blocks;
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0].Size, -16384);
  EXPECT_EQ(blocks[1].Size, -16384);
  EXPECT_GT(blocks[2].Size, 0);  // 100 random bytes still fit as a zlib stream
  EXPECT_EQ(parsed.Records[0].Content, RandomBytes(2 * 16384 + 100));
}

TEST_F(ArchiveWriter, LevelNoneStoresFullBlocksRaw) {
  MakeFile(Folder / "text", TextBytes(16384 * 2 + 500));
  Backup.SetCompressionLevel(clNone);
  ASSERT_TRUE(Backup.CreateArchive({Folder / "text"}, Archive));
  const auto blocks = ind::Parse(Archive).Records[0].Runs[0].Blocks;
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0].Size, -16384);
  EXPECT_EQ(blocks[1].Size, -16384);
  EXPECT_GT(blocks[2].Size, 500);  // a stored zlib stream: longer than its data, still positive
  EXPECT_EQ(Backup.CompressionRate(), 100 - Backup.BytesArchived() * 100 / (16384 * 2 + 500));
}

TEST_F(ArchiveWriter, HeaderCountsFilesAndSizesAndTitle) {
  MakeFile(Folder / "a.txt", TextBytes(1000));
  MakeFile(Folder / "b.txt", TextBytes(70000));
  Backup.SetBackupTitle("Weekly");
  ASSERT_TRUE(Backup.CreateArchive({Folder / "*.txt"}, Archive));
  const ind::Archive parsed = ind::Parse(Archive);
  EXPECT_EQ(parsed.Title, "Weekly");
  EXPECT_EQ(parsed.TotalSize, 71000);
  EXPECT_EQ(parsed.FileCount, 2);
  ASSERT_EQ(parsed.Records.size(), 2u);
  EXPECT_EQ(parsed.Records[0].Name, Folder / "a.txt");
  EXPECT_EQ(parsed.Records[1].Content, TextBytes(70000));
  EXPECT_GT(Backup.CompressionRate(), 50);
}

TEST_F(ArchiveWriter, DeflateResetGivesTheBytesOfAFreshStream) {
  const std::string data = TextBytes(16384 * 3) + RandomBytes(16384);
  for (int level : {1, 0, -1, 9}) {
    TBlockDeflater reused(level);
    std::vector<uint8_t> out(16384);
    for (size_t at = 0; at < data.size(); at += 16384) {
      const auto* in = reinterpret_cast<const uint8_t*>(data.data() + at);
      const int got = reused.Compress(in, 16384, out.data(), 16384);
      z_stream fresh{};
      deflateInit2(&fresh, level, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
      std::vector<uint8_t> expected(16384);
      fresh.next_in = const_cast<Bytef*>(in);
      fresh.avail_in = 16384;
      fresh.next_out = expected.data();
      fresh.avail_out = 16384;
      const int status = deflate(&fresh, Z_FINISH);
      const int want = status == Z_STREAM_END ? static_cast<int>(fresh.total_out) : 0;
      deflateEnd(&fresh);
      ASSERT_EQ(got, want) << "level " << level << " block " << at / 16384;
      EXPECT_EQ(0, std::memcmp(out.data(), expected.data(), static_cast<size_t>(got)));
    }
  }
}

TEST_F(ArchiveWriter, ArchiveNeverTakesItselfAndDuplicatesAreStoredOnce) {
  MakeFile(Folder / "a.dat", "one");
  MakeFile(Archive, "old archive");
  ASSERT_TRUE(
      Backup.CreateArchive({Folder / "*", Folder / "a.dat", Folder.Path() + "./a.dat"}, Archive));
  const ind::Archive parsed = ind::Parse(Archive);
  ASSERT_EQ(parsed.Records.size(), 1u);
  EXPECT_EQ(parsed.Records[0].Name, Folder / "a.dat");
  EXPECT_EQ(parsed.FileCount, 1);
}

TEST_F(ArchiveWriter, MasksIgnoreCaseAndNamesKeepTheirs) {
  MakeFile(Folder / "IMG.JPG", "x");
  MakeFile(Folder / "note.txt", "y");
  const TStringList files = Backup.ExpandFileSpec({Folder / "*.jpg"});
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0], Folder / "IMG.JPG");
}

TEST_F(ArchiveWriter, SubfoldersOnlyWithTheSwitchAndNeverHiddenOnes) {
  MakeFile(Folder / "top.txt", "1");
  MakeFile(Folder / "sub/deep/inner.txt", "2");
  MakeFile(Folder / ".cache/skip.txt", "3");
  MakeFile(Folder / ".hidden.txt", "4");
  EXPECT_EQ(Backup.ExpandFileSpec({Folder / "*.txt"}).size(), 2u);
  const TStringList all = Backup.ExpandFileSpec({Folder / "*.txt /s"});
  EXPECT_EQ(all, (TStringList{Folder / ".hidden.txt", Folder / "sub/deep/inner.txt",
                              Folder / "top.txt"}));
  // A folder named as it is takes its files.
  EXPECT_EQ(Backup.ExpandFileSpec({Folder / "sub /s"}), TStringList{Folder / "sub/deep/inner.txt"});
}

TEST_F(ArchiveWriter, FileIdListIsTheFirstRecord) {
  MakeFile(Folder / "a.txt", TextBytes(300), kOldDate);
  MakeFile(Folder / "b.txt", "", kNewDate);
  Backup.SetSaveFileID(true);
  ASSERT_TRUE(Backup.CreateArchive({Folder / "*.txt"}, Archive));
  const ind::Archive parsed = ind::Parse(Archive);
  ASSERT_EQ(parsed.Records.size(), 3u);
  EXPECT_EQ(parsed.Records[0].Name, "FILE:LIST");
  const std::string list = Folder.Path() + "a.txt\t" + IntToStr(kOldDate) + "=300\r\n" +
                           Folder.Path() + "b.txt\t" + IntToStr(kNewDate) + "=0\r\n";
  EXPECT_EQ(parsed.Records[0].Content, list);
  EXPECT_EQ(parsed.FileCount, 2);
  EXPECT_EQ(parsed.TotalSize, static_cast<int32_t>(300 + list.size()));
  EXPECT_EQ(Backup.FilesProcessed(), 2);

  TStringList lines;
  std::string title;
  Backup.ReadArchiveInfo(Archive, &lines, title);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], Folder.Path() + "b.txt\t" + IntToStr(kNewDate) + "=0");
}

TEST_F(ArchiveWriter, IncrementalTakesOnlyFilesChangedSinceTheLastBackup) {
  MakeFile(Folder / "data/a.txt", "alpha");
  MakeFile(Folder / "data/b.txt", "beta");
  Backup.SetSetArchiveFlag(true);
  ASSERT_TRUE(Backup.CreateArchive({Folder / "data/*.*"}, Archive));
  EXPECT_EQ(FileGetAttr(Folder / "data/a.txt") & faArchive, 0);

  TRecordingBackup incremental;
  incremental.SetBackupMode(bmIncremental);
  EXPECT_TRUE(incremental.SetArchiveFlag());
  incremental.SetSaveFileID(true);
  ASSERT_TRUE(incremental.CreateArchive({Folder / "data/*.*"}, Folder / "none.bck"));
  ind::Archive parsed = ind::Parse(Folder / "none.bck");
  EXPECT_EQ(parsed.FileCount, 0);
  ASSERT_EQ(parsed.Records.size(), 1u);  // the (empty) file-ID list only
  EXPECT_EQ(parsed.Records[0].Name, "FILE:LIST");

  MakeFile(Folder / "data/b.txt", "beta, changed");
  ASSERT_TRUE(incremental.CreateArchive({Folder / "data/*.*"}, Folder / "inc.bck"));
  parsed = ind::Parse(Folder / "inc.bck");
  ASSERT_EQ(parsed.Records.size(), 2u);
  EXPECT_EQ(parsed.Records[1].Name, Folder / "data/b.txt");
  EXPECT_EQ(FileGetAttr(Folder / "data/b.txt") & faArchive, 0);
  incremental.SetBackupMode(bmAll);
  EXPECT_TRUE(incremental.SetArchiveFlag());  // going back to all leaves it as it was
}

TEST_F(ArchiveWriter, ProgressRunsFromZeroToHundredAndStopEndsAfterTheBlock) {
  MakeFile(Folder / "big", TextBytes(16384 * 4));
  std::vector<int> percents;
  Backup.OnProgress = [&](TComponent*, const std::string&, TPercentage p, bool&) {
    percents.push_back(p);
    EXPECT_TRUE(Backup.Busy());
  };
  ASSERT_TRUE(Backup.CreateArchive({Folder / "big"}, Archive));
  EXPECT_EQ(percents, (std::vector<int>{0, 25, 50, 75, 100, 100}));
  EXPECT_FALSE(Backup.Busy());

  Backup.SetSetArchiveFlag(true);
  int blocks = 0;
  Backup.OnProgress = [&](TComponent*, const std::string& name, TPercentage, bool&) {
    if (!name.empty() && ++blocks == 2) Backup.Stop();
  };
  EXPECT_FALSE(Backup.CreateArchive({Folder / "big"}, Archive));
  EXPECT_EQ(blocks, 2);
  EXPECT_TRUE(Backup.Errors.empty());
  // A stopped backup leaves the file to be taken next time.
  EXPECT_NE(FileGetAttr(Folder / "big") & faArchive, 0);
}

TEST_F(ArchiveWriter, SaveToStreamWritesFromThePositionAndWithoutVolumes) {
  MakeFile(Folder / "a", TextBytes(50000));
  TMemoryStream stream;
  stream.Write("prefix", 6);
  Backup.SetMaxSize(20000);
  EXPECT_FALSE(Backup.SaveToStream({Folder / "a"}, nullptr));
  ASSERT_TRUE(Backup.SaveToStream({Folder / "a"}, &stream));
  EXPECT_EQ(Backup.MaxSize(), 0);
  EXPECT_EQ(stream.AsString().substr(0, 6), "prefix");
  WriteTextFile(Archive, stream.AsString().substr(6));
  EXPECT_EQ(ind::Parse(Archive).Records[0].Content, TextBytes(50000));
}

TEST_F(ArchiveWriter, UnwritableArchiveReportsErrorFourOnce) {
  MakeFile(Folder / "a", "x");
  EXPECT_FALSE(Backup.CreateArchive({Folder / "a"}, Folder / "missing/folder/out.bck"));
  EXPECT_EQ(Backup.Errors, std::vector<int32_t>{4});
  EXPECT_EQ(Backup.Texts, TStringList{"Cannot write to archive"});
  EXPECT_EQ(Backup.Version(), "3.00");
}

}  // namespace
}  // namespace vaultora::test
