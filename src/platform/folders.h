#pragma once
// Where the program keeps its files. $VAULTORA_HOME, when set, holds a whole isolated profile.

#include <string>

namespace vaultora {

// The program's own folder (logs, default working folder, new list files), with a trailing '/',
// created on first use: $VAULTORA_HOME, else $XDG_DATA_HOME/vaultora, else
// ~/.local/share/vaultora.
std::string AppDataFolder();

// The settings hive: $VAULTORA_HOME/registry.db, else $XDG_CONFIG_HOME/vaultora/registry.db.
std::string RegistryFilePath();

// The folder for desktop autostart entries ($XDG_CONFIG_HOME/autostart/).
std::string AutostartFolder();

std::string IncludeTrailingSlash(const std::string& folder);
std::string ExcludeTrailingSlash(const std::string& folder);
// A path typed by the user as an absolute one: relative to the current folder, "." and ".."
// parts folded, no trailing '/'; "" stays "".
std::string AbsolutePath(const std::string& path);
std::string ExtractFileName(const std::string& path);  // after the last '/'
std::string ExtractFilePath(const std::string& path);  // up to and with the last '/'
std::string ExtractFileExt(const std::string& path);   // from the last '.' of the name
std::string ChangeFileExt(const std::string& path, const std::string& ext);

bool FileExists(const std::string& path);       // a regular file (or a link to one)
bool DirectoryExists(const std::string& path);  // a folder (or a link to one)
// Creates the folder and its parents; false when it does not exist afterwards.
bool ForceDirectories(const std::string& path);
bool DeleteFile(const std::string& path);
// Size in bytes, -1 when the file cannot be read.
long long FileSizeOf(const std::string& path);

// A new empty temporary file in $TMPDIR (default /tmp) whose name begins with prefix; the path,
// or "" when none could be made.
std::string CreateTempFile(const std::string& prefix);
// Creates an empty hidden file ".NAME.XXXXXX" in the folder of target, for content that is
// renamed over target when complete (the rename never crosses file systems); "" on failure
// with errno set.
std::string CreateTempFileBeside(const std::string& target);

// Writes the file's content and then the folder entry that names it to the disk; false (errno
// set) when the file's content could not be written.
bool SyncToDisk(const std::string& path);

// Renames source over target in one step (same folder), the way rewritten files are replaced.
bool ReplaceFile(const std::string& source, const std::string& target);

}  // namespace vaultora
