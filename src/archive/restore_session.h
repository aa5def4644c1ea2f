#pragma once
// TRestoreSession: restoring files from one backup of the catalogue; the work behind the
// "Restore" window and `vaultora-cli restore`. Start deciphers the backup's restore chain with
// the user's key, proves each archive against its catalogued MAC, merges a chain of several
// backups into one restore archive and lists its files; Extract restores all or chosen files;
// Close (also run by the destructor) records the archives left in the working folder in
// DelCache, removes the deciphered and merged files and writes "Restore.log".
//
// Every step reports its lines through OnLog (and collects them for the log while KeepLogFiles
// is set). The enciphered archive of an entry that still has NeedToSend is the only copy of that
// backup: no clean-up of the session ever deletes it.
//
// User-interface thread only; the archive operations process pending messages after every
// block, which lets RequestStop and Cancel act while Start or Extract runs.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "archive/backup_file.h"
#include "catalogue/catalogue.h"
#include "platform/component.h"
#include "platform/text.h"

namespace vaultora {

class TIniRegistryEditor;
class TBlowfish;

inline constexpr const char* kMacMismatchText = "Decryption failed, MAC mismatch";

// One listed file: a line of the archive's file-ID list.
struct TRestoreRow {
  std::string Name;  // the file part of the stored path
  std::string Date;  // of the stored packed date, "dd/mm/yyyy"
  std::string Time;  // "hh:mm:ss AM/PM"
  std::string Size;  // size text in KB or MB
  std::string Path;  // the folder part of the stored path, with its trailing '/'
  int64_t Bytes = 0;
  int32_t DosDate = 0;  // the stored packed date
  // Not named by the backup's file list when it was made (deleted before): restored only when
  // everything the chain holds is asked for.
  bool Deleted = false;
};

struct TRestoreOptions {
  bool OriginalPath = true;  // false: into Folder
  std::string Folder;
  bool UseFolderNames = false;  // with Folder: keep the stored folders below it
  bool AllFiles = true;         // false: only the rows in Selected
  std::vector<size_t> Selected;
  TRestoreMode Mode = rmNewer;
  // Also the files deleted before the backup was made that older backups of its chain hold.
  bool Everything = false;
};

class TRestoreSession : public TComponent {
 public:
  // key is the catalogue key of the backup to restore from.
  TRestoreSession(TComponent* owner, TIniRegistryEditor& store, std::string key);
  ~TRestoreSession() override;

  // "Restore " + the backup's title in double quotation marks.
  std::string Caption();

  // Deciphers and lists; true when at least one file is listed. A cipher exception is logged,
  // the deciphered files are removed and the exception is passed on.
  bool Start();
  // The error text for options that cannot be used ("Invalid folder name"), or "".
  static std::string CheckOptions(const TRestoreOptions& options);
  // Restores the listed files by the options; true when the archive was extracted.
  bool Extract(const TRestoreOptions& options);
  // Asks "Are you sure you want to abort the current process?"; on Yes stops the archive
  // operation and the download and removes the session's files. Returns the answer.
  bool RequestStop();
  // The cancel button: the running archive operation ends after its current block.
  void Cancel() { FCancelled = true; }
  // Removes the session's files, records the cache and writes the log; runs once, and a step
  // that fails is logged, not raised (it runs from the destructor).
  void Close() noexcept;

  bool Busy() const { return FBusy; }
  int FilesRestored() const { return FFilesRestored; }
  // The running archive operation's bytes so far and in all (a terminal's rate and time left).
  int64_t BytesDone() const;
  int64_t BytesInAll() const;
  // Files of the last Extract that were not restored because another stored file had already
  // been restored to the same target (each was logged by name).
  int Collisions() const { return FCollisions; }
  const std::string& Key() const { return FKey; }
  const TStringList& Chain() const { return FChain; }
  const std::vector<TRestoreRow>& Rows() const { return FRows; }
  const std::string& StatusText() const { return FStatus; }
  // The archive that Extract reads: the merged archive, or the one deciphered backup.
  std::string RestoreArchive();

  std::function<void(const std::string& line)> OnLog;
  std::function<void(const std::string& text)> OnStatus;
  std::function<void(const std::string& file, int percent)> OnProgress;
  // The running download of the chain is to stop as well.
  std::function<void()> OnStopDownload;

 private:
  void Log(const std::string& line);
  void SetStatus(const std::string& text);
  void RemoveStalePlaintext();
  bool DecryptChain(const std::string& userKey);
  bool DecryptOne(const std::string& id, const std::string& userKey);
  bool ListFiles();
  void AddRows(const TStringList& lines);
  void LoadContents();
  void DeleteDecryptedFiles();
  void DeleteArchiveOf(const std::string& id);
  void RestoreFileDecision(std::string& target, const std::string& stored, bool& doRestore);

  TIniRegistryEditor& FStore;
  TCatalogue FCatalogue;
  std::string FKey;
  TStringList FChain;
  std::string FMergedName;   // empty while the chain has one backup
  std::string FDeciphering;  // the archive being deciphered, for progress
  std::vector<TRestoreRow> FRows;
  std::string FStatus;
  TStringList FLogLines;     // collected while KeepLogFiles is set
  TBackupFile* FBackupFile;  // owned as a component
  TBlowfish* FCipher;        // owned as a component
  bool FBusy = false;
  bool FCancelled = false;
  bool FClosed = false;
  int FFilesRestored = 0;
  // Extraction in progress: its options and the stored names already handled.
  const TRestoreOptions* FOptions = nullptr;
  std::set<std::string> FHandledNames;
  std::set<std::string> FSelectedNames;         // stored paths of the selected rows
  std::map<std::string, std::string> FTargets;  // target -> the stored name restored to it
  std::set<std::string> FCleanedFolders;        // target folders whose stale temporaries went
  std::set<std::string> FContents;  // the paths the backup's file list named; empty: unknown
  int FCollisions = 0;
};

}  // namespace vaultora
