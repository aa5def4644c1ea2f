// File attributes mapped onto POSIX files, DOS dates, and the emulated archive attribute.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/archive_flag.h"
#include "platform/file_attributes.h"
#include "platform/folders.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora::test {
namespace {

constexpr int32_t kDate = (44 << 25) | (3 << 21) | (9 << 16) | (14 << 11) | (5 << 5) | 10;

TEST(FileAttributes, MapTypeModeAndName) {
  TTestProfile profile;
  TTempFolder folder;
  WriteTextFile(folder / "plain", "x");
  WriteTextFile(folder / ".hidden", "x");
  WriteTextFile(folder / "locked", "x");
  chmod((folder / "locked").c_str(), 0444);
  ForceDirectories(folder / "dir");
  TArchiveFlags flags;
  flags.Clear(folder / "plain");
  EXPECT_EQ(FileGetAttr(folder / "plain"), faNormal);
  EXPECT_EQ(FileGetAttr(folder / ".hidden"), faHidden | faArchive);
  EXPECT_EQ(FileGetAttr(folder / "locked", flags), faReadOnly | faArchive);
  EXPECT_EQ(FileGetAttr(folder / "dir"), faDirectory);
  EXPECT_EQ(FileGetAttr(folder / "missing"), -1);
}

TEST(FileAttributes, DosDatesRoundTrip) {
  TTempFolder folder;
  WriteTextFile(folder / "f", "x");
  ASSERT_TRUE(FileSetDate(folder / "f", kDate));
  EXPECT_EQ(FileAge(folder / "f"), kDate);
  EXPECT_EQ(FileAge(folder / "missing"), -1);
}

TEST(ArchiveFlag, ClearedUntilTheFileChanges) {
  TTestProfile profile;
  TTempFolder folder;
  const std::string path = folder / "f";
  WriteTextFile(path, "one");
  TArchiveFlags flags;
  EXPECT_TRUE(flags.IsSet(path));  // never backed up
  ASSERT_TRUE(flags.Clear(path));
  EXPECT_FALSE(flags.IsSet(path));
  EXPECT_FALSE(TArchiveFlags().IsSet(path));  // recorded for other connections too

  FileSetDate(path, kDate);  // a new time sets it again
  EXPECT_TRUE(flags.IsSet(path));
  ASSERT_TRUE(flags.Clear(path));
  WriteTextFile(path, "longer");  // so does a new size
  FileSetDate(path, kDate);
  EXPECT_TRUE(flags.IsSet(path));

  TFileStamp stamp;
  ASSERT_TRUE(FileStampOf(path, stamp));
  ASSERT_TRUE(flags.ClearAll({{path, stamp}}));
  EXPECT_FALSE(flags.IsSet(path));
  ASSERT_TRUE(flags.Set(path));
  EXPECT_TRUE(flags.IsSet(path));
}

TEST(ArchiveFlag, AnUnusableDatabaseReadsEveryFileAsSet) {
  TTempFolder folder;
  WriteTextFile(folder / "f", "x");
  TArchiveFlags flags(folder / "no/such/folder/attributes.db");
  EXPECT_TRUE(flags.IsSet(folder / "f"));
  EXPECT_FALSE(flags.Clear(folder / "f"));
}

}  // namespace
}  // namespace vaultora::test
