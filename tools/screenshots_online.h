#pragma once
// The windows of online work for the screenshots tool: the transfer windows during a transfer
// and after one with an error mark, the "Available Backups" window, the "Dialup Connection"
// window and the "Logon" dialog, each over sample events fed to its non-visual half.

#include <functional>

class QWidget;

namespace vaultora {

class TIniRegistryEditor;

void SaveOnlineWindows(TIniRegistryEditor& store,
                       const std::function<void(QWidget& window, const char* name)>& save);

}  // namespace vaultora
