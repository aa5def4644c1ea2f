#pragma once
// The error marker sections (BackupErrors, RestoreErrors, DeleteErrors, RegUpdateErrors,
// RasErrors): a section that holds any value means the last run of that kind failed. Each value
// is an error identifier, a boolean true written only once. Key-scoped: the store's Filename is
// left as it was.

#include <string>

namespace vaultora {

class TIniRegistryEditor;

bool ErrorMarked(TIniRegistryEditor& store, const char* section);
bool ErrorMarkExists(TIniRegistryEditor& store, const char* section, const std::string& name);
void MarkError(TIniRegistryEditor& store, const char* section, const std::string& name);
void ClearErrorMarks(TIniRegistryEditor& store, const char* section);

}  // namespace vaultora
