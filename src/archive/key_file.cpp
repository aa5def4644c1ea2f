#include "archive/key_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/private_file.h"

namespace vaultora {

bool ReadKeyFile(const std::string& path, std::string& key) {
  std::ifstream file(path, std::ios::binary);
  if (!file || !std::getline(file, key)) return false;
  if (!key.empty() && key.back() == '\r') key.pop_back();
  return true;
}

bool WriteKeyFile(const std::string& path, const std::string& key, std::string& error) {
  if (!CreatePrivateFile(path)) {
    error = std::strerror(errno);
    return false;
  }
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  const std::string line = key + "\n";
  const bool written = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  const int writeErrno = errno;
  const bool synced = ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !synced || !closed) {
    error = std::strerror(written ? errno : writeErrno);
    return false;
  }
  return true;
}

}  // namespace vaultora
