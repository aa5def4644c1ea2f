#pragma once
// File attributes and dates as the archive, the builder and the file search see them, mapped
// onto POSIX files: directory from the file type, read-only when the owner may not write,
// hidden when the name begins with '.', system and volume never, archive from the emulated
// archive flag (archive_flag.h). Times are packed DOS date/times in local time.

#include <sys/stat.h>

#include <cstdint>
#include <string>

namespace vaultora {

constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faNormal = 0x80;  // reported when no other attribute applies
constexpr int faAnyFile = 0x3F;

class TArchiveFlags;

// The attributes of path, or -1 when it does not exist. The archive attribute is looked up in
// flags when given, else through a connection opened for this call.
int FileGetAttr(const std::string& path);
int FileGetAttr(const std::string& path, TArchiveFlags& flags);
// The attributes of path from the status a walk already read; the archive
// attribute only when flags is given (a walk that does not need it saves the lookup).
int FileAttrOf(const std::string& path, const struct stat& st, TArchiveFlags* flags);

// What identifies one version of a file's contents for the emulated archive attribute.
struct TFileStamp {
  int64_t Size = 0;
  int64_t MTimeNs = 0;  // modification time in nanoseconds since the Unix epoch
};
bool FileStampOf(const std::string& path, TFileStamp& stamp);
bool FileStampOf(int handle, TFileStamp& stamp);

// A symbolic link to a folder is stored as a link, with no data of its own: true when path is
// one, with the stamp (size 0) and packed DOS date/time of the link itself. Never follows it.
bool FolderLinkStamp(const std::string& path, TFileStamp& stamp, int32_t& age);

// Last-write time as a packed DOS date/time (date high, time low); -1 when the file is missing.
int32_t FileAge(const std::string& path);
int32_t FileAge(int handle);
// Sets the last-write time from a packed DOS date/time; false on failure.
bool FileSetDate(const std::string& path, int32_t dosDateTime);

}  // namespace vaultora
