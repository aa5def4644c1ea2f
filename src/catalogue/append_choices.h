#pragma once
// The backups a new backup can be incremental upon, as the wizards offer them: every catalogue
// entry not marked deleted, in catalogue order, with what the choice lists show and copy.

#include <string>
#include <vector>

namespace vaultora {

class TIniRegistryEditor;

struct TAppendChoice {
  std::string Key, Title, FinishDateTime, FileList;
};

std::vector<TAppendChoice> AppendChoices(TIniRegistryEditor& store);

}  // namespace vaultora
