#pragma once
// What every connection of a running server shares: the stores, the limits and the log.

#include <cstdint>
#include <string>

#include "online/protocol.h"
#include "server/account_store.h"
#include "server/backup_store.h"
#include "server/server_log.h"

namespace vaultora::server {

struct TServerLimits {
  int MaxConnections = 64;
  int64_t MaxMessage = protocol::kDefaultMaxMessage;
  int IdleTimeoutMs = 120000;  // the longest a receive or send may wait
};

struct TServerContext {
  TAccountStore& Accounts;
  TBackupStore& Backups;
  TServerLog& Log;
  TServerLimits Limits;
};

}  // namespace vaultora::server
