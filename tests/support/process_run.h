#pragma once
// Runs a shell command line as a process and collects what it prints: the command-line tests
// drive vaultora-cli and vaultora-server this way.

#include <string>

namespace vaultora::test {

struct TProcessRun {
  int Status = -1;     // the exit status; -1 when the process did not exit normally
  std::string Output;  // standard output and standard error together
};

TProcessRun RunCommand(const std::string& commandLine);

// Quotes text for the shell.
std::string ShellQuote(const std::string& text);

}  // namespace vaultora::test
