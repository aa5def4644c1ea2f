#pragma once
// Runs a shell command line as a process and collects what it prints: the command-line tests
// drive vaultora-cli and vaultora-server this way.

#include <string>

namespace vaultora::test {

struct TProcessRun {
  int Status = -1;     // the exit status; -1 when the process did not exit normally
  std::string Output;  // standard output and standard error together
  std::string Errors;  // standard error, when it was kept apart (Output is then standard output)
};

TProcessRun RunCommand(const std::string& commandLine);
// The same with standard error kept apart from standard output.
TProcessRun RunCommandApart(const std::string& commandLine);

// Quotes text for the shell.
std::string ShellQuote(const std::string& text);

}  // namespace vaultora::test
