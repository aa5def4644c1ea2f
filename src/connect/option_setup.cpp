#include "connect/option_setup.h"

#include <stdexcept>

#include "archive/blowfish.h"
#include "archive/encryption_key.h"
#include "platform/folders.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"

namespace vaultora {

const char* const kNoEncryptionKeyEnteredText = "A Encryption key has not been specified.";
const char* const kKeyMismatchText =
    "The encryption key you have entered does not match the confirmation key.";
const char* const kNoWorkingFolderText = "The working folder specified does not exists.";
const char* const kNoEMailAddressText = "A e-mail address has not been specified.";
const char* const kNoSMSNumberText = "A SMS number has not been specified.";

namespace {

namespace p = keys::preferences;
namespace k = keys::setting;

constexpr int32_t kStandbyAction = 0;  // indexes of kShutDownActionItems
constexpr int32_t kShellAction = 3;

}  // namespace

void TOptionSetup::Load(TIniRegistryEditor& store) {
  TOptionValues v;
  v.CompressionType = ReadShownSetting(store, k::CompressionType);
  v.CompressionThreads = ReadShownSetting(store, k::CompressionThreads);
  v.WorkingFolder = ReadStoredSetting(store, k::WorkingZipFolder).value_or(AppDataFolder());
  v.ShutDownAction = ReadShownSetting(store, k::ShutDownWin);
  v.ShutdownTimeout = ReadShownSetting(store, k::ShutdownTimeout);
  v.MaxLogFileSize = ReadShownSetting(store, k::MaxLogFileSize);
  v.TransmitBufferSize = ReadShownSetting(store, k::TrxOutBufferSize);
  v.ReceiveBufferSize = ReadShownSetting(store, k::TrxInBufferSize);
  v.TransmitPriority = ReadShownSetting(store, k::TransmitThreadPriority);
  v.ReceivePriority = ReadShownSetting(store, k::ReceiveThreadPriority);
  v.BandwidthLimit = ReadShownSetting(store, k::BandwidthLimit);
  v.ShellCommand = ReadSetting(store, k::ShellCommand);
  v.StandbyTechnique = ReadShownSetting(store, k::StandbyTech);
  v.DialRetry = ReadShownSetting(store, k::DialRetry);
  v.DialWait = ReadShownSetting(store, k::DialWait);
  v.CatchUpDelay = ReadShownSetting(store, k::CatchUpDelay);

  v.KeepLogFiles = ReadSetting(store, k::KeepLogFiles);
  v.RemoveFromTaskbar = ReadSetting(store, k::RemFromTaskBar);
  v.ForceStandby = ReadSetting(store, k::ForceStandby);
  v.AutoReconnect = ReadSetting(store, k::AutoReconnect);
  v.DisconnectWhenFinished = ReadSetting(store, k::DisConWhenFin);
  const std::optional<std::string> email = ReadStoredSetting(store, k::NotifyEMail);
  v.EMailNotification = email.has_value();
  v.EMailAddress = email.value_or("");
  const std::optional<std::string> sms = ReadStoredSetting(store, k::NotifySMS);
  v.SMSNotification = sms.has_value();
  v.SMSNumber = sms.value_or("");
  v.ScheduledBackups = ReadSetting(store, k::Enabled);
  v.CatchUpMissed = ReadSetting(store, k::CatchUpMissed);
  v.PromptBeforeShutdown = ReadSetting(store, k::TrapShutDown);
  v.PrivateFileList = ReadSetting(store, k::PrivateFileList);

  v.RunAtStartup =
      !WindowsCurrentVersionKey(store).ReadString(keys::kRunSection, keys::kRunValue, "").empty();
  Values = v;

  // The key as stored is kept whole, also when it cannot be read, so that applying keeps it. A
  // value of another type is no key in any form and goes with the rest of the section.
  const TRegistryKey preferences = BaseKey(store, keys::kPreferences);
  const std::optional<TRegistryValue> stored = preferences.ReadValue("", p::kVALKData);
  FStoredKeyData.clear();
  FStoredKey.clear();
  if (stored && stored->Type == rdBinary) {
    FStoredKeyData = ReadSetting(store, k::VALKData)->Bytes();
    try {
      FStoredKey = ReadEncryptionKey(store);
    } catch (const ERegistryException&) {
      throw;
    } catch (const std::exception&) {
      // damaged: shown as no key, stored again unchanged
    }
  }
  FUnlocked = FStoredKey.empty();
  FOldKey.clear();
  FNewKey = FConfirmKey = FUnlocked ? std::string() : ScrambleKeyText(FStoredKey);
}

void TOptionSetup::ReloadScheduledBackups(TIniRegistryEditor& store) {
  Values.ScheduledBackups = ReadSetting(store, k::Enabled);
}

TOptionControls TOptionSetup::Controls() const {
  const TOptionValues& v = Values;
  TOptionControls c;
  c.ScheduleButton = v.ScheduledBackups;
  c.ShutDownAction = v.PromptBeforeShutdown;
  c.StandbyMode = v.PromptBeforeShutdown && v.ShutDownAction == kStandbyAction;
  c.ShellCommand = v.PromptBeforeShutdown && v.ShutDownAction == kShellAction;
  c.EMailAddress = v.EMailNotification;
  c.SMSNumber = v.SMSNotification;
  return c;
}

bool TOptionSetup::TypeOldKey(const std::string& text) {
  if (FUnlocked) return true;
  FOldKey = text;
  if (text == FStoredKey) {
    FUnlocked = true;
    FNewKey = FConfirmKey = text;
  }
  return FUnlocked;
}

void TOptionSetup::SetNewKey(const std::string& text) {
  if (FUnlocked) FNewKey = text;
}

void TOptionSetup::SetConfirmKey(const std::string& text) {
  if (FUnlocked) FConfirmKey = text;
}

TSetupCheck TOptionSetup::CheckKey(bool forApply) const {
  const std::string key = Trim(FNewKey);
  if (!FUnlocked) return std::nullopt;
  if (key.empty()) {
    // Applying without a new key keeps the stored one; only the page insists on a key.
    if (forApply) return std::nullopt;
    return TSetupProblem{opEncryption, kNewKeyField, kNoEncryptionKeyEnteredText};
  }
  if (key != Trim(FConfirmKey)) return TSetupProblem{opEncryption, kNewKeyField, kKeyMismatchText};
  if (key.size() > kMaxBlowfishKey)
    return TSetupProblem{opEncryption, kNewKeyField, kKeyLengthError};
  return std::nullopt;
}

TSetupCheck TOptionSetup::Check(int page) const {
  const TOptionValues& v = Values;
  switch (page) {
    case opEncryption:
      return CheckKey(false);
    case opCompression:
      if (!Trim(v.WorkingFolder).empty() && !DirectoryExists(v.WorkingFolder))
        return TSetupProblem{opCompression, kWorkingFolderField, kNoWorkingFolderText};
      return std::nullopt;
    case opNotification:
      if (v.EMailNotification && Trim(v.EMailAddress).empty())
        return TSetupProblem{opNotification, kEMailAddressField, kNoEMailAddressText};
      if (v.SMSNotification && Trim(v.SMSNumber).empty())
        return TSetupProblem{opNotification, kSMSNumberField, kNoSMSNumberText};
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

TStringList TOptionSetup::PreferenceLines() const {
  const TOptionValues& v = Values;
  TStringList lines;
  auto flag = [&](bool on, const auto& key) {
    if (on) lines.push_back(SettingLine(key));
  };
  auto number = [&](const keys::TIntSetting& key, int32_t value) {
    lines.push_back(SettingLine(key, value));
  };
  flag(v.ScheduledBackups, k::Enabled);
  lines.push_back(SettingLine(k::CatchUpMissed, v.CatchUpMissed));  // on when absent
  number(k::CatchUpDelay, v.CatchUpDelay);
  flag(v.PromptBeforeShutdown, k::TrapShutDown);
  number(k::TrxOutBufferSize, v.TransmitBufferSize);  // raised to the minimum when below
  number(k::TrxInBufferSize, v.ReceiveBufferSize);
  number(k::DialRetry, v.DialRetry);
  number(k::DialWait, v.DialWait);
  flag(v.DisconnectWhenFinished, k::DisConWhenFin);
  flag(v.RemoveFromTaskbar, k::RemFromTaskBar);
  flag(v.AutoReconnect, k::AutoReconnect);
  flag(v.PrivateFileList, k::PrivateFileList);
  number(k::CompressionType, v.CompressionType);
  if (!Trim(v.WorkingFolder).empty())
    lines.push_back(SettingLine(k::WorkingZipFolder, v.WorkingFolder));
  if (v.CompressionThreads > 0) number(k::CompressionThreads, v.CompressionThreads);
  flag(v.KeepLogFiles, k::KeepLogFiles);
  if (v.MaxLogFileSize >= p::kMinMaxLogFileSize) number(k::MaxLogFileSize, v.MaxLogFileSize);
  number(k::ShutDownWin, v.ShutDownAction);
  number(k::ShutdownTimeout, v.ShutdownTimeout);
  lines.push_back(SettingLine(k::ShellCommand, v.ShellCommand));
  number(k::StandbyTech, v.StandbyTechnique);
  flag(v.ForceStandby, k::ForceStandby);
  number(k::TransmitThreadPriority, v.TransmitPriority);
  number(k::ReceiveThreadPriority, v.ReceivePriority);
  if (v.BandwidthLimit > 0) number(k::BandwidthLimit, v.BandwidthLimit);
  if (v.EMailNotification) lines.push_back("1~" + SettingLine(k::NotifyEMail, v.EMailAddress));
  if (v.SMSNotification) lines.push_back("1~" + SettingLine(k::NotifySMS, v.SMSNumber));
  return lines;
}

TSetupCheck TOptionSetup::Apply(TIniRegistryEditor& store, const std::string& programPath) const {
  for (int page : {opCompression, opNotification})
    if (TSetupCheck problem = Check(page)) return problem;
  if (TSetupCheck problem = CheckKey(true)) return problem;
  const TStringList lines = PreferenceLines();

  TRegistryTransaction transaction(store);
  const TRegistryKey base = BaseKey(store);
  base.ClearSection(keys::kPreferences);  // VALKData too: it is written again below
  base.WriteSectionData(keys::kPreferences, lines);
  const std::string newKey = Trim(FNewKey);
  if (FUnlocked && !newKey.empty()) {
    WriteEncryptionKey(store, newKey);
  } else if (!FStoredKeyData.empty()) {
    TMemoryStream stored(FStoredKeyData);
    WriteSetting(store, k::VALKData, stored);
  }
  const TRegistryKey windows = WindowsCurrentVersionKey(store);
  if (Values.RunAtStartup)
    windows.WriteString(keys::kRunSection, keys::kRunValue, programPath + " -StartupTray");
  else
    windows.DeleteValue(keys::kRunSection, keys::kRunValue);
  transaction.Commit();
  return std::nullopt;
}

}  // namespace vaultora
