#include "backupset/create_backup_set.h"

#include <chrono>
#include <exception>
#include <thread>

#include "archive/blowfish.h"
#include "archive/cipher_helpers.h"
#include "archive/encryption_key.h"
#include "catalogue/catalogue.h"
#include "platform/date_time.h"
#include "platform/folders.h"
#include "platform/system_names.h"
#include "platform/text.h"
#include "schedule/schedule_keys.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_key.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

constexpr const char* kNoBase = "[None]";
constexpr const char* kAutomatedBackup = "Automated Backup";
constexpr const char* kAppendNext = "*";  // a schedule whose first backup is still to be made

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

TCompressionLevel CompressionLevelOf(int32_t compressionType) {
  switch (compressionType) {
    case 0:
      return clFastest;
    case 1:
      return clDefault;
    default:
      return clMax;
  }
}

}  // namespace

TCreateBackupSet::TCreateBackupSet(TComponent* owner)
    : TComponent(owner), FBackupFile(std::make_unique<TBackupFile>()) {
  FBackupFile->SetBackupMode(bmAll);
  FBackupFile->SetCompressionLevel(clMax);
  FBackupFile->SetRestoreMode(rmAll);
  FBackupFile->SetMaxSize(0);
  FBackupFile->SetSetArchiveFlag(false);
  FBackupFile->SetRestoreFullPath(true);
  FBackupFile->SetSaveFileID(true);
  FBackupFile->SetSaveMetadata(true);
  FBackupFile->SetStoreNamedFolderLinks(true);  // the list filter passes such links as entries
  FBackupFile->OnProgress = [this](TComponent*, const std::string& file, TPercentage percent,
                                   bool& canContinue) {
    Fire(OnBackupProgress, this, file, percent, canContinue);
    if (FStopped) canContinue = false;
  };
  FBackupFile->OnError = [this](TComponent*, int32_t code, const std::string& text) {
    Fire(OnBackupError, this, code, text);
  };
  FFilter.OnStatus = [this](const std::string& line) { Status(line); };
  FFilter.OnAddFile = [this](const std::string& file, bool& stopScan) {
    Fire(OnAddFile, this, file, stopScan);
  };
  FFilter.Stopped = [this] { return FStopped; };
}

TCreateBackupSet::~TCreateBackupSet() {
  Destroying();
  StopBackup(false);
}

bool TCreateBackupSet::Busy() const {
  return FRunning || FBackupFile->Busy() || FFilter.Busy();
}

TIniRegistryEditor& TCreateBackupSet::Store() {
  if (!RegistryEditor && Owner())
    RegistryEditor = Owner()->FindComponentOfClass<TIniRegistryEditor>();
  if (RegistryEditor) return *RegistryEditor;
  if (!FOwnStore) FOwnStore = std::make_unique<TIniRegistryEditor>();
  return *FOwnStore;
}

TBlowfish* TCreateBackupSet::Cipher() {
  if (!Blowfish && Owner()) Blowfish = Owner()->FindComponentOfClass<TBlowfish>();
  return Blowfish;
}

std::vector<TBackupItem> TCreateBackupSet::LoadBackupList() {
  std::vector<TBackupItem> items;
  for (const TCatalogueEntry& entry : TCatalogue(Store()).Entries())
    items.push_back({entry.Id, entry.BackupTitle, entry.BackupTitle, entry.Session});
  return items;
}

int TCreateBackupSet::FindAppendBackup(const std::string& setting) {
  FBackupList = LoadBackupList();
  if (FBackupList.empty() || setting.empty()) return -1;
  for (size_t i = 0; i < FBackupList.size(); ++i)
    if (FBackupList[i].BackupID == setting) return static_cast<int>(i);
  return -1;
}

bool TCreateBackupSet::Execute() {
  if (Busy()) return false;
  FStopped = false;
  FNothingNew = false;
  FBackupID.clear();
  FNotTaken.clear();
  FMACText.clear();
  FArchiveFileName.clear();
  FEncryptedFileName.clear();
  FArchiveSize = 0;
  FRunning = true;
  bool ok = false;
  try {
    if (ChooseBackupSet()) {
      ok = BuildBackupSet();
      Status(ok ? "Backup finished" : "Backup failed");
      if (ok && !FNotTaken.empty()) Status(IncompleteBackupText(FNotTaken.size()));
    }
  } catch (const std::exception& e) {
    // A failure no step reported by itself (the settings store, a file that vanished).
    Fire(OnException, this, std::string(e.what()));
    DeleteRunFiles(true);
    Status("Backup failed");
  }
  if (!ok) FBackupID.clear();
  FRunning = false;
  return ok;
}

