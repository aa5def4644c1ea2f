#pragma once
// Runs vaultora-cli as a process, for the command-line tests.

#include <string>

#include "support/process_run.h"

namespace vaultora::test {

using TCliRun = TProcessRun;

// Runs the program at cliPath with arguments (a shell command line, quoted as needed).
inline TCliRun RunCli(const std::string& cliPath, const std::string& arguments) {
  return RunCommand(cliPath + " " + arguments);
}

}  // namespace vaultora::test
