#pragma once
// The log writer: every window that runs a kind of work keeps its status lines while logging is
// on (the log policy of the preferences) and hands them here when the work ends. A log file holds
// one block per run, newest first: a header line with the write time, then the run's lines, each
// ended by CR LF. Files live in the program's folder and are replaced in one step.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/date_time.h"
#include "platform/text.h"

namespace vaultora {

inline constexpr const char* kBackupLog = "Backup.log";
inline constexpr const char* kRestoreLog = "Restore.log";
inline constexpr const char* kInternetBackupLog = "InternetBackup.log";
inline constexpr const char* kInternetRestoreLog = "InternetRestore.log";
inline constexpr const char* kRasDialupLog = "RasDialup.log";
inline constexpr const char* kRegUpDateLog = "RegUpDate.log";
inline constexpr const char* kDeleteLog = "Delete.log";

// The seven log files in the order the log viewer lists them, with its captions.
struct TLogFileEntry {
  const char* Caption;
  const char* FileName;
};
inline constexpr TLogFileEntry kLogFiles[] = {
    {"Backups", kBackupLog},
    {"Restores", kRestoreLog},
    {"Internet Backups", kInternetBackupLog},
    {"Internet Restores", kInternetRestoreLog},
    {"Remote Access", kRasDialupLog},
    {"Registry Downloads", kRegUpDateLog},
    {"Deleted Backups", kDeleteLog},
};

// The program's folder + fileName.
std::string LogFilePath(const std::string& fileName);
// "**** " + the time as "dd/mm/yyyy hh:mm:ss AM/PM" + " ****".
std::string LogHeaderLine(TDateTime when);

// Whether runs keep their lines in the log files, and the size at which a file starts afresh.
// The preferences say it (ReadLogPolicy in settings/preferences.h).
struct TLogPolicy {
  bool KeepLogFiles = false;
  std::optional<int32_t> MaxLogFileSize;  // kilobytes; none: the files grow without limit
};

// Writes buffer as the newest block of fileName when the policy keeps log files, and empties
// it. With logging off it does nothing, returns false and the caller keeps its lines; so does an
// empty buffer. A file larger than MaxLogFileSize kilobytes (when set) is started afresh. Raises
// the stream errors when the file cannot be written; the old file and the buffer are then kept.
bool WriteLogFile(const std::string& fileName, TStringList& buffer, const TLogPolicy& policy,
                  TDateTime now = Now());

// The block written to path without the store: maxKilobytes empty means no limit.
void WriteLogBlock(const std::string& path, const TStringList& lines,
                   std::optional<int32_t> maxKilobytes, TDateTime now);

}  // namespace vaultora
