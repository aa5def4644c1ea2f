#pragma once
// The restoring windows for the screenshots tool: the "Restore" window over a listed chain (an
// incremental backup made by the builder on the given full one), its "Restore Options" dialog
// and the "Verify Backups" window after a check.

#include <functional>
#include <string>

class QWidget;

namespace vaultora {

class TIniRegistryEditor;

// base: a backup in the "Inbox" (sent, its archive on disk); docs: a folder of its file list.
void SaveRestoreWindows(TIniRegistryEditor& store, const std::string& base, const std::string& docs,
                        const std::function<void(QWidget& window, const char* name)>& save);

}  // namespace vaultora
