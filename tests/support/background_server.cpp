#include "support/background_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/process_run.h"

namespace vaultora::test {

TBackgroundServer::TBackgroundServer(const std::string& serverPath,
                                     const std::vector<TServerAccount>& accounts) {
  const std::string storage = FStorage.Path() + "storage";
  for (const TServerAccount& account : accounts) {
    // One hashing iteration keeps the logon quick; the tests are not about the hash's cost.
    const TProcessRun added =
        RunCommand("printf '%s\\n' " + ShellQuote(account.Password) + " | " +
                   ShellQuote(serverPath) + " account add " + ShellQuote(account.LogonName) +
                   " --iterations 1 --create --storage " + ShellQuote(storage));
    if (added.Status != 0) {
      FFailure = "account add: " + added.Output;
      return;
    }
  }
  const std::string portFile = FStorage / "port";
  FPid = fork();
  if (FPid == 0) {
    const int out = open(portFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execl(serverPath.c_str(), serverPath.c_str(), "serve", "--listen", "127.0.0.1", "--port", "0",
          "--storage", storage.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  for (int i = 0; i < 500 && FPort == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    FPort = std::atoi(ReadTextFile(portFile).c_str());
    if (FPort == 0 && waitpid(FPid, nullptr, WNOHANG) == FPid) {
      FPid = 0;
      break;
    }
  }
  if (FPort == 0) FFailure = "vaultora-server did not print its port";
}

TBackgroundServer::~TBackgroundServer() {
  if (FPid <= 0) return;
  kill(FPid, SIGTERM);
  waitpid(FPid, nullptr, 0);
}

int UnusedLoopbackPort() {
  const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  close(socket);
  return port;
}

}  // namespace vaultora::test
