#include "selection/search_rec.h"

#include "platform/archive_flag.h"
#include "platform/folders.h"

namespace vaultora {

TDateTime ModificationTimeOf(const struct stat& status) {
  return UnixToDateTime(status.st_mtim.tv_sec, status.st_mtim.tv_nsec);
}

bool FindSearchRec(const std::string& path, TSearchRec& rec, TArchiveFlags& flags) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return false;
  const int attr = FileGetAttr(path, flags);
  if (attr < 0) return false;
  rec = TSearchRec{};
  rec.Name = ExtractFileName(ExcludeTrailingSlash(path));
  rec.Size = S_ISDIR(status.st_mode) ? 0 : status.st_size;
  rec.Attr = attr;
  rec.Time = ModificationTimeOf(status);
  rec.FindData = status;
  return true;
}

}  // namespace vaultora
