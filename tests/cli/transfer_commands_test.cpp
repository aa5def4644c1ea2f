#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

#include "backupset/catalogue.h"
#include "online/account_record.h"
#include "platform/folders.h"
#include "platform/log_file.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"
#include "support/catalogued_backup.h"
#include "support/process_run.h"
#include "support/temp_folder.h"

namespace vaultora {
namespace {

using test::ShellQuote;

// vaultora-server in the background on a port it picks, with a storage folder and one account.
class TBackgroundServer {
 public:
  TBackgroundServer() {
    const std::string server = ShellQuote(VAULTORA_SERVER_PATH);
    const std::string storage = ShellQuote(FStorage.Path());
    EXPECT_EQ(test::RunCommand("echo secret | " + server +
                               " account add ann --iterations 1 "
                               "--storage " +
                               storage)
                  .Status,
              0);
    test::RunCommand(server + " serve --port 0 --storage " + storage + " >" +
                     ShellQuote(FStorage / "port") + " 2>/dev/null & echo $! >" +
                     ShellQuote(FStorage / "pid"));
    for (int i = 0; i < 500 && FPort == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      FPort = std::atoi(test::ReadTextFile(FStorage / "port").c_str());
    }
    EXPECT_GT(FPort, 0);
  }
  ~TBackgroundServer() { kill(std::atoi(test::ReadTextFile(FStorage / "pid").c_str()), SIGTERM); }
  int Port() const { return FPort; }

 private:
  test::TTempFolder FStorage;
  int FPort = 0;
};

class CliTransfer : public testing::Test {
 protected:
  // A profile of the account that reaches the server.
  std::unique_ptr<test::TBackupProfile> NewProfile() {
    auto profile = std::make_unique<test::TBackupProfile>("the user's own key");
    TIniRegistryEditor& store = profile->Store;
    store.SetFilename(keys::kBaseKey);
    store.WriteString(keys::kConnection, keys::connection::kHost, "127.0.0.1");
    store.WriteInteger(keys::kConnection, keys::connection::kServerPort, FServer.Port());
    store.WriteBool(keys::kConnection, keys::connection::kUseLANServer, true);
    WriteAccountSetup(store, {"ann", "secret"});
    return profile;
  }
  int Cli(const std::string& arguments) {
    const test::TProcessRun run =
        test::RunCommand(std::string(VAULTORA_CLI_PATH) + " " + arguments + " </dev/null");
    FOut = run.Output;
    return run.Status;
  }
  bool Printed(const std::string& text) const { return FOut.find(text) != std::string::npos; }

  TBackgroundServer FServer;
  std::string FOut;
};

TEST_F(CliTransfer, SendThenRegisterAndReceiveOnASecondComputerThenDelete) {
  auto first = NewProfile();
  first->Backup("46010.5", {{"notes.txt", "some notes"}}, "", /*needToSend=*/true);
  test::WriteTextFile(first->FileOf("46010.5", ".bfl"), "/home/ann/notes.txt\t\r\n");
  ASSERT_EQ(Cli("send"), 0) << FOut;
  EXPECT_TRUE(Printed("Logon accepted\nTransfering Title 46010.5\n")) << FOut;
  EXPECT_TRUE(Printed("Internet transfer complete\n"));
  EXPECT_TRUE(Printed("Online backup closed\n"));
  EXPECT_FALSE(FileExists(first->FileOf("46010.5", ".BFE")));
  EXPECT_TRUE(FileExists(LogFilePath("InternetBackup.log")));
  EXPECT_EQ(Cli("send"), 0) << FOut;  // nothing to send is not a failure
  EXPECT_TRUE(Printed("Nothing waits in the Outbox\n"));
  first.reset();

  auto second = NewProfile();
  ASSERT_EQ(Cli("download-settings"), 0) << FOut;
  EXPECT_TRUE(Printed("Title 46010.5 retrieved from Vaultora's server"));
  EXPECT_TRUE(Printed("46010.5 ")) << FOut;
  EXPECT_EQ(Cli("register"), 1);  // nothing named
  ASSERT_EQ(Cli("register --all"), 0) << FOut;
  EXPECT_TRUE(Printed("Title 46010.5 unpacked.\n"));
  EXPECT_EQ(test::ReadTextFile(second->FileOf("46010.5", ".bfl")), "/home/ann/notes.txt\t\r\n");
  ASSERT_EQ(Cli("receive 46010.5"), 0) << FOut;
  EXPECT_TRUE(Printed("Retrieving Title 46010.5\n"));
  EXPECT_TRUE(Printed("Backup retrieved from server\n"));
  EXPECT_TRUE(FileExists(second->FileOf("46010.5", ".BFE")));

  TCatalogue(second->Store).MarkDeleted("46010.5");
  ASSERT_EQ(Cli("delete-on-server"), 0) << FOut;
  EXPECT_TRUE(Printed("Internet delete complete\n"));
  EXPECT_FALSE(TCatalogue(second->Store).Exists("46010.5"));
  EXPECT_EQ(Cli("download-settings"), 1);
  EXPECT_TRUE(Printed("There are no backups available on the server\n"));
}

}  // namespace
}  // namespace vaultora
