#include "catalogue/append_choices.h"

#include "catalogue/catalogue.h"

namespace vaultora {

std::vector<TAppendChoice> AppendChoices(TIniRegistryEditor& store) {
  std::vector<TAppendChoice> choices;
  for (const TCatalogueEntry& entry : TCatalogue(store).Entries())
    if (!entry.Deleted)
      choices.push_back({entry.Id, entry.BackupTitle, entry.FinishDateTime, entry.Session});
  return choices;
}

}  // namespace vaultora
