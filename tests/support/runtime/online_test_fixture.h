#pragma once
// A temporary profile wired to a vaultora-server on loopback with its own storage and account,
// and helpers to make catalogued backups and run an online component to its end with a real
// event loop.

#include <gtest/gtest.h>

#include <QProcess>

#include <memory>
#include <string>
#include <vector>

#include "online/runtime/online_transfer.h"
#include "settings/ini_registry_editor.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora::test {

// vaultora-server serving one account from a storage folder; restartable on the same port.
class TTestServer {
 public:
  explicit TTestServer(std::string program) : FProgram(std::move(program)) {}
  ~TTestServer();
  void Start();  // on the port it had before, else on a free one
  void Kill();   // at once, as a crash would
  int Port() const { return FPort; }
  const std::string& Storage() const { return FStorage.Path(); }
  // Everything the server wrote so far (its log of connections and commands).
  std::string Output();

 private:
  std::string FProgram;
  TTempFolder FStorage;
  std::unique_ptr<QProcess> FProcess;
  std::string FOutput;
  int FPort = 0;
};

class OnlineTest : public testing::Test {
 protected:
  // serverProgram: the test program's VAULTORA_SERVER_PATH.
  explicit OnlineTest(const std::string& serverProgram);

  // A profile that reaches the server and holds the account (or none).
  void SetUpProfile(bool withAccount = true);
  // A catalogued backup: an enciphered archive of size random bytes in the working folder, its
  // file list, and the values the builder writes. Returns the entry name.
  std::string MakeBackup(const std::string& title, int64_t size, double id);
  std::string ArchiveOf(const std::string& entry);
  std::vector<uint8_t> Bytes(const std::string& path);
  bool HasValue(const std::string& entry, const char* value);

  // Starts the component and runs the event loop until OnClose (or the time-out fails the test).
  void RunToClose(TBaseOnlineTransfer& component, int timeoutMs = 30000);
  // Records every common event of the component as a line in FEvents.
  void Record(TBaseOnlineTransfer& component);

  std::unique_ptr<TTestProfile> FProfile;
  TTestServer FServer;
  std::unique_ptr<TIniRegistryEditor> FStore;
  std::string FWorking;
  std::vector<std::string> FEvents;
  bool FClosed = false;
};

}  // namespace vaultora::test
