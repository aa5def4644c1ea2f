#pragma once
// What every connection of a running server shares: the stores, the limits, the log, the
// logon guard and the budget of message bytes.

#include <cstdint>
#include <string>

#include "online/protocol.h"
#include "server/account_store.h"
#include "server/backup_store.h"
#include "server/logon_guard.h"
#include "server/message_budget.h"
#include "server/server_log.h"

namespace vaultora::server {

struct TServerLimits {
  int MaxConnections = 64;
  // Connections that have not logged on yet, all together and from one peer address; the rest
  // of the connection limit is kept for clients that logged on.
  int MaxUnauthenticated = 48;
  int MaxPerAddress = 8;
  int64_t MaxMessage = protocol::kDefaultMaxMessage;
  // The bytes of the messages all connections may be receiving at once.
  int64_t MessageMemory = 3 * protocol::kDefaultMaxMessage;
  int IdleTimeoutMs = 120000;    // the longest a receive or send may wait
  int LogonTimeoutMs = 10000;    // from connecting until a logon has been accepted
  int RequestTimeoutMs = 60000;  // from a request's first byte until its whole message is in
  int LogonWindowSeconds = TLogonGuard::kDefaultWindowSeconds;
};

struct TServerContext {
  TAccountStore& Accounts;
  TBackupStore& Backups;
  TServerLog& Log;
  TServerLimits Limits;
  TLogonGuard& Logons;
  TMessageBudget& Budget;
};

}  // namespace vaultora::server
