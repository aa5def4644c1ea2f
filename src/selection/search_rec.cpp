#include "selection/search_rec.h"

#include "platform/archive_flag.h"
#include "platform/folders.h"

namespace vaultora {

TDateTime ModificationTimeOf(const struct stat& status) {
  return UnixToDateTime(status.st_mtim.tv_sec, status.st_mtim.tv_nsec);
}

TSearchRec SearchRecOf(const std::string& folder, const std::string& name,
                       const struct stat& status, TArchiveFlags* flags) {
  TSearchRec rec;
  rec.Name = name;
  rec.Size = S_ISDIR(status.st_mode) ? 0 : status.st_size;
  rec.Attr = FileAttrOf(folder + name, status, flags);
  rec.Time = ModificationTimeOf(status);
  rec.FindData = status;
  return rec;
}

bool FindSearchRec(const std::string& path, TSearchRec& rec, TArchiveFlags& flags) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return false;
  const std::string name = ExtractFileName(ExcludeTrailingSlash(path));
  rec = SearchRecOf(ExtractFilePath(ExcludeTrailingSlash(path)), name, status, &flags);
  return true;
}

}  // namespace vaultora
