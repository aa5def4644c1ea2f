#include "selection/list_safety_copy.h"

#include <cstring>
#include <filesystem>

#include "platform/folders.h"
#include "selection/file_list.h"
#include "selection/file_list_format.h"

namespace vaultora {

namespace fs = std::filesystem;

bool TListSafetyCopy::Make(const std::string& original, const std::string& workingFolder) {
  Drop();
  if (original.empty() || !FileExists(original)) return false;
  ForceDirectories(workingFolder);
  const std::string name = NewFileListName(workingFolder);
  const std::string base = name.substr(0, name.size() - std::strlen(kFileListExtension));
  std::string copy = name;
  // Two copies within the same tick of the clock get different names.
  for (int n = 1; FileExists(copy) || copy == original; ++n)
    copy = base + "_" + std::to_string(n) + kFileListExtension;
  std::error_code ec;
  if (!fs::copy_file(original, copy, ec)) return false;
  FOriginal = original;
  FCopy = copy;
  return true;
}

bool TListSafetyCopy::Exists() const {
  return Made() && FileExists(FCopy);
}

bool TListSafetyCopy::PutBack() const {
  if (!Exists()) return false;
  std::error_code ec;
  return fs::copy_file(FCopy, FOriginal, fs::copy_options::overwrite_existing, ec);
}

void TListSafetyCopy::Drop() {
  if (Made()) {
    std::error_code ec;
    fs::remove(FCopy, ec);
  }
  FCopy.clear();
  FOriginal.clear();
}

}  // namespace vaultora
