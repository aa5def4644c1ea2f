#pragma once
// TOptionSetup: the rules of the "Options" set-up, without its window. It holds a value of every
// control (TOptionValues, with the defaults the dialog shows), loads them from Preferences and
// the Run value, keeps the encryption key page (the stored key stays locked until the old key is
// typed), says which controls are enabled, checks the pages and rewrites Preferences on
// "&Apply". Used on one thread with that thread's settings store; store failures raise
// ERegistryException.

#include <cstdint>
#include <string>
#include <vector>

#include "connect/setup_problem.h"
#include "platform/text.h"
#include "settings/registry_keys.h"

namespace vaultora {

class TIniRegistryEditor;

// The pages, in their order.
enum TOptionsPage {
  opWelcome,
  opPreferences,
  opEncryption,
  opCompression,
  opModem,
  opTransfer,
  opShutDown,
  opNotification,
  opFinished,
};

// The items of the dialog's lists; a stored value is the item's index.
inline constexpr const char* kCompressionTypeItems[] = {"Fastest   [ Minimum Compression ] ",
                                                        "Average [ Normal Compession ]",
                                                        "Slowest  [ Maximum Compression ]"};
inline constexpr const char* kShutDownActionItems[] = {"Standby", "Shut down", "Restart",
                                                       "Execute Shell", "Log off"};
inline constexpr const char* kStandbyTechniqueItems[] = {"Hibernate", "RAM-alive"};
inline constexpr const char* kThreadPriorityItems[] = {"Idle",   "Lowest",  "Lower",       "Normal",
                                                       "Higher", "Highest", "TimeCritical"};

extern const char* const kNoEncryptionKeyEnteredText;
extern const char* const kKeyMismatchText;
extern const char* const kNoWorkingFolderText;
extern const char* const kNoEMailAddressText;
extern const char* const kNoSMSNumberText;

// Field names of TSetupProblem.
inline constexpr const char* kNewKeyField = "NewKey";
inline constexpr const char* kWorkingFolderField = "WorkingFolder";
inline constexpr const char* kEMailAddressField = "EMailAddress";
inline constexpr const char* kSMSNumberField = "SMSNumber";

// What the controls hold, with the defaults the dialog shows for absent values.
struct TOptionValues {
  // Preferences
  bool RunAtStartup = false;
  bool RemoveFromTaskbar = false;  // RemFromTaskBar
  bool ScheduledBackups = false;   // Enabled
  bool CatchUpMissed = true;       // run a schedule missed while asleep or off, once
  int32_t CatchUpDelay = keys::preferences::kDefaultCatchUpDelay;  // minutes
  bool KeepLogFiles = false;
  int32_t MaxLogFileSize = keys::preferences::kDefaultMaxLogFileSize;  // KB; below 512 = none
  // Encryption
  bool PrivateFileList = false;  // file lists sent under the user's key
  // Compression
  int32_t CompressionType = keys::preferences::kDefaultCompressionType;
  std::string WorkingFolder;       // loaded: the program's folder when none is stored; "" = none
  int32_t CompressionThreads = 0;  // 0 = every core
  // Modem
  bool AutoReconnect = false;
  bool DisconnectWhenFinished = false;  // DisConWhenFin
  int32_t DialRetry = keys::preferences::kDefaultDialRetry;
  int32_t DialWait = keys::preferences::kDefaultDialWait;  // minutes
  // Transfer
  int32_t TransmitBufferSize = keys::preferences::kDefaultTrxBufferSize;
  int32_t ReceiveBufferSize = keys::preferences::kDefaultTrxBufferSize;
  int32_t TransmitPriority = keys::preferences::kDefaultThreadPriority;
  int32_t ReceivePriority = keys::preferences::kDefaultThreadPriority;
  int32_t BandwidthLimit = 0;  // KB/s, 0 = none
  // Shut down
  bool PromptBeforeShutdown = false;  // TrapShutDown
  int32_t ShutDownAction = keys::preferences::kDefaultShutDownWin;
  int32_t ShutdownTimeout = keys::preferences::kDefaultShutdownTimeout;  // seconds
  std::string ShellCommand = keys::preferences::kDefaultShellCommand;
  int32_t StandbyTechnique = keys::preferences::kDefaultStandbyTech;
  bool ForceStandby = false;
  // Notification
  bool EMailNotification = false;
  std::string EMailAddress;
  bool SMSNotification = false;
  std::string SMSNumber;
};

// Which controls are enabled; those not named here always are.
struct TOptionControls {
  bool ScheduleButton = false;  // while scheduled backups are enabled
  bool ShutDownAction = false;  // with "Shut down after:", while the prompt box is ticked
  bool StandbyMode = false;     // technique and force box: prompt ticked and "Standby" chosen
  bool ShellCommand = false;    // prompt ticked and "Execute Shell" chosen
  bool EMailAddress = false;
  bool SMSNumber = false;
};

class TOptionSetup {
 public:
  // Reads Preferences (a control keeps its default when its value is absent, and a list keeps
  // it when the stored index is not one of its items; an absent MaxLogFileSize shows 512), the
  // Run value and the stored key. With no stored key the key fields are open at once.
  void Load(TIniRegistryEditor& store);
  // "Enable scheduled backups" again, after the schedule wizard may have switched it on.
  void ReloadScheduledBackups(TIniRegistryEditor& store);

  TOptionValues Values;
  TOptionControls Controls() const;

  // The encryption page. While locked, "New Key:" and "Confirm:" show a scrambled form of the
  // stored key and cannot be changed.
  bool HasStoredKey() const { return !FStoredKey.empty(); }
  bool KeyUnlocked() const { return FUnlocked; }
  const std::string& OldKey() const { return FOldKey; }
  const std::string& NewKey() const { return FNewKey; }
  const std::string& ConfirmKey() const { return FConfirmKey; }
  // The old key as typed so far: once it equals the stored key exactly, both new-key fields
  // receive it and open, and the old key is fixed; returns whether the fields are open. Ignored
  // once they are.
  bool TypeOldKey(const std::string& text);
  void SetNewKey(const std::string& text);  // ignored while locked
  void SetConfirmKey(const std::string& text);

  // The rule of "&Next >" on a page.
  TSetupCheck Check(int page) const;

  // The lines of Preferences that Apply writes, in their order.
  TStringList PreferenceLines() const;
  // Checks what applying would store (the working folder and notification pages, and a new key
  // that was entered); when it passes, rewrites Preferences from the lines, stores the key (the
  // new one when one was entered, else the stored one as it was: applying never loses the key)
  // and writes or deletes the Run value "Vaultora" = programPath + " -StartupTray", all in one
  // transaction, so a failure leaves every value as it was. Returns the problem instead.
  TSetupCheck Apply(TIniRegistryEditor& store, const std::string& programPath) const;

 private:
  TSetupCheck CheckKey(bool forApply) const;

  std::string FStoredKey;               // "" = none (or one that cannot be read)
  std::vector<uint8_t> FStoredKeyData;  // VALKData as stored, written back when unchanged
  bool FUnlocked = true;
  std::string FOldKey, FNewKey, FConfirmKey;
};

}  // namespace vaultora
