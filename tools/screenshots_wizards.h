#pragma once
// Every page of the "Backup Wizard" and of the "Online Restore" wizard for the screenshots tool,
// over the sample profile's catalogue.

#include <string>

#include "tools/screenshots_setup.h"

namespace vaultora {

// list: the sample file list, which the backup wizard shows as the last one used.
void SaveWizardScreenshots(TIniRegistryEditor& store, const std::string& list,
                           const TSaveShot& save);

}  // namespace vaultora
