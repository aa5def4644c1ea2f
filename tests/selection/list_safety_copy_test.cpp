// The safety copy of a file list: made beside the list, put back over a changed list, and
// nothing when there is no list to copy.
#include <gtest/gtest.h>

#include "platform/folders.h"
#include "selection/list_safety_copy.h"
#include "support/temp_folder.h"

namespace vaultora::test {
namespace {

TEST(ListSafetyCopy, PutsTheListBackAfterItChangedAndGoesWhenDropped) {
  TTempFolder work;
  const std::string list = work / "list.bfl";
  WriteTextFile(list, "/home/ann/\r\nnotes.txt\r\n");
  TListSafetyCopy copy;
  ASSERT_TRUE(copy.Make(list, work.Path()));
  EXPECT_NE(copy.Copy(), list);
  EXPECT_EQ(copy.Original(), list);
  WriteTextFile(list, "/home/ann/\r\nother.txt\r\n");
  EXPECT_TRUE(copy.PutBack());
  EXPECT_EQ(ReadTextFile(list), "/home/ann/\r\nnotes.txt\r\n");
  const std::string kept = copy.Copy();
  copy.Drop();
  EXPECT_FALSE(FileExists(kept));
  EXPECT_FALSE(copy.Made());
  EXPECT_FALSE(copy.PutBack());
}

TEST(ListSafetyCopy, TwoCopiesInOneTickOfTheClockDoNotShareAName) {
  TTempFolder work;
  const std::string list = work / "list.bfl";
  WriteTextFile(list, "a");
  TListSafetyCopy first, second;
  ASSERT_TRUE(first.Make(list, work.Path()));
  ASSERT_TRUE(second.Make(list, work.Path()));
  EXPECT_NE(first.Copy(), second.Copy());
}

TEST(ListSafetyCopy, AMissingListOrAGoneCopyPutsNothingBack) {
  TTempFolder work;
  TListSafetyCopy copy;
  EXPECT_FALSE(copy.Make(work / "missing.bfl", work.Path()));
  EXPECT_FALSE(copy.Made());
  const std::string list = work / "list.bfl";
  WriteTextFile(list, "a");
  ASSERT_TRUE(copy.Make(list, work.Path()));
  DeleteFile(copy.Copy());
  WriteTextFile(list, "b");
  EXPECT_FALSE(copy.PutBack());
  EXPECT_EQ(ReadTextFile(list), "b");
}

}  // namespace
}  // namespace vaultora::test
