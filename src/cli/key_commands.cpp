// vaultora-cli key set: the user's encryption key, read from the terminal without echo (asked
// twice), from the first line of a file, or from standard input when that is not a terminal.
#include <cstdio>
#include <string>

#include "archive/blowfish.h"
#include "archive/encryption_key.h"
#include "archive/key_file.h"
#include "cli/cli_command.h"
#include "platform/terminal_input.h"
#include "settings/ini_registry_editor.h"

namespace vaultora::cli {
namespace {

int KeySet(const TArgs& args) {
  std::string key;
  const std::string keyFile = OptionValue(args, "--from");
  if (!keyFile.empty()) {
    if (!ReadKeyFile(keyFile, key)) return Fail("cannot read a key from \"" + keyFile + "\"");
  } else if (StdinIsTerminal()) {
    std::string again;
    if (!ReadSecret("Encryption key: ", key) || !ReadSecret("Encryption key again: ", again))
      return Fail("no key was given");
    if (key != again) return Fail("the two keys differ; nothing was changed");
  } else if (!ReadInputLine(key)) {
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

const TCliRegistrar kKeySet({"key set", "[--from FILE] [--replace]",
                             "store the encryption key (1 to 56 bytes) from the first line of "
                             "FILE, else from the terminal or standard input",
                             KeySet});

}  // namespace
}  // namespace vaultora::cli
