#include "cli/output.h"

#include <clocale>
#include <cstdio>

#include "platform/json_writer.h"

namespace vaultora::cli {

TOutputMode& OutputMode() {
  static TOutputMode mode;
  return mode;
}

std::string TakeCommonOptions(TArgs& args) {
  TOutputMode& mode = OutputMode();
  for (size_t i = 0; i < args.size();) {
    if (args[i] == "--quiet") {
      mode.Quiet = true;
      args.erase(args.begin() + static_cast<long>(i));
    } else if (args[i] == "--date-format") {
      if (i + 1 >= args.size()) return "--date-format needs a value: iso, locale or a pattern";
      const std::string value = args[i + 1];
      if (value != "iso" && value != "locale" && value.find('%') == std::string::npos)
        return "--date-format is iso, locale or a strftime pattern such as \"%Y-%m-%d %H:%M\"";
      mode.DateFormat = value;
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
    } else {
      ++i;
    }
  }
  if (mode.DateFormat == "locale") std::setlocale(LC_TIME, "");
  return "";
}

void StatusLine(const std::string& line) {
  if (OutputMode().Quiet) return;
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

std::string ShownTime(TDateTime when) {
  const std::string& format = OutputMode().DateFormat;
  if (format == "iso") return IsoDateTimeText(when);
  return PatternDateTimeText(when, format == "locale" ? "%x %X" : format);
}

void PrintJson(const TJsonWriter& json) {
  std::printf("%s\n", json.Text().c_str());
  std::fflush(stdout);
}

}  // namespace vaultora::cli
