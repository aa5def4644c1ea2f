#pragma once
// The values of a schedule's section (below Software\Vaultora\Schedule) that the backup set
// builder and the file lists use; the schedules themselves own the rest of the record.

namespace vaultora::schedule {

inline constexpr const char* kDefaultSession = "DefaultSession";    // 1, the schedule's file list
inline constexpr const char* kBackupTitle = "BackupTitle";          // 1
inline constexpr const char* kIncludeBackupNo = "IncludeBackupNo";  // present = number titles
inline constexpr const char* kAppendBackup = "AppendBackup";        // 1, a backup ID or "*"

}  // namespace vaultora::schedule
