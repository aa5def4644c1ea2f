// vaultora-server as the program people run: account administration, a server killed in the
// middle of an upload and started again, backups moved into storage and back.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "online/protocol.h"
#include "server_fixture.h"
#include "server_process.h"
#include "support/process_run.h"

namespace vaultora::test {
namespace {

// Collects what a download delivers.
struct TBytesCollector {
  explicit TBytesCollector(TBkServer& client) {
    client.OnRestore = [this](TBkServer*, TMemoryStream& data, bool&) {
      Bytes.insert(Bytes.end(), data.Bytes().begin(), data.Bytes().end());
    };
  }
  std::vector<uint8_t> Bytes;
};

class ServerProgram : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Admin("account add ann --iterations 1000", "ann-secret\n").Status, 0);
  }
  TProcessRun Admin(const std::string& arguments, const std::string& input = "") {
    return RunCommand("printf %s " + ShellQuote(input) + " | " + ShellQuote(kServer) + " " +
                      arguments + " --storage " + ShellQuote(FStorage.Path()));
  }
  std::unique_ptr<TBkServer> Client(int port) {
    auto client = std::make_unique<TBkServer>();
    client->SetAddress("127.0.0.1");
    client->SetPort(port);
    client->SetReceiveTimeout(3000);
    client->SetActive(true);
    EXPECT_FALSE(client->Logon(EnvelopeFor("ann", "ann-secret"), LogonTimeCode(Now())).empty());
    return client;
  }
  TTempFolder FStorage;
  TTempFolder FFiles;
};

TEST_F(ServerProgram, AccountAdministrationNeverStoresThePassword) {
  EXPECT_NE(Admin("account add ann", "again\n").Status, 0);
  EXPECT_NE(Admin("account add bob", "\n").Status, 0);  // an empty password
  EXPECT_EQ(Admin("account add bob --iterations 1000", "bob-secret\n").Status, 0);
  EXPECT_EQ(Admin("account list").Output, "ann\nbob\n");
  EXPECT_EQ(ReadTextFile(FStorage / "metadata.db").find("ann-secret"), std::string::npos);
  EXPECT_EQ(Admin("account password ann --iterations 1000", "new-secret\n").Status, 0);
  EXPECT_EQ(Admin("account remove bob").Status, 0);
  EXPECT_NE(Admin("account remove bob").Status, 0);
  EXPECT_EQ(Admin("account list").Output, "ann\n");
  TServerProcess server(FStorage.Path());
  TBkServer client;
  client.SetAddress("127.0.0.1");
  client.SetPort(server.Port());
  client.SetActive(true);
  EXPECT_EQ(client.Logon(EnvelopeFor("ann", "ann-secret"), LogonTimeCode(Now())), "");
  EXPECT_NE(client.Logon(EnvelopeFor("ann", "new-secret"), LogonTimeCode(Now())), "");
}

// A mistyped storage folder is refused instead of becoming an empty store; --create makes one.
TEST_F(ServerProgram, AMissingStorageFolderIsMadeOnlyWhenAsked) {
  const std::string missing = FFiles / "no/such/store";
  const TProcessRun refused = RunCommand("printf 'pw\\n' | " + ShellQuote(kServer) +
                                         " account add ann --storage " + ShellQuote(missing));
  EXPECT_NE(refused.Status, 0);
  EXPECT_NE(refused.Output.find("does not exist; give --create"), std::string::npos)
      << refused.Output;
  EXPECT_FALSE(DirectoryExists(missing));
  EXPECT_NE(
      RunCommand(ShellQuote(kServer) + " serve --port 0 --storage " + ShellQuote(missing)).Status,
      0);
  EXPECT_EQ(RunCommand("printf 'pw\\n' | " + ShellQuote(kServer) +
                       " account add ann --iterations 1 --create --storage " + ShellQuote(missing))
                .Status,
            0);
  EXPECT_EQ(
      RunCommand(ShellQuote(kServer) + " account list --storage " + ShellQuote(missing)).Output,
      "ann\n");
}

