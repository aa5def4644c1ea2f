// Blocks deflated on worker threads: the archive is byte for byte the one a single thread
// writes, at every level, across volumes and for a stopped run; the pipeline hands blocks back
// in order however the workers finish.
#include <gtest/gtest.h>

#include <cstring>

#include "archive/archive_format.h"
#include "archive/block_pipeline.h"
#include "archive_test_util.h"
#include "independent_archive.h"
#include "platform/folders.h"
#include "platform/processor_count.h"

namespace vaultora::test {
namespace {

namespace ind = independent;
using archive_format::kBlockSize;

// Files of every kind the writer meets: empty, one byte, block-sized, raw and deflatable runs.
class ParallelBlocks : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeFile(Folder / "src/empty", "", kOldDate);
    MakeFile(Folder / "src/one", "x", kOldDate);
    MakeFile(Folder / "src/exact", TextBytes(kBlockSize), kNewDate);
    MakeFile(Folder / "src/mixed", TextBytes(9 * kBlockSize + 77) + RandomBytes(3 * kBlockSize),
             kOldDate);
    MakeFile(Folder / "src/random", RandomBytes(7 * kBlockSize + 1, 99), kNewDate);
    for (int i = 0; i < 40; ++i)
      MakeFile(Folder / ("src/small/" + std::to_string(i)), TextBytes(100 + i * 50), kOldDate);
  }

  std::string Write(int threads, TCompressionLevel level, int32_t maxSize,
                    const std::string& name) {
    TRecordingBackup backup;
    backup.SetCompressionThreads(threads);
    backup.SetCompressionLevel(level);
    backup.SetMaxSize(maxSize);
    backup.SetSaveFileID(true);
    backup.SetBackupTitle("parallel");
    backup.OnNeedDisk = [](TComponent*, uint16_t, bool&) {};
    const std::string archive = Folder / (std::to_string(++Written) + name);
    EXPECT_TRUE(backup.CreateArchive({Folder / "src /s"}, archive)) << name;
    EXPECT_TRUE(backup.Errors.empty()) << name;
    EXPECT_EQ(backup.ThreadsUsed(), WorkerThreads(threads)) << name;
    std::string bytes;
    for (int volume = 1;; ++volume) {
      const std::string path =
          volume == 1 ? archive : archive_format::VolumeFileName(archive, volume);
      if (!FileExists(path)) break;
      bytes += "|" + ind::LoadBytes(path);
    }
    // The file-ID list is a temporary file made for each archive: its time, which follows its
    // name, may fall into the next two-second step of the stored time. It is not the writer's.
    const std::string list(archive_format::kFileListName);
    for (size_t at = bytes.find(list); at != std::string::npos; at = bytes.find(list, at + 1))
      bytes.replace(at + list.size(), 4, 4, '\0');
    return bytes;
  }

  TTempFolder Folder;
  int Written = 0;  // every archive gets a name of its own, so no volume of an earlier one counts
};

TEST_F(ParallelBlocks, EveryLevelGivesTheBytesOfOneThread) {
  for (TCompressionLevel level : {clFastest, clNone, clDefault, clMax}) {
    const std::string one = Write(1, level, 0, "one.bck");
    for (int threads : {2, 3, 8})
      EXPECT_TRUE(Write(threads, level, 0, "many.bck") == one)
          << "level " << level << ", threads " << threads;
  }
}

TEST_F(ParallelBlocks, VolumesSplitWhereOneThreadSplitsThem) {
  for (int32_t limit : {1000, 40000, 70000}) {
    const std::string one = Write(1, clDefault, limit, "v1.bck");
    ASSERT_NE(one.find("|", 1), std::string::npos) << "no second volume at " << limit;
    EXPECT_TRUE(Write(4, clDefault, limit, "v4.bck") == one) << "limit " << limit;
  }
  const ind::Archive parsed = ind::Parse(Folder / (std::to_string(Written) + "v4.bck"));
  EXPECT_EQ(parsed.Records.size(), 46u);  // the file-ID list and 45 files
}

TEST_F(ParallelBlocks, AStoppedRunEndsAfterTheCurrentBlockAndTakesNothingMore) {
  TRecordingBackup backup;
  backup.SetCompressionThreads(3);
  int blocks = 0;
  backup.OnProgress = [&](TComponent*, const std::string& file, TPercentage, bool& cont) {
    if (!file.empty() && ++blocks == 3) cont = false;
  };
  EXPECT_FALSE(backup.CreateArchive({Folder / "src/mixed"}, Folder / "stopped.bck"));
  EXPECT_EQ(backup.BytesProcessed(), 3 * kBlockSize);
  EXPECT_EQ(backup.FilesProcessed(), 0);
}

TEST(BlockPipeline, HandsBlocksBackInTheOrderSubmitted) {
  TBlockPipeline pipeline(1, 3);
  ASSERT_EQ(pipeline.Threads(), 3);
  // Alternating raw and deflatable blocks finish at different speeds; each comes back whole.
  const std::string raw = RandomBytes(kBlockSize, 7);
  const std::string text = TextBytes(kBlockSize);
  int submitted = 0, taken = 0;
  const int total = 200;
  while (taken < total) {
    while (submitted < total && pipeline.CanSubmit()) {
      const std::string& source = submitted % 3 == 0 ? raw : text;
      std::memcpy(pipeline.InputBuffer(), source.data(), source.size());
      uint8_t* tag = pipeline.InputBuffer();
      tag[0] = static_cast<uint8_t>(submitted);  // a mark of the block's place
      pipeline.Submit(kBlockSize - submitted % 5);
      ++submitted;
    }
    ASSERT_FALSE(pipeline.Empty());
    const TPackedBlock block = pipeline.Front();
    EXPECT_EQ(block.Size, kBlockSize - taken % 5);
    EXPECT_EQ(block.Data[0], static_cast<uint8_t>(taken));
    if (taken % 3 == 0)
      EXPECT_EQ(block.PackedSize, 0) << taken;  // random data does not fit: stored raw
    else
      EXPECT_GT(block.PackedSize, 0) << taken;
    pipeline.PopFront();
    ++taken;
  }
  EXPECT_TRUE(pipeline.Empty());
}

TEST(BlockPipeline, ThreadsFollowTheSetting) {
  EXPECT_GE(ProcessorCount(), 1);
  EXPECT_EQ(WorkerThreads(0), ProcessorCount());
  EXPECT_EQ(WorkerThreads(1), 1);
  EXPECT_EQ(WorkerThreads(ProcessorCount() + 5), ProcessorCount());
  EXPECT_EQ(TBlockPipeline(1, 0).Threads(), 1);
}

}  // namespace
}  // namespace vaultora::test
