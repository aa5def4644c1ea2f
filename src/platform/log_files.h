#pragma once
// What the "Log Files" window and `vaultora-cli logs` do with the seven log files: read one as
// text, delete one or all of them after asking. A missing file reads as empty and its delete is
// skipped silently.

#include <cstddef>
#include <string>

namespace vaultora {

inline constexpr const char* kClearLogQuestion =
    "Are you sure you want to delete the selected log file?";
inline constexpr const char* kClearLogsQuestion =
    "Are you sure you want to delete the current log file(s)?";
inline constexpr const char* kOverwriteQuestion = "Overwrite the existing file";
inline constexpr const char* kLogSavedText = "Log file saved.";

// The text of log index (0 to 6) with LF line ends; "" when missing or out of range.
std::string ReadLogText(size_t index);
// Asks kClearLogQuestion and deletes the file on Yes; true when it was answered Yes.
bool ClearLog(size_t index);
// Asks kClearLogsQuestion and deletes all seven on Yes.
bool ClearAllLogs();
// Writes text to path after asking kOverwriteQuestion when it exists, then says kLogSavedText;
// false when the user said No. Raises the stream errors when it cannot be written.
bool SaveLogText(const std::string& path, const std::string& text);

}  // namespace vaultora