std::string IncompleteBackupText(size_t notTaken) {
  return "Backup incomplete, " + IntToStr(static_cast<long long>(notTaken)) +
         " file(s) could not be taken";
}

bool TCreateBackupSet::ChooseBackupSet() {
  bool hasAppendSetting = false;
  if (IsScheduledBackup) {
    const TRegistryKey store(Store(), keys::kScheduleKey);
    FFileListName = store.ReadString(ScheduleName, schedule::kDefaultSession, "");
    FBackupTitle = store.ValueExists(ScheduleName, schedule::kBackupTitle)
                       ? store.ReadString(ScheduleName, schedule::kBackupTitle, "")
                       : kAutomatedBackup;
    hasAppendSetting = store.ValueExists(ScheduleName, schedule::kAppendBackup);
    FAppendSetting = store.ReadString(ScheduleName, schedule::kAppendBackup, "");
    if (store.ValueExists(ScheduleName, schedule::kIncludeBackupNo))
      FBackupTitle += "_" + IntToStr(static_cast<long long>(LoadBackupList().size()) + 1);
  } else {
    namespace k = keys::setting;
    FFileListName = ReadSetting(Store(), k::WizardSession);
    FBackupTitle = ReadSetting(Store(), k::WizardBackupTitle);
    const std::optional<std::string> append = ReadStoredSetting(Store(), k::WizardAppendBackup);
    hasAppendSetting = append.has_value();
    FAppendSetting = append.value_or("");
  }
  FAppendIndex = FindAppendBackup(hasAppendSetting ? FAppendSetting : "");

  const bool hasTitle = !Trim(FBackupTitle).empty();
  const bool hasList = !Trim(FFileListName).empty();
  if (!hasTitle) Status("A backup title has not been defined");
  if (!hasList) Status("A backup file list has not been selected");
  return hasTitle && hasList;
}

bool TCreateBackupSet::BuildBackupSet() {
  const std::string appending = FAppendIndex >= 0 ? FBackupList[FAppendIndex].Title : kNoBase;
  Fire(OnStart, this, FBackupTitle, appending);
  Status("Retrieving file(s) for Compression");

  if (FFilter.Load(FFileListName)) FFilter.Filter(FAppendIndex >= 0);
  if (FStopped) return false;
  const TStringList& files = FFilter.Files();
  if (files.empty()) {
    FNothingNew = true;
    Status("No new file(s) have been added to this backup archive.");
    Status("Backup stopped.");
    return false;
  }

  TCatalogue catalogue(Store());
  // Two runs in the same clock tick would share an ID and overwrite each other's backup.
  FBackupID = BackupIdOf(Now());
  while (catalogue.Exists(FBackupID) || FileExists(catalogue.ArchivePath(FBackupID))) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    FBackupID = BackupIdOf(Now());
  }
  FArchiveFileName = catalogue.PlainArchivePath(FBackupID);
  FEncryptedFileName = catalogue.ArchivePath(FBackupID);
  FBackupFile->SetBackupTitle(FBackupTitle);
  FBackupFile->SetCompressionLevel(
      CompressionLevelOf(ReadSetting(Store(), keys::setting::CompressionType)));
  FBackupFile->SetCompressionThreads(ReadSetting(Store(), keys::setting::CompressionThreads));
  Fire(OnFinished, this);

  // The archive is enciphered as it is written: the user's files never reach the disk in plain
  // text. Without a key or a cipher nothing is written.
  const std::string key = ReadEncryptionKey(Store());
  TBlowfish* cipher = Cipher();
  if (!CanEncrypt(key, cipher)) return false;
  Status("Compressing File(s)");
  std::unique_ptr<TArchiveEncryptor> sealed;
  bool created = false;
  try {
    sealed = std::make_unique<TArchiveEncryptor>(*cipher, key, FEncryptedFileName);
  } catch (const std::exception& e) {
    Fire(OnException, this, "Encrytpion execption, " + std::string(e.what()));
    cipher->Burn();
    return false;
  }
  try {
    // The enciphered archive grows beside its final name while it is written.
    created = FBackupFile->CreateArchiveInto(files, *sealed, sealed->TemporaryPath()) && !FStopped;
  } catch (const std::exception& e) {
    // A listed file that could not be opened while the archive's size was taken.
    Fire(OnException, this, std::string(e.what()));
  }
  FArchiveSize = sealed->PlainBytes();
  if (!created) {
    sealed.reset();
    cipher->Burn();
    DeleteRunFiles(true);
    LoadArchiveStats();
    Status("Compression Failed");
    return false;
  }
  LoadArchiveStats();
  FNotTaken = FFilter.Skipped();
  for (const TNotTakenFile& file : FBackupFile->NotTaken()) {
    Status("Skipping file " + Quoted(file.Path) + ", " + file.Reason);
    FNotTaken.push_back(file);
  }
  if (!FinishEncryption(*sealed, *cipher) || FStopped) {
    DeleteRunFiles(true);
    return false;
  }
  RecordBackup();
  return true;
}

