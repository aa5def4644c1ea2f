#include "app/runtime/client_setup.h"

#include "platform/folders.h"
#include "platform/prompts.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

namespace vaultora {

const char* const kSetupNeededText = "The following options need to be set up inorder to continue.";

namespace {

void UseRoot(TIniRegistryEditor& store) {
  store.AtUserKey(keys::kBaseKey);
}

bool KeyStored(TIniRegistryEditor& store) {
  UseRoot(store);
  return store.ValueExists(keys::kPreferences, keys::preferences::kVALKData);
}

}  // namespace

bool WriteFirstRunDefaults(TIniRegistryEditor& store, const std::string& programPath) {
  namespace p = keys::preferences;
  namespace s = keys::settings;
  UseRoot(store);
  if (store.SectionExists(keys::kPreferences)) return false;
  TRegistryTransaction transaction(store);
  const char* section = keys::kPreferences;
  for (const char* flag :
       {p::kEnabled, p::kTrapShutDown, p::kDisConWhenFin, p::kAutoReconnect, p::kKeepLogFiles})
    store.WriteBool(section, flag, true);
  store.WriteInteger(section, p::kTrxOutBufferSize, 2048);
  store.WriteInteger(section, p::kTrxInBufferSize, 2048);
  store.WriteInteger(section, p::kDialRetry, 5);
  store.WriteInteger(section, p::kDialWait, 5);
  store.WriteInteger(section, p::kCompressionType, 2);
  store.WriteString(section, p::kWorkingZipFolder, AppDataFolder());
  store.WriteInteger(section, p::kMaxLogFileSize, 512);
  store.WriteInteger(section, p::kShutDownWin, 1);
  store.WriteInteger(section, p::kShutdownTimeout, 30);
  store.WriteString(section, p::kShellCommand, "Exit To Dos");
  store.WriteInteger(section, p::kStandbyTech, 0);
  store.WriteInteger(section, p::kTransmitThreadPriority, 3);
  store.WriteInteger(section, p::kReceiveThreadPriority, 3);
  for (const char* flag : {s::kStandardButtons, s::kTextLabels, s::kViewSessionFiles})
    store.WriteBool(keys::kSettings, flag, true);
  store.WriteInteger(keys::kSettings, s::kViewStyle, 3);
  if (!programPath.empty()) {
    store.SetFilename(keys::kWindowsCurrentVersionKey);
    store.WriteString(keys::kRunSection, keys::kRunValue, programPath + " -StartupTray");
  }
  transaction.Commit();
  UseRoot(store);
  return true;
}

void CheckSetup(TIniRegistryEditor& store, const std::function<void()>& runConnection,
                const std::function<void()>& runOptions) {
  UseRoot(store);
  const bool hostMissing = !store.ValueExists(keys::kConnection, keys::connection::kHost);
  if (!hostMissing && KeyStored(store)) return;
  ShowInformation(kSetupNeededText);
  if (hostMissing && runConnection) runConnection();
  if (!KeyStored(store) && runOptions) runOptions();
}

}  // namespace vaultora
