#pragma once
// Naming a catalogue entry on the command line: by its key, or by its title when exactly one
// entry has it.

#include <string>

#include "cli/cli_command.h"

namespace vaultora {
class TIniRegistryEditor;
}

namespace vaultora::cli {

// The first positional argument as an entry key; 0, or the exit status after the error text.
int ResolveEntry(TIniRegistryEditor& store, const TArgs& args, std::string& key,
                 const std::vector<std::string>& valueOptions = {});

}  // namespace vaultora::cli
