#pragma once
// Backups made for tests the way the builder makes them: an archive with its file-ID list,
// enciphered under the user's key into the working folder, and its catalogue entry.

#include <string>
#include <utility>
#include <vector>

#include "platform/date_time.h"
#include "platform/text.h"
#include "settings/ini_registry_editor.h"
#include "support/temp_folder.h"
#include "support/test_profile.h"

namespace vaultora::test {

struct TCataloguedBackup {
  std::string Id;
  std::string Title;
  TStringList Files;        // absolute paths
  std::string Incremental;  // the entry this one appends to, or ""
  bool NeedToSend = false;
};

// Stores key as the user's encryption key ("" removes it).
void StoreUserKey(TIniRegistryEditor& store, const std::string& key);
// Writes the ".BFE" file of the backup and its catalogue entry; returns the archive's path.
std::string AddCataloguedBackup(TIniRegistryEditor& store, const TCataloguedBackup& backup,
                                const std::string& key);
using TFileContents = std::vector<std::pair<std::string, std::string>>;

// A fresh profile with logging on, the user's key, a working folder and a folder of files to
// back up.
class TBackupProfile {
 public:
  explicit TBackupProfile(std::string key);
  // Writes the files (name, content) into Source and backs them up as entry id, titled
  // "Title " + id; sent unless needToSend.
  void Backup(const std::string& id, const TFileContents& files,
              const std::string& incremental = "", bool needToSend = false);
  // The path of an entry's file in the working folder.
  std::string FileOf(const std::string& id, const std::string& ext) const;

  TTestProfile Profile;
  TTempFolder Work;
  TTempFolder Source;
  TIniRegistryEditor Store;
  std::string Key;
};

// Sets a file's modification time.
void SetFileDate(const std::string& path, TDateTime when);

}  // namespace vaultora::test
