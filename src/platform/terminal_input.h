#pragma once
// Lines from standard input, and secrets (passwords, keys) read from the terminal without echo.
// Used by the command-line programs.

#include <string>

namespace vaultora {

bool StdinIsTerminal();
// One line of standard input without its line end; false at the end of input.
bool ReadInputLine(std::string& line);
// On a terminal: shows the prompt on standard error and reads a line without echo; otherwise
// reads a line of standard input.
bool ReadSecret(const char* prompt, std::string& secret);

}  // namespace vaultora
