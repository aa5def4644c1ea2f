// vaultora-cli backup: builds one backup set as the "Creating Backup" window does, from the
// backup wizard's settings (or those given here) or from a schedule.
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "archive/blowfish.h"
#include "backupset/catalogue.h"
#include "backupset/creating_backup_run.h"
#include "cli/cli_command.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

namespace vaultora::cli {

namespace {

// Ctrl+C (or a TERM) during a build cancels it like the window's button, so that nothing half
// made is left in the working folder; the run sees the request at its next file or block.
volatile std::sig_atomic_t gInterrupted = 0;
extern "C" void Interrupt(int) {
  gInterrupted = 1;
}

const std::vector<std::string> kValueOptions = {"--title", "--list", "--base", "--schedule"};

// Stores what was given into BackupWizard, as the backup wizard does before it runs a backup.
void StoreManualChoice(TIniRegistryEditor& store, const TArgs& args) {
  store.SetRootKey(rtHKEY_CURRENT_USER);
  store.SetFilename(keys::kBaseKey);
  const std::string title = OptionValue(args, "--title");
  const std::string list = OptionValue(args, "--list");
  if (!title.empty()) store.WriteString(keys::kBackupWizard, keys::wizard::kBackupTitle, title);
  if (!list.empty()) store.WriteString(keys::kBackupWizard, keys::wizard::kSession, list);
  if (HasFlag(args, "--full"))
    store.DeleteValue(keys::kBackupWizard, keys::wizard::kAppendBackup);
  else if (const std::string base = OptionValue(args, "--base"); !base.empty())
    store.WriteString(keys::kBackupWizard, keys::wizard::kAppendBackup, base);
}

int Backup(const TArgs& args) {
  TIniRegistryEditor store;
  TBlowfish cipher;
  const std::string schedule = OptionValue(args, "--schedule");
  // A base that names no backup would silently make a full backup instead of the one asked for.
  if (const std::string base = OptionValue(args, "--base");
      !base.empty() && !TCatalogue(store).Exists(base))
    return Fail("unknown backup \"" + base + "\" for --base: see vaultora-cli catalogue");
  if (schedule.empty()) StoreManualChoice(store, args);
  TCreatingBackupRun run(store, &cipher);
  // On a terminal progress is one line redrawn; otherwise every line is printed as shown.
  const bool terminal = isatty(STDOUT_FILENO) != 0;
  std::string currentFile;
  std::signal(SIGINT, Interrupt);
  std::signal(SIGTERM, Interrupt);
  run.OnLine = [&](TBackupLineTag tag, const std::string& text) {
    if (gInterrupted && !run.Cancelled()) run.Cancel();
    if (tag == btCurrentFile) {
      currentFile = text;
    } else if (tag == btPercent) {
      if (terminal) std::printf("\r\033[K%s %s", text.c_str(), currentFile.c_str());
    } else {
      std::printf(terminal ? "\r\033[K%s\n" : "%s\n", text.c_str());
    }
    std::fflush(stdout);
  };
  return run.Run(schedule) ? 0 : 1;
}

const TCliRegistrar kBackup({"backup",
                             "[--title T] [--list FILE] [--base ID | --full] | --schedule NAME",
                             "build a backup set from the backup wizard's list (or the one given) "
                             "or from a schedule",
                             Backup});

}  // namespace

}  // namespace vaultora::cli
