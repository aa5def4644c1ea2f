#pragma once
// The table of configuration keys: every section and value name of the settings and, in the
// typed table at the end, each value's kind, the value it reads as when absent, the range a
// stored value is brought into and the default the options dialogs show. No other file spells
// these names again; the client reads and writes these values only through the typed accessors
// (settings/preferences.h). The catalogue's values live with the catalogue, the schedule
// record's with the schedules.

#include <cstdint>

namespace vaultora::keys {

// The base key below the current user's root, and its sub-keys (sections).
inline constexpr const char* kBaseKey = "Software\\Vaultora";
inline constexpr const char* kPreferences = "Preferences";
inline constexpr const char* kConnection = "Connection";
inline constexpr const char* kSettings = "Settings";
inline constexpr const char* kBackupWizard = "BackupWizard";
inline constexpr const char* kBackups = "Backups";
inline constexpr const char* kSchedule = "Schedule";
inline constexpr const char* kDelCache = "DelCache";
inline constexpr const char* kRegistration = "Registration";

// Error marker sections: a section holding any value means the last run of that kind failed.
inline constexpr const char* kBackupErrors = "BackupErrors";
inline constexpr const char* kRestoreErrors = "RestoreErrors";
inline constexpr const char* kDeleteErrors = "DeleteErrors";
inline constexpr const char* kRegUpdateErrors = "RegUpdateErrors";
inline constexpr const char* kRasErrors = "RasErrors";

// Full key paths below the root, for instances whose Filename is the sub-key itself.
inline constexpr const char* kBackupsKey = "Software\\Vaultora\\Backups";
inline constexpr const char* kScheduleKey = "Software\\Vaultora\\Schedule";
inline constexpr const char* kPreferencesKey = "Software\\Vaultora\\Preferences";
inline constexpr const char* kRegistrationKey = "Software\\Vaultora\\Registration";

// Starting with the desktop session: section Run below this key, value "Vaultora".
inline constexpr const char* kWindowsCurrentVersionKey =
    "Software\\Microsoft\\Windows\\CurrentVersion";
inline constexpr const char* kRunSection = "Run";
inline constexpr const char* kRunValue = "Vaultora";

// Preferences (written whole by the options dialog; flags exist only when on).
namespace preferences {
inline constexpr const char* kCompressionType = "CompressionType";                // 3
inline constexpr const char* kWorkingZipFolder = "WorkingZipFolder";              // 1
inline constexpr const char* kEnabled = "Enabled";                                // flag
inline constexpr const char* kTrapShutDown = "TrapShutDown";                      // flag
inline constexpr const char* kTrxOutBufferSize = "TrxOutBufferSize";              // 3
inline constexpr const char* kTrxInBufferSize = "TrxInBufferSize";                // 3
inline constexpr const char* kDialRetry = "DialRetry";                            // 3
inline constexpr const char* kDialWait = "DialWait";                              // 3, minutes
inline constexpr const char* kDisConWhenFin = "DisConWhenFin";                    // flag
inline constexpr const char* kRemFromTaskBar = "RemFromTaskBar";                  // flag
inline constexpr const char* kAutoReconnect = "AutoReconnect";                    // flag
inline constexpr const char* kKeepLogFiles = "KeepLogFiles";                      // flag
inline constexpr const char* kMaxLogFileSize = "MaxLogFileSize";                  // 3, KB
inline constexpr const char* kShutDownWin = "ShutDownWin";                        // 3
inline constexpr const char* kShutdownTimeout = "ShutdownTimeout";                // 3, seconds
inline constexpr const char* kShellCommand = "ShellCommand";                      // 1
inline constexpr const char* kStandbyTech = "StandbyTech";                        // 3
inline constexpr const char* kForceStandby = "ForceStandby";                      // flag
inline constexpr const char* kTransmitThreadPriority = "TransmitThreadPriority";  // 3
inline constexpr const char* kReceiveThreadPriority = "ReceiveThreadPriority";    // 3
inline constexpr const char* kNotifyEMail = "NotifyEMail";                        // 1, present = on
inline constexpr const char* kNotifySMS = "NotifySMS";                            // 1, present = on
inline constexpr const char* kVALKData = "VALKData";                              // binary
// Ours: run, once, a schedule whose time passed while the machine slept or was off (boolean,
// absent = on), after this many minutes (integer).
inline constexpr const char* kCatchUpMissed = "CatchUpMissed";  // 2
inline constexpr const char* kCatchUpDelay = "CatchUpDelay";    // 3, minutes
// Ours: the most an upload or download may move, KB per second (integer, absent or 0 = none).
inline constexpr const char* kBandwidthLimit = "BandwidthLimit";  // 3, KB/s
inline constexpr int32_t kMaxBandwidthLimit = 1048576;            // 1 GB/s
// Threads that deflate a backup's blocks; absent or 0: one a processor.
inline constexpr const char* kCompressionThreads = "CompressionThreads";  // 3
// Ours: send each backup's file list enciphered under the user's key, not the protocol's fixed
// pass phrase (boolean; absent = off, so profiles made before it keep the protocol's form).
inline constexpr const char* kPrivateFileList = "PrivateFileList";  // 2

// What the options dialog shows when a value is absent.
inline constexpr int32_t kDefaultCompressionType = 2;
inline constexpr int32_t kDefaultTrxBufferSize = 1024;
inline constexpr int32_t kMinTrxBufferSize = 128;
inline constexpr int32_t kMaxTrxBufferSize = 1048576;
inline constexpr int32_t kTrxBufferSizeStep = 128;
inline constexpr int32_t kDefaultDialRetry = 5;
inline constexpr int32_t kDefaultDialWait = 5;
inline constexpr int32_t kMaxDialRetry = 99;  // the redial fields' upper end, ours
inline constexpr int32_t kMaxDialWait = 999;
inline constexpr int32_t kDefaultMaxLogFileSize = 1024;
inline constexpr int32_t kMinMaxLogFileSize = 512;
inline constexpr int32_t kMaxMaxLogFileSize = 999999;
inline constexpr int32_t kDefaultShutDownWin = 1;
inline constexpr int32_t kDefaultShutdownTimeout = 30;
inline constexpr int32_t kMinShutdownTimeout = 1;
inline constexpr int32_t kMaxShutdownTimeout = 60;
inline constexpr const char* kDefaultShellCommand = "Exit To Dos";
inline constexpr int32_t kDefaultStandbyTech = 0;
inline constexpr int32_t kDefaultThreadPriority = 3;
inline constexpr int32_t kDefaultCatchUpDelay = 2;
inline constexpr int32_t kMaxCatchUpDelay = 60;
}  // namespace preferences

// Connection (written whole by the connection dialog).
namespace connection {
inline constexpr const char* kConnection = "Connection";      // 1, phone-book entry
inline constexpr const char* kHost = "Host";                  // 1, IPv4 address or host name
inline constexpr const char* kServerPort = "ServerPort";      // 3
inline constexpr const char* kUseLANServer = "UseLANServer";  // flag

// What the connection dialog shows when ServerPort is absent, and the ports it accepts (TCP
// ports end at 65535: a larger number would be cut to another port when connecting).
inline constexpr int32_t kDefaultServerPort = 211;
inline constexpr int32_t kMinServerPort = 1;
inline constexpr int32_t kMaxServerPort = 65535;
}  // namespace connection

// Settings (view options, each written on its own).
namespace settings {
inline constexpr const char* kStandardButtons = "StandardButtons";    // 2
inline constexpr const char* kTextLabels = "TextLabels";              // 2
inline constexpr const char* kViewSessionFiles = "ViewSessionFiles";  // 2
inline constexpr const char* kStayOntop = "StayOntop";                // 2
inline constexpr const char* kViewStyle = "ViewStyle";                // 3
}  // namespace settings

// BackupWizard (the last answers of the backup wizard).
namespace wizard {
inline constexpr const char* kSession = "Session";            // 1, file list last used
inline constexpr const char* kBackupTitle = "BackupTitle";    // 1
inline constexpr const char* kAppendBackup = "AppendBackup";  // 1, a backup ID or "*"
inline constexpr const char* kExpireDays = "ExpireDays";      // 3
}  // namespace wizard

// Registration: the account record, at most 2048 bytes.
namespace registration {
inline constexpr const char* kRegistrationData = "RegistrationData";  // binary
}

// Identifiers written into the error sections.
namespace errors {
inline constexpr const char* kFailedToLoacteServer = "FailedToLoacteServer";
inline constexpr const char* kFailedLogon = "FailedLogon";
inline constexpr const char* kUserStoppedBackup = "UserStoppedBackup";
inline constexpr const char* kUserStoppedRestore = "UserStoppedRestore";
inline constexpr const char* kUserStoppedDeleteBackup = "UserStoppedDeleteBackup";
inline constexpr const char* kUserStoppedRegistryUpdate = "UserStoppedRegistryUpdate";
inline constexpr const char* kUserStoppedRasDial = "UserStoppedRasDial";
inline constexpr const char* kNoBackupsToSend = "NoBackupsToSend";
inline constexpr const char* kNoBackupsToDelete = "NoBackupsToDelete";
inline constexpr const char* kNoRestoresSelected = "NoRestoresSelected";
inline constexpr const char* kNoItemsOnServer = "NoItemsOnServer";
inline constexpr const char* kBackupNotOnServer = "BackupNotOnServer";
inline constexpr const char* kBackupNotRegistered = "BackupNotRegistered";
inline constexpr const char* kBackupNotRegisterd = "BackupNotRegisterd";
inline constexpr const char* kBackupInStorage = "BackupInStorage";
inline constexpr const char* kBackupFileNotFound = "BackupFileNotFound";
}  // namespace errors

// --- The typed table ---------------------------------------------------------------------------
// Flags come in two kinds. A flag by presence is on when the value exists, whatever it holds. A
// boolean reads as a number, non-zero being on, so a stored "0" is off. Both are written the way
// the dialogs save them: "1" (kind 2) when on, the value deleted when off, so everything the
// program writes reads the same either way.

enum TSettingKind { skPresenceFlag, skBoolean, skInteger, skString, skBinary };

struct TFlagSetting {
  static constexpr TSettingKind Kind = skPresenceFlag;
  const char* Section;
  const char* Name;
};

struct TBoolSetting {
  static constexpr TSettingKind Kind = skBoolean;
  const char* Section;
  const char* Name;
  bool Default = false;  // when absent
};

// What a stored integer outside Min..Max reads as.
enum TRangeRule {
  rrClamp,    // the nearer end of the range
  rrDefault,  // the default: the value is an index into a fixed list
};

struct TIntSetting {
  static constexpr TSettingKind Kind = skInteger;
  const char* Section;
  const char* Name;
  int32_t Default;  // when absent or not a number
  int32_t Min;
  int32_t Max;
  int32_t Shown;  // what the options dialogs show when absent
  TRangeRule Range = rrClamp;
};

struct TStringSetting {
  static constexpr TSettingKind Kind = skString;
  const char* Section;
  const char* Name;
  const char* Default = "";
};

// A binary value of the section's own key, at most 2048 bytes.
struct TBinarySetting {
  static constexpr TSettingKind Kind = skBinary;
  const char* Section;
  const char* Name;
};

namespace setting {
namespace p = preferences;
// Preferences
inline constexpr TIntSetting CompressionType{
    kPreferences, p::kCompressionType, p::kDefaultCompressionType, 0, 2, p::kDefaultCompressionType,
    rrDefault};
// Absent: the program's own folder (ReadWorkingFolder in settings/preferences.h).
inline constexpr TStringSetting WorkingZipFolder{kPreferences, p::kWorkingZipFolder};
inline constexpr TBoolSetting Enabled{kPreferences, p::kEnabled};
// On when absent, so off is stored as "0".
inline constexpr TBoolSetting CatchUpMissed{kPreferences, p::kCatchUpMissed, true};
inline constexpr TIntSetting CatchUpDelay{
    kPreferences,        p::kCatchUpDelay,       p::kDefaultCatchUpDelay, 0,
    p::kMaxCatchUpDelay, p::kDefaultCatchUpDelay};
inline constexpr TBoolSetting TrapShutDown{kPreferences, p::kTrapShutDown};
inline constexpr TIntSetting CompressionThreads{kPreferences, p::kCompressionThreads, 0, 0, 256, 0};
inline constexpr TBoolSetting PrivateFileList{kPreferences, p::kPrivateFileList};
// Absent: chunks and announced buffers of 512 bytes.
inline constexpr TIntSetting TrxOutBufferSize{
    kPreferences,         p::kTrxOutBufferSize, 512,
    p::kMinTrxBufferSize, p::kMaxTrxBufferSize, p::kDefaultTrxBufferSize};
inline constexpr TIntSetting TrxInBufferSize{
    kPreferences,         p::kTrxInBufferSize,  512,
    p::kMinTrxBufferSize, p::kMaxTrxBufferSize, p::kDefaultTrxBufferSize};
// Absent: no redial, and no wait between dials.
inline constexpr TIntSetting DialRetry{kPreferences,     p::kDialRetry,       0, 0,
                                       p::kMaxDialRetry, p::kDefaultDialRetry};
inline constexpr TIntSetting DialWait{kPreferences,    p::kDialWait,       0, 0,
                                      p::kMaxDialWait, p::kDefaultDialWait};
inline constexpr TBoolSetting DisConWhenFin{kPreferences, p::kDisConWhenFin};
inline constexpr TBoolSetting RemFromTaskBar{kPreferences, p::kRemFromTaskBar};
inline constexpr TFlagSetting AutoReconnect{kPreferences, p::kAutoReconnect};
inline constexpr TFlagSetting KeepLogFiles{kPreferences, p::kKeepLogFiles};
// Absent: log files grow without limit; the dialog shows its minimum.
inline constexpr TIntSetting MaxLogFileSize{kPreferences,          p::kMaxLogFileSize,
                                            p::kMinMaxLogFileSize, p::kMinMaxLogFileSize,
                                            p::kMaxMaxLogFileSize, p::kMinMaxLogFileSize};
inline constexpr TIntSetting ShutDownWin{
    kPreferences, p::kShutDownWin, p::kDefaultShutDownWin, 0, 4, p::kDefaultShutDownWin, rrDefault};
inline constexpr TIntSetting ShutdownTimeout{
    kPreferences,           p::kShutdownTimeout,    p::kDefaultShutdownTimeout,
    p::kMinShutdownTimeout, p::kMaxShutdownTimeout, p::kDefaultShutdownTimeout};
inline constexpr TStringSetting ShellCommand{kPreferences, p::kShellCommand,
                                             p::kDefaultShellCommand};
inline constexpr TIntSetting StandbyTech{
    kPreferences, p::kStandbyTech, p::kDefaultStandbyTech, 0, 1, p::kDefaultStandbyTech, rrDefault};
inline constexpr TFlagSetting ForceStandby{kPreferences, p::kForceStandby};
inline constexpr TIntSetting TransmitThreadPriority{kPreferences,
                                                    p::kTransmitThreadPriority,
                                                    p::kDefaultThreadPriority,
                                                    0,
                                                    6,
                                                    p::kDefaultThreadPriority,
                                                    rrDefault};
inline constexpr TIntSetting ReceiveThreadPriority{kPreferences,
                                                   p::kReceiveThreadPriority,
                                                   p::kDefaultThreadPriority,
                                                   0,
                                                   6,
                                                   p::kDefaultThreadPriority,
                                                   rrDefault};
inline constexpr TIntSetting BandwidthLimit{
    kPreferences, p::kBandwidthLimit, 0, 0, p::kMaxBandwidthLimit, 0};
// Present: on, with the address or number to notify.
inline constexpr TStringSetting NotifyEMail{kPreferences, p::kNotifyEMail};
inline constexpr TStringSetting NotifySMS{kPreferences, p::kNotifySMS};
inline constexpr TBinarySetting VALKData{kPreferences, p::kVALKData};

// Connection. Absent Host and ServerPort leave the data channel without an address.
inline constexpr TStringSetting ConnectionEntry{kConnection, connection::kConnection};
inline constexpr TStringSetting Host{kConnection, connection::kHost};
inline constexpr TIntSetting ServerPort{kConnection,
                                        connection::kServerPort,
                                        0,
                                        connection::kMinServerPort,
                                        connection::kMaxServerPort,
                                        connection::kDefaultServerPort};
inline constexpr TFlagSetting UseLANServer{kConnection, connection::kUseLANServer};

// Settings (view options)
inline constexpr TBoolSetting StandardButtons{kSettings, settings::kStandardButtons};
inline constexpr TBoolSetting TextLabels{kSettings, settings::kTextLabels};
inline constexpr TBoolSetting ViewSessionFiles{kSettings, settings::kViewSessionFiles};
inline constexpr TBoolSetting StayOntop{kSettings, settings::kStayOntop};
inline constexpr TIntSetting ViewStyle{kSettings, settings::kViewStyle, 0, 0, 3, 3, rrDefault};

// BackupWizard
inline constexpr TStringSetting WizardSession{kBackupWizard, wizard::kSession};
inline constexpr TStringSetting WizardBackupTitle{kBackupWizard, wizard::kBackupTitle};
// Absent: a new full backup; "*": start an incremental series; else the backup appended to.
inline constexpr TStringSetting WizardAppendBackup{kBackupWizard, wizard::kAppendBackup};
inline constexpr TIntSetting WizardExpireDays{kBackupWizard, wizard::kExpireDays, 0, 0, 365, 0};

// Registration
inline constexpr TBinarySetting RegistrationData{kRegistration, registration::kRegistrationData};
}  // namespace setting

}  // namespace vaultora::keys
