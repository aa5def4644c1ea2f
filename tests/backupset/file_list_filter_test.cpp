#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include "backupset/file_list_filter.h"
#include "platform/folders.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

using test::ReadTextFile;
using test::TTempFolder;
using test::WriteTextFile;

// Sets a file's modification time a number of seconds from now.
void Touch(const std::string& path, int secondsFromNow) {
  const time_t when = time(nullptr) + secondsFromNow;
  utimbuf times{when, when};
  ASSERT_EQ(utime(path.c_str(), &times), 0);
}

std::string StateOf(const std::string& path) {
  struct stat status {};
  stat(path.c_str(), &status);
  return RecordedStateText(UnixToDateTime(status.st_mtim.tv_sec, status.st_mtim.tv_nsec),
                           status.st_size);
}

class FileListFilterTest : public ::testing::Test {
 protected:
  std::vector<std::string> Run(bool hasBase) {
    TFileListFilter filter;
    std::vector<std::string> lines;
    filter.OnStatus = [&](const std::string& line) { lines.push_back(line); };
    filter.OnAddFile = [&](const std::string& file, bool&) { Added.push_back(file); };
    EXPECT_TRUE(filter.Load(F / "list.bfl"));
    filter.Filter(hasBase);
    Files = filter.Files();
    Updated = filter.UpdatedList().Lines();
    return lines;
  }

  TTempFolder F;
  TStringList Files, Updated, Added;
};

TEST_F(FileListFilterTest, WithABaseOnlyNewGrownShrunkAndModifiedFilesAreTaken) {
  for (const char* name : {"same", "grown", "shrunk", "newer", "older", "fresh"})
    WriteTextFile(F / name, "12345");
  Touch(F / "older", -100);
  const std::string same = StateOf(F / "same");
  const std::string olderState = RecordedStateText(Now(), 5);  // recorded later than its time
  WriteTextFile(F / "list.bfl", F.Path() + "\r\nsame\t" + same + "\r\ngrown\t" +
                                    RecordedStateText(Now(), 4) + "\r\nshrunk\t" +
                                    RecordedStateText(Now() - 1, 6) + "\r\nnewer\t" +
                                    RecordedStateText(Now() - 1, 5) + "\r\nolder\t" + olderState +
                                    "\r\nfresh\r\nmissing\t1=1\r\n");
  const auto lines = Run(true);
  EXPECT_EQ(Files, (TStringList{F / "grown", F / "shrunk", F / "newer", F / "fresh"}));
  EXPECT_EQ(
      lines,
      (std::vector<std::string>{
          "Excluding file \"" + F / "missing" + "\", File not found",
          "Excluding file \"" + F / "older" + "\", the file size unchanged",
          "Excluding file \"" + F / "older" + "\", the file is same or older as the archived file.",
          "Excluding file \"" + F / "same" + "\", the file size unchanged",
          "Excluding file \"" + F / "same" + "\", the file is same or older as the archived file.",
      }));
  // Taken files carry their present state; excluded and missing ones keep what they had.
  EXPECT_EQ(Updated, (TStringList{F.Path(), "same\t" + same, "grown\t" + StateOf(F / "grown"),
                                  "shrunk\t" + StateOf(F / "shrunk"),
                                  "newer\t" + StateOf(F / "newer"), "older\t" + olderState,
                                  "fresh\t" + StateOf(F / "fresh"), "missing\t1=1"}));
}

TEST_F(FileListFilterTest, WithoutABaseEveryExistingFileIsTakenAndItsStateRecorded) {
  WriteTextFile(F / "a", "a");
  WriteTextFile(F / "b", "b");
  WriteTextFile(F / "list.bfl", F.Path() + "\r\na\t1=1\r\nb\r\nc\r\n");
  const auto lines = Run(false);
  EXPECT_EQ(Files, (TStringList{F / "a", F / "b"}));
  EXPECT_EQ(lines, std::vector<std::string>{"Excluding file \"" + F / "c" + "\", File not found"});
  // A full backup records what it took, so that an incremental on it takes only changes; the
  // missing file keeps its entry.
  EXPECT_EQ(Updated,
            (TStringList{F.Path(), "a\t" + StateOf(F / "a"), "b\t" + StateOf(F / "b"), "c"}));
}

TEST_F(FileListFilterTest, RulesAreExpandedOnceAndKeptInTheList) {
  WriteTextFile(F / "docs/a.doc", "a");
  WriteTextFile(F / "docs/sub/b.DOC", "bb");
  WriteTextFile(F / "docs/sub/c.txt", "c");
  WriteTextFile(F / "docs/listed.doc", "l");
  const std::string rules = F.Path() + "docs/\r\n/s\b*.doc\r\n/\b*.doc\r\nlisted.doc\r\n";
  WriteTextFile(F / "list.bfl", rules);
  const auto lines = Run(false);
  const std::string validating = "Validating file list for  \"" + F / "docs/" + "\"";
  EXPECT_EQ(lines, (std::vector<std::string>{validating, validating}));
  // The last rule (no subfolders) is visited first; the listed file is not added again.
  EXPECT_EQ(Files, (TStringList{F / "docs/listed.doc", F / "docs/a.doc", F / "docs/sub/b.DOC"}));
  EXPECT_EQ(Added, (TStringList{F / "docs/a.doc", F / "docs/sub/b.DOC"}));
  EXPECT_EQ(Updated, (TStringList{F / "docs/", "/s\b*.doc", "/\b*.doc",
                                  "listed.doc\t" + StateOf(F / "docs/listed.doc"),
                                  "a.doc\t" + StateOf(F / "docs/a.doc"), F / "docs/sub/",
                                  "b.DOC\t" + StateOf(F / "docs/sub/b.DOC")}));
}

TEST_F(FileListFilterTest, AnUnreadableListGivesNothingToArchive) {
  WriteTextFile(F / "list.bfl", std::string("/a/\r\n\0", 7));
  TFileListFilter filter;
  EXPECT_FALSE(filter.Load(F / "list.bfl"));
  EXPECT_FALSE(filter.Load(F / "none.bfl"));
  EXPECT_TRUE(filter.Files().empty());
}

}  // namespace
}  // namespace vaultora
