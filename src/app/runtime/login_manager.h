#pragma once
// The seam to the login manager of the machine (systemd-logind over the system bus): its
// inhibitor locks, which hold a shutdown or a sleep back while the program needs it, and its
// PrepareForSleep signal. The bus implementation is built when Qt's D-Bus module is there; without
// it, or without a system bus, the factories return nullptr and the program goes without.
// Owner's thread only.

#include <functional>
#include <memory>
#include <string>

namespace vaultora {

// Held while it lives; destroying it releases the lock (also one whose grant is still on its way).
class TInhibitLock {
 public:
  virtual ~TInhibitLock() = default;
};

struct TInhibitRequest {
  std::string What;  // colon-separated: "shutdown", "sleep", "idle", ...
  std::string Who;   // the program, as the desktop lists the holders
  std::string Why;   // the reason, shown to the user who tries to shut down
  std::string Mode;  // "block" refuses the event; "delay" holds it back for a few seconds
};

class TLoginManager {
 public:
  virtual ~TLoginManager() = default;
  // Asks for a lock. The answer may come later: a refusal arrives through OnError, and the
  // returned lock then holds nothing.
  virtual std::unique_ptr<TInhibitLock> Inhibit(const TInhibitRequest& request) = 0;

  // PrepareForSleep: true just before the machine sleeps, false once it has woken.
  std::function<void(bool beforeSleep)> OnPrepareForSleep;
  // A lock was refused or the manager could not be asked; text: the reason in words.
  std::function<void(const std::string& text)> OnError;
};

// The login manager on the system bus; nullptr when there is no bus or no login manager on it.
std::unique_ptr<TLoginManager> SystemLoginManager();
// The same over the bus at address (a private bus in tests); nullptr when it cannot be reached.
std::unique_ptr<TLoginManager> LoginManagerAt(const std::string& busAddress);

}  // namespace vaultora
