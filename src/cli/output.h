#pragma once
// How vaultora-cli prints. Standard output carries only what a command lists or reports (a
// table, or with --json one JSON document); every status line goes to standard error, so a
// pipe or a script reads data alone. --quiet drops the status lines (errors are still said);
// --date-format chooses how times are shown to people (JSON always has ISO 8601).

#include <string>

#include "cli/cli_command.h"
#include "platform/date_time.h"

namespace vaultora {
class TJsonWriter;
}

namespace vaultora::cli {

struct TOutputMode {
  bool Json = false;
  bool Quiet = false;
  std::string DateFormat = "iso";  // "iso", "locale" or a strftime pattern
};
TOutputMode& OutputMode();

// Takes --quiet and --date-format VALUE out of args (every command has them); "" or what is
// wrong with them.
std::string TakeCommonOptions(TArgs& args);

// A status line on standard error, unless --quiet; flushed, so a log sees it as it happens.
void StatusLine(const std::string& line);
// A time as --date-format shows it.
std::string ShownTime(TDateTime when);
// The JSON document on standard output, with a newline.
void PrintJson(const TJsonWriter& json);

}  // namespace vaultora::cli
