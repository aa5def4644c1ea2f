#include <gtest/gtest.h>

#include <string>

#include "support/process_run.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora {
namespace {

using test::ReadTextFile;
using test::TTempFolder;
using test::TTestProfile;
using test::WriteTextFile;

// Runs vaultora-cli with the profile of the test; returns the exit status and the output.
int Cli(const std::string& arguments, std::string& output) {
  const test::TProcessRun run = test::RunCommand(std::string(VAULTORA_CLI_PATH) + " " + arguments);
  output = run.Output;
  return run.Status;
}

TEST(ListCommands, CreateAddAndShowAListInTheWorkingFolder) {
  TTestProfile profile;
  TTempFolder data;
  WriteTextFile(data / "a.txt", "a");
  WriteTextFile(data / "sub/b.txt", "b");
  std::string out;
  ASSERT_EQ(Cli("list create '" + data / "a.txt" + "'", out), 0) << out;
  const std::string name = out.substr(0, out.find('\n'));
  EXPECT_EQ(name.rfind(profile.Home(), 0), 0u);
  EXPECT_EQ(ReadTextFile(name), data.Path() + "\r\na.txt\r\n");

  ASSERT_EQ(
      Cli("list add '" + name + "' '" + data.Path() + "' --rule --subfolders --mask '*.doc'", out),
      0)
      << out;
  ASSERT_EQ(Cli("list add '" + name + "' '" + data / "sub" + "' --files-only", out), 0) << out;
  EXPECT_EQ(ReadTextFile(name),
            data.Path() + "\r\na.txt\r\n/s\b*.doc\r\n" + data.Path() + "sub/\r\nb.txt\r\n");
  ASSERT_EQ(Cli("show-nothing", out), 2);
  ASSERT_EQ(Cli("list show '" + name + "'", out), 0);
  EXPECT_NE(out.find("<Monitoring for new files including subfolders, folder mask=\"*.doc\">"),
            std::string::npos);
  EXPECT_NE(out.find("3 object(s)"), std::string::npos);
  EXPECT_NE(Cli("list add '" + name + "' '" + data / "missing" + "'", out), 0);
  EXPECT_NE(out.find("does not exist"), std::string::npos);
}

// A file that is no list is refused by the commands that read it and never written over by one
// that adds to it: random bytes (a NUL in them) and plain text without a folder line.
TEST(ListCommands, RefuseAFileThatIsNoListAndLeaveItAsItWas) {
  TTestProfile profile;
  TTempFolder data;
  WriteTextFile(data / "a.txt", "a");
  std::string noise;
  for (int i = 0; i < 4096; ++i)
    noise += static_cast<char>((i * 7919 + 13) % 256);
  for (const std::string& content : {noise, std::string("just some notes\r\nno folder here\r\n")}) {
    const std::string name = data / "notes.bfl";
    WriteTextFile(name, content);
    std::string out;
    EXPECT_EQ(Cli("list show '" + name + "'", out), 1);
    EXPECT_NE(out.find("is not a file list"), std::string::npos) << out;
    EXPECT_EQ(out.find("object(s)"), std::string::npos) << out;
    EXPECT_EQ(Cli("list add '" + name + "' '" + data / "a.txt" + "'", out), 1);
    EXPECT_NE(out.find("is not a file list"), std::string::npos) << out;
    EXPECT_EQ(ReadTextFile(name), content);
  }
}

}  // namespace
}  // namespace vaultora
