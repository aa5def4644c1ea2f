#include "archive/restore_target.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string_view>

#include "archive/buffered_io.h"
#include "platform/file_attributes.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace vaultora {

namespace {

bool HasParentStep(const std::string& path) {
  for (const std::string& part : Split(path, '/'))
    if (part == "..") return true;
  return false;
}

// The resolved form of the deepest folder on path's way that exists.
std::string ResolvedExistingPart(std::string path) {
  while (!path.empty()) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved)) return resolved;
    const size_t at = ExcludeTrailingSlash(path).rfind('/');
    if (at == std::string::npos) return {};
    path = at == 0 ? "/" : path.substr(0, at);
  }
  return {};
}

constexpr std::string_view kTempPrefix = ".vaultora-restore-";
constexpr std::string_view kTempSuffix = ".tmp";

// Opens a new file with a random hidden name in folder, with the permissions new files get.
int CreateTempBeside(const std::string& folder, std::string& name) {
  thread_local std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = folder + std::string(kTempPrefix) +
           Format("%016llx", static_cast<unsigned long long>(random())) + std::string(kTempSuffix);
    const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

}  // namespace

int RemoveStaleTemporaries(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return 0;
  int removed = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.size() <= kTempPrefix.size() + kTempSuffix.size() || !name.starts_with(kTempPrefix) ||
        !name.ends_with(kTempSuffix))
      continue;
    struct stat status {};
    if (::fstatat(::dirfd(dir), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(status.st_mode) && ::unlinkat(::dirfd(dir), entry->d_name, 0) == 0)
      ++removed;
  }
  ::closedir(dir);
  return removed;
}

bool RestoreTargetName(const std::string& storedName, const std::string& targetFolder,
                       bool fullPath, std::string& target) {
  if (HasParentStep(storedName)) return false;
  const std::string fileName = ExtractFileName(storedName);
  if (fileName.empty() || fileName == ".") return false;
  if (targetFolder.empty()) {
    if (storedName[0] != '/') return false;
    target = storedName;
    return true;
  }
  const std::string folder = IncludeTrailingSlash(targetFolder);
  if (!fullPath) {
    target = folder + fileName;
    return true;
  }
  const size_t start = storedName.find_first_not_of('/');
  target = folder + storedName.substr(start);
  return true;
}

bool StaysInsideFolder(const std::string& path, const std::string& folder) {
  const std::string base = ResolvedExistingPart(ExcludeTrailingSlash(folder));
  const std::string reached = ResolvedExistingPart(ExtractFilePath(path));
  if (base.empty() || reached.empty()) return false;
  return reached == base || StartsWith(reached, IncludeTrailingSlash(base));
}

TRestoreTarget::TRestoreTarget() = default;

TRestoreTarget::~TRestoreTarget() {
  Abandon();
}

void TRestoreTarget::Failed(const std::string& action, const std::string& file, int error) {
  FProblem = FileErrorText(error, action, file);
}

bool TRestoreTarget::Begin(const std::string& target, int32_t dosDate) {
  Abandon();
  FProblem.clear();
  const std::string folder = ExtractFilePath(target);
  if (folder.empty()) return false;
  if (!ForceDirectories(folder)) {
    Failed("create the folder", folder, errno);
    return false;
  }
  const int fd = CreateTempBeside(folder, FTempName);
  if (fd < 0) {
    Failed("create a file in", folder, errno);
    return false;
  }
  ::close(fd);
  try {
    FFile = std::make_unique<TFileStream>(FTempName, fmOpenReadWrite);
  } catch (const EStreamError&) {
    Failed("open", FTempName, errno);
    DeleteFile(FTempName);
    return false;
  }
  struct stat old {};
  if (stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
    fchmod(FFile->Handle(), old.st_mode & 07777);  // a replaced file keeps its permissions
  FWriter = std::make_unique<TBufferedWriter>(*FFile);
  FTarget = target;
  FDate = dosDate;
  return true;
}

void TRestoreTarget::Write(const void* data, int64_t count) {
  try {
    FWriter->Write(data, count);
  } catch (const EWriteError&) {
    Failed("write", FTarget, FFile->LastError());
    throw;
  }
}

bool TRestoreTarget::Commit() {
  if (!IsOpen()) return false;
  try {
    FWriter->Flush();
  } catch (const EStreamError&) {
    Failed("write", FTarget, FFile->LastError());
    Abandon();
    return false;
  }
  FWriter.reset();
  FFile.reset();
  if (!FileSetDate(FTempName, FDate) || !ReplaceFile(FTempName, FTarget)) {
    Failed("put in place", FTarget, errno);
    DeleteFile(FTempName);
    return false;
  }
  return true;
}

void TRestoreTarget::Abandon() {
  if (!IsOpen()) return;
  FWriter.reset();
  FFile.reset();
  DeleteFile(FTempName);
}

}  // namespace vaultora
