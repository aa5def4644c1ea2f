#include <gtest/gtest.h>

#include <filesystem>

#include "platform/folders.h"
#include "platform/streams.h"
#include "selection/file_list.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

using test::ReadTextFile;
using test::TTempFolder;
using test::WriteTextFile;

TDroppedFile Entry(const std::string& text) {
  return TDroppedFile{TSearchRec{}, text};
}

TEST(FileListFormat, LinesAreClassifiedByTheirPartBeforeTheTab) {
  EXPECT_EQ(ClassifyListLine("/home/ann/"), TListLineKind::llFolder);
  EXPECT_EQ(ClassifyListLine("a.txt"), TListLineKind::llFile);
  EXPECT_EQ(ClassifyListLine("a.txt\t46000.5=12"), TListLineKind::llFile);
  EXPECT_EQ(ClassifyListLine("a.txt\t/odd/suffix"), TListLineKind::llFile);
  EXPECT_EQ(ClassifyListLine("/s\b*.doc"), TListLineKind::llRule);
  EXPECT_EQ(ClassifyListLine("/\b*.doc"), TListLineKind::llRule);

  TMonitoringRule rule;
  ASSERT_TRUE(ParseRule("/home/ann/docs//s\b*.doc", rule));
  EXPECT_EQ(rule.Root, "/home/ann/docs/");
  EXPECT_TRUE(rule.IncludeSubFolders());
  EXPECT_EQ(rule.Mask, "*.doc");
  ASSERT_TRUE(ParseRule(RuleText("/srv/s", false, "a/b"), rule));  // a mask may hold '/'
  EXPECT_EQ(rule.Root, "/srv/s/");
  EXPECT_FALSE(rule.IncludeSubFolders());
  EXPECT_FALSE(ParseRule("/home/ann/a.txt", rule));

  TRecordedState state;
  ASSERT_TRUE(ParseRecordedState(RecordedStateText(46000.25, 1234567890123), state));
  EXPECT_EQ(state.Time, 46000.25);
  EXPECT_EQ(state.Size, 1234567890123);
  EXPECT_FALSE(ParseRecordedState("46000.25", state));
  EXPECT_FALSE(ParseRecordedState("x=1", state));
  EXPECT_FALSE(ParseRecordedState("46000=1k", state));
}

TEST(FileList, EntriesAreGroupedByFolderInTheOrderFoldersFirstReceivedThem) {
  TTempFolder f;
  TFileList list;
  EXPECT_TRUE(list.Add(Entry("/data/b/one.txt")));
  EXPECT_TRUE(list.Add(Entry("/data/a/two.txt")));
  EXPECT_TRUE(list.Add(Entry("/data/b/three.txt\t46000.5=3")));
  EXPECT_FALSE(list.Add(Entry("/data/b/one.txt\t46001=9")));  // same path: not added again
  EXPECT_TRUE(list.Modified());
  ASSERT_TRUE(list.SaveToFile(f / "list.bfl"));
  EXPECT_FALSE(list.Modified());
  EXPECT_EQ(ReadTextFile(f / "list.bfl"),
            "/data/b/\r\none.txt\r\nthree.txt\t46000.5=3\r\n/data/a/\r\ntwo.txt\r\n");
  EXPECT_EQ(list.FirstAddedNode()->FolderPath(), "/data/b/");
  EXPECT_EQ(list.LastAddedNode()->FolderPath(), "/data/b/");
}

TEST(FileList, PathsDifferingInCaseMakeSeparateBranches) {
  TFileList list;
  list.Add(Entry("/Data/x.txt"));
  list.Add(Entry("/data/x.txt"));
  list.Add(Entry("/data/X.txt"));
  ASSERT_EQ(list.Roots().size(), 1u);
  ASSERT_EQ(list.Roots()[0]->Children().size(), 2u);
  EXPECT_EQ(list.Roots()[0]->Children()[0]->Caption(), "Data");
  EXPECT_EQ(list.Roots()[0]->Children()[1]->Caption(), "data");
  EXPECT_EQ(list.Count(), 3u);
  EXPECT_EQ(list.FindNode("/data/")->Files()->Count(), 2u);
}

TEST(FileList, RulesOnlyListIsWrittenAsFolderAndRuleLinesAndReadBackAsRules) {
  TTempFolder f;
  TFileList list;
  list.Add(Entry(RuleText("/home/ann/docs", true, "*.doc")));
  list.Add(Entry(RuleText("/home/ann/", false, "*.xls")));
  ASSERT_TRUE(list.SaveToFile(f / "rules.bfl"));
  EXPECT_EQ(ReadTextFile(f / "rules.bfl"),
            "/home/ann/docs/\r\n/s\b*.doc\r\n/home/ann/\r\n/\b*.xls\r\n");
  TFileList again;
  again.LoadFromFile(f / "rules.bfl");
  EXPECT_FALSE(again.Modified());
  const auto entries = again.Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0]->Text, "/home/ann/docs//s\b*.doc");
  EXPECT_EQ(entries[1]->Text, "/home/ann//\b*.xls");
  EXPECT_TRUE(IsRuleText(entries[0]->Text));
}

