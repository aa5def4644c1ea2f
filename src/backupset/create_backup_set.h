#pragma once
// TCreateBackupSet: builds one backup set. It reads the title, file list and base backup of a
// manual run (BackupWizard) or of a schedule, filters the list (rules expanded, files compared
// with the state recorded at the base), packs the files into an archive in the working folder,
// enciphers it with the user's key into the ".BFE" file, records the backup in the catalogue
// and keeps a copy of the list beside it as ".bfl". Only after the backup is recorded is the
// file list rewritten with the state of the files taken; a failed or stopped run leaves the
// list file, the catalogue and the working folder as they were.
//
// Runs on the user-interface thread; long steps call ProcessMessages(), through which
// StopBackup (from any event handler or a user action) gets in. One run at a time.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/backup_file.h"
#include "backupset/file_list_filter.h"
#include "platform/component.h"

namespace vaultora {

class TArchiveEncryptor;
class TBlowfish;
class TIniRegistryEditor;

// One catalogued backup.
struct TBackupItem {
  std::string BackupID;  // the catalogue key name
  std::string Title;
  std::string Title2;  // a second copy of the title, kept for the lists that show it
  std::string Session;
};

// The status line of a recorded backup that could not take every file.
std::string IncompleteBackupText(size_t notTaken);

class TCreateBackupSet : public TComponent {
 public:
  using TNotifyEvent = std::function<void(TComponent* sender)>;
  using TNotifyStart = std::function<void(TComponent* sender, const std::string& title,
                                          const std::string& appending)>;
  using TNotifyBackupState = std::function<void(TComponent* sender, const std::string& title,
                                                int totalFiles, int size, int compressionRate)>;
  using TNotifyAddFile =
      std::function<void(TComponent* sender, const std::string& filename, bool& stopScan)>;
  using TNotifyMessage = std::function<void(TComponent* sender, const std::string& message)>;

  explicit TCreateBackupSet(TComponent* owner = nullptr);
  ~TCreateBackupSet() override;  // stops a running build, keeping nothing but what was there

  // Published, in declaration order.
  TNotifyStart OnStart;     // Appending is the base backup's title or "[None]"
  TNotifyEvent OnFinished;  // the file list is final; compression starts
  TNotifyBackupState GetBackupStats;
  TNotifyEvent BeforeEncrypt;
  TNotifyEvent AfterEncrypt;  // also after a failed encryption
  TProgressEvent OnBackupProgress;
  TBackupErrorEvent OnBackupError;
  TNotifyAddFile OnAddFile;  // a file found by a monitoring rule is added
  TNotifyMessage OnException;
  TNotifyMessage OnStatus;
  TNotifyEvent BeforeLoadStats;
  bool IsScheduledBackup = false;
  std::string ScheduleName;
  // Referenced, not owned; when unset, the first of its class owned by the builder's owner.
  TIniRegistryEditor* RegistryEditor = nullptr;
  TBlowfish* Blowfish = nullptr;

  // Runs one backup set; true when it was recorded. False at once while a run is busy.
  bool Execute();
  // Asks a running build to stop. With deleteAll the archive and its ".BFE" go, otherwise the
  // archive only; then "Backup stopped" is reported.
  void StopBackup(bool deleteAll);
  bool Busy() const;
  const std::string& ArchiveFileName() const { return FArchiveFileName; }
  // The size of the plain archive of the run (which never reaches the disk itself).
  int64_t ArchiveSize() const { return FArchiveSize; }
  // Every catalogued backup with its title and list.
  std::vector<TBackupItem> LoadBackupList();
  // The backup ID of the run, once it is recorded ("" before, and after a failed run).
  const std::string& BackupID() const { return FBackupID; }
  // The files of the last run that could not be taken, each reported by a status line: a
  // recorded backup with any of them is incomplete.
  const std::vector<TNotTakenFile>& NotTaken() const { return FNotTaken; }
  // Recorded, but some files could not be taken.
  bool Incomplete() const { return !FBackupID.empty() && !FNotTaken.empty(); }
  // The last run stopped because no file was new or changed since its base: nothing to do,
  // which is not a failure.
  bool NothingNew() const { return FNothingNew; }
  TBackupFile& BackupFile() { return *FBackupFile; }

 private:
  // Reads title, list and base of the run; false (with its messages) when one is missing.
  bool ChooseBackupSet();
  bool BuildBackupSet();
  int FindAppendBackup(const std::string& setting);
  bool CanEncrypt(const std::string& key, TBlowfish* cipher);
  bool FinishEncryption(TArchiveEncryptor& sealed, TBlowfish& cipher);
  void LoadArchiveStats();
  void RecordBackup();
  void SaveFileList();
  void DeleteRunFiles(bool withEncrypted);
  TIniRegistryEditor& Store();
  TBlowfish* Cipher();
  void Status(const std::string& line) { Fire(OnStatus, this, line); }
  bool Stopped() const { return FStopped; }

  std::unique_ptr<TBackupFile> FBackupFile;
  std::unique_ptr<TIniRegistryEditor> FOwnStore;  // only when no store was given or found
  TFileListFilter FFilter;

  // Run state.
  std::string FBackupTitle;
  std::string FFileListName;
  std::string FAppendSetting;
  std::string FArchiveFileName;
  std::string FEncryptedFileName;
  std::string FBackupID;
  std::string FMACText;
  int64_t FArchiveSize = 0;
  int FAppendIndex = -1;
  std::vector<TBackupItem> FBackupList;
  std::vector<TNotTakenFile> FNotTaken;
  bool FRunning = false;
  bool FStopped = false;
  bool FNothingNew = false;
};

}  // namespace vaultora
