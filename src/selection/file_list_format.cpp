#include "selection/file_list_format.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/folders.h"
#include "platform/text.h"

namespace vaultora {

std::string_view EntryPath(std::string_view text) {
  return text.substr(0, text.find(kFileListStateMark));
}

std::string_view EntrySuffix(std::string_view text) {
  const size_t tab = text.find(kFileListStateMark);
  return tab == std::string_view::npos ? std::string_view() : text.substr(tab + 1);
}

TListLineKind ClassifyListLine(std::string_view line) {
  const std::string_view head = EntryPath(line);
  if (head.find(kFileListRuleMark) != std::string_view::npos) return TListLineKind::llRule;
  if (head.find(kFileListFolderMark) != std::string_view::npos) return TListLineKind::llFolder;
  return TListLineKind::llFile;
}

bool IsRuleText(std::string_view text) {
  return EntryPath(text).find(kFileListRuleMark) != std::string_view::npos;
}

bool ParseRule(std::string_view text, TMonitoringRule& rule) {
  text = EntryPath(text);
  const size_t bs = text.find(kFileListRuleMark);
  if (bs == std::string_view::npos) return false;
  // The rule marker is the last '/' before the backspace: the root is everything before it.
  const size_t slash = text.rfind(kFileListFolderMark, bs);
  if (slash == std::string_view::npos) return false;
  rule.Root = std::string(text.substr(0, slash));
  rule.Flag = std::string(text.substr(slash + 1, bs - slash - 1));
  rule.Mask = std::string(text.substr(bs + 1));
  if (rule.Root.empty() || rule.Root.back() != kFileListFolderMark) rule.Root += '/';
  return true;
}

std::string RuleText(const std::string& folder, bool includeSubFolders, const std::string& mask) {
  return IncludeTrailingSlash(folder) + kFileListFolderMark +
         (includeSubFolders ? kFileListSubfoldersFlag : "") + kFileListRuleMark + mask;
}

bool ParseRecordedState(std::string_view suffix, TRecordedState& state) {
  const size_t eq = suffix.find(kFileListSizeMark);
  if (eq == std::string_view::npos) return false;
  double time = 0;
  long long size = 0;
  if (!TextToFloat(suffix.substr(0, eq), time) || !TryStrToInt(suffix.substr(eq + 1), size))
    return false;
  state.Time = time;
  state.Size = size;
  return true;
}

std::string RecordedStateText(TDateTime time, int64_t size) {
  return FloatToText(time) + kFileListSizeMark + IntToStr(size);
}

std::string EntryWithState(std::string_view path, TDateTime time, int64_t size) {
  return std::string(path) + kFileListStateMark + RecordedStateText(time, size);
}

std::string EntryFolder(std::string_view text) {
  TMonitoringRule rule;
  if (ParseRule(text, rule)) return rule.Root;
  return ExtractFilePath(std::string(EntryPath(text)));
}

bool ReadListLines(const std::string& path, std::vector<std::string>& lines, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "Cannot open file \"" + path + "\". " + std::strerror(errno);
    return false;
  }
  // Read in blocks so that a file that is no list (one endless line) cannot take the memory.
  std::string line;
  char buffer[16384];
  while (in.read(buffer, sizeof buffer), in.gcount() > 0) {
    for (std::streamsize i = 0; i < in.gcount(); ++i) {
      const char c = buffer[i];
      if (c == '\0' || line.size() > kFileListMaxLine) {
        error = "\"" + path + "\" is not a file list";
        lines.clear();
        return false;
      }
      if (c != '\n') {
        line += c;
        continue;
      }
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(std::move(line));
      line.clear();
    }
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (!line.empty()) lines.push_back(std::move(line));
  return true;
}

}  // namespace vaultora
