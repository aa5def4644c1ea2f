#include "server/backup_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "online/tcp_socket.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "server/connection_session.h"

namespace vaultora::server {

std::string MetadataPath(const std::string& storageFolder) {
  if (!ForceDirectories(storageFolder))
    throw EServerError("Cannot create the storage folder \"" + storageFolder + "\"");
  return IncludeTrailingSlash(storageFolder) + "metadata.db";
}

TBackupServer::TBackupServer(const std::string& storageFolder, TServerLimits limits,
                             TServerLog& log)
    : FDb(MetadataPath(storageFolder)),
      FAccounts(FDb),
      FBackups(FDb, storageFolder),
      FLog(log),
      FLogons(limits.LogonWindowSeconds),
      FBudget(limits.MessageMemory),
      FContext{FAccounts, FBackups, log, limits, FLogons, FBudget},
      FOpen({limits.MaxConnections, limits.MaxUnauthenticated, limits.MaxPerAddress}) {}

TBackupServer::~TBackupServer() {
  Stop();
}

int TBackupServer::Listen(const std::string& address, int port) {
  // A client that goes away mid-download must end its connection, not the server.
  ::signal(SIGPIPE, SIG_IGN);
  const int bound = FListener.Listen(address, port);
  FLog.Line(Format("listening on %s:%d", address.c_str(), bound));
  return bound;
}

void TBackupServer::Serve() {
  for (;;) {
    std::string name;
    uint32_t address = 0;
    const int handle = FListener.Accept(&name, &address);
    const int error = errno;
    std::unique_lock<std::mutex> lock(FMutex);
    if (FStopping) {
      if (handle >= 0) ::close(handle);
      return;
    }
    if (handle < 0) {
      if (error == EINTR || error == ECONNABORTED || error == EMFILE || error == ENFILE) {
        lock.unlock();
        // Out of file handles: let connections end before accepting again.
        if (error == EMFILE || error == ENFILE)
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
        continue;
      }
      FLog.Line(Format("accept failed: %s", std::strerror(error)));
      return;
    }
    const TAdmission admission = FOpen.Admit(handle, address);
    for (const int evicted : admission.Evicted)
      ::shutdown(evicted, SHUT_RDWR);  // its thread sees the end and closes it
    if (!admission.Accepted) {
      FLog.Line(Format("refused connection from %s: %d connections open (limit %d)", name.c_str(),
                       FOpen.Open(), FContext.Limits.MaxConnections));
      ::close(handle);
      continue;
    }
    if (!admission.Evicted.empty())
      FLog.Line(Format("closed %zu connection(s) that had not logged on, to make room for %s",
                       admission.Evicted.size(), name.c_str()));
    const int id = ++FNextId;
    std::thread(&TBackupServer::RunConnection, this, handle, id, name).detach();
  }
}

void TBackupServer::RunConnection(int handle, int id, std::string peer) {
  {
    TTcpSocket socket(handle);
    try {
      socket.SetTimeout(FContext.Limits.IdleTimeoutMs);
      socket.SetNoDelay();
      TConnectionSession session(FContext, socket, id, std::move(peer), [this, handle](bool on) {
        std::lock_guard<std::mutex> lock(FMutex);
        FOpen.SetLoggedOn(handle, on);
      });
      session.Run();
    } catch (const std::exception& e) {
      FLog.Line(Format("[connection %d] failed: %s", id, e.what()));
    }
    // Closed under the lock, so Stop() never shuts down a handle number already reused; the
    // thread touches nothing of the server after it lets go of the lock.
    std::lock_guard<std::mutex> lock(FMutex);
    socket.Close();
    FOpen.Remove(handle);
    FClosed.notify_all();
  }
}

void TBackupServer::Stop() {
  std::unique_lock<std::mutex> lock(FMutex);
  if (!FStopping) {
    FStopping = true;
    FListener.Shutdown();
    FBudget.Close();
    for (int handle : FOpen.Handles())
      ::shutdown(handle, SHUT_RDWR);
  }
  FClosed.wait(lock, [this] { return FOpen.Empty(); });
}

}  // namespace vaultora::server
