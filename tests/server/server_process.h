#pragma once
// A running "vaultora-server serve" on an ephemeral loopback port, as people run it, for the
// tests that kill it, start it again or read its memory from /proc.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace vaultora::test {

inline const std::string kServer = VAULTORA_SERVER_PATH;

class TServerProcess {
 public:
  // Serves the storage folder with an idle limit of 2 s and the extra options.
  explicit TServerProcess(const std::string& storage, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {kServer,  "serve", "--storage",      storage,
                                     "--port", "0",     "--idle-timeout", "2"};
    args.insert(args.end(), extra.begin(), extra.end());
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    FPid = fork();
    if (FPid == 0) {
      dup2(out[1], STDOUT_FILENO);
      const int quiet = open("/dev/null", O_WRONLY);
      dup2(quiet, STDERR_FILENO);  // the log lines
      close(out[0]);
      close(out[1]);
      std::vector<char*> argv;
      for (std::string& arg : args)
        argv.push_back(arg.data());
      argv.push_back(nullptr);
      execv(kServer.c_str(), argv.data());
      _exit(127);
    }
    close(out[1]);
    std::string line;
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n')
      line += c;
    close(out[0]);
    FPort = std::atoi(line.c_str());
  }
  ~TServerProcess() { Kill(SIGTERM); }
  TServerProcess(const TServerProcess&) = delete;
  TServerProcess& operator=(const TServerProcess&) = delete;

  int Port() const { return FPort; }
  pid_t Pid() const { return FPid; }
  // Returns the exit status (or the signal as 128 + n).
  int Kill(int signal) {
    if (FPid <= 0) return -1;
    kill(FPid, signal);
    int status = 0;
    waitpid(FPid, &status, 0);
    FPid = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  pid_t FPid = 0;
  int FPort = 0;
};

}  // namespace vaultora::test
