#pragma once
// The seam to the platform's session end and power calls. The system adapter runs systemd's
// commands (systemctl, loginctl) and starts shell commands detached; tests use a recording
// adapter and never end anything. Called on the owner's thread.

#include <functional>
#include <string>
#include <vector>

#include "connect/shutdown_set.h"

namespace vaultora {

class TSessionAdapter {
 public:
  virtual ~TSessionAdapter() = default;
  // Ends the session by the session-end flags (logoff 0, shutdown 1, reboot 2, force 4, power
  // off 8, force if hung 16; 66 and 67 restart). True when the request was made.
  virtual bool EndSession(int flags) = 0;
  // Suspends (RAM-alive) or hibernates; force ignores the applications that would hold it.
  virtual bool SetPowerState(TPoweroffState state, bool force) = 0;
  // Starts a command line detached from the program, without a window of its own.
  virtual bool StartShellCommand(const std::string& command) = 0;
};

// The program and arguments that carry out the session-end flags with systemd. Forcing is never
// passed on: a forced power-off skips the services' orderly stop, and that can lose data.
std::vector<std::string> SessionEndCommand(int flags);
std::vector<std::string> PowerStateCommand(TPoweroffState state, bool force);

class TSystemdSessionAdapter : public TSessionAdapter {
 public:
  bool EndSession(int flags) override;
  bool SetPowerState(TPoweroffState state, bool force) override;
  bool StartShellCommand(const std::string& command) override;

  // What was done or, without systemd, what would have been; default: standard error.
  std::function<void(const std::string& line)> OnReport;

 private:
  bool Run(const std::vector<std::string>& command);
  void Report(const std::string& line);
};

// The adapter in use; never null. Setting nullptr restores the systemd one.
TSessionAdapter& SessionAdapter();
TSessionAdapter* SetSessionAdapter(TSessionAdapter* adapter);

}  // namespace vaultora
