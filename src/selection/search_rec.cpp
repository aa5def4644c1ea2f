#include "selection/search_rec.h"

#include <unistd.h>

#include "platform/folders.h"

namespace vaultora {

TDateTime ModificationTimeOf(const struct stat& status) {
  return UnixToDateTime(status.st_mtim.tv_sec, status.st_mtim.tv_nsec);
}

bool FindSearchRec(const std::string& path, TSearchRec& rec) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return false;
  rec = TSearchRec{};
  rec.Name = ExtractFileName(ExcludeTrailingSlash(path));
  rec.FindData = status;
  rec.Time = ModificationTimeOf(status);
  if (S_ISDIR(status.st_mode)) {
    rec.Attr |= faDirectory;
  } else {
    rec.Size = status.st_size;
  }
  if ((status.st_mode & S_IWUSR) == 0) rec.Attr |= faReadOnly;
  if (!rec.Name.empty() && rec.Name[0] == '.') rec.Attr |= faHidden;
  return true;
}

}  // namespace vaultora
