#pragma once
// Runs vaultora-cli as a process, for the command-line tests.

#include <string>

namespace vaultora::test {

struct TCliRun {
  int Status;          // the exit status, -1 when the program did not exit normally
  std::string Output;  // standard output and error
};

// Runs VAULTORA_CLI_PATH with arguments (a shell command line, quoted as needed).
TCliRun RunCli(const std::string& cliPath, const std::string& arguments);

}  // namespace vaultora::test
