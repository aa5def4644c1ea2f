// Archives written here are read by the independent reader, and archives written by the
// independent writer are restored here: the format's text is all either side assumes.
#include <gtest/gtest.h>

#include "archive_test_util.h"
#include "independent_archive.h"
#include "platform/folders.h"

namespace vaultora::test {
namespace {

namespace ind = independent;

TEST(IndependentFormat, ReadsWhatTheComponentWrites) {
  TTempFolder folder;
  const std::string text = TextBytes(90000), noise = RandomBytes(33000), tiny = "t";
  MakeFile(folder / "src/text", text, kOldDate);
  MakeFile(folder / "src/noise", noise, kNewDate);
  MakeFile(folder / "src/tiny", tiny, kOldDate);
  for (TCompressionLevel level : {clFastest, clNone, clDefault, clMax}) {
    TRecordingBackup backup;
    backup.SetCompressionLevel(level);
    backup.SetSaveFileID(true);
    backup.SetBackupTitle("Nightly");
    backup.SetMaxSize(level == clMax ? 30000 : 0);
    backup.OnNeedDisk = [](TComponent*, uint16_t, bool&) {};
    ASSERT_TRUE(backup.CreateArchive({folder / "src/*"}, folder / "a.bck"));
    const ind::Archive parsed = ind::Parse(folder / "a.bck");
    EXPECT_EQ(parsed.Title, "Nightly");
    EXPECT_EQ(parsed.FileCount, 3);
    ASSERT_EQ(parsed.Records.size(), 4u);
    EXPECT_EQ(parsed.Records[1].Name, folder / "src/noise");
    EXPECT_EQ(parsed.Records[1].Date, kNewDate);
    EXPECT_TRUE(parsed.Records[1].Content == noise);
    EXPECT_TRUE(parsed.Records[2].Content == text);
    EXPECT_EQ(parsed.Records[3].Content, tiny);
    EXPECT_EQ(parsed.TotalSize, static_cast<int32_t>(text.size() + noise.size() + 1 +
                                                     parsed.Records[0].Content.size()));
    EXPECT_EQ(parsed.Volumes.size() > 2, level == clMax);
  }
}

TEST(IndependentFormat, TheComponentRestoresWhatAnotherWriterWrites) {
  TTempFolder folder;
  const std::string text = TextBytes(50000), noise = RandomBytes(20000);
  for (int level : {0, 6, 9}) {
    WriteTextFile(folder / "other.bck", ind::Write("From elsewhere", 70000,
                                                   {{folder / "a/text", kOldDate, text},
                                                    {folder / "a/noise", kNewDate, noise},
                                                    {folder / "a/empty", kOldDate, ""}},
                                                   level));
    TRecordingBackup backup;
    std::string title;
    backup.ReadArchiveInfo(folder / "other.bck", nullptr, title);
    EXPECT_EQ(title, "From elsewhere");
    EXPECT_EQ(backup.FileCount(), 3);
    ASSERT_TRUE(backup.ExtractArchive(folder / "other.bck", folder / "out"));
    EXPECT_TRUE(ReadTextFile(folder / "out/text") == text) << level;
    EXPECT_TRUE(ReadTextFile(folder / "out/noise") == noise) << level;
    EXPECT_EQ(FileSizeOf(folder / "out/empty"), 0);
    EXPECT_EQ(FileAge(folder / "out/noise"), kNewDate);
    EXPECT_TRUE(backup.Errors.empty());
  }
}

}  // namespace
}  // namespace vaultora::test
