#pragma once
// Naming a catalogue entry on the command line: every name TBackupNames takes (full ID, its
// file-name form, a unique prefix, latest~N, a unique title).

#include <string>

#include "cli/cli_command.h"

namespace vaultora {
class TIniRegistryEditor;
struct TBackupNameMatch;
}  // namespace vaultora

namespace vaultora::cli {

// The first positional argument as an entry key; 0, or the exit status after the error text
// (kExitUsage for a name that fits several backups, which are listed).
int ResolveEntry(TIniRegistryEditor& store, const TArgs& args, std::string& key,
                 const std::vector<std::string>& valueOptions = {});
// The same for one name.
int ResolveName(TIniRegistryEditor& store, const std::string& name, std::string& key);
// Says why match names no single backup; its exit status.
int NameProblem(const TBackupNameMatch& match);

}  // namespace vaultora::cli
