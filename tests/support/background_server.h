#pragma once
// vaultora-server in the background for the process tests: its own storage folder, the accounts
// it is given, and a loopback port it picks itself. The server's path is an argument because only
// the test programs know where the build put it.

#include <sys/types.h>

#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace vaultora::test {

struct TServerAccount {
  std::string LogonName;
  std::string Password;
};

class TBackgroundServer {
 public:
  // Adds the accounts, then starts "serve --port 0" and waits (a few seconds at most) for the
  // port it prints. Port() stays 0 when the server did not start; Failure() then says why.
  TBackgroundServer(const std::string& serverPath, const std::vector<TServerAccount>& accounts);
  // Stops the server with SIGTERM and waits for it to end.
  ~TBackgroundServer();
  TBackgroundServer(const TBackgroundServer&) = delete;
  TBackgroundServer& operator=(const TBackgroundServer&) = delete;

  int Port() const { return FPort; }
  const std::string& Storage() const { return FStorage.Path(); }
  const std::string& Failure() const { return FFailure; }

 private:
  TTempFolder FStorage;
  pid_t FPid = 0;
  int FPort = 0;
  std::string FFailure;
};

// A port on loopback where nothing listens (it was free a moment ago).
int UnusedLoopbackPort();

}  // namespace vaultora::test
