#include "support/cli_run.h"

#include <sys/wait.h>

#include <cstdio>

namespace vaultora::test {

TCliRun RunCli(const std::string& cliPath, const std::string& arguments) {
  const std::string command = cliPath + " " + arguments + " 2>&1";
  TCliRun run{-1, {}};
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t got = 0;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
    run.Output.append(buffer, got);
  const int status = pclose(pipe);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace vaultora::test
