#pragma once
// TBackupServer: the reference backup server. Owns the storage (metadata database, accounts,
// archives) under one folder, listens on one IPv4 address and runs each client connection on a
// thread of its own, admitted by the connection table (limits for connections that have not
// logged on, per address and in all). Serve() blocks; Stop() may be called from any thread and
// returns once every connection has ended.

#include <condition_variable>
#include <mutex>
#include <string>

#include "online/tcp_socket.h"
#include "server/account_store.h"
#include "server/backup_store.h"
#include "server/connection_table.h"
#include "server/logon_guard.h"
#include "server/message_budget.h"
#include "server/server_context.h"
#include "server/server_database.h"
#include "server/server_log.h"

namespace vaultora::server {

class TBackupServer {
 public:
  TBackupServer(const std::string& storageFolder, TServerLimits limits, TServerLog& log);
  ~TBackupServer();
  TBackupServer(const TBackupServer&) = delete;
  TBackupServer& operator=(const TBackupServer&) = delete;

  // Binds and listens; port 0 picks a free one. Returns the port. Raises ESocketError.
  int Listen(const std::string& address, int port);
  void Serve();
  void Stop();

  TAccountStore& Accounts() { return FAccounts; }
  TBackupStore& Backups() { return FBackups; }

 private:
  void RunConnection(int handle, int id, std::string peer);

  TServerDatabase FDb;
  TAccountStore FAccounts;
  TBackupStore FBackups;
  TServerLog& FLog;
  TLogonGuard FLogons;
  TMessageBudget FBudget;
  TServerContext FContext;
  TTcpListener FListener;
  std::mutex FMutex;                // guards the fields below
  std::condition_variable FClosed;  // a connection ended
  TConnectionTable FOpen;           // sockets of the running connections
  int FNextId = 0;
  bool FStopping = false;
};

// The storage folder's database file.
std::string MetadataPath(const std::string& storageFolder);

}  // namespace vaultora::server
