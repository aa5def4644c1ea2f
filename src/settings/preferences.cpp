#include "settings/preferences.h"

#include <algorithm>

#include "platform/folders.h"
#include "settings/ini_registry_editor.h"

namespace vaultora {

namespace s = keys::setting;

TRegistryKey BaseKey(TIniRegistryEditor& store) {
  return TRegistryKey(store, keys::kBaseKey);
}

TRegistryKey BaseKey(TIniRegistryEditor& store, const char* section) {
  return BaseKey(store).Sub(section);
}

TRegistryKey WindowsCurrentVersionKey(TIniRegistryEditor& store) {
  return TRegistryKey(store, keys::kWindowsCurrentVersionKey);
}

int32_t InSettingRange(const keys::TIntSetting& key, int32_t value) {
  if (value >= key.Min && value <= key.Max) return value;
  if (key.Range == keys::rrDefault) return key.Default;
  return std::clamp(value, key.Min, key.Max);
}

bool ReadSetting(TIniRegistryEditor& store, const keys::TFlagSetting& key) {
  return SettingExists(store, key);
}

bool ReadSetting(TIniRegistryEditor& store, const keys::TBoolSetting& key) {
  return BaseKey(store).ReadBool(key.Section, key.Name, key.Default);
}

std::optional<int32_t> ReadStoredSetting(TIniRegistryEditor& store, const keys::TIntSetting& key) {
  const TRegistryKey base = BaseKey(store);
  if (!base.ValueExists(key.Section, key.Name)) return std::nullopt;
  // Text that is not a number reads as absent: it gives the read's default, whichever it is.
  const int32_t value = base.ReadInteger(key.Section, key.Name, INT32_MIN);
  if (value == INT32_MIN && base.ReadInteger(key.Section, key.Name, 0) == 0) return std::nullopt;
  return InSettingRange(key, value);
}

int32_t ReadSetting(TIniRegistryEditor& store, const keys::TIntSetting& key) {
  return ReadStoredSetting(store, key).value_or(key.Default);
}

int32_t ReadShownSetting(TIniRegistryEditor& store, const keys::TIntSetting& key) {
  return ReadStoredSetting(store, key).value_or(key.Shown);
}

std::optional<std::string> ReadStoredSetting(TIniRegistryEditor& store,
                                             const keys::TStringSetting& key) {
  const TRegistryKey base = BaseKey(store);
  if (!base.ValueExists(key.Section, key.Name)) return std::nullopt;
  return base.ReadString(key.Section, key.Name, key.Default);
}

std::string ReadSetting(TIniRegistryEditor& store, const keys::TStringSetting& key) {
  return BaseKey(store).ReadString(key.Section, key.Name, key.Default);
}

std::unique_ptr<TMemoryStream> ReadSetting(TIniRegistryEditor& store,
                                           const keys::TBinarySetting& key) {
  return BaseKey(store, key.Section).ReadBinary(key.Name);
}

void WriteSetting(TIniRegistryEditor& store, const keys::TFlagSetting& key, bool on) {
  if (on)
    BaseKey(store).WriteBool(key.Section, key.Name, true);
  else
    DeleteSetting(store, key);
}

void WriteSetting(TIniRegistryEditor& store, const keys::TBoolSetting& key, bool on) {
  // Off is the absent value, unless the setting is on when absent.
  if (on || key.Default)
    BaseKey(store).WriteBool(key.Section, key.Name, on);
  else
    DeleteSetting(store, key);
}

void WriteSetting(TIniRegistryEditor& store, const keys::TIntSetting& key, int32_t value) {
  BaseKey(store).WriteInteger(key.Section, key.Name, InSettingRange(key, value));
}

void WriteSetting(TIniRegistryEditor& store, const keys::TStringSetting& key,
                  const std::string& value) {
  BaseKey(store).WriteString(key.Section, key.Name, value);
}

void WriteSetting(TIniRegistryEditor& store, const keys::TBinarySetting& key,
                  TMemoryStream& value) {
  BaseKey(store, key.Section).WriteBinary(key.Name, value);
}

std::string SettingLine(const keys::TFlagSetting& key) {
  return std::string("2~") + key.Name + "=1";
}

std::string SettingLine(const keys::TBoolSetting& key) {
  return std::string("2~") + key.Name + "=1";
}

std::string SettingLine(const keys::TBoolSetting& key, bool on) {
  return std::string("2~") + key.Name + (on ? "=1" : "=0");
}

std::string SettingLine(const keys::TIntSetting& key, int32_t value) {
  return std::string("3~") + key.Name + "=" + IntToStr(InSettingRange(key, value));
}

std::string SettingLine(const keys::TStringSetting& key, const std::string& value) {
  return std::string(key.Name) + "=" + value;
}

std::string WorkingFolderOf(const std::string& workingZipFolder) {
  return IncludeTrailingSlash(workingZipFolder.empty() ? AppDataFolder() : workingZipFolder);
}

TLogPolicy ReadLogPolicy(TIniRegistryEditor& store) {
  TLogPolicy policy;
  policy.KeepLogFiles = ReadSetting(store, s::KeepLogFiles);
  if (policy.KeepLogFiles) policy.MaxLogFileSize = ReadStoredSetting(store, s::MaxLogFileSize);
  return policy;
}

std::string ReadWorkingFolder(TIniRegistryEditor& store) {
  return WorkingFolderOf(ReadSetting(store, s::WorkingZipFolder));
}

TPreferences TPreferences::Read(TIniRegistryEditor& store) {
  TPreferences p;
  p.CompressionType = ReadSetting(store, s::CompressionType);
  p.WorkingZipFolder = ReadSetting(store, s::WorkingZipFolder);
  p.Enabled = ReadSetting(store, s::Enabled);
  p.TrapShutDown = ReadSetting(store, s::TrapShutDown);
  p.TrxOutBufferSize = ReadSetting(store, s::TrxOutBufferSize);
  p.TrxInBufferSize = ReadSetting(store, s::TrxInBufferSize);
  p.DialRetry = ReadStoredSetting(store, s::DialRetry);
  p.DialWait = ReadSetting(store, s::DialWait);
  p.DisConWhenFin = ReadSetting(store, s::DisConWhenFin);
  p.RemFromTaskBar = ReadSetting(store, s::RemFromTaskBar);
  p.AutoReconnect = ReadSetting(store, s::AutoReconnect);
  p.Log = ReadLogPolicy(store);
  p.ShutDownWin = ReadSetting(store, s::ShutDownWin);
  p.ShutdownTimeout = ReadSetting(store, s::ShutdownTimeout);
  p.ShellCommand = ReadSetting(store, s::ShellCommand);
  p.StandbyTech = ReadSetting(store, s::StandbyTech);
  p.ForceStandby = ReadSetting(store, s::ForceStandby);
  p.TransmitThreadPriority = ReadSetting(store, s::TransmitThreadPriority);
  p.ReceiveThreadPriority = ReadSetting(store, s::ReceiveThreadPriority);
  p.NotifyEMail = ReadStoredSetting(store, s::NotifyEMail);
  p.NotifySMS = ReadStoredSetting(store, s::NotifySMS);
  p.HasEncryptionKey = SettingExists(store, s::VALKData);
  p.ConnectionEntry = ReadStoredSetting(store, s::ConnectionEntry);
  p.Host = ReadStoredSetting(store, s::Host);
  p.ServerPort = ReadStoredSetting(store, s::ServerPort);
  p.UseLANServer = ReadSetting(store, s::UseLANServer);
  return p;
}

}  // namespace vaultora
