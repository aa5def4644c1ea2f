// vaultora-cli backup: builds one backup set as the "Creating Backup" window does, from the
// backup wizard's settings (or those given here) or from a schedule.
#include "backupset/catalogue.h"
#include "cli/backup_progress.h"
#include "cli/cli_command.h"
#include "cli/exit_status.h"
#include "cli/online_run.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

namespace vaultora::cli {

namespace {

const std::vector<std::string> kValueOptions = {"--title", "--list", "--base", "--schedule"};

// Stores what was given into BackupWizard, as the backup wizard does before it runs a backup.
void StoreManualChoice(TIniRegistryEditor& store, const TArgs& args) {
  store.AtUserKey(keys::kBaseKey);
  const std::string title = OptionValue(args, "--title");
  const std::string list = OptionValue(args, "--list");
  if (!title.empty()) store.WriteString(keys::kBackupWizard, keys::wizard::kBackupTitle, title);
  if (!list.empty()) store.WriteString(keys::kBackupWizard, keys::wizard::kSession, list);
  if (HasFlag(args, "--full"))
    store.DeleteValue(keys::kBackupWizard, keys::wizard::kAppendBackup);
  else if (const std::string base = OptionValue(args, "--base"); !base.empty())
    store.WriteString(keys::kBackupWizard, keys::wizard::kAppendBackup, base);
}

bool InCatalogue(const std::string& id) {
  TIniRegistryEditor store;
  return TCatalogue(store).Exists(id);
}

int Backup(const TArgs& args) {
  const std::string schedule = OptionValue(args, "--schedule");
  // A base that names no backup would silently make a full backup instead of the one asked for.
  if (const std::string base = OptionValue(args, "--base"); !base.empty() && !InCatalogue(base))
    return Fail("unknown backup \"" + base + "\" for --base: see vaultora-cli catalogue");
  // A run that found nothing new to take did what was asked.
  bool nothingNew = false;
  const bool send = HasFlag(args, "--send");
  if (!send) {
    TIniRegistryEditor store;
    if (schedule.empty()) StoreManualChoice(store, args);
    const bool completed = RunBackupShowingProgress(store, schedule, false, &nothingNew).Completed;
    return completed || nothingNew ? kExitDone : kExitFailed;
  }
  // "Send the backup when completed": the run goes through the work queue, which sends.
  TOnlineRun online;
  if (schedule.empty()) StoreManualChoice(online.Store(), args);
  if (!online.CheckSetup()) return kExitFailed;
  bool completed = false;
  online.Queue().OnRunBackup = [&](const std::string& name) {
    TBackupRunResult result = RunBackupShowingProgress(online.Store(), name, true, &nothingNew);
    completed = result.Completed;
    return result;
  };
  const int status = online.Run([&] { online.Queue().RunBackup(schedule); });
  return completed || nothingNew ? status : kExitFailed;
}

const TCliRegistrar kBackup(
    {"backup", "[--title T] [--list FILE] [--base ID | --full] | --schedule NAME  [--send]",
     "build a backup set from the backup wizard's list (or the one given) "
     "or from a schedule; with --send, Send & Receive follows",
     Backup});

}  // namespace

}  // namespace vaultora::cli
