// Finding rows among a restore's listed files: the filter by name or folder in either case,
// within a folder and its sub-folders, the folders of the backup and the one they share, and
// how many existing files a restore would replace under each overwrite rule.
#include "archive/restore_listing.h"

#include <gtest/gtest.h>

#include "platform/date_time.h"
#include "platform/file_attributes.h"
#include "support/catalogued_backup.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

TRestoreRow Row(const std::string& path, const std::string& name, int32_t dosDate = 0) {
  TRestoreRow row;
  row.Path = path;
  row.Name = name;
  row.DosDate = dosDate;
  return row;
}

TEST(RestoreListing, FiltersByNameOrFolderInEitherCaseWithinAFolder) {
  const std::vector<TRestoreRow> rows = {
      Row("/home/ann/Photos/", "Beach.JPG"), Row("/home/ann/Photos/2026/", "party.jpg"),
      Row("/home/ann/Papers/", "tax.pdf"), Row("/home/ann/Photosynthesis/", "notes.txt")};
  const TRestoreListing listing(rows);
  EXPECT_EQ(listing.Filter(""), (std::vector<size_t>{0, 1, 2, 3}));
  EXPECT_EQ(listing.Filter(".jpg"), (std::vector<size_t>{0, 1}));
  EXPECT_EQ(listing.Filter("PHOTOS"), (std::vector<size_t>{0, 1, 3}));
  EXPECT_EQ(listing.Filter("photos/"), (std::vector<size_t>{0, 1}));
  EXPECT_EQ(listing.Filter("", "/home/ann/Photos/"), (std::vector<size_t>{0, 1}))
      << "a folder holds its sub-folders, not a folder whose name begins alike";
  EXPECT_EQ(listing.Filter("party", "/home/ann/Papers/"), std::vector<size_t>{});
  EXPECT_EQ(listing.Folders().size(), 4u);
  EXPECT_EQ(listing.CommonFolder(), "/home/ann/");
  EXPECT_EQ(TRestoreListing({Row("/a/b/", "x"), Row("/a/bc/", "y")}).CommonFolder(), "/a/");
  EXPECT_EQ(TRestoreListing({Row("/a/", "x"), Row("/b/", "y")}).CommonFolder(), "/");
  EXPECT_EQ(TRestoreListing({Row("/a/b/", "x")}).CommonFolder(), "/a/b/");
  EXPECT_EQ(TRestoreListing().CommonFolder(), "");
}

TEST(RestoreListing, CountsTheExistingFilesARestoreWouldReplace) {
  test::TTempFolder place;
  test::WriteTextFile(place / "older.txt", "mine");
  test::SetFileDate(place / "older.txt", EncodeDate(2019, 1, 1));
  test::WriteTextFile(place / "newer.txt", "mine");
  test::SetFileDate(place / "newer.txt", EncodeDate(2022, 1, 1));
  const auto stored = static_cast<int32_t>(DateTimeToDosDateTime(EncodeDate(2020, 1, 1)));
  std::vector<TRestoreRow> rows = {Row(place.Path(), "older.txt", stored),
                                   Row(place.Path(), "newer.txt", stored),
                                   Row(place.Path(), "missing.txt", stored)};
  TRestoreOptions options;
  const std::pair<TRestoreMode, int> expected[] = {
      {rmAll, 2}, {rmNoOverwrite, 0}, {rmNewer, 1}, {rmExisting, 2}, {rmExistingNewer, 1}};
  for (const auto& [mode, count] : expected) {
    options.Mode = mode;
    EXPECT_EQ(ReplacedFileCount(rows, options), count) << RestoreModeCaption(mode);
  }
  options.Mode = rmAll;
  options.AllFiles = false;
  options.Selected = {1, 2};
  EXPECT_EQ(ReplacedFileCount(rows, options), 1) << "only the chosen rows";
  rows[1].Deleted = true;
  options.AllFiles = true;
  EXPECT_EQ(ReplacedFileCount(rows, options), 1) << "a deleted file is not restored";
  // Into another folder without folder names: only what exists there counts.
  test::TTempFolder other;
  options.OriginalPath = false;
  options.Folder = other.Path();
  EXPECT_EQ(ReplacedFileCount(rows, options), 0);
  test::WriteTextFile(other / "older.txt", "there");
  EXPECT_EQ(ReplacedFileCount(rows, options), 1);
}

}  // namespace
}  // namespace vaultora
