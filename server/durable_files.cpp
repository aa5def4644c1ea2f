#include "server/durable_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/folders.h"

namespace vaultora::server {

bool SyncPath(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

bool DurableRename(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0) return false;
  SyncPath(ExtractFilePath(from));
  return SyncPath(ExtractFilePath(to));
}

bool CreateEmptyFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok && SyncPath(ExtractFilePath(path));
}

int64_t SizeOfFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

bool TUploadFile::Open(const std::string& path) {
  Close();
  FFd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (FFd < 0) return false;
  FPath = path;
  FPending = false;
  FSyncedAt = TClock::now();
  return true;
}

int64_t TUploadFile::Size() const {
  struct stat st {};
  if (FFd < 0 || ::fstat(FFd, &st) != 0) return -1;
  return st.st_size;
}

bool TUploadFile::WriteAt(const void* data, size_t count, int64_t offset) {
  if (FFd < 0) return false;
  FPending = true;
  return ::pwrite(FFd, data, count, offset) == static_cast<ssize_t>(count);
}

bool TUploadFile::HasRoomFor(int64_t offset, int64_t count) const {
  if (FFd < 0 || count <= 0) return true;
  // The free space is asked for, not allocated: reserving it (fallocate) let any logged-on
  // client pin gigabytes it never sends, and on a memory-backed disk it zeroes them first.
  struct statvfs disk {};
  const int64_t size = Size();
  if (::fstatvfs(FFd, &disk) != 0 || size < 0) return true;
  const int64_t needed = offset + count - size;
  const int64_t free = static_cast<int64_t>(disk.f_bavail) * static_cast<int64_t>(disk.f_frsize);
  return needed <= free;
}

bool TUploadFile::Sync() {
  if (FFd < 0) return false;
  if (!FPending) return true;
  if (::fsync(FFd) != 0) return false;
  FPending = false;
  FSyncedAt = TClock::now();
  return true;
}

bool TUploadFile::SyncIfDue() {
  return !FPending || TClock::now() - FSyncedAt < kSyncInterval || Sync();
}

bool TUploadFile::Close() {
  if (FFd < 0) return true;
  const bool ok = Sync();
  ::close(FFd);
  FFd = -1;
  FPath.clear();
  return ok;
}

}  // namespace vaultora::server
