#pragma once
// The table of configuration keys: every section and value name of the settings, with its kind
// and the default the options dialogs show. No other file spells these names again. The
// catalogue's values live with the catalogue, the schedule record's with the schedules.

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
inline constexpr const char* kHost = "Host";                  // 1, dotted IPv4 address
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

}  // namespace vaultora::keys
