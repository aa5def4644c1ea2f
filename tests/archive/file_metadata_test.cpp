// The metadata record: modes, exact times, owners and links come back as they were, and a
// reader written from the format's text alone still reads the archive (the record is one more
// small file to it).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "archive/file_metadata.h"
#include "archive_test_util.h"
#include "independent_archive.h"
#include "platform/folders.h"

namespace vaultora::test {
namespace {

namespace ind = independent;

struct stat LinkStatus(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

void SetTime(const std::string& path, time_t seconds, long nanoseconds) {
  const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

class FileMetadataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeFile(Folder / "src/run.sh", "#!/bin/sh\n");
    MakeFile(Folder / "src/secret", "only mine");
    MakeFile(Folder / "src/exact", "sub-second");
    ASSERT_EQ(::chmod((Folder / "src/run.sh").c_str(), 0755), 0);
    ASSERT_EQ(::chmod((Folder / "src/secret").c_str(), 0600), 0);
    SetTime(Folder / "src/exact", 1600000000, 123456789);
    std::filesystem::create_symlink("exact", Folder / "src/link");
    SetTime(Folder / "src/link", 1500000000, 5);
    if (::geteuid() == 0) {
      ASSERT_EQ(::chown((Folder / "src/secret").c_str(), 1234, 5678), 0);
    }
    Backup.SetSaveFileID(true);
    Backup.SetSaveMetadata(true);
    ASSERT_TRUE(Backup.CreateArchive({Folder / "src/*"}, Archive));
  }

  TTempFolder Folder;
  std::string Archive = Folder / "a.bck";
  TRecordingBackup Backup;
};

TEST_F(FileMetadataTest, ModesTimesOwnersAndLinksComeBackAsTheyWere) {
  TTempFolder target;
  Backup.SetRestoreFullPath(true);
  ASSERT_TRUE(Backup.ExtractArchive(Archive, target.Path()));
  const std::string root = target.Path() + Folder.Path().substr(1) + "src/";
  EXPECT_EQ(LinkStatus(root + "run.sh").st_mode & 07777, 0755u);
  EXPECT_EQ(LinkStatus(root + "secret").st_mode & 07777, 0600u);
  const struct stat exact = LinkStatus(root + "exact");
  EXPECT_EQ(exact.st_mtim.tv_sec, 1600000000);
  EXPECT_EQ(exact.st_mtim.tv_nsec, 123456789);
  // The link is a link again, to the same name, with its own time; it was never followed.
  const struct stat link = LinkStatus(root + "link");
  ASSERT_TRUE(S_ISLNK(link.st_mode));
  EXPECT_EQ(std::filesystem::read_symlink(root + "link").string(), "exact");
  EXPECT_EQ(link.st_mtim.tv_sec, 1500000000);
  if (::geteuid() == 0) {
    EXPECT_EQ(LinkStatus(root + "secret").st_uid, 1234u);
    EXPECT_EQ(LinkStatus(root + "secret").st_gid, 5678u);
  }
  EXPECT_TRUE(Backup.Errors.empty());
}

TEST_F(FileMetadataTest, AReaderOfTheFormatTextReadsTheRecordAsOneMoreSmallFile) {
  const ind::Archive parsed = ind::Parse(Archive);
  EXPECT_EQ(parsed.FileCount, 4);  // the link is stored as a copy of its file
  ASSERT_EQ(parsed.Records.size(), 6u);
  EXPECT_EQ(parsed.Records.front().Name, "FILE:LIST");
  EXPECT_EQ(parsed.Records.back().Name, "FILE:META");
  EXPECT_NE(parsed.Records.back().Content.find(Folder / "src/link" + "\tl\t"), std::string::npos);
  // The copy of the link holds the linked file's data.
  for (const ind::Record& record : parsed.Records) {
    if (record.Name == Folder / "src/link") {
      EXPECT_EQ(record.Content, "sub-second");
    }
  }
}

TEST(FolderLinks, AreStoredAsLinksNeverEnteredAndComeBackAsLinks) {
  TTempFolder folder;
  MakeFile(folder / "tree/a.txt", "alpha");
  MakeFile(folder / "tree/sub/b.txt", "beta");
  MakeFile(folder / "elsewhere/outside.txt", "never taken through the link");
  std::filesystem::create_directory_symlink("../elsewhere", folder / "tree/out");
  std::filesystem::create_directory_symlink("..", folder / "tree/sub/loop");  // back up the tree
  TRecordingBackup backup;
  backup.SetSaveMetadata(true);
  const std::string archive = folder / "a.bck";
  ASSERT_TRUE(backup.CreateArchive({folder / "tree /s"}, archive));
  EXPECT_TRUE(backup.Errors.empty());

  // Any reader of the format sees the links as empty files, and nothing behind them.
  const ind::Archive parsed = ind::Parse(archive);
  std::map<std::string, std::string> records;
  for (const ind::Record& record : parsed.Records)
    records[record.Name] = record.Content;
  EXPECT_EQ(records.count(folder / "elsewhere/outside.txt"), 0u);
  EXPECT_EQ(records.count(folder / "tree/out/outside.txt"), 0u);
  ASSERT_EQ(records.count(folder / "tree/out"), 1u);
  EXPECT_EQ(records[folder / "tree/out"], "");
  ASSERT_EQ(records.count(folder / "tree/sub/loop"), 1u);
  EXPECT_EQ(parsed.FileCount, 4);
  EXPECT_NE(records["FILE:META"].find(folder / "tree/out" + "\tl\t"), std::string::npos);

  TTempFolder target;
  backup.SetRestoreFullPath(true);
  ASSERT_TRUE(backup.ExtractArchive(archive, target.Path()));
  const std::string root = target.Path() + folder.Path().substr(1) + "tree/";
  ASSERT_TRUE(S_ISLNK(LinkStatus(root + "out").st_mode));
  EXPECT_EQ(std::filesystem::read_symlink(root + "out").string(), "../elsewhere");
  ASSERT_TRUE(S_ISLNK(LinkStatus(root + "sub/loop").st_mode));
  EXPECT_EQ(std::filesystem::read_symlink(root + "sub/loop").string(), "..");
  EXPECT_EQ(ReadTextFile(root + "sub/b.txt"), "beta");
  EXPECT_TRUE(backup.Errors.empty());
}

TEST(FileMetadata, LinesThatCannotBeReadAreSkippedAndALinkNeedsARestoredFile) {
  std::map<std::string, TFileMetadata> metadata;
  ReadMetadata(
      "/a\tf\t644\t0\t0\t1.5\r\n/b\tx\t644\t0\t0\t1.5\r\n/c\tf\t99999\t0\t0\t1.5\r\n"
      "/d\tl\t777\t0\t0\t1.000000001\r\n/e\tf\t644\t0\t0\t-1.0\r\n\r\ngarbage",
      metadata);
  ASSERT_EQ(metadata.size(), 1u);
  EXPECT_EQ(metadata.begin()->first, "/a");
  // The first record of a path wins: a merged chain holds the newest first.
  ReadMetadata("/a\tf\t600\t0\t0\t2.0\r\n", metadata);
  EXPECT_EQ(metadata["/a"].Mode, 0644u);

  TTempFolder folder;
  TFileMetadata link;
  link.Kind = 'l';
  link.LinkTarget = "/etc/passwd";
  EXPECT_FALSE(ApplyMetadata(link, folder / "missing"));
  ASSERT_EQ(::mkdir((folder / "dir").c_str(), 0755), 0);
  EXPECT_FALSE(ApplyMetadata(link, folder / "dir"));  // only a restored file gives way
  EXPECT_TRUE(std::filesystem::is_directory(folder / "dir"));
}

}  // namespace
}  // namespace vaultora::test