TEST_F(ServerProgram, KilledMidUploadAndStartedAgainLosesNothingAcknowledged) {
  const std::string done = WriteArchive(FFiles, "45040.BFE", 9000);
  const std::string half = WriteArchive(FFiles, "45041.BFE", 300000);
  auto server = std::make_unique<TServerProcess>(FStorage.Path());
  {
    auto client = Client(server->Port());
    TFileStream archive(done, fmOpenRead);
    ASSERT_TRUE(client->InitBackup("45040.BFE", "T", "45040.bfl", 1, 9000, "M", {}, ""));
    client->OnBackup = [](TBkServer*, int64_t, int64_t, int&, bool&) {};
    ASSERT_EQ(client->SendFile(archive, 4096), 9000);
    ASSERT_TRUE(client->EndBackup(Now()));
    ASSERT_TRUE(client->InitBackup("45041.BFE", "T", "45041.bfl", 1, 300000, "M", {}, ""));
    TFileStream rest(half, fmOpenRead);
    client->OnBackup = [](TBkServer*, int64_t, int64_t position, int&, bool& cont) {
      cont = position < 100000;
    };
    EXPECT_GE(client->SendFile(rest, 4096), 100000);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(server->Kill(SIGKILL), 128 + SIGKILL);
  }
  server = std::make_unique<TServerProcess>(FStorage.Path());
  auto client = Client(server->Port());
  ASSERT_EQ(client->InitRestore("45040.BFE", "T", Date()), protocol::kDownloadReady);
  TBytesCollector collected(*client);
  client->ReceiveFile(0);
  EXPECT_EQ(collected.Bytes, ReadBytes(done));
  ASSERT_TRUE(client->EndRestore(Date()));

  ASSERT_TRUE(client->InitBackup("45041.BFE", "T", "45041.bfl", 1, 300000, "M", {}, ""));
  const int32_t held = client->RemoteSize();
  EXPECT_GT(held, 0);
  EXPECT_LE(held, 300000);
  TFileStream rest(half, fmOpenRead);
  rest.SetPosition(held);
  client->OnBackup = [](TBkServer*, int64_t, int64_t, int&, bool&) {};
  EXPECT_EQ(client->SendFile(rest, 4096), 300000 - held);
  ASSERT_TRUE(client->EndBackup(Now()));
  ASSERT_EQ(client->InitRestore("45041.BFE", "T", Date()), protocol::kDownloadReady);
  collected.Bytes.clear();
  client->ReceiveFile(0);
  EXPECT_EQ(collected.Bytes, ReadBytes(half));
}

TEST_F(ServerProgram, KilledRightAfterAnAcknowledgementKeepsEveryAcknowledgedByte) {
  constexpr int64_t kPiece = 70001, kSize = 4 * kPiece;
  const std::string path = WriteArchive(FFiles, "45042.BFE", kSize);
  const std::vector<uint8_t> bytes = ReadBytes(path);
  auto server = std::make_unique<TServerProcess>(FStorage.Path());
  {
    auto client = Client(server->Port());
    ASSERT_TRUE(client->InitBackup("45042.BFE", "T", "45042.bfl", 1, kSize, "M", {}, ""));
    client->OnBackup = [](TBkServer*, int64_t, int64_t, int&, bool&) {};
    // Three upload commands of one piece each, every one acknowledged with its count; the
    // server dies the moment the third acknowledgement has arrived.
    for (int64_t piece = 0; piece < 3; ++piece) {
      TMemoryStream prefix(
          std::vector<uint8_t>(bytes.begin(), bytes.begin() + (piece + 1) * kPiece));
      prefix.SetPosition(piece * kPiece);
      ASSERT_EQ(client->SendFile(prefix, 4096), kPiece);
    }
    EXPECT_EQ(server->Kill(SIGKILL), 128 + SIGKILL);
  }
  server = std::make_unique<TServerProcess>(FStorage.Path());
  auto client = Client(server->Port());
  ASSERT_TRUE(client->InitBackup("45042.BFE", "T", "45042.bfl", 1, kSize, "M", {}, ""));
  ASSERT_EQ(client->RemoteSize(), 3 * kPiece);
  TFileStream rest(path, fmOpenRead);
  rest.SetPosition(3 * kPiece);
  client->OnBackup = [](TBkServer*, int64_t, int64_t, int&, bool&) {};
  ASSERT_EQ(client->SendFile(rest, 4096), kPiece);
  ASSERT_TRUE(client->EndBackup(Now()));
  ASSERT_EQ(client->InitRestore("45042.BFE", "T", Date()), protocol::kDownloadReady);
  TBytesCollector collected(*client);
  client->ReceiveFile(0);
  EXPECT_TRUE(collected.Bytes == bytes);
}

TEST_F(ServerProgram, TheAdministratorMovesABackupIntoStorageAndBack) {
  TServerProcess server(FStorage.Path());
  auto client = Client(server.Port());
  const std::string path = WriteArchive(FFiles, "45050.BFE", 1000);
  TFileStream archive(path, fmOpenRead);
  ASSERT_TRUE(client->InitBackup("45050.BFE", "Weekly", "45050.bfl", 1, 1000, "M", {}, ""));
  client->OnBackup = [](TBkServer*, int64_t, int64_t, int&, bool&) {};
  ASSERT_EQ(client->SendFile(archive, 4096), 1000);
  ASSERT_TRUE(client->EndBackup(Now()));
  EXPECT_EQ(Admin("backup to-storage ann 45050.BFE").Status, 0);
  EXPECT_EQ(Admin("backup list ann").Output, "45050.BFE\t1000\tin storage\tWeekly\n");
  EXPECT_EQ(client->InitRestore("45050.BFE", "Weekly", Date()), protocol::kDownloadInStorage);
  EXPECT_EQ(Admin("backup from-storage ann 45050.BFE").Status, 0);
  EXPECT_EQ(client->InitRestore("45050.BFE", "Weekly", Date()), protocol::kDownloadReady);
  EXPECT_NE(Admin("backup to-storage ann missing.BFE").Status, 0);
  EXPECT_NE(Admin("backup list carl").Status, 0);
}

}  // namespace
}  // namespace vaultora::test
