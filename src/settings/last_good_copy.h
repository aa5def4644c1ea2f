#pragma once
// The last good copy of the settings hive: a checked copy beside it ("registry.db.last-good"),
// written atomically after each successful backup, that one command puts back when the hive is
// damaged or emptied. Putting it back never destroys the hive it replaces: that file (with its
// log) is kept under a name of its own.

#include <string>

namespace vaultora {

std::string LastGoodCopyPath(const std::string& hivePath);

// Checks the hive and writes its copy; raises ERegistryException (naming the file) when the
// hive is damaged, so a damaged hive never replaces a good copy.
void SaveLastGoodCopy(const std::string& hivePath);

struct TRestoredSettings {
  std::string SavedOn;     // when the copy was made, local ISO time
  std::string KeptAsPath;  // where the replaced hive was kept; "" when there was none
};

// Checks the copy and puts it in place of the hive; raises ERegistryException when there is no
// copy, it is damaged, or a file cannot be moved. Vaultora must not be using the profile.
TRestoredSettings RestoreLastGoodCopy(const std::string& hivePath);

}  // namespace vaultora
