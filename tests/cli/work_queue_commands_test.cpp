// The commands that go through the work queue, driven as processes against a server on loopback:
// Send & Receive in its order, a backup that sends itself, a dial-up line before the work, the
// refusals when the set-up is missing or the server cannot be reached, and `run` firing a
// schedule and stopping cleanly.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <functional>
#include <thread>

#include "catalogue/catalogue.h"
#include "platform/date_time.h"
#include "platform/folders.h"
#include "schedule/schedule_record.h"
#include "settings/registry_keys.h"
#include "support/background_server.h"
#include "support/cli_profile.h"
#include "support/process_run.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

using test::ShellQuote;

class CliWorkQueue : public testing::Test {
 protected:
  CliWorkQueue() : profile(VAULTORA_CLI_PATH) {
    profile.Connect(server.Port(), {"ann", "secret"});
    profile.SetKey("the user's own key");
    test::WriteTextFile(source / "report.txt", "the first report");
    EXPECT_EQ(profile.Run("list create " + ShellQuote(source.Path()) + " --subfolders --wizard"), 0)
        << profile.Output();
  }

  // `vaultora-cli run ARGS` in the background; Stop() sends TERM and waits for its exit status.
  struct TBackgroundRun {
    std::string Out, Pid, Status;
    std::string Printed() const { return test::ReadTextFile(Out); }
    bool Printed(const std::string& text) const {
      return Printed().find(text) != std::string::npos;
    }
    bool Ended() const { return !test::ReadTextFile(Status).empty(); }
    int ExitStatus() const { return std::atoi(test::ReadTextFile(Status).c_str()); }
  };
  TBackgroundRun StartRun(const std::string& args) {
    TBackgroundRun run{source / "run.out", source / "run.pid", source / "run.status"};
    test::RunCommand("VAULTORA_HOME=" + ShellQuote(profile.Home()) + " sh -c '" +
                     std::string(VAULTORA_CLI_PATH) + " run " + args + " >" + run.Out +
                     " 2>&1 </dev/null & echo $! >" + run.Pid + "; wait $!; echo $? >" +
                     run.Status + "' >/dev/null 2>&1 &");
    return run;
  }
  static bool WaitFor(const std::function<bool()>& done, int seconds) {
    for (int i = 0; i < seconds * 10 && !done(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return done();
  }
  static bool Stop(const TBackgroundRun& run) {
    const int runPid = std::atoi(test::ReadTextFile(run.Pid).c_str());
    if (runPid <= 0) return false;
    kill(runPid, SIGTERM);
    return WaitFor([&] { return run.Ended(); }, 20);
  }

  // Where in the last output text first appears (npos when it does not).
  size_t Where(const std::string& text) const { return profile.Output().find(text); }
  bool Sent(const std::string& id) { return TCatalogue(profile.Store).Entry(id).ReachedServer(); }

  test::TBackgroundServer server{VAULTORA_SERVER_PATH, {{"ann", "secret"}}};
  test::TTempFolder source;
  test::TCliProfile profile;
};

TEST_F(CliWorkQueue, SyncDeletesThenSendsThenReceives) {
  ASSERT_GT(server.Port(), 0) << server.Failure();
  const std::string old = profile.Backup("--title Old --full");
  const std::string wanted = profile.Backup("--title Wanted --full");
  ASSERT_FALSE(wanted.empty());
  ASSERT_EQ(profile.Run("send"), 0) << profile.Output();
  ASSERT_TRUE(Sent(old) && Sent(wanted));
  // One of each kind of work: a deletion, a new backup and a request for a sent one.
  ASSERT_EQ(profile.Run("delete " + old), 0) << profile.Output();
  ASSERT_EQ(profile.Run("request " + wanted), 0) << profile.Output();
  const std::string fresh = profile.Backup("--title Fresh --full");

  ASSERT_EQ(profile.Run("sync"), 0) << profile.Output();
  const size_t deleting = Where("Deleting backups:");
  const size_t sending = Where("Transfering backup:");
  const size_t receiving = Where("Retrieving backup:");
  ASSERT_NE(deleting, std::string::npos) << profile.Output();
  EXPECT_LT(deleting, sending);
  EXPECT_LT(sending, receiving);
  EXPECT_NE(receiving, std::string::npos);
  EXPECT_NE(Where("Internet delete complete"), std::string::npos);
  EXPECT_NE(Where("Internet transfer complete"), std::string::npos);
  EXPECT_NE(Where("Backup retrieved from server"), std::string::npos);
  EXPECT_FALSE(TCatalogue(profile.Store).Exists(old));
  EXPECT_TRUE(Sent(fresh));
  EXPECT_TRUE(FileExists(profile.FileOf(wanted, ".BFE")));
  for (const char* log : {"Delete.log", "InternetBackup.log", "InternetRestore.log"})
    EXPECT_TRUE(FileExists(profile.LogOf(log))) << log;

  ASSERT_EQ(profile.Run("sync"), 0);
  EXPECT_TRUE(profile.Printed("Nothing to delete, send or receive")) << profile.Output();
}

TEST_F(CliWorkQueue, ABackupWithSendGoesStraightToTheServer) {
  ASSERT_GT(server.Port(), 0) << server.Failure();
  const std::string id = profile.Backup("--title Mailed --full --send");
  ASSERT_FALSE(id.empty()) << profile.Output();
  EXPECT_EQ(profile.Run("catalogue " + id), 0);
  ASSERT_EQ(profile.Run("backup --title Mailed2 --send"), 0) << profile.Output();
  EXPECT_TRUE(profile.Printed("Backup finished")) << profile.Output();
  EXPECT_TRUE(profile.Printed("Internet transfer complete")) << profile.Output();
  EXPECT_TRUE(Sent(id));
  EXPECT_TRUE(TCatalogue(profile.Store).EntriesToSend().empty());
}

TEST_F(CliWorkQueue, ADialUpLineIsDialledBeforeTheWork) {
  ASSERT_GT(server.Port(), 0) << server.Failure();
  profile.Backup("--title Dialled --full");
  profile.Store.SetFilename(keys::kBaseKey);
  profile.Store.DeleteValue(keys::kConnection, keys::connection::kUseLANServer);
  profile.Store.WriteString(keys::kConnection, keys::connection::kConnection, "Office");
  const std::string script = source / "dialup.txt";
  test::WriteTextFile(script, "entry Office|ann|secret\n");

  ASSERT_EQ(profile.Run("send"), 1) << "no facility, no line: " << profile.Output();
  EXPECT_TRUE(profile.Printed("the server could not be reached")) << profile.Output();
  EXPECT_FALSE(TCatalogue(profile.Store).EntriesToSend().empty());

  const test::TProcessRun dialled = test::RunCommand(
      "VAULTORA_DIALUP=" + ShellQuote(script) + " VAULTORA_HOME=" + ShellQuote(profile.Home()) +
      " " + VAULTORA_CLI_PATH + " send </dev/null");
  ASSERT_EQ(dialled.Status, 0) << dialled.Output;
  EXPECT_LT(dialled.Output.find("Connected"), dialled.Output.find("Transfering backup:"))
      << dialled.Output;
  EXPECT_TRUE(TCatalogue(profile.Store).EntriesToSend().empty());
  EXPECT_TRUE(FileExists(profile.LogOf("RasDialup.log")));
}

TEST_F(CliWorkQueue, MissingSetUpOrServerIsRefusedInWords) {
  ASSERT_GT(server.Port(), 0) << server.Failure();
  profile.Backup("--title Kept --full");
  ASSERT_EQ(profile.Run("connection set --port " + std::to_string(test::UnusedLoopbackPort())), 0)
      << profile.Output();
  EXPECT_EQ(profile.Run("sync"), 1);
  EXPECT_TRUE(profile.Printed("Online backup failed to transfer the backup(s)"))
      << profile.Output();
  EXPECT_FALSE(TCatalogue(profile.Store).EntriesToSend().empty()) << "the backup still waits";

  profile.Store.SetFilename(keys::kBaseKey);
  profile.Store.DeleteValue(keys::kConnection, keys::connection::kHost);
  EXPECT_EQ(profile.Run("send"), 1);
  EXPECT_TRUE(profile.Printed("The following options need to be set up inorder to continue."))
      << profile.Output();
  EXPECT_TRUE(profile.Printed("the backup server is not set up"));
}

// The schedule is due at the next full minute, so this waits up to a minute for its alarm.
TEST_F(CliWorkQueue, RunBacksUpAndSendsWhenAScheduleIsDueAndStopsCleanlyOnTerm) {
  ASSERT_GT(server.Port(), 0) << server.Failure();
  ASSERT_EQ(profile.Run("list create " + ShellQuote(source.Path()) + " --subfolders"), 0)
      << profile.Output();
  const std::string list = profile.Output().substr(0, profile.Output().find('\n'));
  const std::string time = ScheduleTimeText(Now() + 1.0 / (24 * 60)).substr(0, 5);
  ASSERT_EQ(profile.Run("schedule set Nightly --daily --time " + time +
                        " --title Nightly --enable --list " + ShellQuote(list)),
            0)
      << profile.Output();
  ASSERT_EQ(profile.Run("options set scheduled-backups on"), 0) << profile.Output();

  const TBackgroundRun run = StartRun("--check-every 1");
  const bool sent = WaitFor([&] { return run.Printed("Online backup closed") || run.Ended(); }, 90);
  ASSERT_TRUE(Stop(run)) << "run did not stop on TERM:\n" << run.Printed();
  const std::string printed = run.Printed();
  ASSERT_TRUE(sent) << printed;
  EXPECT_EQ(run.ExitStatus(), 0) << printed;
  EXPECT_NE(printed.find("Alarm at "), std::string::npos) << printed;
  EXPECT_NE(printed.find("Scheduled backup \"Nightly\""), std::string::npos);
  EXPECT_NE(printed.find("Internet transfer complete"), std::string::npos) << printed;
  EXPECT_NE(printed.find("Stopped"), std::string::npos);
  TCatalogue catalogue(profile.Store);
  ASSERT_EQ(catalogue.Entries().size(), 1u);
  EXPECT_EQ(catalogue.Entries()[0].BackupTitle.rfind("Nightly", 0), 0u);
  EXPECT_TRUE(catalogue.Entries()[0].ReachedServer());
  EXPECT_NE(test::ReadTextFile(profile.LogOf("Backup.log")).find("Nightly"), std::string::npos);
  EXPECT_TRUE(FileExists(profile.LogOf("InternetBackup.log")));
}

TEST_F(CliWorkQueue, RunCatchesUpAScheduleMissedWhileItWasNotRunning) {
  ASSERT_EQ(profile.Run("list create " + ShellQuote(source.Path()) + " --subfolders"), 0)
      << profile.Output();
  const std::string list = profile.Output().substr(0, profile.Output().find('\n'));
  // Due ten minutes ago, last run two days ago: the program was not running at the time.
  const std::string time = ScheduleTimeText(Now() - 10.0 / (24 * 60)).substr(0, 5);
  ASSERT_EQ(profile.Run("schedule set Missed --daily --time " + time +
                        " --title Missed --enable --list " + ShellQuote(list)),
            0)
      << profile.Output();
  profile.Store.SetFilename(keys::kScheduleKey);
  profile.Store.WriteDateTime("Missed", schedule_values::kLastRun, Now() - 2);
  profile.Store.WriteDateTime("Missed", schedule_values::kLastSaved, Now() - 3);
  ASSERT_EQ(profile.Run("options set scheduled-backups on catch-up-delay 0"), 0)
      << profile.Output();

  const TBackgroundRun run = StartRun("--check-every 1 --no-send");
  const bool built = WaitFor([&] { return run.Printed("File(s) = ") || run.Ended(); }, 60);
  // A few more checks must not run it again.
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  ASSERT_TRUE(Stop(run)) << "run did not stop on TERM:\n" << run.Printed();
  const std::string printed = run.Printed();
  ASSERT_TRUE(built) << printed;
  EXPECT_NE(printed.find("Schedule \"Missed\" was due at "), std::string::npos) << printed;
  EXPECT_NE(printed.find("Scheduled backup \"Missed\""), std::string::npos) << printed;
  TCatalogue catalogue(profile.Store);
  ASSERT_EQ(catalogue.Entries().size(), 1u) << printed;
  EXPECT_EQ(catalogue.Entries()[0].BackupTitle, "Missed");

  ASSERT_EQ(profile.Run("schedule show Missed"), 0) << profile.Output();
  EXPECT_EQ(profile.Output().find("Last run:      never"), std::string::npos) << profile.Output();
  EXPECT_NE(profile.Output().find("Next run:      "), std::string::npos) << profile.Output();
}

}  // namespace
}  // namespace vaultora
