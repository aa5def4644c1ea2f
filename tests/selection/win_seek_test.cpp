#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "selection/win_seek.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

using test::TTempFolder;
using test::WriteTextFile;

// A small tree: files at the top, a hidden file and folder, two levels of subfolders, a link
// to a folder (not followed) and a link to a file (read as the file).
class WinSeekTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteTextFile(F / "b.txt", "bb");
    WriteTextFile(F / "A.TXT", "a");
    WriteTextFile(F / "notes.doc", "doc");
    WriteTextFile(F / ".hidden.txt", "h");
    WriteTextFile(F / ".cache/inner.txt", "x");
    WriteTextFile(F / "sub/c.txt", "ccc");
    WriteTextFile(F / "sub/deep/d.txt", "dddd");
    WriteTextFile(F / "zed/e.txt", "e");
    std::filesystem::create_directory_symlink(F / "sub", F / "linkdir");
    std::filesystem::create_symlink(F / "b.txt", F / "linkfile.txt");
  }

  // "folder-relative-to-root|name" for every report.
  std::vector<std::string> Run(TWinSeek& seek, int stopAfter = -1) {
    std::vector<std::string> found;
    seek.OnFileFind = [&](TComponent*, const std::string& folder, const TSearchRec& rec,
                          bool& stop) {
      found.push_back(folder.substr(F.Path().size()) + "|" + rec.Name);
      if (static_cast<int>(found.size()) == stopAfter) stop = true;
    };
    seek.Execute();
    return found;
  }

  TTempFolder F;
};

TEST_F(WinSeekTest, ReportsMatchingFilesInNameOrderHiddenOnesIncluded) {
  TWinSeek seek;
  seek.Root = F.Path();
  seek.Mask = "*.txt";
  EXPECT_EQ(Run(seek),
            (std::vector<std::string>{"|.hidden.txt", "|A.TXT", "|b.txt", "|linkfile.txt"}));
}

TEST_F(WinSeekTest, SubfoldersAreWalkedDepthFirstHiddenOnesTooLinkedOnesNot) {
  TWinSeek seek;
  seek.Root = F.Path().substr(0, F.Path().size() - 1);
  seek.IncludeSubFolders = true;
  seek.Mask = "*.TXT";
  EXPECT_EQ(Run(seek), (std::vector<std::string>{"|.hidden.txt", "|A.TXT", "|b.txt",
                                                 "|linkfile.txt", ".cache/|inner.txt", "sub/|c.txt",
                                                 "sub/deep/|d.txt", "zed/|e.txt"}));
  // Leaving hidden entries out leaves out what lies in hidden folders too.
  seek.IncludeHidden = false;
  EXPECT_EQ(Run(seek), (std::vector<std::string>{"|A.TXT", "|b.txt", "|linkfile.txt", "sub/|c.txt",
                                                 "sub/deep/|d.txt", "zed/|e.txt"}));
}

TEST_F(WinSeekTest, SeekViewChoosesFilesFoldersOrBoth) {
  TWinSeek seek;
  seek.Root = F.Path();
  seek.SeekView = skFolders;
  EXPECT_EQ(Run(seek), (std::vector<std::string>{"|.cache", "|linkdir", "|sub", "|zed"}));
  seek.SeekView = skFilesFolders;
  seek.Mask = "s*";
  EXPECT_EQ(Run(seek), (std::vector<std::string>{"|sub"}));
}

TEST_F(WinSeekTest, RecordsCarrySizeAttributesAndTime) {
  TWinSeek seek;
  seek.Root = F.Path() + "sub/";
  seek.SeekView = skFilesFolders;
  std::vector<TSearchRec> recs;
  seek.OnFileFind = [&](TComponent*, const std::string&, const TSearchRec& rec, bool&) {
    recs.push_back(rec);
  };
  seek.Execute();
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[0].Name, "c.txt");
  EXPECT_EQ(recs[0].Size, 3);
  EXPECT_EQ(recs[0].Attr & faDirectory, 0u);
  EXPECT_NEAR(recs[0].Time, Now(), 1.0 / 24);
  EXPECT_EQ(recs[1].Name, "deep");
  EXPECT_NE(recs[1].Attr & faDirectory, 0u);
}

TEST_F(WinSeekTest, StopInDeepFolderEndsTheWholeWalkButNotTheNextSearch) {
  TWinSeek seek;
  seek.Root = F.Path();
  seek.IncludeSubFolders = true;
  int completed = 0;
  seek.OnScanCompleted = [&](TComponent*) { ++completed; };
  // The eighth report is sub/deep/d.txt: nothing of zed/ may follow.
  EXPECT_EQ(Run(seek, 8).back(), "sub/deep/|d.txt");
  EXPECT_EQ(Run(seek, 8).size(), 8u);
  EXPECT_EQ(Run(seek, 1).size(), 1u);
  EXPECT_EQ(Run(seek).size(), 9u);  // a stop never carries over
  EXPECT_EQ(completed, 4);
}

TEST_F(WinSeekTest, MissingRootStillCompletesAndEmptyRootIsTheCurrentFolder) {
  TWinSeek seek;
  seek.Root = F.Path() + "missing/";
  int before = 0, completed = 0;
  seek.OnBeforeScan = [&](TComponent*) { ++before; };
  seek.OnScanCompleted = [&](TComponent*) { ++completed; };
  EXPECT_TRUE(Run(seek).empty());
  EXPECT_EQ(before, 1);
  EXPECT_EQ(completed, 1);

  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(F.Path() + "zed");
  seek.Root.clear();
  EXPECT_EQ(Run(seek), (std::vector<std::string>{"zed/|e.txt"}));
  EXPECT_EQ(seek.Root, F.Path() + "zed/");
  EXPECT_EQ(std::filesystem::current_path(), F.Path() + "zed");  // never changed by the walk
  std::filesystem::current_path(previous);
}

}  // namespace
}  // namespace vaultora
