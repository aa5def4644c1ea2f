#include "support/process_run.h"

#include <sys/wait.h>

#include <cstdio>

namespace vaultora::test {

TProcessRun RunCommand(const std::string& commandLine) {
  TProcessRun run;
  FILE* pipe = popen(("(" + commandLine + ") 2>&1").c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  while (size_t got = fread(buffer, 1, sizeof buffer, pipe))
    run.Output.append(buffer, got);
  const int status = pclose(pipe);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace vaultora::test
