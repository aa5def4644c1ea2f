// The fault trials of the online path, with vaultora-cli and vaultora-server as processes: the
// server killed at random moments of an upload, the client killed at random moments of a
// download and of a restore, and connections cut by a loopback proxy at chosen byte offsets of
// an upload and of a download. Each trial ends with a byte-identical copy (on the server, in the
// working folder, in the restored files) or a clear error, and never with a damaged file.
// scripts/fault-trials.sh runs the same trials longer (VAULTORA_TRIAL_SEED, VAULTORA_TRIAL_SCALE).
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "online/tcp_socket.h"
#include "platform/folders.h"
#include "server/server_process.h"
#include "support/cli_profile.h"
#include "support/process_run.h"
#include "support/small_disk.h"
#include "support/temp_folder.h"
#include "support/trials.h"

namespace vaultora::test {
namespace {

using TClock = std::chrono::steady_clock;
const TAccountItems kAnn = {"ann", "ann-secret"};
constexpr const char* kKey = "trial key";

// A loopback proxy in front of the server that cuts the first connection whose bytes in one
// direction reach the offset: it forwards exactly that many, then closes both sides. Later
// connections pass whole. It also counts the bytes of that direction of the last connection.
class TCuttingProxy {
 public:
  TCuttingProxy(int serverPort, bool upload, int64_t cutAt)
      : FServerPort(serverPort), FUpload(upload), FCutAt(cutAt) {
    FPort = FListener.Listen("127.0.0.1", 0);
    FThread = std::thread([this] { Serve(); });
  }
  ~TCuttingProxy() {
    FStop = true;
    FListener.Shutdown();
    FThread.join();
  }
  int Port() const { return FPort; }
  bool Cut() const { return FCut; }
  int64_t LastCount() const { return FLastCount; }

 private:
  void Serve() {
    for (;;) {
      const int client = FListener.Accept();
      if (client < 0 || FStop) {
        if (client >= 0) ::close(client);
        return;
      }
      TTcpSocket server;
      try {
        server.Connect("127.0.0.1", FServerPort, 3000);
      } catch (const ESocketError&) {
        ::close(client);
        continue;
      }
      const int upstream = server.Handle();
      const bool cutThis = !FCut && FCutAt >= 0;
      std::atomic<int64_t> counted{0};
      auto pump = [&](int from, int to, bool counting) {
        uint8_t buffer[16384];
        for (;;) {
          const ssize_t got = ::recv(from, buffer, sizeof buffer, 0);
          if (got <= 0) break;
          ssize_t pass = got;
          bool cut = false;
          if (counting && cutThis && counted + got >= FCutAt) {
            pass = static_cast<ssize_t>(FCutAt - counted);
            cut = true;
          }
          if (pass > 0 && ::send(to, buffer, static_cast<size_t>(pass), MSG_NOSIGNAL) != pass)
            break;
          if (counting) counted += pass;
          if (cut) {
            FCut = true;
            break;
          }
        }
        ::shutdown(from, SHUT_RDWR);
        ::shutdown(to, SHUT_RDWR);
      };
      std::thread up(pump, client, upstream, FUpload);
      pump(upstream, client, !FUpload);
      up.join();
      FLastCount = counted.load();
      ::close(client);
    }
  }

