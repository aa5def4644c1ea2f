#pragma once
// The typed accessors of the client's settings: every value of the key table is read and written
// here by its kind, so each value has one meaning wherever it is used (see the typed table in
// settings/registry_keys.h). They work through key-scoped views: they never move the Filename of
// the store they are given. TPreferences is the snapshot an operation reads once at its start.
// Store failures raise ERegistryException.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/log_file.h"
#include "platform/streams.h"
#include "platform/text.h"
#include "settings/registry_key.h"
#include "settings/registry_keys.h"

namespace vaultora {

class TIniRegistryEditor;

// The client's own key, Software\Vaultora below HKEY_CURRENT_USER, and its sub-keys.
TRegistryKey BaseKey(TIniRegistryEditor& store);
TRegistryKey BaseKey(TIniRegistryEditor& store, const char* section);
// Software\Microsoft\Windows\CurrentVersion, whose section Run starts the client with the
// desktop session.
TRegistryKey WindowsCurrentVersionKey(TIniRegistryEditor& store);

bool ReadSetting(TIniRegistryEditor& store, const keys::TFlagSetting& key);
bool ReadSetting(TIniRegistryEditor& store, const keys::TBoolSetting& key);
// Absent or not a number: the key's Default; a stored value outside the range reads by the
// key's range rule.
int32_t ReadSetting(TIniRegistryEditor& store, const keys::TIntSetting& key);
std::string ReadSetting(TIniRegistryEditor& store, const keys::TStringSetting& key);
std::unique_ptr<TMemoryStream> ReadSetting(TIniRegistryEditor& store,
                                           const keys::TBinarySetting& key);
// The value as stored (in range), or nothing when absent: for readers to whom absence says more
// than any default.
std::optional<int32_t> ReadStoredSetting(TIniRegistryEditor& store, const keys::TIntSetting& key);
std::optional<std::string> ReadStoredSetting(TIniRegistryEditor& store,
                                             const keys::TStringSetting& key);
// What the options dialogs show: the stored value in range, else the key's Shown default.
int32_t ReadShownSetting(TIniRegistryEditor& store, const keys::TIntSetting& key);

// A stored integer brought into the key's range by its rule.
int32_t InSettingRange(const keys::TIntSetting& key, int32_t value);

// Flags and booleans: "1" when on, deleted when off ("0" for a boolean that is on when absent).
// Integers are written within their range.
void WriteSetting(TIniRegistryEditor& store, const keys::TFlagSetting& key, bool on);
void WriteSetting(TIniRegistryEditor& store, const keys::TBoolSetting& key, bool on);
void WriteSetting(TIniRegistryEditor& store, const keys::TIntSetting& key, int32_t value);
void WriteSetting(TIniRegistryEditor& store, const keys::TStringSetting& key,
                  const std::string& value);
void WriteSetting(TIniRegistryEditor& store, const keys::TBinarySetting& key, TMemoryStream& value);

template <class Key>
bool SettingExists(TIniRegistryEditor& store, const Key& key) {
  return BaseKey(store).ValueExists(key.Section, key.Name);
}
template <class Key>
void DeleteSetting(TIniRegistryEditor& store, const Key& key) {
  BaseKey(store).DeleteValue(key.Section, key.Name);
}

// Batch lines (the way dialogs save a page): "2~Name=1" for a flag or boolean that is on,
// "3~Name=" + the number (within range), "Name=" + the text.
std::string SettingLine(const keys::TFlagSetting& key);
std::string SettingLine(const keys::TBoolSetting& key);
std::string SettingLine(const keys::TBoolSetting& key, bool on);  // "2~Name=1" or "2~Name=0"
std::string SettingLine(const keys::TIntSetting& key, int32_t value);
std::string SettingLine(const keys::TStringSetting& key, const std::string& value);

// The working folder: WorkingZipFolder when set, else the program's folder; with a trailing '/'.
std::string WorkingFolderOf(const std::string& workingZipFolder);

// Preferences and Connection as one operation reads them, once, at its start.
struct TPreferences {
  int32_t CompressionType = keys::setting::CompressionType.Default;
  std::string WorkingZipFolder;  // "" when absent
  bool Enabled = false;
  bool TrapShutDown = false;
  int32_t TrxOutBufferSize = keys::setting::TrxOutBufferSize.Default;
  int32_t TrxInBufferSize = keys::setting::TrxInBufferSize.Default;
  std::optional<int32_t> DialRetry;  // none: no redial
  int32_t DialWait = 0;
  bool DisConWhenFin = false;
  bool RemFromTaskBar = false;
  bool AutoReconnect = false;
  TLogPolicy Log;
  int32_t ShutDownWin = keys::setting::ShutDownWin.Default;
  int32_t ShutdownTimeout = keys::setting::ShutdownTimeout.Default;
  std::string ShellCommand = keys::setting::ShellCommand.Default;
  int32_t StandbyTech = keys::setting::StandbyTech.Default;
  bool ForceStandby = false;
  int32_t TransmitThreadPriority = keys::setting::TransmitThreadPriority.Default;
  int32_t ReceiveThreadPriority = keys::setting::ReceiveThreadPriority.Default;
  std::optional<std::string> NotifyEMail, NotifySMS;  // none: off
  bool HasEncryptionKey = false;                      // VALKData exists
  // Connection
  std::optional<std::string> ConnectionEntry;  // the phone-book entry
  std::optional<std::string> Host;
  std::optional<int32_t> ServerPort;
  bool UseLANServer = false;

  static TPreferences Read(TIniRegistryEditor& store);
  std::string WorkingFolder() const { return WorkingFolderOf(WorkingZipFolder); }
};

// The parts of the preferences some callers need alone.
TLogPolicy ReadLogPolicy(TIniRegistryEditor& store);
std::string ReadWorkingFolder(TIniRegistryEditor& store);

}  // namespace vaultora
