// The exit statuses scripts rely on: 0 done (also when there was nothing new to back up), 1
// failed, 2 a command line that cannot be used (and nothing was done), 130 stopped by Ctrl+C.
#include <gtest/gtest.h>

#include "backupset/catalogue.h"
#include "support/cli_profile.h"
#include "support/process_run.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

class ExitStatus : public testing::Test {
 protected:
  void SetUp() override {
    Profile.SetKey("the user's key");
    test::WriteTextFile(Source / "a.txt", "a");
    ASSERT_EQ(Profile.Run("list create " + Source.Path() + " --wizard"), 0) << Profile.Output();
  }
  test::TCliProfile Profile{VAULTORA_CLI_PATH};
  test::TTempFolder Source;
};

TEST_F(ExitStatus, DoneFailedAndUsageAreToldApart) {
  EXPECT_EQ(Profile.Run("backup --title Docs"), 0) << Profile.Output();
  // Failures of the work.
  EXPECT_EQ(Profile.Run("backup --schedule Missing"), 1) << Profile.Output();
  EXPECT_EQ(Profile.Run("restore 4711.5 --list"), 1) << Profile.Output();
  EXPECT_EQ(Profile.Run("list show " + Source / "none.bfl"), 1) << Profile.Output();
  // Command lines that cannot be used: nothing is done.
  for (const char* usage :
       {"", "no-such-command", "backup --tilte Docs", "restore", "restore X --mode sideways",
        "restore X --folder-names", "archive create", "catalogue view nowhere",
        "connection set --direct --dialup Work", "options set compression", "list show",
        "run --check-every 0", "register"}) {
    EXPECT_EQ(Profile.Run(usage), 2) << usage << "\n" << Profile.Output();
    EXPECT_TRUE(Profile.Printed("vaultora-cli")) << usage;
  }
  EXPECT_EQ(TCatalogue(Profile.Store).Entries().size(), 1u);
}

TEST_F(ExitStatus, HelpListsTheStatusesAndVersionNamesTheProgram) {
  ASSERT_EQ(Profile.Run("--help"), 0);
  for (const char* line :
       {"Exit status:", "  0    done", "  1    failed", "  2    the command line",
        "  3    done, but incomplete", "  130  interrupted by Ctrl+C"})
    EXPECT_TRUE(Profile.Printed(line)) << line;
  ASSERT_EQ(Profile.Run("--version"), 0);
  EXPECT_EQ(Profile.Output().rfind("vaultora-cli ", 0), 0u) << Profile.Output();
  const test::TProcessRun server =
      test::RunCommand(std::string(VAULTORA_SERVER_PATH) + " --version");
  EXPECT_EQ(server.Status, 0);
  EXPECT_EQ(server.Output.rfind("vaultora-server ", 0), 0u) << server.Output;
#ifdef VAULTORA_APP_PATH
  // The desktop client answers both without a display to open.
  for (const char* option : {" --version", " --help"}) {
    const test::TProcessRun app = test::RunCommand(
        "env -u DISPLAY -u WAYLAND_DISPLAY "
        "QT_QPA_PLATFORM=xcb " +
        std::string(VAULTORA_APP_PATH) + option);
    EXPECT_EQ(app.Status, 0) << option << app.Output;
    EXPECT_EQ(app.Output.rfind(option[3] == 'v' ? "vaultora " : "Usage: vaultora", 0), 0u)
        << app.Output;
  }
#endif
}

TEST_F(ExitStatus, CtrlCDuringABackupExits130AndRecordsNothing) {
  // Enough incompressible data that the build is still running when the interrupt comes.
  ASSERT_EQ(
      test::RunCommand("head -c 48000000 /dev/urandom > " + test::ShellQuote(Source / "big.bin"))
          .Status,
      0);
  ASSERT_EQ(Profile.Run("list create " + Source.Path() + " --wizard"), 0) << Profile.Output();
  const std::string out = Profile.Home() + "backup.out";
  const std::string script =
      "VAULTORA_HOME=" + test::ShellQuote(Profile.Home()) + " " +
      test::ShellQuote(VAULTORA_CLI_PATH) + " backup --title Big >" + test::ShellQuote(out) +
      " 2>&1 </dev/null & pid=$!; "
      "for i in $(seq 400); do grep -q 'Compressing' " +
      test::ShellQuote(out) +
      " && break; sleep 0.025; done; kill -INT $pid; wait $pid; echo status=$?";
  const test::TProcessRun run = test::RunCommand(script);
  EXPECT_NE(run.Output.find("status=130"), std::string::npos)
      << run.Output << test::ReadTextFile(out);
  EXPECT_TRUE(TCatalogue(Profile.Store).Entries().empty());
}

}  // namespace
}  // namespace vaultora
