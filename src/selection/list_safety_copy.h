#pragma once
// A copy of a backup file list taken when a wizard opens on it, so that leaving the wizard
// without applying can put the list back as it was, whatever the list editor or a parent's list
// did to it meanwhile.

#include <string>

namespace vaultora {

class TListSafetyCopy {
 public:
  // Copies the list under a new list file name in the working folder. False (and nothing kept)
  // when the list is missing or the copy fails.
  bool Make(const std::string& original, const std::string& workingFolder);
  bool Made() const { return !FCopy.empty(); }
  // The copy file is still there.
  bool Exists() const;
  const std::string& Original() const { return FOriginal; }
  const std::string& Copy() const { return FCopy; }
  // Writes the copy over the original name; false when there is no copy or it fails.
  bool PutBack() const;
  // Deletes the copy file and forgets it.
  void Drop();

 private:
  std::string FOriginal, FCopy;
};

}  // namespace vaultora
