#pragma once
// The set-up windows for the screenshots: every page of the connection, options and schedule
// dialogs, the file list editor in each mode with its drop window, and the picker.

#include <functional>
#include <string>

class QWidget;

namespace vaultora {

class TIniRegistryEditor;
class TWizardDialog;

using TSaveShot = std::function<void(QWidget& window, const char* name)>;

// Every page of a wizard, named prefix + "-page-" + its number; before(page) runs on each page
// before it is saved.
void SaveEveryPage(TWizardDialog& dialog, const char* prefix, const TSaveShot& save,
                   const std::function<void(int page)>& before = {});

// docs: a folder of sample documents; list: a file list of them.
void SaveSetupScreenshots(TIniRegistryEditor& store, const std::string& docs,
                          const std::string& list, const TSaveShot& save);

}  // namespace vaultora
