#pragma once
// The backup file list format (".bfl"), written down in docs/file_list_format.md: text lines
// ended by CR LF; folder lines, file lines (name, optionally TAB + recorded state) and
// monitoring-rule lines. This header holds its constants and the reading and writing of single
// lines and texts; the list model is in file_list.h.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/date_time.h"

namespace vaultora {

inline constexpr const char* kFileListExtension = ".bfl";
inline constexpr const char* kFileListLineEnd = "\r\n";
inline constexpr char kFileListFolderMark = '/';  // a line holding it is a folder line
inline constexpr char kFileListRuleMark = '\b';   // a line holding it is a monitoring rule
inline constexpr char kFileListStateMark = '\t';  // before the recorded state of a file
inline constexpr char kFileListSizeMark = '=';    // between recorded time and size
inline constexpr const char* kFileListSubfoldersFlag = "s";
// Longest line a reader accepts; a longer one (no path is that long) ends the reading.
inline constexpr size_t kFileListMaxLine = 64 * 1024;

enum class TListLineKind { llFolder, llFile, llRule };

// The kind of a line, judged on its part before the first TAB.
TListLineKind ClassifyListLine(std::string_view line);

// The part of an entry's text before its first TAB: the full path of a file, a rule's text.
std::string_view EntryPath(std::string_view text);
// The part after the first TAB (the recorded state), empty when there is none.
std::string_view EntrySuffix(std::string_view text);

// A monitoring rule: the folder it watches, whether subfolders are included, and the mask.
// Its text is folder + "/" + flag + BS + mask, where flag is "s" or empty.
struct TMonitoringRule {
  std::string Root;  // with its trailing '/'
  std::string Flag;  // "s" = with subfolders
  std::string Mask;
  bool IncludeSubFolders() const { return Flag == kFileListSubfoldersFlag; }
};
bool IsRuleText(std::string_view text);
// False when text holds no rule marker.
bool ParseRule(std::string_view text, TMonitoringRule& rule);
std::string RuleText(const std::string& folder, bool includeSubFolders, const std::string& mask);

// The recorded state after a file's TAB: modification time "=" size.
struct TRecordedState {
  TDateTime Time = 0;
  int64_t Size = 0;
};
// False when suffix is not a well-formed state.
bool ParseRecordedState(std::string_view suffix, TRecordedState& state);
std::string RecordedStateText(TDateTime time, int64_t size);
// path + TAB + state.
std::string EntryWithState(std::string_view path, TDateTime time, int64_t size);

// The folder an entry belongs to (with its trailing '/'): a rule's root, a file's folder.
std::string EntryFolder(std::string_view text);

// The lines of a list file without their line ends; false (and no lines) when it cannot be read
// or is no list at all (a NUL byte or an over-long line), so that it is never rewritten.
bool ReadListLines(const std::string& path, std::vector<std::string>& lines, std::string& error);

}  // namespace vaultora
