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
      FContext{FAccounts, FBackups, log, limits} {}

TBackupServer::~TBackupServer() {
  Stop();
  if (FListen >= 0) ::close(FListen);
}

int TBackupServer::Listen(const std::string& address, int port) {
  // A client that goes away mid-download must end its connection, not the server.
  ::signal(SIGPIPE, SIG_IGN);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<uint16_t>(port));
  if (inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) RaiseSocketError(EINVAL, "bind");
  FListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (FListen < 0) RaiseSocketError(errno, "socket");
  const int on = 1;
  ::setsockopt(FListen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (::bind(FListen, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
    RaiseSocketError(errno, "bind");
  if (::listen(FListen, 64) != 0) RaiseSocketError(errno, "listen");
  socklen_t length = sizeof local;
  ::getsockname(FListen, reinterpret_cast<sockaddr*>(&local), &length);
  FLog.Line(Format("listening on %s:%d", address.c_str(), ntohs(local.sin_port)));
  return ntohs(local.sin_port);
}

void TBackupServer::Serve() {
  for (;;) {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const int handle =
        ::accept4(FListen, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
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
    char text[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    const std::string name = Format("%s:%d", text, ntohs(peer.sin_port));
    if (static_cast<int>(FOpen.size()) >= FContext.Limits.MaxConnections) {
      FLog.Line(Format("refused connection from %s: %zu connections open (limit %d)", name.c_str(),
                       FOpen.size(), FContext.Limits.MaxConnections));
      ::close(handle);
      continue;
    }
    FOpen.insert(handle);
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
      TConnectionSession session(FContext, socket, id, std::move(peer));
      session.Run();
    } catch (const std::exception& e) {
      FLog.Line(Format("[connection %d] failed: %s", id, e.what()));
    }
    // Closed under the lock, so Stop() never shuts down a handle number already reused; the
    // thread touches nothing of the server after it lets go of the lock.
    std::lock_guard<std::mutex> lock(FMutex);
    socket.Close();
    FOpen.erase(handle);
    FClosed.notify_all();
  }
}

void TBackupServer::Stop() {
  std::unique_lock<std::mutex> lock(FMutex);
  if (!FStopping) {
    FStopping = true;
    if (FListen >= 0) ::shutdown(FListen, SHUT_RDWR);
    for (int handle : FOpen)
      ::shutdown(handle, SHUT_RDWR);
  }
  FClosed.wait(lock, [this] { return FOpen.empty(); });
}

}  // namespace vaultora::server
