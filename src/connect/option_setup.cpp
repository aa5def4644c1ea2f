#include "connect/option_setup.h"

#include <algorithm>
#include <stdexcept>

#include "archive/blowfish.h"
#include "archive/encryption_key.h"
#include "platform/folders.h"
#include "settings/ini_registry_editor.h"

namespace vaultora {

const char* const kNoEncryptionKeyEnteredText = "A Encryption key has not been specified.";
const char* const kKeyMismatchText =
    "The encryption key you have entered does not match the confirmation key.";
const char* const kNoWorkingFolderText = "The working folder specified does not exists.";
const char* const kNoEMailAddressText = "A e-mail address has not been specified.";
const char* const kNoSMSNumberText = "A SMS number has not been specified.";

namespace {

namespace p = keys::preferences;

constexpr int32_t kStandbyAction = 0;  // indexes of kShutDownActionItems
constexpr int32_t kShellAction = 3;

// A list keeps its item when the stored index is not one of its items.
template <size_t N>
void ReadIndex(TIniRegistryEditor& store, const char* name, const char* const (&)[N],
               int32_t& index) {
  const int32_t stored = store.ReadInteger(keys::kPreferences, name, index);
  if (stored >= 0 && stored < static_cast<int32_t>(N)) index = stored;
}

// A number field shows a stored value within its range.
void ReadNumber(TIniRegistryEditor& store, const char* name, int32_t low, int32_t high,
                int32_t& value) {
  value = std::clamp(store.ReadInteger(keys::kPreferences, name, value), low, high);
}

std::string Line(const char* prefix, const char* name, const std::string& value) {
  return std::string(prefix) + name + "=" + value;
}

}  // namespace

void TOptionSetup::Load(TIniRegistryEditor& store) {
  const char* section = keys::kPreferences;
  TOptionValues v;
  store.AtUserKey(keys::kBaseKey);
  ReadIndex(store, p::kCompressionType, kCompressionTypeItems, v.CompressionType);
  v.WorkingFolder = store.ReadString(section, p::kWorkingZipFolder, AppDataFolder());
  ReadIndex(store, p::kShutDownWin, kShutDownActionItems, v.ShutDownAction);
  ReadNumber(store, p::kShutdownTimeout, p::kMinShutdownTimeout, p::kMaxShutdownTimeout,
             v.ShutdownTimeout);
  v.MaxLogFileSize = -1;  // absent: the field's minimum
  ReadNumber(store, p::kMaxLogFileSize, p::kMinMaxLogFileSize, p::kMaxMaxLogFileSize,
             v.MaxLogFileSize);
  ReadNumber(store, p::kTrxOutBufferSize, p::kMinTrxBufferSize, p::kMaxTrxBufferSize,
             v.TransmitBufferSize);
  ReadNumber(store, p::kTrxInBufferSize, p::kMinTrxBufferSize, p::kMaxTrxBufferSize,
             v.ReceiveBufferSize);
  ReadIndex(store, p::kTransmitThreadPriority, kThreadPriorityItems, v.TransmitPriority);
  ReadIndex(store, p::kReceiveThreadPriority, kThreadPriorityItems, v.ReceivePriority);
  v.ShellCommand = store.ReadString(section, p::kShellCommand, v.ShellCommand);
  ReadIndex(store, p::kStandbyTech, kStandbyTechniqueItems, v.StandbyTechnique);
  ReadNumber(store, p::kDialRetry, 0, p::kMaxDialRetry, v.DialRetry);
  ReadNumber(store, p::kDialWait, 0, p::kMaxDialWait, v.DialWait);
  ReadNumber(store, p::kCatchUpDelay, 0, p::kMaxCatchUpDelay, v.CatchUpDelay);

  v.KeepLogFiles = store.ValueExists(section, p::kKeepLogFiles);
  v.RemoveFromTaskbar = store.ValueExists(section, p::kRemFromTaskBar);
  v.ForceStandby = store.ValueExists(section, p::kForceStandby);
  v.AutoReconnect = store.ValueExists(section, p::kAutoReconnect);
  v.DisconnectWhenFinished = store.ValueExists(section, p::kDisConWhenFin);
  v.EMailNotification = store.ValueExists(section, p::kNotifyEMail);
  v.EMailAddress = store.ReadString(section, p::kNotifyEMail, "");
  v.SMSNotification = store.ValueExists(section, p::kNotifySMS);
  v.SMSNumber = store.ReadString(section, p::kNotifySMS, "");
  v.ScheduledBackups = store.ReadBool(section, p::kEnabled, false);
  v.CatchUpMissed = store.ReadBool(section, p::kCatchUpMissed, true);
  v.PromptBeforeShutdown = store.ReadBool(section, p::kTrapShutDown, false);

  store.SetFilename(keys::kWindowsCurrentVersionKey);
  v.RunAtStartup = !store.ReadString(keys::kRunSection, keys::kRunValue, "").empty();
  Values = v;

  // The key as stored is kept whole, also when it cannot be read, so that applying keeps it. A
  // value of another type is no key in any form and goes with the rest of the section.
  store.SetFilename(keys::kPreferencesKey);
  const std::optional<TRegistryValue> stored = store.ReadValue("", p::kVALKData);
  FStoredKeyData.clear();
  FStoredKey.clear();
  if (stored && stored->Type == rdBinary) {
    FStoredKeyData = store.ReadBinary(p::kVALKData)->Bytes();
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
  store.AtUserKey(keys::kBaseKey);
}

void TOptionSetup::ReloadScheduledBackups(TIniRegistryEditor& store) {
  Values.ScheduledBackups =
      store.AtUserKey(keys::kBaseKey).ReadBool(keys::kPreferences, p::kEnabled, false);
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
  auto flag = [&](bool on, const char* name) {
    if (on) lines.push_back(Line("2~", name, "1"));
  };
  auto number = [&](const char* name, int32_t value) {
    lines.push_back(Line("3~", name, IntToStr(value)));
  };
  flag(v.ScheduledBackups, p::kEnabled);
  lines.push_back(Line("2~", p::kCatchUpMissed, v.CatchUpMissed ? "1" : "0"));
  number(p::kCatchUpDelay, v.CatchUpDelay);
  flag(v.PromptBeforeShutdown, p::kTrapShutDown);
  number(p::kTrxOutBufferSize, std::max(v.TransmitBufferSize, p::kMinTrxBufferSize));
  number(p::kTrxInBufferSize, std::max(v.ReceiveBufferSize, p::kMinTrxBufferSize));
  number(p::kDialRetry, v.DialRetry);
  number(p::kDialWait, v.DialWait);
  flag(v.DisconnectWhenFinished, p::kDisConWhenFin);
  flag(v.RemoveFromTaskbar, p::kRemFromTaskBar);
  flag(v.AutoReconnect, p::kAutoReconnect);
  number(p::kCompressionType, v.CompressionType);
  if (!Trim(v.WorkingFolder).empty())
    lines.push_back(Line("", p::kWorkingZipFolder, v.WorkingFolder));
  flag(v.KeepLogFiles, p::kKeepLogFiles);
  if (v.MaxLogFileSize >= p::kMinMaxLogFileSize) number(p::kMaxLogFileSize, v.MaxLogFileSize);
  number(p::kShutDownWin, v.ShutDownAction);
  number(p::kShutdownTimeout, v.ShutdownTimeout);
  lines.push_back(Line("", p::kShellCommand, v.ShellCommand));
  number(p::kStandbyTech, v.StandbyTechnique);
  flag(v.ForceStandby, p::kForceStandby);
  number(p::kTransmitThreadPriority, v.TransmitPriority);
  number(p::kReceiveThreadPriority, v.ReceivePriority);
  if (v.EMailNotification) lines.push_back(Line("1~", p::kNotifyEMail, v.EMailAddress));
  if (v.SMSNotification) lines.push_back(Line("1~", p::kNotifySMS, v.SMSNumber));
  return lines;
}

TSetupCheck TOptionSetup::Apply(TIniRegistryEditor& store, const std::string& programPath) const {
  for (int page : {opCompression, opNotification})
    if (TSetupCheck problem = Check(page)) return problem;
  if (TSetupCheck problem = CheckKey(true)) return problem;
  const TStringList lines = PreferenceLines();

  TRegistryTransaction transaction(store.AtUserKey(keys::kBaseKey));
  store.ClearSection(keys::kPreferences);  // VALKData too: it is written again below
  store.WriteSectionData(keys::kPreferences, &lines);
  store.SetFilename(keys::kPreferencesKey);
  const std::string newKey = Trim(FNewKey);
  if (FUnlocked && !newKey.empty()) {
    WriteEncryptionKey(store, newKey);
  } else if (!FStoredKeyData.empty()) {
    TMemoryStream stored(FStoredKeyData);
    store.WriteBinary(p::kVALKData, stored);
  }
  store.SetFilename(keys::kWindowsCurrentVersionKey);
  if (Values.RunAtStartup)
    store.WriteString(keys::kRunSection, keys::kRunValue, programPath + " -StartupTray");
  else
    store.DeleteValue(keys::kRunSection, keys::kRunValue);
  transaction.Commit();
  store.AtUserKey(keys::kBaseKey);
  return std::nullopt;
}

}  // namespace vaultora
