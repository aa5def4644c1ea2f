#pragma once
// A backup server running in this process on an ephemeral loopback port, with its storage in a
// temporary folder, two accounts ("ann" and "bob") and short limits; and clients for it.

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "online/bk_server.h"
#include "online/logon_envelope.h"
#include "platform/folders.h"
#include "server/backup_server.h"
#include "support/temp_folder.h"

namespace vaultora::test {

// The logon envelope of an account as the client builds it at the moment. Each envelope names a
// computer of its own, so that logons made within one second are not taken for replays.
inline std::vector<uint8_t> EnvelopeFor(const std::string& name, const std::string& password,
                                        TDateTime at = Now()) {
  static std::atomic<int> computers{0};
  const std::vector<uint8_t> record = MakeAccountRecord({name, password});
  const std::string computer = "testhost" + std::to_string(++computers);
  return BuildLogonEnvelope(BuildLogonRecord(record, LogonKey(computer, "tester", at)));
}

// A file of pseudo-random bytes.
inline std::string WriteArchive(const TTempFolder& folder, const std::string& name, size_t size) {
  std::mt19937 random(static_cast<unsigned>(size) * 7919u + static_cast<unsigned>(name.size()));
  std::string bytes(size, '\0');
  for (char& c : bytes)
    c = static_cast<char>(random());
  WriteTextFile(folder / name, bytes);
  return folder / name;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  const std::string text = ReadTextFile(path);
  return std::vector<uint8_t>(text.begin(), text.end());
}

class TServerFixture : public testing::Test {
 protected:
  void SetUp() override { Start(); }
  void TearDown() override { Stop(); }

  static server::TServerLimits DefaultLimits() {
    server::TServerLimits limits;
    limits.MaxConnections = 8;
    limits.MaxMessage = 1024 * 1024;
    limits.IdleTimeoutMs = 1000;
    return limits;
  }

  void Start(server::TServerLimits limits = DefaultLimits()) {
    FServer = std::make_unique<server::TBackupServer>(FStorage.Path(), limits, FLog);
    if (FServer->Accounts().List().empty()) {
      FServer->Accounts().Add("ann", "ann-secret", 1000);
      FServer->Accounts().Add("bob", "bob-secret", 1000);
    }
    FPort = FServer->Listen("127.0.0.1", 0);
    FServing = std::thread([this] { FServer->Serve(); });
  }

  void Stop() {
    if (!FServer) return;
    FServer->Stop();
    FServing.join();
    FServer.reset();
  }

  // A connected client, logged on as the account unless name is empty.
  std::unique_ptr<TBkServer> Client(const std::string& name = "ann",
                                    const std::string& password = "ann-secret") {
    auto client = std::make_unique<TBkServer>();
    client->SetAddress("127.0.0.1");
    client->SetPort(FPort);
    client->SetReceiveTimeout(3000);
    client->SetActive(true);
    if (!name.empty()) {
      EXPECT_FALSE(client->Logon(EnvelopeFor(name, password), LogonTimeCode(Now())).empty());
    }
    return client;
  }

  // Uploads an archive file as a backup, resuming where the server stands; true when end
  // upload confirmed it.
  bool Upload(TBkServer& client, const std::string& path, const std::string& title = "Daily",
              const std::vector<uint8_t>& fileList = {}, const std::string& incremental = "") {
    const std::string name = ExtractFileName(path);
    TFileStream archive(path, fmOpenRead);
    if (!client.InitBackup(name, title, ChangeFileExt(name, ".bfl"), 45000.25, archive.Size(),
                           "0123456789ABCDEF", fileList, incremental))
      return false;
    archive.SetPosition(client.RemoteSize());
    client.OnBackup = [](TBkServer*, int64_t, int64_t, int&, bool&) {};
    const int64_t toSend = archive.Size() - archive.Position();
    if (toSend > 0 && client.SendFile(archive, 4096) != toSend) return false;
    return client.EndBackup(Now());
  }

  // Downloads a backup from start on.
  std::vector<uint8_t> Download(TBkServer& client, const std::string& name, int64_t start = 0) {
    std::vector<uint8_t> bytes;
    if (client.InitRestore(name, "Daily", Date()) != 1) return bytes;
    client.OnRestore = [&](TBkServer*, TMemoryStream& data, bool&) {
      bytes.insert(bytes.end(), data.Bytes().begin(), data.Bytes().end());
    };
    client.ReceiveFile(start);
    EXPECT_TRUE(client.EndRestore(Date()));
    return bytes;
  }

  TTempFolder FStorage;
  TTempFolder FFiles;
  server::TServerLog FLog{nullptr};
  std::unique_ptr<server::TBackupServer> FServer;
  std::thread FServing;
  int FPort = 0;
};

}  // namespace vaultora::test
