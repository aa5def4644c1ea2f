#include "platform/folders.h"

#include <filesystem>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace vaultora {

namespace {

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return (value && *value) ? std::string(value) : fallback;
}

std::string HomeFolder() {
  return EnvOr("HOME", "/tmp");
}

}  // namespace

std::string IncludeTrailingSlash(const std::string& folder) {
  if (!folder.empty() && folder.back() == '/') return folder;
  return folder + "/";
}

std::string ExcludeTrailingSlash(const std::string& folder) {
  if (folder.size() > 1 && folder.back() == '/') return folder.substr(0, folder.size() - 1);
  return folder;
}

namespace {

// True for an absolute path that normalising would leave as it is (no "." or ".." part, no
// empty part, no trailing '/'): the common case of a listed file, spared the general way.
bool IsNormalAbsolute(std::string_view path) {
  if (path.size() < 2 || path[0] != '/' || path.back() == '/') return false;
  for (size_t at = 0; at != std::string_view::npos; at = path.find('/', at + 1)) {
    const std::string_view rest = path.substr(at + 1);
    const std::string_view part = rest.substr(0, rest.find('/'));
    if (part.empty() || part == "." || part == "..") return false;
  }
  return true;
}

}  // namespace

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || IsNormalAbsolute(path)) return path;
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return ExcludeTrailingSlash(
      (error ? std::filesystem::path(path) : absolute).lexically_normal().string());
}

std::string AppDataFolder() {
  std::string folder;
  if (const char* home = std::getenv("VAULTORA_HOME"); home && *home) {
    folder = home;
  } else {
    folder = EnvOr("XDG_DATA_HOME", HomeFolder() + "/.local/share") + "/vaultora";
  }
  folder = IncludeTrailingSlash(folder);
  ForceDirectories(folder);
  return folder;
}

std::string RegistryFilePath() {
  std::string folder;
  if (const char* home = std::getenv("VAULTORA_HOME"); home && *home) {
    folder = home;
  } else {
    folder = EnvOr("XDG_CONFIG_HOME", HomeFolder() + "/.config") + "/vaultora";
  }
  ForceDirectories(folder);
  return IncludeTrailingSlash(folder) + "registry.db";
}

std::string AutostartFolder() {
  return IncludeTrailingSlash(EnvOr("XDG_CONFIG_HOME", HomeFolder() + "/.config") + "/autostart");
}

std::string ExtractFileName(const std::string& path) {
  const size_t at = path.rfind('/');
  return at == std::string::npos ? path : path.substr(at + 1);
}

std::string ExtractFilePath(const std::string& path) {
  const size_t at = path.rfind('/');
  return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

std::string ExtractFileExt(const std::string& path) {
  const std::string name = ExtractFileName(path);
  const size_t at = name.rfind('.');
  return at == std::string::npos ? std::string() : name.substr(at);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  const std::string folder = ExtractFilePath(path);
  std::string name = ExtractFileName(path);
  const size_t at = name.rfind('.');
  if (at != std::string::npos) name.resize(at);
  return folder + name + ext;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  const std::string target = ExcludeTrailingSlash(path);
  if (DirectoryExists(target)) return true;
  const size_t at = target.rfind('/');
  if (at != std::string::npos && at > 0) ForceDirectories(target.substr(0, at));
  if (mkdir(target.c_str(), 0777) != 0 && errno != EEXIST) return false;
  return DirectoryExists(target);
}

bool DeleteFile(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

long long FileSizeOf(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

namespace {

std::string CreateFileFromPattern(std::string pattern) {
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) return {};
  ::close(fd);
  return name.data();
}

}  // namespace

std::string CreateTempFile(const std::string& prefix) {
  return CreateFileFromPattern(IncludeTrailingSlash(EnvOr("TMPDIR", "/tmp")) + prefix + "XXXXXX");
}

std::string CreateTempFileBeside(const std::string& target) {
  return CreateFileFromPattern(ExtractFilePath(target) + "." + ExtractFileName(target) + ".XXXXXX");
}

namespace {

bool SyncPath(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  const int error = errno;
  ::close(fd);
  errno = error;
  return ok;
}

}  // namespace

bool SyncToDisk(const std::string& path) {
  if (!SyncPath(path, O_RDONLY)) return false;
  const std::string folder = ExtractFilePath(path);
  SyncPath(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY);
  return true;
}

bool ReplaceFile(const std::string& source, const std::string& target) {
  return std::rename(source.c_str(), target.c_str()) == 0;
}

}  // namespace vaultora
