#include "platform/folder_listing.h"

#include <dirent.h>
#include <sys/stat.h>

namespace vaultora {

std::unordered_set<std::string> RegularFilesIn(const std::string& folder) {
  std::unordered_set<std::string> names;
  DIR* dir = folder.empty() ? nullptr : ::opendir(folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    bool regular = entry->d_type == DT_REG;
    if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
      struct stat st {};
      regular = ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
    }
    if (regular) names.emplace(entry->d_name);
  }
  ::closedir(dir);
  return names;
}

}  // namespace vaultora