TEST(FileList, LoadKeepsTabSuffixesAndReadsPresentRecordsOfExistingFiles) {
  TTempFolder f;
  WriteTextFile(f / "docs/kept.txt", "12345");
  WriteTextFile(f / "docs/empty.txt", "");
  WriteTextFile(f / "list.bfl", "orphan.txt\r\n" + f.Path() + "docs/\r\nkept.txt\t45000.125=5\r\n" +
                                    "empty.txt\r\ngone.txt\t1=1\r\n\r\n");
  TFileList list;
  list.LoadFromFile(f / "list.bfl");
  const auto entries = list.Entries();
  ASSERT_EQ(entries.size(), 3u);  // the line before any folder line names no file
  EXPECT_EQ(entries[0]->Text, f / "docs/kept.txt\t45000.125=5");
  EXPECT_EQ(entries[0]->SearchRec.Size, 5);
  EXPECT_EQ(entries[1]->SearchRec.Name, "empty.txt");
  EXPECT_EQ(entries[2]->SearchRec.Name, "gone.txt");
  EXPECT_EQ(entries[2]->SearchRec.Size, 0);
  ASSERT_TRUE(list.SaveToFile(f / "list.bfl"));
  EXPECT_EQ(ReadTextFile(f / "list.bfl"),
            f.Path() + "docs/\r\nkept.txt\t45000.125=5\r\n" + "empty.txt\r\ngone.txt\t1=1\r\n");
  EXPECT_EQ(ReadFileListEntries(f / "list.bfl"),
            (TStringList{f / "docs/kept.txt\t45000.125=5", f / "docs/empty.txt",
                         f / "docs/gone.txt\t1=1"}));
}

TEST(FileList, AnEmptyListDeletesItsFileAndRemovalsTakeSubtrees) {
  TTempFolder f;
  TFileList list;
  list.Add(Entry("/a/b/c.txt"));
  list.Add(Entry("/a/b/d/e.txt"));
  list.Add(Entry("/a/x.txt"));
  EXPECT_TRUE(list.RemoveEntry("/a/x.txt"));
  EXPECT_FALSE(list.RemoveEntry("/a/x.txt"));
  list.RemoveNode(list.FindNode("/a/b/"));
  EXPECT_EQ(list.Count(), 0u);
  WriteTextFile(f / "list.bfl", "/old/\r\nfile\r\n");
  EXPECT_FALSE(list.SaveToFile(f / "list.bfl"));
  EXPECT_FALSE(FileExists(f / "list.bfl"));
}

TEST(FileList, FilesThatAreNoListsLoadNothing) {
  TTempFolder f;
  WriteTextFile(f / "binary.bfl", std::string("/a/\r\nx\0y\r\n", 10));
  WriteTextFile(f / "long.bfl", "/a/\r\n" + std::string(kFileListMaxLine + 10, 'x'));
  TFileList list;
  for (const char* name : {"binary.bfl", "long.bfl", "missing.bfl"}) {
    list.LoadFromFile(f / name);
    EXPECT_EQ(list.Count(), 0u) << name;
  }
  list.LoadFromFile("   ");
  EXPECT_EQ(list.Count(), 0u);
}

TEST(FileList, NewListNamesLieInTheWorkingFolderWithOnlyTheTimeDotReplaced) {
  const std::string name = NewFileListName("/tmp/my.backups");
  ASSERT_TRUE(StartsWith(name, "/tmp/my.backups/"));
  const std::string base = name.substr(16);
  EXPECT_TRUE(EndsWith(base, ".bfl"));
  const std::string stem = base.substr(0, base.size() - 4);
  EXPECT_EQ(stem.find('.'), std::string::npos);
  double day = 0;
  ASSERT_TRUE(TextToFloat(ReplaceAll(stem, "_", "."), day));
  EXPECT_NEAR(day, Now(), 1.0 / 24);
}

}  // namespace
}  // namespace vaultora

namespace vaultora {
namespace {

TEST(FileList, SelectionsAddRulesFolderScansAndFiles) {
  TTempFolder f;
  WriteTextFile(f / "top.txt", "t");
  WriteTextFile(f / "sub/inner.txt", "i");
  WriteTextFile(f / "sub/inner.doc", "d");
  TFileList list;
  EXPECT_EQ(list.AddSelected(f.Path(), "*.txt", true), 2);
  EXPECT_EQ(list.AddSelected(f.Path(), "*.txt", true), 0);  // nothing twice
  EXPECT_EQ(list.AddSelected(f / "sub/inner.doc", "*.txt", false), 1);
  EXPECT_EQ(list.AddSelected(RuleText(f.Path(), true, "*.log"), "*.*", false), 1);
  const auto entries = list.Entries();
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0]->Text, f / "top.txt");
  EXPECT_EQ(entries[0]->SearchRec.Size, 1);
  EXPECT_EQ(entries[1]->Text, RuleText(f.Path(), true, "*.log"));  // same folder node
  EXPECT_EQ(entries[2]->Text, f / "sub/inner.txt");
  EXPECT_EQ(entries[3]->Text, f / "sub/inner.doc");
}

}  // namespace
}  // namespace vaultora

namespace vaultora {
namespace {

TEST(FileList, AFailedSaveRaisesAndLeavesNoTemporaryFile) {
  TTempFolder f;
  WriteTextFile(f / "list.bfl/inside", "a folder stands where the list should go");
  TFileList list;
  list.Add(Entry("/new/file"));
  EXPECT_THROW(list.SaveToFile(f / "list.bfl"), EStreamError);
  EXPECT_TRUE(list.Modified());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.Path()), {}), 1);
  EXPECT_THROW(list.SaveToFile(f / "missing/list.bfl"), EStreamError);
}

}  // namespace
}  // namespace vaultora
