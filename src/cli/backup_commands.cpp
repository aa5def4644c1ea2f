// vaultora-cli backup: builds one backup set as the "Creating Backup" window does, from the
// backup wizard's settings (or those given here) or from a schedule.
#include <cstdio>

#include "archive/encryption_key.h"
#include "backupset/backup_names.h"
#include "catalogue/catalogue.h"
#include "cli/backup_progress.h"
#include "cli/cli_command.h"
#include "cli/cli_entries.h"
#include "cli/exit_status.h"
#include "cli/online_run.h"
#include "cli/output.h"
#include "platform/folders.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora::cli {

namespace {

const std::vector<std::string> kValueOptions = {"--title", "--list", "--base", "--schedule"};

// Stores what was given into BackupWizard, as the backup wizard does before it runs a backup;
// base is the ID --base named. A command-line backup appends only when --base asks for it: the
// base the wizard (or an earlier --base) left behind is not reused.
void StoreManualChoice(TIniRegistryEditor& store, const TArgs& args, const std::string& base) {
  namespace k = keys::setting;
  const std::string title = OptionValue(args, "--title");
  const std::string list = AbsolutePath(OptionValue(args, "--list"));
  if (!title.empty()) WriteSetting(store, k::WizardBackupTitle, title);
  if (!list.empty()) WriteSetting(store, k::WizardSession, list);
  if (!base.empty())
    WriteSetting(store, k::WizardAppendBackup, base);
  else
    DeleteSetting(store, k::WizardAppendBackup);
}

const char* StatusWord(int status, bool nothingNew) {
  if (status == kExitIncomplete) return "incomplete";
  if (status != kExitDone) return "failed";
  return nothingNew ? "nothing-new" : "done";
}

// A run that found nothing new to take did what was asked.
int StatusOf(const TBackupRunResult& result, bool nothingNew) {
  if (!result.Completed) return nothingNew ? kExitDone : kExitFailed;
  if (!result.Incomplete) return kExitDone;
  std::fprintf(stderr,
               "vaultora-cli: the backup is incomplete: some files could not be taken (each is "
               "named above)\n");
  return kExitIncomplete;
}

int Backup(const TArgs& args) {
  const std::string schedule = OptionValue(args, "--schedule");
  // A base that names no backup would silently make a full backup instead of the one asked for.
  std::string base;
  if (const std::string given = OptionValue(args, "--base"); !given.empty()) {
    TIniRegistryEditor store;
    const TBackupNameMatch match = TBackupNames(TCatalogue(store).Entries()).Resolve(given);
    if (match.Result == TBackupNameMatch::nmUnknown)
      return Fail("unknown backup \"" + given + "\" for --base: see vaultora-cli catalogue");
    if (match.Result != TBackupNameMatch::nmFound) return NameProblem(match);
    base = match.Id;
  }
  {
    // Said before a byte is read: without a key the archive could only be thrown away.
    TIniRegistryEditor store;
    if (ReadEncryptionKey(store).empty())
      return Fail(
          "no encryption key is stored, so no backup can be made: set one with "
          "vaultora-cli key set (nothing was read)");
    if (schedule.empty() && !HasFlag(args, "--list") &&
        ReadSetting(store, keys::setting::WizardSession).empty())
      return Fail(
          "no file list is chosen for the backup: give --list FILE, or make the backup's "
          "list with vaultora-cli list create PATH... --wizard");
  }
  // A run that found nothing new to take did what was asked.
  bool nothingNew = false;
  const bool send = HasFlag(args, "--send");
  TBackupSummary summary;
  if (!send) {
    TIniRegistryEditor store;
    if (schedule.empty()) StoreManualChoice(store, args, base);
    const TBackupRunResult run =
        RunBackupShowingProgress(store, schedule, false, &nothingNew, &summary);
    const int status = StatusOf(run, nothingNew);
    if (OutputMode().Json) PrintBackupJson(StatusWord(status, nothingNew), summary);
    return status;
  }
  // "Send the backup when completed": the run goes through the work queue, which sends.
  TOnlineRun online;
  if (schedule.empty()) StoreManualChoice(online.Store(), args, base);
  if (!online.CheckSetup()) return kExitFailed;
  TBackupRunResult run;
  online.Queue().OnRunBackup = [&](const std::string& name) {
    run = RunBackupShowingProgress(online.Store(), name, true, &nothingNew, &summary);
    return run;
  };
  const int sent = online.Run([&] { online.Queue().RunBackup(schedule); });
  const int backedUp = StatusOf(run, nothingNew);
  if (OutputMode().Json)
    PrintBackupJson(StatusWord(backedUp, nothingNew), summary,
                    sent == kExitDone ? "done" : "failed");
  return sent != kExitDone ? sent : backedUp;
}

const TCliRegistrar kBackup(
    {"backup",
     "[--title T] [--list FILE] [--base BACKUP | --full] | --schedule NAME  [--send] [--json]",
     "build a backup set from the backup wizard's list (or the one given) "
     "or from a schedule; with --send, Send & Receive follows",
     Backup});

}  // namespace

}  // namespace vaultora::cli
