// The rules of the picker and the editor without their windows: masks, what "&Add" returns,
// the extensions offered, the captions of rules, and the tally of what a list will read.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "selection/file_list.h"
#include "selection/file_picker.h"
#include "selection/list_tally.h"
#include "selection/session_edit.h"
#include "support/temp_folder.h"

namespace vaultora::test {
namespace {

TPickerEntry Entry(const std::string& folder, const std::string& name, bool isFolder) {
  TPickerEntry entry;
  entry.Folder = folder;
  entry.Rec.Name = name;
  entry.Rec.Attr = isFolder ? faDirectory : faArchive;
  return entry;
}

TEST(PickerRules, MasksSplitAtCommasSemicolonsAndSpaces) {
  EXPECT_EQ(SplitMasks("*.txt"), TStringList({"*.txt"}));
  EXPECT_EQ(SplitMasks("*.txt, *.doc;*.odt  *.md"),
            TStringList({"*.txt", "*.doc", "*.odt", "*.md"}));
  EXPECT_EQ(SplitMasks(" ;, "), TStringList({"*.*"}));
}

TEST(PickerRules, AddReturnsRulesFoldersAndFiles) {
  const TPickerEntry docs = Entry("/home/u/", "docs", true);
  const TPickerEntry note = Entry("/home/u/", "note.txt", false);
  TPickerChoice choice;
  choice.Folder = "/home/u/";
  choice.MaskText = "*.txt *.md";
  // No selection, monitoring: one rule per mask for the folder shown.
  EXPECT_EQ(PickerSelection(choice),
            TStringList({RuleText("/home/u/", true, "*.txt"), RuleText("/home/u/", true, "*.md")}));
  // A folder row and a file row; without subfolders the rule's flag is empty.
  choice.Selected = {&docs, &note};
  choice.IncludeSubFolders = false;
  EXPECT_EQ(PickerSelection(choice),
            TStringList({RuleText("/home/u/docs/", false, "*.txt"),
                         RuleText("/home/u/docs/", false, "*.md"), "/home/u/note.txt"}));
  // Not monitoring: the folder itself, once per mask.
  choice.Monitor = false;
  choice.Selected = {&docs};
  EXPECT_EQ(PickerSelection(choice), TStringList({"/home/u/docs/", "/home/u/docs/"}));
}

TEST(PickerRules, RowsSortFoldersFirstAndExtensionsComeOnceInAnyCase) {
  std::vector<TPickerEntry> entries = {
      Entry("/a/", "b.TXT", false), Entry("/a/", "z", true),        Entry("/a/", "a.txt", false),
      Entry("/a/", "m", true),      Entry("/a/", ".hidden", false), Entry("/a/", "c.ods", false)};
  SortPickerEntries(entries);
  TStringList names;
  for (const TPickerEntry& e : entries)
    names.push_back(e.Rec.Name);
  EXPECT_EQ(names, TStringList({"m", "z", ".hidden", "a.txt", "b.TXT", "c.ods"}));
  EXPECT_EQ(FolderExtensions(entries), TStringList({".ods", ".txt"}));
  EXPECT_TRUE(MaskNamesExtension("*.ODS; *.md", ".ods"));
  EXPECT_FALSE(MaskNamesExtension("*.*", ".ods"));
  EXPECT_EQ(MaskOfExtensions({".ods", ".txt"}), "*.ods *.txt");
  EXPECT_EQ(MaskOfExtensions({}), "*.*");
  EXPECT_EQ(AttributeLetters(faReadOnly | faArchive), "R A");
}

TEST(PickerRules, ParentFolderStopsAtTheRoot) {
  EXPECT_EQ(ParentFolder("/home/u/docs/"), "/home/u/");
  EXPECT_EQ(ParentFolder("/home/"), "/");
  EXPECT_EQ(ParentFolder("/"), "");
}

TEST(SessionRules, RuleCaptionsAndAttributeWords) {
  EXPECT_EQ(TSessionEdit::RuleCaption(RuleText("/d/", true, "*.txt")),
            "<Monitoring for new files including subfolders, folder mask=\"*.txt\">");
  EXPECT_EQ(TSessionEdit::RuleCaption(RuleText("/d/", false, "*")),
            "<Monitoring for new files, folder mask=\"*\">");
  EXPECT_EQ(TSessionEdit::RuleCaption("/d//x\b*.txt"), "/x\b*.txt");
  EXPECT_EQ(AttributeWords(faReadOnly | faHidden | faArchive), "ReadOnly Hidden Archive");
  EXPECT_EQ(TSessionEdit::CountText(3), "3 object(s) selected");
}

TEST(ListTally, RulesAreWalkedAndAFileListedTwiceIsReadOnce) {
  TTempFolder folder;
  std::filesystem::create_directories(folder / "sub");
  std::ofstream(folder / "a.txt") << "12345";
  std::ofstream(folder / "b.dat") << "123";
  std::ofstream(folder / "sub/c.txt") << "1234567";
  TFileList list;
  list.AddText(folder / "a.txt");
  list.AddText(RuleText(folder.Path(), true, "*.txt"));
  const TListTally tally = TallyList(TallyInput(list), nullptr);
  EXPECT_FALSE(tally.Stopped);
  EXPECT_EQ(tally.Total.Files, 2);  // a.txt once, sub/c.txt; b.dat matches no mask
  EXPECT_EQ(tally.Total.Bytes, 5 + 7);
  ASSERT_EQ(tally.Folders.size(), 1u);
  EXPECT_EQ(tally.Folders[0].first, folder.Path());
  EXPECT_EQ(TallyText(tally.Total), "2 file(s), 12.00 bytes");

  const TListTally stopped = TallyList(TallyInput(list), [] { return true; });
  EXPECT_TRUE(stopped.Stopped);
  EXPECT_EQ(stopped.Total.Files, 0);
}

}  // namespace
}  // namespace vaultora::test
