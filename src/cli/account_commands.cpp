// vaultora-cli account set|show: the account the client logs on with. The password is read
// from the terminal without echo (asked twice) or from standard input.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "cli/cli_command.h"
#include "online/account_record.h"
#include "platform/terminal_input.h"
#include "settings/ini_registry_editor.h"

namespace vaultora::cli {
namespace {

int AccountSet(const TArgs& args) {
  const TArgs names = Positional(args, {});
  if (names.size() != 1) return UsageError("usage: vaultora-cli account set LOGON-NAME");
  std::string password;
  if (!ReadSecret("Password: ", password)) return Fail("no password was given");
  if (StdinIsTerminal()) {
    std::string again;
    if (!ReadSecret("Password again: ", again) || again != password)
      return Fail("the two passwords differ; nothing was changed");
  }
  TIniRegistryEditor store;
  try {
    WriteAccountSetup(store, {names[0], password});
  } catch (const std::invalid_argument& e) {
    return Fail(std::string(e.what()) + "; nothing was changed");
  }
  std::printf("Logon information for \"%s\" stored.\n", names[0].c_str());
  return 0;
}

int AccountShow(const TArgs&) {
  TIniRegistryEditor store;
  const std::optional<TAccountItems> items = ReadAccountRecord(ReadAccountSetup(store));
  if (!items) return Fail("Logon information has not been supplied.");
  std::printf("Logon name: %s\n", items->LogonName.c_str());
  return 0;
}

const TCliRegistrar kAccountSet({"account set", "LOGON-NAME",
                                 "store the logon name and password of the backup account "
                                 "(password from the terminal or standard input)",
                                 AccountSet});
const TCliRegistrar kAccountShow({"account show", "",
                                  "show the logon name of the stored backup account", AccountShow});

}  // namespace
}  // namespace vaultora::cli
