#include "connect/session_adapter.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "platform/system_names.h"
#include "platform/text.h"

extern char** environ;

namespace vaultora {

namespace {

constexpr int kRebootFlag = 2;
constexpr int kShutDownFlags = 1 | 8;

// Starts argv and returns its exit status; -1 when it could not be started.
int RunAndWait(const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const std::string& arg : command)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Starts argv in a session of its own with no terminal, as a grandchild that init adopts, so
// that it outlives the program and leaves no zombie. Only async-signal-safe calls after fork.
bool StartDetached(const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const std::string& arg : command)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    setsid();
    if (fork() != 0) _exit(0);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::atomic<TSessionAdapter*> gAdapter{nullptr};

}  // namespace

std::vector<std::string> SessionEndCommand(int flags) {
  if (flags & kRebootFlag) return {"systemctl", "reboot"};
  if (flags & kShutDownFlags) return {"systemctl", "poweroff"};
  const char* session = std::getenv("XDG_SESSION_ID");
  if (session && *session) return {"loginctl", "terminate-session", session};
  return {"loginctl", "terminate-user", UserName()};
}

std::vector<std::string> PowerStateCommand(TPoweroffState state, bool force) {
  std::vector<std::string> command{"systemctl", state == POS_RAMALIVE ? "suspend" : "hibernate"};
  if (force) command.push_back("--ignore-inhibitors");
  return command;
}

bool TSystemdSessionAdapter::EndSession(int flags) {
  return Run(SessionEndCommand(flags));
}

bool TSystemdSessionAdapter::SetPowerState(TPoweroffState state, bool force) {
  return Run(PowerStateCommand(state, force));
}

bool TSystemdSessionAdapter::StartShellCommand(const std::string& command) {
  const bool started = StartDetached({"/bin/sh", "-c", command});
  Report((started ? "Started: " : "Could not start: ") + command);
  return started;
}

bool TSystemdSessionAdapter::Run(const std::vector<std::string>& command) {
  const std::string line = Join(command, " ");
  const int status = RunAndWait(command);
  if (status == 0) {
    Report("Requested: " + line);
    return true;
  }
  Report(status < 0 ? "Not available here: " + line : "Refused: " + line);
  return false;
}

void TSystemdSessionAdapter::Report(const std::string& line) {
  if (OnReport)
    OnReport(line);
  else
    std::fprintf(stderr, "%s\n", line.c_str());
}

TSessionAdapter& SessionAdapter() {
  static TSystemdSessionAdapter systemd;
  TSessionAdapter* current = gAdapter.load();
  return current ? *current : systemd;
}

TSessionAdapter* SetSessionAdapter(TSessionAdapter* adapter) {
  return gAdapter.exchange(adapter);
}

}  // namespace vaultora
