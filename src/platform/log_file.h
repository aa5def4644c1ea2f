#pragma once
// The log writer: every window that runs a kind of work keeps its status lines while logging is
// on (Preferences\KeepLogFiles) and hands them here when the work ends. A log file holds one
// block per run, newest first: a header line with the write time, then the run's lines, each
// ended by CR LF. Files live in the program's folder and are replaced in one step.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/date_time.h"
#include "platform/text.h"

namespace vaultora {

class TIniRegistryEditor;

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

// Writes buffer as the newest block of fileName when KeepLogFiles is set in the store (the
// caller's own instance; its Filename is set here) and empties it. With logging off it does
// nothing, returns false and the caller keeps its lines; so does an empty buffer. A file larger
// than MaxLogFileSize kilobytes (when that value is set) is started afresh. Raises the stream
// errors when the file cannot be written; the old file and the buffer are then kept.
bool WriteLogFile(const std::string& fileName, TStringList& buffer, TIniRegistryEditor& store,
                  TDateTime now = Now());

// The block written to path without the store: maxKilobytes empty means no limit.
void WriteLogBlock(const std::string& path, const TStringList& lines,
                   std::optional<int32_t> maxKilobytes, TDateTime now);

}  // namespace vaultora
