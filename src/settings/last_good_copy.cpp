#include "settings/last_good_copy.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/date_time.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "settings/hive.h"
#include "settings/registry_error.h"

namespace vaultora {

namespace {

// SQLite keeps a hive's log and index beside it under these suffixes; they belong to the file
// and move with it.
const char* const kCompanions[] = {"-wal", "-shm"};

[[noreturn]] void FailToMove(const std::string& from, const std::string& to) {
  throw ERegistryException(
      Format("Cannot move \"%s\" to \"%s\": %s", from.c_str(), to.c_str(), strerror(errno)));
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// Moves the hive and its companions to a name that no earlier move used.
std::string KeepAside(const std::string& hivePath) {
  std::string kept;
  for (int n = 1; Exists(kept = hivePath + ".damaged-" + std::to_string(n)); ++n) {
  }
  if (!ReplaceFile(hivePath, kept)) FailToMove(hivePath, kept);
  for (const char* suffix : kCompanions) {
    const std::string from = hivePath + suffix;
    if (Exists(from) && !ReplaceFile(from, kept + suffix)) FailToMove(from, kept + suffix);
  }
  return kept;
}

// Runs write on a new empty file beside target, then renames it over target.
template <typename TWrite>
void WriteBeside(const std::string& target, TWrite write) {
  const std::string temp = CreateTempFileBeside(target);
  if (temp.empty())
    throw ERegistryException(
        Format("Cannot create a file beside \"%s\": %s", target.c_str(), strerror(errno)));
  try {
    write(temp);
    if (!ReplaceFile(temp, target)) FailToMove(temp, target);
  } catch (...) {
    DeleteFile(temp);
    throw;
  }
  SyncToDisk(target);
}

}  // namespace

std::string LastGoodCopyPath(const std::string& hivePath) {
  return hivePath + ".last-good";
}

void SaveLastGoodCopy(const std::string& hivePath) {
  THive hive(hivePath);
  WriteBeside(LastGoodCopyPath(hivePath), [&](const std::string& temp) { hive.WriteCopy(temp); });
}

TRestoredSettings RestoreLastGoodCopy(const std::string& hivePath) {
  const std::string copyPath = LastGoodCopyPath(hivePath);
  struct stat st {};
  if (::stat(copyPath.c_str(), &st) != 0)
    throw ERegistryException(
        Format("There is no last good copy of the settings file \"%s\" (\"%s\" is made after "
               "each successful backup).",
               hivePath.c_str(), copyPath.c_str()));
  const std::unique_ptr<THive> copy = THive::OpenCopy(copyPath);
  TRestoredSettings restored;
  restored.SavedOn = IsoDateTimeText(UnixToDateTime(st.st_mtim.tv_sec));
  // The copy stays for another time: a fresh copy of it goes in place, with one rename once
  // the replaced hive is out of the way.
  WriteBeside(hivePath, [&](const std::string& temp) {
    copy->WriteCopy(temp);
    if (Exists(hivePath)) restored.KeptAsPath = KeepAside(hivePath);
  });
  return restored;
}

}  // namespace vaultora
