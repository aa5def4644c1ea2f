#include "app/runtime/client_setup.h"

#include "platform/folders.h"
#include "platform/prompts.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

const char* const kSetupNeededText = "The following options need to be set up inorder to continue.";

namespace {

namespace k = keys::setting;

bool KeyStored(TIniRegistryEditor& store) {
  return SettingExists(store, k::VALKData);
}

}  // namespace

bool WriteFirstRunDefaults(TIniRegistryEditor& store, const std::string& programPath) {
  if (BaseKey(store).SectionExists(keys::kPreferences)) return false;
  TRegistryTransaction transaction(store);
  for (const keys::TBoolSetting& flag :
       {k::Enabled, k::TrapShutDown, k::DisConWhenFin, k::PrivateFileList})
    WriteSetting(store, flag, true);
  for (const keys::TFlagSetting& flag : {k::AutoReconnect, k::KeepLogFiles})
    WriteSetting(store, flag, true);
  WriteSetting(store, k::TrxOutBufferSize, 2048);
  WriteSetting(store, k::TrxInBufferSize, 2048);
  WriteSetting(store, k::DialRetry, 5);
  WriteSetting(store, k::DialWait, 5);
  WriteSetting(store, k::CompressionType, 2);
  WriteSetting(store, k::WorkingZipFolder, AppDataFolder());
  WriteSetting(store, k::MaxLogFileSize, 512);
  WriteSetting(store, k::ShutDownWin, 1);
  WriteSetting(store, k::ShutdownTimeout, 30);
  WriteSetting(store, k::ShellCommand, "Exit To Dos");
  WriteSetting(store, k::StandbyTech, 0);
  WriteSetting(store, k::TransmitThreadPriority, 3);
  WriteSetting(store, k::ReceiveThreadPriority, 3);
  for (const keys::TBoolSetting& flag : {k::StandardButtons, k::TextLabels, k::ViewSessionFiles})
    WriteSetting(store, flag, true);
  WriteSetting(store, k::ViewStyle, 3);
  if (!programPath.empty())
    WindowsCurrentVersionKey(store).WriteString(keys::kRunSection, keys::kRunValue,
                                                programPath + " -StartupTray");
  transaction.Commit();
  return true;
}

void CheckSetup(TIniRegistryEditor& store, const std::function<void()>& runConnection,
                const std::function<void()>& runOptions) {
  const bool hostMissing = !SettingExists(store, k::Host);
  if (!hostMissing && KeyStored(store)) return;
  ShowInformation(kSetupNeededText);
  if (hostMissing && runConnection) runConnection();
  if (!KeyStored(store) && runOptions) runOptions();
}

}  // namespace vaultora
