#pragma once
// The emulated archive attribute. Clearing it records the file's path, size and modification
// time in a table of the application's own database; the attribute reads as set when no record
// exists or the file's size or time differs, so any later change of the file sets it again.
// One connection per instance; statements never outlive a call. Not shared between threads;
// several instances and processes may use the same database at once.

#include <string>
#include <utility>
#include <vector>

#include "platform/file_attributes.h"

struct sqlite3;

namespace vaultora {

// AppDataFolder() + "attributes.db".
std::string ArchiveFlagsDatabasePath();

class TArchiveFlags {
 public:
  explicit TArchiveFlags(const std::string& databasePath = ArchiveFlagsDatabasePath());
  ~TArchiveFlags();
  TArchiveFlags(const TArchiveFlags&) = delete;
  TArchiveFlags& operator=(const TArchiveFlags&) = delete;

  // True when the file's archive attribute is set. A file that cannot be examined, or a
  // database that cannot be read, reads as set: a backup then takes the file rather than lose it.
  bool IsSet(const std::string& path);
  bool IsSet(const std::string& path, const TFileStamp& stamp);

  // Clears the attribute for the file's current contents, or for the contents described by
  // stamp (taken when the file was read, so a change made since then sets it again).
  bool Clear(const std::string& path);
  bool Clear(const std::string& path, const TFileStamp& stamp);
  // Clears many in one transaction; false when any could not be recorded.
  bool ClearAll(const std::vector<std::pair<std::string, TFileStamp>>& files);
  // Sets the attribute again (forgets the record).
  bool Set(const std::string& path);

 private:
  bool Record(const std::string& path, const TFileStamp& stamp);
  sqlite3* FDatabase = nullptr;
};

}  // namespace vaultora
