#include "platform/terminal_input.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

namespace vaultora {

namespace {

// Puts the terminal back the way it was, however the reading ends.
class TNoEcho {
 public:
  TNoEcho() {
    FActive = tcgetattr(STDIN_FILENO, &FSaved) == 0;
    if (!FActive) return;
    termios quiet = FSaved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  ~TNoEcho() {
    if (FActive) tcsetattr(STDIN_FILENO, TCSAFLUSH, &FSaved);
  }
  TNoEcho(const TNoEcho&) = delete;
  TNoEcho& operator=(const TNoEcho&) = delete;

 private:
  termios FSaved{};
  bool FActive = false;
};

}  // namespace

bool StdinIsTerminal() {
  return isatty(STDIN_FILENO) == 1;
}

bool ReadInputLine(std::string& line) {
  if (!std::getline(std::cin, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

bool ReadSecret(const char* prompt, std::string& secret) {
  if (!StdinIsTerminal()) return ReadInputLine(secret);
  std::fprintf(stderr, "%s", prompt);
  std::fflush(stderr);
  TNoEcho quiet;
  const bool read = ReadInputLine(secret);
  std::fprintf(stderr, "\n");
  return read;
}

}  // namespace vaultora
