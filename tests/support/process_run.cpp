#include "support/process_run.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace vaultora::test {

namespace {

TProcessRun RunPiped(const std::string& commandLine) {
  TProcessRun run;
  FILE* pipe = popen(commandLine.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  while (size_t got = fread(buffer, 1, sizeof buffer, pipe))
    run.Output.append(buffer, got);
  const int status = pclose(pipe);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace

TProcessRun RunCommand(const std::string& commandLine) {
  return RunPiped("(" + commandLine + ") 2>&1");
}

TProcessRun RunCommandApart(const std::string& commandLine) {
  char name[] = "/tmp/vaultora-stderr-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return {};
  close(fd);
  TProcessRun run = RunPiped("(" + commandLine + ") 2>" + ShellQuote(name));
  if (FILE* errors = std::fopen(name, "rb")) {
    char buffer[4096];
    while (size_t got = std::fread(buffer, 1, sizeof buffer, errors))
      run.Errors.append(buffer, got);
    std::fclose(errors);
  }
  std::remove(name);
  return run;
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace vaultora::test
