// Extraction: targets, the restore modes, the restored date, and what a damaged or hostile
// archive may do (nothing outside the target, no lost file, no crash).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "archive_test_util.h"
#include "independent_archive.h"
#include "platform/folders.h"
#include "support/scripted_prompts.h"
#include "support/small_disk.h"

namespace vaultora::test {
namespace {

namespace ind = independent;

class ArchiveReader : public ::testing::Test {
 protected:
  TTempFolder Folder;
  TRecordingBackup Backup;
  std::string Archive = Folder / "in.bck";
  std::string Target = Folder / "restore";

  // An archive of one file "a.txt" under src/ dated date.
  void ArchiveOne(const std::string& content, int32_t date) {
    MakeFile(Folder / "src/a.txt", content, date);
    ASSERT_TRUE(Backup.CreateArchive({Folder / "src/a.txt"}, Archive));
  }

  static size_t FilesIn(const std::string& folder) {
    size_t n = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
      n += entry.is_regular_file();
    return n;
  }
};

TEST_F(ArchiveReader, RestoresIntoTheTargetFolderWithStoredDates) {
  MakeFile(Folder / "src/a.txt", TextBytes(100000), kOldDate);
  MakeFile(Folder / "src/empty", "", kNewDate);
  MakeFile(Folder / "src/noise", RandomBytes(40000), kOldDate);
  ASSERT_TRUE(Backup.CreateArchive({Folder / "src/*"}, Archive));
  std::vector<int> percents;
  Backup.OnProgress = [&](TComponent*, const std::string&, TPercentage p, bool&) {
    percents.push_back(p);
  };
  ASSERT_TRUE(Backup.ExtractArchive(Archive, Target));
  EXPECT_EQ(Backup.FilesProcessed(), 3);
  EXPECT_EQ(ReadTextFile(Target + "/a.txt"), TextBytes(100000));
  EXPECT_EQ(ReadTextFile(Target + "/noise"), RandomBytes(40000));
  EXPECT_TRUE(FileExists(Target + "/empty"));
  EXPECT_EQ(FileSizeOf(Target + "/empty"), 0);
  EXPECT_EQ(FileAge(Target + "/empty"), kNewDate);
  EXPECT_EQ(FileAge(Target + "/a.txt"), kOldDate);
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_EQ(FilesIn(Target), 3u);  // no temporary file left behind
}

TEST_F(ArchiveReader, FullPathKeepsTheFolderStructure) {
  ArchiveOne("data", kOldDate);
  Backup.SetRestoreFullPath(true);
  ASSERT_TRUE(Backup.ExtractArchive(Archive, Target));
  EXPECT_EQ(ReadTextFile(Target + Folder.Path() + "src/a.txt"), "data");
}

TEST_F(ArchiveReader, EmptyTargetRestoresToTheStoredPlace) {
  ArchiveOne("original", kOldDate);
  MakeFile(Folder / "src/a.txt", "changed");
  ASSERT_TRUE(Backup.ExtractArchive(Archive, ""));
  EXPECT_EQ(ReadTextFile(Folder / "src/a.txt"), "original");
}

TEST_F(ArchiveReader, RestoreModesCompareTheTargetsDate) {
  ArchiveOne("stored", kNewDate);
  struct Case {
    TRestoreMode Mode;
    bool Missing, Equal, Older,
        Newer;  // restored when the target is missing / same / older / newer
  };
  const Case cases[] = {
      {rmAll, true, true, true, true},
      {rmNoOverwrite, true, false, false, false},
      {rmNewer, true, false, true, false},
      {rmExisting, false, true, true, true},
      {rmExistingNewer, false, false, true, false},
  };
  for (const Case& c : cases) {
    Backup.SetRestoreMode(c.Mode);
    const std::string target = Target + "/a.txt";
    const auto restored = [&](bool exists, int32_t date) {
      RemoveTree(Target);
      if (exists) MakeFile(target, "old", date);
      EXPECT_TRUE(Backup.ExtractArchive(Archive, Target));
      return FileExists(target) && ReadTextFile(target) == "stored";
    };
    EXPECT_EQ(restored(false, 0), c.Missing) << "mode " << c.Mode;
    EXPECT_EQ(restored(true, kNewDate), c.Equal) << "mode " << c.Mode;
    EXPECT_EQ(restored(true, kOldDate), c.Older) << "mode " << c.Mode;
    EXPECT_EQ(restored(true, kNewDate + (1 << 16)), c.Newer) << "mode " << c.Mode;
  }
}

TEST_F(ArchiveReader, RestoreFileHandlerMayRenameOrRefuse) {
  MakeFile(Folder / "src/a.txt", "A");
  MakeFile(Folder / "src/b.txt", "B");
  ASSERT_TRUE(Backup.CreateArchive({Folder / "src/*.txt"}, Archive));
  Backup.OnRestoreFile = [&](TComponent*, std::string& name, const std::string& original, int32_t,
                             bool& restore) {
    if (EndsWith(original, "a.txt")) name = Target + "/renamed.txt";
    if (EndsWith(original, "b.txt")) restore = false;
  };
  ASSERT_TRUE(Backup.ExtractArchive(Archive, Target));
  EXPECT_EQ(ReadTextFile(Target + "/renamed.txt"), "A");
  EXPECT_FALSE(FileExists(Target + "/b.txt"));
  EXPECT_EQ(Backup.FilesProcessed(), 1);
}

TEST_F(ArchiveReader, NamesThatLeaveTheTargetAreNotRestored) {
  for (const std::string& name : {std::string("/x/../../escaped"), std::string("../escaped")}) {
    for (bool fullPath : {false, true}) {
      WriteTextFile(Archive, ind::Write("", 4, {{name, kOldDate, "evil"}}, 6));
      TRecordingBackup backup;
      backup.SetRestoreFullPath(fullPath);
      EXPECT_FALSE(backup.ExtractArchive(Archive, Target)) << name;
      EXPECT_EQ(backup.Errors, std::vector<int32_t>{1});
      EXPECT_FALSE(FileExists(Folder / "escaped"));
      EXPECT_FALSE(FileExists(Target + "/escaped"));
    }
  }
  // The hostile name is skipped with its data and named; the files after it are restored.
  WriteTextFile(Archive, ind::Write("", 4,
                                    {{"../escaped", kOldDate, "evil"},
                                     {"/x/../../two", kOldDate, "evil"},
                                     {"/src/good.txt", kOldDate, "good"}},
                                    6));
  TRecordingBackup mixed;
  EXPECT_FALSE(mixed.ExtractArchive(Archive, Target));
  EXPECT_EQ(ReadTextFile(Target + "/good.txt"), "good");
  EXPECT_EQ(mixed.FilesProcessed(), 1);
  EXPECT_EQ(mixed.UnsafeNamesSkipped(), (std::vector<std::string>{"../escaped", "/x/../../two"}));
  ASSERT_EQ(mixed.Texts.size(), 1u);
  EXPECT_EQ(mixed.Texts[0],
            "\"../escaped\" would be restored outside the target folder and was skipped "
            "(and 1 more such name(s))");
  EXPECT_FALSE(FileExists(Folder / "escaped"));
  DeleteFile(Target + "/good.txt");
  // A link inside the target that points out of it is not followed either.
  ForceDirectories(Target);
  ForceDirectories(Folder / "outside");
  ASSERT_EQ(symlink((Folder / "outside").c_str(), (Target + "/link").c_str()), 0);
  WriteTextFile(Archive, ind::Write("", 4, {{"/link/file", kOldDate, "evil"}}, 6));
  Backup.SetRestoreFullPath(true);
  EXPECT_FALSE(Backup.ExtractArchive(Archive, Target));
  EXPECT_FALSE(FileExists(Folder / "outside/file"));
}

// A full disk at the target says so with the file's name; the file there keeps its old content
// and no temporary file is left.
TEST_F(ArchiveReader, AFullDiskIsNamedAndTheOldFileKept) {
  TSmallDisk disk(64 * 1024);
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small file system here (needs root)";
  ArchiveOne(RandomBytes(300000), kNewDate);
  MakeFile(disk / "a.txt", "precious", kOldDate);
  TRecordingBackup backup;
  backup.SetRestoreMode(rmAll);
  EXPECT_FALSE(backup.ExtractArchive(Archive, disk.Path()));
  ASSERT_EQ(backup.Texts.size(), 1u);
  EXPECT_EQ(backup.Texts[0], "No space left on device: cannot write \"" + disk / "a.txt" + "\"");
  EXPECT_EQ(ReadTextFile(disk / "a.txt"), "precious");
  EXPECT_EQ(FilesIn(disk.Path()), 1u);
}

TEST_F(ArchiveReader, EveryTruncationFailsCleanlyAndKeepsTheOldFile) {
  ArchiveOne(TextBytes(20000) + RandomBytes(20000), kOldDate);
  const std::string whole = ind::LoadBytes(Archive);
  const std::string target = Target + "/a.txt";
  MakeFile(target, "precious");
  for (size_t cut = 0; cut < whole.size();
       cut += (cut < 120 || whole.size() - cut < 120) ? 1 : 251) {
    WriteTextFile(Folder / "cut.bck", whole.substr(0, cut));
    TRecordingBackup backup;
    bool ok = true;
    try {
      ok = backup.ExtractArchive(Folder / "cut.bck", Target);
    } catch (const EArchiveError& e) {
      ok = false;
      const std::string text = e.what();
      EXPECT_TRUE(text == "Cannot read archive" || text == "Invalid archive type") << text;
    }
    EXPECT_FALSE(ok) << "cut at " << cut;
    EXPECT_FALSE(backup.Busy());
    ASSERT_EQ(ReadTextFile(target), "precious") << "cut at " << cut;
    ASSERT_EQ(FilesIn(Target), 1u) << "cut at " << cut;
  }
}

TEST_F(ArchiveReader, OversizedOrBadBlocksAreRefused) {
  const std::string name = Folder / "a";
  auto archiveWithBlock = [&](int32_t size, const std::string& data) {
    std::string bytes;
    ind::PutInt(bytes, 0);
    ind::PutInt(bytes, 1);
    ind::PutInt(bytes, 1);
    ind::PutInt(bytes, static_cast<int32_t>(name.size()));
    bytes += name;
    ind::PutInt(bytes, kOldDate);
    bytes.append("EC2\0", 4);
    ind::PutInt(bytes, size);
    bytes += data;
    ind::PutInt(bytes, 0);
    ind::PutInt(bytes, 0);
    WriteTextFile(Archive, bytes);
  };
  // Larger than a block, either way: the structure is not the format's.
  for (int32_t size : {16385, -16385, 0x7fffffff, -0x7fffffff - 1}) {
    archiveWithBlock(size, std::string(16385, 'x'));
    EXPECT_THROW(Backup.ExtractArchive(Archive, Target), EArchiveError) << size;
  }
  // A zlib stream that inflates beyond one block, and one that is damaged: error 6.
  const std::string bomb = ind::Write("", 0, {{"x", 0, std::string(20000, 'z')}}, 9);
  std::string bigStream(64, '\0');
  {
    std::string zeros(16385, '\0');
    uLongf length = bigStream.size();
    ASSERT_EQ(compress2(reinterpret_cast<Bytef*>(bigStream.data()), &length,
                        reinterpret_cast<const Bytef*>(zeros.data()), zeros.size(), 9),
              Z_OK);
    bigStream.resize(length);
  }
  for (const std::string& data : {bigStream, std::string("not zlib at all")}) {
    archiveWithBlock(static_cast<int32_t>(data.size()), data);
    Backup.Errors.clear();
    EXPECT_FALSE(Backup.ExtractArchive(Archive, Target));
    EXPECT_EQ(Backup.Errors, std::vector<int32_t>{6});
    EXPECT_EQ(Backup.Texts.back(), "Compression error");
    EXPECT_FALSE(FileExists(Target + "/a"));
  }
  // A name longer than what is left.
  std::string bytes;
  ind::PutInt(bytes, 0);
  ind::PutInt(bytes, 0);
  ind::PutInt(bytes, 1);
  ind::PutInt(bytes, 1 << 30);
  WriteTextFile(Archive, bytes + "short");
  EXPECT_THROW(Backup.ExtractArchive(Archive, Target), EArchiveError);
}

TEST_F(ArchiveReader, BadMarkerInARestoredRecordIsErrorOneAndWhileSkippingIsRaised) {
  std::string bytes = ind::Write("", 1, {{Folder / "a", kOldDate, "abc"}}, 6);
  bytes.replace(bytes.find("EC2"), 3, "XYZ");
  WriteTextFile(Archive, bytes);
  EXPECT_FALSE(Backup.ExtractArchive(Archive, Target));
  EXPECT_EQ(Backup.Errors, std::vector<int32_t>{1});
  Backup.SetRestoreMode(rmExisting);  // nothing exists: the record is skipped
  try {
    Backup.ExtractArchive(Archive, Target);
    FAIL() << "no exception";
  } catch (const EArchiveError& e) {
    EXPECT_STREQ(e.what(), "Invalid archive type");
  }
}

TEST_F(ArchiveReader, MissingOrUnreadableArchives) {
  EXPECT_FALSE(Backup.ExtractArchive(Folder / "none.bck", Target));
  std::string title = "stale";
  Backup.ReadArchiveInfo(Folder / "none.bck", nullptr, title);
  EXPECT_EQ(title, "");
  EXPECT_TRUE(Backup.Errors.empty());

  WriteTextFile(Archive, "\x05");
  TStringList lines;
  Backup.ReadArchiveInfo(Archive, &lines, title);
  EXPECT_EQ(Backup.Errors, std::vector<int32_t>{5});
  EXPECT_EQ(Backup.Texts, TStringList{"Invalid archive type"});
  try {
    Backup.ExtractArchive(Archive, Target);
    FAIL() << "no exception";
  } catch (const EArchiveError& e) {
    EXPECT_STREQ(e.what(), "Cannot read archive");
  }
  EXPECT_FALSE(Backup.Busy());
}

TEST_F(ArchiveReader, WithoutAHandlerTheErrorIsShownOnce) {
  TScriptedPrompts prompts;
  TBackupFile plain;
  WriteTextFile(Archive, "\x05");
  TStringList lines;
  std::string title;
  plain.ReadArchiveInfo(Archive, &lines, title);
  EXPECT_EQ(prompts.Texts(), TStringList{"Invalid archive type"});
}

TEST_F(ArchiveReader, StopEndsExtractionAndLeavesNoPartialFile) {
  ArchiveOne(TextBytes(16384 * 4), kOldDate);
  MakeFile(Target + "/a.txt", "old");
  Backup.OnProgress = [&](TComponent*, const std::string& name, TPercentage, bool& go) {
    if (!name.empty()) go = false;
  };
  EXPECT_FALSE(Backup.ExtractArchive(Archive, Target));
  EXPECT_EQ(ReadTextFile(Target + "/a.txt"), "old");
  EXPECT_EQ(FilesIn(Target), 1u);
  EXPECT_TRUE(Backup.Errors.empty());
}

TEST_F(ArchiveReader, AWrappedOrMergedTotalStillGivesPercentagesUpToHundred) {
  // The header's total says 1 (as in a merged archive) for 100 KB of data.
  WriteTextFile(Archive, ind::Write("", 1, {{Folder / "a", kOldDate, TextBytes(100000)}}, 6));
  int highest = -1;
  Backup.OnProgress = [&](TComponent*, const std::string&, TPercentage p, bool&) {
    EXPECT_GE(p, 0);
    EXPECT_LE(p, 100);
    highest = std::max(highest, p);
  };
  ASSERT_TRUE(Backup.ExtractArchive(Archive, Target));
  EXPECT_EQ(highest, 100);
}

}  // namespace
}  // namespace vaultora::test
