// vaultora-cli archive create|list|extract|merge: the archive tools for looking inside a backup
// archive and for building, restoring and merging one by hand.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "archive/archive_format.h"
#include "archive/backup_file.h"
#include "cli/cli_command.h"
#include "platform/date_time.h"
#include "platform/file_mask.h"
#include "platform/folders.h"
#include "platform/size_text.h"
#include "platform/text.h"

namespace vaultora::cli {
namespace {

// A component whose errors and progress go to the terminal.
class TCliBackup : public TBackupFile {
 public:
  TCliBackup() {
    OnError = [this](TComponent*, int32_t, const std::string& text) { Error = text; };
    if (isatty(STDERR_FILENO))
      OnProgress = [](TComponent*, const std::string& name, TPercentage percent, bool&) {
        std::fprintf(stderr, "\r%3d%% %-70.70s", percent, name.c_str());
        if (name.empty() && percent == 100) std::fprintf(stderr, "\r%76s\r", "");
      };
  }
  // The exit status of an operation that returned ok.
  int Status(bool ok, const std::string& otherwise) const {
    if (ok) return 0;
    return Fail(Error.empty() ? otherwise : Error);
  }
  std::string Error;
};

// Looks text up in a table of option names; false when it names none.
template <class T, size_t N>
bool ParseName(const std::string& text, const std::pair<const char*, T> (&names)[N], T& value) {
  for (const auto& [name, v] : names)
    if (text == name) {
      value = v;
      return true;
    }
  return false;
}

const std::pair<const char*, TCompressionLevel> kLevels[] = {
    {"fastest", clFastest}, {"none", clNone}, {"default", clDefault}, {"max", clMax}};
const std::pair<const char*, TRestoreMode> kModes[] = {{"all", rmAll},
                                                       {"no-overwrite", rmNoOverwrite},
                                                       {"newer", rmNewer},
                                                       {"existing", rmExisting},
                                                       {"existing-newer", rmExistingNewer}};

int Create(const TArgs& args) {
  const TArgs positional = Positional(args, {"--title", "--level", "--volume-size"});
  if (positional.size() < 2) return UsageError("usage: archive create ARCHIVE SPEC...");
  TCliBackup backup;
  backup.SetBackupTitle(OptionValue(args, "--title"));
  TCompressionLevel level = clFastest;
  if (!ParseName(OptionValue(args, "--level", "fastest"), kLevels, level))
    return UsageError("the level is one of fastest, none, default, max");
  backup.SetCompressionLevel(level);
  long long volumeSize = 0;
  if (!TryStrToInt(OptionValue(args, "--volume-size", "0"), volumeSize) || volumeSize < 0 ||
      volumeSize > 0x7fffffff)
    return UsageError("the volume size is a number of bytes below 2 GiB");
  backup.SetMaxSize(static_cast<int32_t>(volumeSize));
  backup.SetSaveFileID(HasFlag(args, "--file-ids"));
  if (HasFlag(args, "--incremental")) backup.SetBackupMode(bmIncremental);
  if (HasFlag(args, "--clear-archive-flag")) backup.SetSetArchiveFlag(true);
  // Volumes are files side by side: there is no disk to wait for.
  backup.OnNeedDisk = [](TComponent*, uint16_t, bool&) {};
  const TStringList specs(positional.begin() + 1, positional.end());
  const bool ok = backup.CreateArchive(specs, positional[0]);
  if (ok)
    std::printf("%d files, %s, compressed by %d%%\n", backup.FilesProcessed(),
                ByteSizeText(backup.TotalSize64()).c_str(), backup.CompressionRate());
  return backup.Status(ok, "the archive was not completed");
}

int List(const TArgs& args) {
  const TArgs positional = Positional(args, {});
  if (positional.size() != 1) return UsageError("usage: archive list ARCHIVE");
  if (!FileExists(positional[0])) return Fail("no archive " + positional[0]);
  TCliBackup backup;
  TStringList lines;
  std::string title;
  backup.ReadArchiveInfo(positional[0], &lines, title);
  if (!backup.Error.empty()) return Fail(backup.Error);
  std::printf("Title: %s\nFiles: %d\nTotal size: %lld bytes\nArchive size: %lld bytes\n",
              title.c_str(), backup.FileCount(),
              static_cast<long long>(static_cast<uint32_t>(backup.TotalSize())),
              FileSizeOf(positional[0]));
  if (lines.empty()) std::printf("No file-ID list\n");
  for (const std::string& line : lines) {
    // "<path>\t<dos date>=<size>"
    const size_t tab = line.rfind(archive_format::kFileIdDateSeparator);
    const size_t equals = line.rfind(archive_format::kFileIdSizeSeparator);
    long long date = 0;
    if (tab == std::string::npos || equals == std::string::npos || equals < tab ||
        !TryStrToInt(line.substr(tab + 1, equals - tab - 1), date)) {
      std::printf("%s\n", line.c_str());
      continue;
    }
    std::printf("%s  %s  %s bytes\n", line.substr(0, tab).c_str(),
                DateTimeText(DosDateTimeToDateTime(static_cast<uint32_t>(date))).c_str(),
                line.substr(equals + 1).c_str());
  }
  return 0;
}

int Extract(const TArgs& args) {
  const TArgs positional = Positional(args, {"--target", "--mode"});
  if (positional.empty()) return UsageError("usage: archive extract ARCHIVE [FILE...]");
  const std::string archive = positional[0];
  if (!FileExists(archive)) return Fail("no archive " + archive);
  TCliBackup backup;
  TRestoreMode mode = rmAll;
  if (!ParseName(OptionValue(args, "--mode", "all"), kModes, mode))
    return UsageError("the mode is one of all, no-overwrite, newer, existing, existing-newer");
  backup.SetRestoreMode(mode);
  backup.SetRestoreFullPath(HasFlag(args, "--full-path"));
  const TStringList chosen(positional.begin() + 1, positional.end());
  if (!chosen.empty())
    backup.OnRestoreFile = [&](TComponent*, std::string&, const std::string& stored, int32_t,
                               bool& restore) {
      bool wanted = false;
      for (const std::string& mask : chosen)
        wanted = wanted || stored == mask || MatchesMask(stored, mask);
      restore = restore && wanted;
    };
  std::string missing;
  backup.OnNeedDisk = [&](TComponent*, uint16_t disk, bool& go) {
    const std::string volume = ChangeFileExt(archive, Format(".%03d", disk % 1000));
    go = FileExists(volume);
    if (!go) missing = volume;
  };
  const bool ok = backup.ExtractArchive(archive, OptionValue(args, "--target"));
  if (ok) std::printf("%d files restored\n", backup.FilesProcessed());
  return backup.Status(
      ok, missing.empty() ? "the extraction was stopped" : "the volume " + missing + " is missing");
}

int Merge(const TArgs& args) {
  const TArgs positional = Positional(args, {});
  if (positional.size() < 2) return UsageError("usage: archive merge MERGED ARCHIVE...");
  for (size_t i = 1; i < positional.size(); ++i)
    if (!FileExists(positional[i])) return Fail("no archive " + positional[i]);
  TCliBackup backup;
  const bool ok =
      backup.MergeArchives(positional[0], TStringList(positional.begin() + 1, positional.end()));
  if (ok) std::printf("%d file-ID lines merged\n", backup.FileCount());
  return backup.Status(ok, "the merge was not completed");
}

const TCliRegistrar kCreate(
    {"archive create",
     "ARCHIVE SPEC... [--title T] [--level fastest|none|default|max] [--volume-size BYTES] "
     "[--file-ids] [--incremental] [--clear-archive-flag]",
     "pack the files of the specifications (paths or masks, \" /s\" for sub-folders)", Create,
     true});
const TCliRegistrar kList({"archive list", "ARCHIVE",
                           "print an archive's title, sizes and file-ID list", List, true});
const TCliRegistrar kExtract(
    {"archive extract",
     "ARCHIVE [FILE|MASK...] [--target DIR] [--mode all|no-overwrite|newer|existing|"
     "existing-newer] [--full-path]",
     "restore all or the chosen files (to their place, or into DIR)", Extract, true});
const TCliRegistrar kMerge({"archive merge", "MERGED ARCHIVE...",
                            "merge a full archive and its incremental ones into one", Merge, true});

}  // namespace
}  // namespace vaultora::cli
