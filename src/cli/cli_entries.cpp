#include "cli/cli_entries.h"

#include "backupset/catalogue.h"

namespace vaultora::cli {

int ResolveEntry(TIniRegistryEditor& store, const TArgs& args, std::string& key,
                 const std::vector<std::string>& valueOptions) {
  const TArgs positional = Positional(args, valueOptions);
  if (positional.empty()) return UsageError("name a backup by its key or its title");
  const std::string& given = positional[0];
  TCatalogue catalogue(store);
  if (catalogue.Exists(given)) {
    key = given;
    return 0;
  }
  TStringList titled;
  for (const TCatalogueEntry& entry : catalogue.Entries())
    if (entry.BackupTitle == given) titled.push_back(entry.Id);
  if (titled.size() == 1) {
    key = titled[0];
    return 0;
  }
  if (titled.empty()) return Fail("unknown backup \"" + given + "\"");
  return Fail("several backups are titled \"" + given + "\": name one by its key");
}

}  // namespace vaultora::cli