  int FServerPort;
  bool FUpload;
  int64_t FCutAt;
  TTcpListener FListener;
  int FPort = 0;
  std::atomic<bool> FStop{false}, FCut{false};
  std::atomic<int64_t> FLastCount{0};
  std::thread FThread;
};

// vaultora-cli started in a profile and not waited for, so that it can be killed.
pid_t StartCli(const TCliProfile& profile, const std::string& arguments) {
  const std::string command = "VAULTORA_HOME=" + ShellQuote(profile.Home()) + " exec " +
                              ShellQuote(VAULTORA_CLI_PATH) + " " + arguments +
                              " </dev/null >/dev/null 2>&1";
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

// Kills the process after the delay unless it ended first; true when it was killed.
bool KillAfter(pid_t pid, std::chrono::microseconds delay) {
  const TClock::time_point end = TClock::now() + delay;
  int status = 0;
  while (TClock::now() < end) {
    if (waitpid(pid, &status, WNOHANG) == pid) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return WIFSIGNALED(status);
}

class FaultTrials : public testing::Test {
 protected:
  FaultTrials() : Random(TrialSeed()) {
    EXPECT_EQ(RunCommand("printf %s " + ShellQuote(kAnn.Password) + " | " + ShellQuote(kServer) +
                         " account add ann --iterations 1 --storage " + ShellQuote(Storage.Path()))
                  .Status,
              0);
    Server = std::make_unique<TServerProcess>(Storage.Path());
    Profile.Connect(Server->Port(), kAnn);
    Profile.SetKey(kKey);
    // As a first start sets it: a dropped line is retried.
    EXPECT_EQ(Profile.Run("options set reconnect on"), 0) << Profile.Output();
    std::string data(3 * 1024 * 1024, '\0');
    for (char& c : data)
      c = static_cast<char>(Random());
    WriteTextFile(Source / "data.bin", data);
    WriteTextFile(Source / "notes/today.txt", "what happened today");
    EXPECT_EQ(Profile.Run("list create " + Source.Path() + " --subfolders --wizard"), 0)
        << Profile.Output();
  }

  void Restart() {
    Server = std::make_unique<TServerProcess>(Storage.Path());
    SetPort(Server->Port());
  }
  void SetPort(int port) { Profile.Connect(port, kAnn); }

  // A new full backup; its ID and a copy of its enciphered archive.
  std::pair<std::string, std::string> NewBackup() {
    const std::string id = Profile.Backup("--title Trial --full");
    EXPECT_FALSE(id.empty()) << Profile.Output();
    return {id, ReadTextFile(Profile.FileOf(id, ".BFE"))};
  }

  // The server's complete copy of a backup, or "" when it holds none.
  std::string OnServer(const std::string& id) {
    const std::string name = ReplaceAll(id, ".", "_") + ".BFE";
    for (const auto& account : std::filesystem::directory_iterator(Storage / "data")) {
      const std::string path = account.path().string() + "/complete/" + name;
      if (FileExists(path)) return ReadTextFile(path);
    }
    return "";
  }

  // Files in the folder whose content is not that of the source file of the same name: damaged
  // ones (the restore puts every file straight into the folder).
  int Damaged(const std::string& folder) {
    int damaged = 0;
    std::map<std::string, std::string> source;
    for (const auto& [name, content] : ReadTree(Source.Path()))
      source[ExtractFileName(name)] = content;
    for (const auto& [name, content] : ReadTree(folder)) {
      if (name.find(".vaultora-restore-") != std::string::npos) continue;  // a temporary
      const auto found = source.find(ExtractFileName(name));
      damaged += found == source.end() || found->second != content ? 1 : 0;
    }
    return damaged;
  }

  // The time a command takes when nothing goes wrong.
  std::chrono::microseconds Duration(const std::string& arguments) {
    const TClock::time_point started = TClock::now();
    EXPECT_EQ(Profile.Run(arguments), 0) << Profile.Output();
    return std::chrono::duration_cast<std::chrono::microseconds>(TClock::now() - started);
  }

  std::chrono::microseconds RandomWithin(std::chrono::microseconds span) {
    return std::chrono::microseconds(Random() % std::max<int64_t>(1, span.count()));
  }

  TTempFolder Storage;
  TTempFolder Source;
  TCliProfile Profile{VAULTORA_CLI_PATH};
  std::unique_ptr<TServerProcess> Server;
  std::mt19937 Random;
};

TEST_F(FaultTrials, TheServerKilledAtRandomMomentsOfAnUploadLosesNothing) {
  auto [first, firstBytes] = NewBackup();
  const auto span = Duration("send");
  ASSERT_EQ(OnServer(first), firstBytes);
  TTrialTally tally("server killed during an upload");
  for (int i = 0; i < TrialCount(10); ++i) {
    auto [id, bytes] = NewBackup();
    const pid_t send = StartCli(Profile, "send");
    std::this_thread::sleep_for(RandomWithin(span));
    Server->Kill(SIGKILL);
    int status = 0;
    waitpid(send, &status, 0);
    Restart();
    // The send that lost its server failed in words or finished; a second one completes it.
    const bool sent = Profile.Run("send") == 0;
    const bool held = sent && OnServer(id) == bytes && !FileExists(Profile.FileOf(id, ".BFE"));
    tally.Count(held);
    EXPECT_TRUE(held) << "trial " << i << ": " << Profile.Output();
  }
}

TEST_F(FaultTrials, TheClientKilledAtRandomMomentsOfADownloadAndARestoreDamagesNothing) {
  auto [id, bytes] = NewBackup();
  ASSERT_EQ(Profile.Run("send"), 0) << Profile.Output();
  ASSERT_EQ(Profile.Run("request " + id), 0) << Profile.Output();
  const auto receiveSpan = Duration("receive");
  ASSERT_EQ(ReadTextFile(Profile.FileOf(id, ".BFE")), bytes);
  TTempFolder probe;
  const auto restoreSpan = Duration("restore " + id + " --to " + probe.Path() + " --flat");
  {
    TTrialTally tally("client killed during a download");
    for (int i = 0; i < TrialCount(10); ++i) {
      DeleteFile(Profile.FileOf(id, ".BFE"));
      ASSERT_EQ(Profile.Run("request " + id), 0) << Profile.Output();
      KillAfter(StartCli(Profile, "receive"), RandomWithin(receiveSpan));
      const bool received = Profile.Run("receive") == 0;
      const bool held = received && ReadTextFile(Profile.FileOf(id, ".BFE")) == bytes;
      tally.Count(held);
      EXPECT_TRUE(held) << "trial " << i << ": " << Profile.Output();
    }
  }
  TTrialTally tally("client killed during a restore");
  for (int i = 0; i < TrialCount(10); ++i) {
    TTempFolder target;
    KillAfter(StartCli(Profile, "restore " + id + " --to " + target.Path() + " --flat"),
              RandomWithin(restoreSpan));
    const int damagedAfterKill = Damaged(target.Path());
    const bool restored = Profile.Run("restore " + id + " --to " + target.Path() + " --flat") == 0;
    const bool held = damagedAfterKill == 0 && restored && Damaged(target.Path()) == 0 &&
                      ReadTextFile(target / "data.bin") == ReadTextFile(Source / "data.bin");
    tally.Count(held);
    EXPECT_TRUE(held) << "trial " << i << ": " << damagedAfterKill << " damaged; "
                      << Profile.Output();
  }
}

TEST_F(FaultTrials, ConnectionsCutAtChosenBytesOfAnUploadAndADownloadResume) {
  // The bytes each direction carries in a whole send and a whole receive.
  int64_t uploadTotal = 0, downloadTotal = 0;
  auto [id, bytes] = NewBackup();
  {
    TCuttingProxy proxy(Server->Port(), true, -1);
    SetPort(proxy.Port());
    ASSERT_EQ(Profile.Run("send"), 0) << Profile.Output();
    uploadTotal = proxy.LastCount();
  }
  {
    TCuttingProxy proxy(Server->Port(), false, -1);
    SetPort(proxy.Port());
    ASSERT_EQ(Profile.Run("request " + id), 0);
    ASSERT_EQ(Profile.Run("receive"), 0) << Profile.Output();
    downloadTotal = proxy.LastCount();
  }
  ASSERT_GT(uploadTotal, 3 * 1024 * 1024);
  ASSERT_GT(downloadTotal, 3 * 1024 * 1024);
  for (const bool upload : {true, false}) {
    const int64_t total = upload ? uploadTotal : downloadTotal;
    TTrialTally tally(upload ? "upload cut by a proxy" : "download cut by a proxy");
    for (const int64_t at : {int64_t{0}, int64_t{1}, int64_t{4095}, int64_t{4096}, int64_t{4097},
                             total / 2, total - 1, total}) {
      std::string sentId = id, expected = bytes;
      if (upload) std::tie(sentId, expected) = NewBackup();
      TCuttingProxy proxy(Server->Port(), upload, at);
      SetPort(proxy.Port());
      if (!upload) {
        DeleteFile(Profile.FileOf(id, ".BFE"));
        ASSERT_EQ(Profile.Run("request " + id), 0);
      }
      // The command retries by itself, a cut while logging on too, and succeeds when its work
      // got done in the end.
      const bool done = Profile.Run(upload ? "send" : "receive") == 0;
      const std::string copy =
          upload ? OnServer(sentId) : ReadTextFile(Profile.FileOf(sentId, ".BFE"));
      const bool held = done && copy == expected;
      tally.Count(held);
      if (at < total) {
        EXPECT_TRUE(proxy.Cut()) << "no cut at " << at;
      }
      EXPECT_TRUE(held) << (upload ? "upload" : "download") << " cut at " << at << " of " << total
                        << (proxy.Cut() ? "" : " (not cut)") << ": " << Profile.Output();
    }
  }
  SetPort(Server->Port());
  TTempFolder target;
  ASSERT_EQ(Profile.Run("restore " + id + " --to " + target.Path() + " --flat"), 0)
      << Profile.Output();
  EXPECT_EQ(Damaged(target.Path()), 0);
  EXPECT_EQ(ReadTextFile(target / "data.bin"), ReadTextFile(Source / "data.bin"));
}

// A server whose disk cannot take the backup says so before any byte is sent; the client shows
// it in words, keeps the backup in the Outbox, and sends it once there is room.
TEST(ServerDiskFull, IsToldInWordsAndTheBackupWaitsForRoom) {
  TSmallDisk disk(1024 * 1024);
  if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a small file system here (needs root)";
  ASSERT_EQ(RunCommand("printf %s " + ShellQuote(kAnn.Password) + " | " + ShellQuote(kServer) +
                       " account add ann --iterations 1 --storage " + ShellQuote(disk.Path()))
                .Status,
            0);
  TServerProcess server(disk.Path());
  TCliProfile profile{VAULTORA_CLI_PATH};
  profile.Connect(server.Port(), kAnn);
  profile.SetKey(kKey);
  TTempFolder source;
  std::mt19937 random(7);
  std::string data(3 * 1024 * 1024, '\0');
  for (char& c : data)
    c = static_cast<char>(random());
  WriteTextFile(source / "data.bin", data);
  ASSERT_EQ(profile.Run("list create " + source.Path() + " --wizard"), 0) << profile.Output();
  const std::string id = profile.Backup("--title Big --full");
  ASSERT_FALSE(id.empty()) << profile.Output();

  EXPECT_EQ(profile.Run("send"), 1);
  EXPECT_NE(profile.Output().find("The server has no space left for the backup"), std::string::npos)
      << profile.Output();
  EXPECT_EQ(profile.Run("catalogue view outbox"), 0);
  EXPECT_NE(profile.Output().find("Big"), std::string::npos) << profile.Output();

  const std::string archive = ReadTextFile(profile.FileOf(id, ".BFE"));
  ASSERT_TRUE(disk.Resize(16 * 1024 * 1024));
  EXPECT_EQ(profile.Run("send"), 0) << profile.Output();
  const std::string name = ReplaceAll(id, ".", "_") + ".BFE";
  bool stored = false;
  for (const auto& account : std::filesystem::directory_iterator(disk / "data"))
    stored = stored || ReadTextFile(account.path().string() + "/complete/" + name) == archive;
  EXPECT_TRUE(stored);
}

}  // namespace
}  // namespace vaultora::test
