#include "cli/cli_entries.h"

#include <cstdio>

#include "backupset/backup_names.h"
#include "catalogue/catalogue.h"
#include "cli/exit_status.h"
#include "cli/output.h"

namespace vaultora::cli {

int NameProblem(const TBackupNameMatch& match) {
  if (match.Result != TBackupNameMatch::nmAmbiguous) return Fail(match.Problem);
  std::fprintf(stderr, "vaultora-cli: %s:\n", match.Problem.c_str());
  for (const TCatalogueEntry& e : match.Candidates)
    std::fprintf(stderr, "  %-20s %s  %s\n", e.Id.c_str(), ShownTime(BackupStarted(e.Id)).c_str(),
                 e.BackupTitle.c_str());
  std::fprintf(stderr, "name one of them by its ID or a longer beginning of it\n");
  return kExitUsage;
}

int ResolveName(TIniRegistryEditor& store, const std::string& name, std::string& key) {
  const TBackupNameMatch match = TBackupNames(TCatalogue(store).Entries()).Resolve(name);
  if (match.Result != TBackupNameMatch::nmFound) return NameProblem(match);
  key = match.Id;
  return kExitDone;
}

int ResolveEntry(TIniRegistryEditor& store, const TArgs& args, std::string& key,
                 const std::vector<std::string>& valueOptions) {
  const TArgs positional = Positional(args, valueOptions);
  if (positional.empty())
    return UsageError("name a backup: its ID, the beginning of it, latest, latest~N or its title");
  return ResolveName(store, positional[0], key);
}

}  // namespace vaultora::cli
