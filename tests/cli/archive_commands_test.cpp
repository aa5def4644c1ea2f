// vaultora-cli archive: create, list, extract and merge, run as processes.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "support/cli_run.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora::test {
namespace {

TCliRun Cli(const std::string& arguments) {
  return RunCli(VAULTORA_CLI_PATH, arguments);
}

class ArchiveCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteTextFile(Folder / "src/a.txt", "alpha");
    WriteTextFile(Folder / "src/sub/b.txt", std::string(50000, 'b'));
  }
  TTestProfile Profile;
  TTempFolder Folder;
};

TEST_F(ArchiveCommands, CreateListAndExtractChosenFiles) {
  const TCliRun created = Cli("archive create " + Folder / "x.bck" + " '" +
                              Folder / "src/*.txt /s" + "' --title Mine --level max --file-ids");
  ASSERT_EQ(created.Status, 0) << created.Output;
  EXPECT_NE(created.Output.find("2 files"), std::string::npos) << created.Output;

  const TCliRun listed = Cli("archive list " + Folder / "x.bck");
  ASSERT_EQ(listed.Status, 0) << listed.Output;
  EXPECT_NE(listed.Output.find("Title: Mine\nFiles: 2\n"), std::string::npos) << listed.Output;
  EXPECT_NE(listed.Output.find(Folder / "src/sub/b.txt"), std::string::npos);
  EXPECT_NE(listed.Output.find("50000 bytes"), std::string::npos);

  const TCliRun extracted =
      Cli("archive extract " + Folder / "x.bck" + " '*/b.txt' --target " + Folder / "out");
  ASSERT_EQ(extracted.Status, 0) << extracted.Output;
  EXPECT_EQ(ReadTextFile(Folder / "out/b.txt"), std::string(50000, 'b'));
  EXPECT_FALSE(std::ifstream(Folder / "out/a.txt").good());
}

TEST_F(ArchiveCommands, VolumesAndMerge) {
  ASSERT_EQ(Cli("archive create " + Folder / "v.bck " + Folder / "src/sub/b.txt" +
                " --level none --volume-size 30000 --file-ids")
                .Status,
            0);
  EXPECT_TRUE(std::ifstream(Folder / "v.002").good());
  ASSERT_EQ(
      Cli("archive extract " + Folder / "v.bck --full-path --target " + Folder / "out").Status, 0);
  EXPECT_EQ(ReadTextFile(Folder / "out" + Folder.Path() + "src/sub/b.txt"),
            std::string(50000, 'b'));

  std::remove((Folder / "v.002").c_str());
  const TCliRun missing = Cli("archive extract " + Folder / "v.bck --target " + Folder / "out2");
  EXPECT_EQ(missing.Status, 1);
  EXPECT_NE(missing.Output.find("v.002 is missing"), std::string::npos) << missing.Output;

  ASSERT_EQ(Cli("archive create " + Folder / "f.bck " + Folder / "src/a.txt --file-ids").Status, 0);
  const TCliRun merged =
      Cli("archive merge " + Folder / "m.abf " + Folder / "f.bck " + Folder / "f.bck");
  ASSERT_EQ(merged.Status, 0) << merged.Output;
  EXPECT_NE(Cli("archive list " + Folder / "m.abf").Output.find("Title: Incremental Restore"),
            std::string::npos);
}

TEST_F(ArchiveCommands, FailuresGiveTheErrorTextAndStatusOne) {
  WriteTextFile(Folder / "bad.bck", "\x05");
  const TCliRun list = Cli("archive list " + Folder / "bad.bck");
  EXPECT_EQ(list.Status, 1);
  EXPECT_NE(list.Output.find("Invalid archive type"), std::string::npos) << list.Output;
  const TCliRun extract = Cli("archive extract " + Folder / "bad.bck");
  EXPECT_EQ(extract.Status, 1);
  EXPECT_NE(extract.Output.find("Cannot read archive"), std::string::npos) << extract.Output;
  const TCliRun create = Cli("archive create " + Folder / "no/such/x.bck " + Folder / "src/a.txt");
  EXPECT_EQ(create.Status, 1);
  EXPECT_NE(create.Output.find("Cannot write to archive"), std::string::npos) << create.Output;
  EXPECT_EQ(Cli("archive create " + Folder / "x.bck " + Folder / "src/a.txt --level high").Status,
            2);
  EXPECT_EQ(Cli("archive merge " + Folder / "m.abf " + Folder / "none.bck").Status, 1);
}

}  // namespace
}  // namespace vaultora::test
