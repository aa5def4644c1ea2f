// vaultora-cli key set: the user's encryption key, read from the terminal without echo (asked
// twice) or from standard input when that is not a terminal.
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "archive/blowfish.h"
#include "archive/encryption_key.h"
#include "cli/cli_command.h"
#include "settings/ini_registry_editor.h"

namespace vaultora::cli {
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

bool ReadLine(std::string& line) {
  if (!std::getline(std::cin, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

bool ReadSecret(const char* prompt, std::string& secret) {
  std::fprintf(stderr, "%s", prompt);
  std::fflush(stderr);
  TNoEcho quiet;
  const bool read = ReadLine(secret);
  std::fprintf(stderr, "\n");
  return read;
}

int KeySet(const TArgs& args) {
  std::string key;
  if (isatty(STDIN_FILENO)) {
    std::string again;
    if (!ReadSecret("Encryption key: ", key) || !ReadSecret("Encryption key again: ", again))
      return Fail("no key was given");
    if (key != again) return Fail("the two keys differ; nothing was changed");
  } else if (!ReadLine(key)) {
    return Fail("no key was given on standard input");
  }
  // A blank key would leave later backups unenciphered and earlier ones unreadable.
  if (Trim(key).empty()) return Fail("the key is blank; nothing was changed");
  if (key.size() > kMaxBlowfishKey) return Fail(kKeyLengthError);
  TIniRegistryEditor store;
  // Backups made under the stored key can only be restored with it.
  const std::string stored = ReadEncryptionKey(store);
  if (!stored.empty() && stored != key && !HasFlag(args, "--replace"))
    return Fail(
        "another encryption key is stored and the backups made with it need it; give "
        "--replace to store this one instead");
  WriteEncryptionKey(store, key);
  std::printf("Encryption key stored.\n");
  return 0;
}

const TCliRegistrar kKeySet({"key set", "[--replace]",
                             "store the encryption key (1 to 56 bytes) from the terminal or "
                             "standard input",
                             KeySet});

}  // namespace
}  // namespace vaultora::cli
