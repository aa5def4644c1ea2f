#include "support/catalogued_backup.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <stdexcept>

#include "archive/backup_file.h"
#include "archive/blowfish.h"
#include "archive/cipher_helpers.h"
#include "archive/encryption_key.h"
#include "catalogue/catalogue.h"
#include "platform/folders.h"
#include "settings/ini_registry_editor.h"
#include "settings/registry_keys.h"

namespace vaultora::test {

void StoreUserKey(TIniRegistryEditor& store, const std::string& key) {
  WriteEncryptionKey(store, key);
}

std::string AddCataloguedBackup(TIniRegistryEditor& store, const TCataloguedBackup& backup,
                                const std::string& key) {
  TCatalogue catalogue(store);
  const std::string archive = catalogue.PlainArchivePath(backup.Id);
  const std::string encrypted = catalogue.ArchivePath(backup.Id);
  TBackupFile writer;
  writer.SetSaveFileID(true);
  writer.SetBackupTitle(backup.Title);
  if (!writer.CreateArchive(backup.Files, archive))
    throw std::runtime_error("test archive not written");
  TBlowfish cipher;
  cipher.SetCipherMode(TCipherMode::CBC);
  TBackupRecord record;
  record.MAC = EncryptArchiveFile(cipher, key, archive, encrypted);
  record.Size = FileSizeOf(archive);
  DeleteFile(archive);
  TextToFloat(backup.Id, record.FinishDateTime);
  record.Session = catalogue.FileListPath(backup.Id);
  record.User = "tester";
  record.BackupTitle = backup.Title;
  record.Incremental = backup.Incremental;
  catalogue.RecordBackup(backup.Id, record);
  if (!backup.NeedToSend) catalogue.MarkSent(backup.Id);
  return encrypted;
}

TBackupProfile::TBackupProfile(std::string key) : Key(std::move(key)) {
  Store.SetRootKey(rtHKEY_CURRENT_USER);
  Store.SetFilename(keys::kBaseKey);
  Store.WriteString(keys::kPreferences, keys::preferences::kWorkingZipFolder, Work.Path());
  Store.WriteBool(keys::kPreferences, keys::preferences::kKeepLogFiles, true);
  StoreUserKey(Store, Key);
}

void TBackupProfile::Backup(const std::string& id, const TFileContents& files,
                            const std::string& incremental, bool needToSend) {
  TStringList paths;
  for (const auto& [name, content] : files) {
    WriteTextFile(Source / name, content);
    paths.push_back(Source / name);
  }
  AddCataloguedBackup(Store, {id, "Title " + id, paths, incremental, needToSend}, Key);
}

std::string TBackupProfile::FileOf(const std::string& id, const std::string& ext) const {
  return Work.Path() + ReplaceAll(id, ".", "_") + ext;
}

void SetFileDate(const std::string& path, TDateTime when) {
  const std::time_t seconds = DateTimeToUnix(when);
  struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

}  // namespace vaultora::test
