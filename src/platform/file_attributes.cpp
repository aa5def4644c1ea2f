#include "platform/file_attributes.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/archive_flag.h"
#include "platform/date_time.h"
#include "platform/folders.h"

namespace vaultora {

namespace {

int PlainAttributes(const std::string& path, const struct stat& st) {
  int attr = 0;
  if (S_ISDIR(st.st_mode)) attr |= faDirectory;
  if ((st.st_mode & S_IWUSR) == 0) attr |= faReadOnly;
  const std::string name = ExtractFileName(ExcludeTrailingSlash(path));
  if (!name.empty() && name[0] == '.') attr |= faHidden;
  return attr;
}

TFileStamp StampOf(const struct stat& st) {
  return {static_cast<int64_t>(st.st_size),
          static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

int32_t DosAge(const struct stat& st) {
  return static_cast<int32_t>(
      DateTimeToDosDateTime(UnixToDateTime(st.st_mtim.tv_sec, st.st_mtim.tv_nsec)));
}

int WithArchive(int attr, bool archive) {
  if (archive) attr |= faArchive;
  return attr == 0 ? faNormal : attr;
}

}  // namespace

int FileGetAttr(const std::string& path, TArchiveFlags& flags) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return -1;
  return FileAttrOf(path, st, &flags);
}

int FileAttrOf(const std::string& path, const struct stat& st, TArchiveFlags* flags) {
  const int attr = PlainAttributes(path, st);
  return WithArchive(attr, flags && !S_ISDIR(st.st_mode) && flags->IsSet(path, StampOf(st)));
}

int FileGetAttr(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return -1;
  if (S_ISDIR(st.st_mode)) return WithArchive(PlainAttributes(path, st), false);
  TArchiveFlags flags;
  return FileGetAttr(path, flags);
}

bool FileStampOf(const std::string& path, TFileStamp& stamp) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  stamp = StampOf(st);
  return true;
}

bool FileStampOf(int handle, TFileStamp& stamp) {
  struct stat st {};
  if (fstat(handle, &st) != 0) return false;
  stamp = StampOf(st);
  return true;
}

bool FolderLinkStamp(const std::string& path, TFileStamp& stamp, int32_t& age) {
  struct stat link {
  }, target{};
  if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode) ||
      stat(path.c_str(), &target) != 0 || !S_ISDIR(target.st_mode))
    return false;
  stamp = {0, StampOf(link).MTimeNs};
  age = DosAge(link);
  return true;
}

int32_t FileAge(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? DosAge(st) : -1;
}

int32_t FileAge(int handle) {
  struct stat st {};
  return fstat(handle, &st) == 0 ? DosAge(st) : -1;
}

bool FileSetDate(const std::string& path, int32_t dosDateTime) {
  const std::time_t seconds =
      DateTimeToUnix(DosDateTimeToDateTime(static_cast<uint32_t>(dosDateTime)));
  struct timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

}  // namespace vaultora
