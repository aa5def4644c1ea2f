// vaultora-cli logs list|show|clear: the "Log Files" window without the window.
#include <cstdio>

#include "cli/cli_command.h"
#include "cli/output.h"
#include "platform/folders.h"
#include "platform/json_writer.h"
#include "platform/log_file.h"
#include "platform/log_files.h"
#include "platform/prompts.h"
#include "platform/size_text.h"

namespace vaultora::cli {

namespace {

// A log named by its caption ("Internet Backups"), its file name or its place (0 to 6).
const TLogFileEntry* FindLog(const std::string& name) {
  long long place = -1;
  const bool numbered = TryStrToInt(name, place);
  for (size_t i = 0; i < std::size(kLogFiles); ++i) {
    const TLogFileEntry& entry = kLogFiles[i];
    if (SameText(name, entry.Caption) || SameText(name, entry.FileName) ||
        (numbered && place == static_cast<long long>(i)))
      return &entry;
  }
  return nullptr;
}

int NamedLog(const TArgs& args, const TLogFileEntry*& log) {
  const TArgs positional = Positional(args, {});
  if (positional.empty()) return UsageError("name a log: see vaultora-cli logs list");
  log = FindLog(positional[0]);
  return log ? 0 : Fail("unknown log \"" + positional[0] + "\": see vaultora-cli logs list");
}

int ListCommand(const TArgs&) {
  if (OutputMode().Json) {
    TJsonWriter json;
    json.BeginArray();
    for (size_t i = 0; i < std::size(kLogFiles); ++i) {
      const std::string path = LogFilePath(kLogFiles[i].FileName);
      const long long size = FileSizeOf(path);
      json.BeginObject()
          .Field("index", static_cast<int64_t>(i))
          .Field("caption", kLogFiles[i].Caption)
          .Field("file", path)
          .Key("size");
      size < 0 ? json.Null() : json.Number(static_cast<int64_t>(size));
      json.EndObject();
    }
    PrintJson(json.EndArray());
    return 0;
  }
  for (size_t i = 0; i < std::size(kLogFiles); ++i) {
    const std::string path = LogFilePath(kLogFiles[i].FileName);
    const long long size = FileSizeOf(path);
    std::printf("%zu  %-20s %-20s %s\n", i, kLogFiles[i].Caption, kLogFiles[i].FileName,
                size < 0 ? "(none)" : ByteSizeText(size).c_str());
  }
  return 0;
}

int ShowCommand(const TArgs& args) {
  const TLogFileEntry* log = nullptr;
  if (const int status = NamedLog(args, log)) return status;
  // A missing log shows as an empty one.
  std::fputs(ReadLogText(static_cast<size_t>(log - kLogFiles)).c_str(), stdout);
  return 0;
}

int ClearCommand(const TArgs& args) {
  if (Positional(args, {}).empty()) return ClearAllLogs() ? 0 : 1;
  const TLogFileEntry* log = nullptr;
  if (const int status = NamedLog(args, log)) return status;
  return ClearLog(static_cast<size_t>(log - kLogFiles)) ? 0 : 1;
}

const TCliRegistrar kList({"logs list", "[--json]", "the seven log files and their sizes",
                           ListCommand});
const TCliRegistrar kShow({"logs show", "LOG", "print a log file, newest run first", ShowCommand});
const TCliRegistrar kClear({"logs clear", "[LOG] [--yes]", "delete one log file, or all of them",
                            ClearCommand});

}  // namespace

}  // namespace vaultora::cli
