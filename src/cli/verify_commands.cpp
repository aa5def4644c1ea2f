// vaultora-cli verify: proves catalogued backups without restoring them. A backup whose archive
// is not on this computer is received from the server first (with the backups it was appended
// to, as receive does), unless --no-receive is given.
#include <unistd.h>

#include <cstdio>

#include "archive/backup_verifier.h"
#include "backupset/catalogue_commands.h"
#include "cli/cli_command.h"
#include "cli/cli_entries.h"
#include "cli/exit_status.h"
#include "cli/interrupts.h"
#include "cli/online_run.h"

namespace vaultora::cli {

namespace {

int VerifyCommand(const TArgs& args) {
  const TArgs names = Positional(args, {});
  if (names.empty()) return UsageError("name the backups to verify");
  TOnlineRun online;
  TStringList keys;
  for (const std::string& name : names) {
    std::string key;
    if (const int status = ResolveName(online.Store(), name, key)) return status;
    keys.push_back(key);
  }
  TBackupVerifier verifier(online.Store());
  TStringList missing;
  for (const std::string& key : keys)
    if (verifier.NeedsReceiving(key)) missing.push_back(key);
  if (!missing.empty() && !HasFlag(args, "--no-receive")) {
    PrintLine("Receiving " + IntToStr(static_cast<long long>(missing.size())) +
              " backup(s) from the server before they are verified");
    TCatalogueCommands commands(online.Store(), online.RestoreList());
    for (const std::string& key : missing)
      commands.ToggleRestoreRequest(key, true);
    if (!online.CheckSetup()) return kExitFailed;
    online.Run([&online] { online.Queue().ReceiveOnly(); });
  }

  CatchInterrupts();
  const bool terminal = isatty(STDOUT_FILENO);
  verifier.OnProgress = [&](const std::string& key, int percent) {
    if (Interrupted()) verifier.Stopped = true;
    if (!terminal) return;
    std::printf("\r%3d%% %s\033[K", percent, key.c_str());
    std::fflush(stdout);
  };
  int failed = 0;
  for (const std::string& key : keys) {
    const TVerifyResult result = verifier.Verify(key);
    if (terminal) std::printf("\r\033[K");
    PrintLine(VerifyLine(result));
    if (result.Outcome != voVerified) ++failed;
    if (Interrupted()) {
      Fail("verify stopped");
      return kExitInterrupted;
    }
  }
  if (failed > 0)
    return Fail(IntToStr(failed) + " of " + IntToStr(static_cast<long long>(keys.size())) +
                " backup(s) did not verify");
  return kExitDone;
}

const TCliRegistrar kVerify(
    {"verify", "BACKUP... [--no-receive]",
     "prove backups: decipher each archive as it is read, check its MAC and every block, and "
     "restore nothing (a backup not on this computer is received first)",
     VerifyCommand});

}  // namespace

}  // namespace vaultora::cli