void TCreateBackupSet::LoadArchiveStats() {
  Fire(BeforeLoadStats, this);
  Status("Retrieving archive details");
  Fire(GetBackupStats, this, FBackupFile->BackupTitle(), static_cast<int>(FBackupFile->FileCount()),
       static_cast<int>(FBackupFile->TotalSize()), FBackupFile->CompressionRate());
}

bool TCreateBackupSet::CanEncrypt(const std::string& key, TBlowfish* cipher) {
  if (Trim(key).empty()) {
    Status("Encryption key has not been defined in \"Options\"");
    Status("Encryption failed");
    return false;
  }
  if (!cipher) {
    Status("Encryption failed, Blowfish not located for encryption");
    return false;
  }
  return true;
}

bool TCreateBackupSet::FinishEncryption(TArchiveEncryptor& sealed, TBlowfish& cipher) {
  Fire(BeforeEncrypt, this);
  bool ok = false;
  try {
    FMACText = sealed.Finish();
    Status(FMACText.empty() ? "Encrypting failed" : "Encrypting Completed");
    ok = true;
  } catch (const std::exception& e) {
    Fire(OnException, this, "Encrytpion execption, " + std::string(e.what()));
  }
  cipher.Burn();
  Fire(AfterEncrypt, this);
  return ok;
}

void TCreateBackupSet::RecordBackup() {
  TIniRegistryEditor& store = Store();
  TCatalogue catalogue(store);
  const std::string listCopy = catalogue.FileListPath(FBackupID);
  {
    // The entry and the schedule's pointer at it change together.
    TRegistryTransaction transaction(store);
    TBackupRecord record;
    record.FinishDateTime = Now();
    record.Session = listCopy;
    record.Size = FArchiveSize;
    record.User = UserName();
    record.MAC = FMACText;
    record.BackupTitle = FBackupTitle;
    if (FAppendIndex >= 0) record.Incremental = FBackupList[FAppendIndex].BackupID;
    catalogue.RecordBackup(FBackupID, record);
    if (IsScheduledBackup) {
      const TRegistryKey schedules(store, keys::kScheduleKey);
      if (schedules.ReadString(ScheduleName, schedule::kAppendBackup, "") == kAppendNext)
        schedules.WriteString(ScheduleName, schedule::kAppendBackup, FBackupID);
    }
    transaction.Commit();
  }
  SaveFileList();
  // The copy holds the list as this backup took it, even when the user's file was kept.
  bool copied = false;
  try {
    copied = FFilter.ContentsList().SaveToFile(listCopy);
  } catch (const std::exception&) {
  }
  if (copied)
    Status("File list for " + Quoted(FBackupTitle) + " created");
  else
    Status("Failed to create a file list for " + Quoted(FBackupTitle));
}

void TCreateBackupSet::SaveFileList() {
  // Only now, with the backup recorded, may the list say that these files are taken; a list
  // the user changed during the run is kept as it is (the next run takes the files again).
  if (FFilter.ChangedSinceLoad(FFileListName)) {
    Fire(OnException, this,
         "File list " + Quoted(FFileListName) + " was changed during the backup and is kept");
    return;
  }
  try {
    FFilter.UpdatedList().SaveToFile(FFileListName);
    Status("File list " + Quoted(FFileListName) + " updated");
  } catch (const std::exception& e) {
    Fire(OnException, this, std::string(e.what()));
  }
}

void TCreateBackupSet::DeleteRunFiles(bool withEncrypted) {
  if (!FArchiveFileName.empty()) DeleteFile(FArchiveFileName);
  if (withEncrypted && !FEncryptedFileName.empty()) DeleteFile(FEncryptedFileName);
}

void TCreateBackupSet::StopBackup(bool deleteAll) {
  if (!Busy()) return;
  FStopped = true;
  if (FBackupFile->Busy()) FBackupFile->Stop();
  DeleteRunFiles(deleteAll);
  Status("Backup stopped");
}

}  // namespace vaultora
