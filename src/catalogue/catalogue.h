#pragma once
// The backup catalogue: the client's record of every backup it knows, one sub-key of
// Software\Vaultora\Backups per backup, named after its ID. Every part of the program reads and
// writes the catalogue through TCatalogue instead of spelling its keys again.
//
// An entry's state follows from which of its four flag values exist (NeedToSend, SendPosition,
// ReceivePosition, Deleted; only their presence counts) and from whether its enciphered archive
// exists in the working folder. Its files are named after the ID with every "." turned into
// "_". TCatalogue works through the calling thread's own settings store, whose Filename it
// leaves as it was; raises ERegistryException when the hive fails.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/date_time.h"
#include "platform/text.h"

namespace vaultora {

class TIniRegistryEditor;
class TRegistryKey;

// The values of a catalogue entry (kinds: 1 string, 2 boolean, 3 integer).
namespace catalogue {
inline constexpr const char* kFinishDateTime = "FinishDateTime";    // 1, float day-number text
inline constexpr const char* kSession = "Session";                  // 1, path of the ".bfl"
inline constexpr const char* kSize = "Size";                        // 1, bytes of the plain archive
inline constexpr const char* kUser = "User";                        // 1
inline constexpr const char* kMAC = "MAC";                          // 1, 16 hexadecimal digits
inline constexpr const char* kBackupTitle = "BackupTitle";          // 1
inline constexpr const char* kNeedToSend = "NeedToSend";            // 2, flag
inline constexpr const char* kIncremental = "Incremental";          // 1, ID appended to
inline constexpr const char* kSendPosition = "SendPosition";        // 3, flag with a position
inline constexpr const char* kReceivePosition = "ReceivePosition";  // 3, flag with a position
inline constexpr const char* kDeleted = "Deleted";                  // 2, flag
}  // namespace catalogue

// The files of an entry in the working folder.
inline constexpr const char* kEncryptedArchiveExt = ".BFE";  // sent and received
inline constexpr const char* kFileListExt = ".bfl";          // the copy of the file list
inline constexpr const char* kPlainArchiveExt = ".bck";      // while building or restoring
inline constexpr const char* kMergedArchiveExt = "abf";      // appended without a dot
inline constexpr const char* kZipCompanionExt = ".Zip";      // removed with the archive

// Shown in the "Finished" column of an entry without FinishDateTime.
inline constexpr const char* kFailedBackupText = "Failed Backup";

enum TBackupState {
  bsToSend,         // NeedToSend, not Deleted
  bsPartlySent,     // NeedToSend and SendPosition (or SendPosition alone), not Deleted
  bsSentNotCached,  // none of the four flags, no local archive
  bsSentCached,     // none of the four flags, local archive
  bsReceiving,      // ReceivePosition, not Deleted
  bsDeleted,        // Deleted
};
const char* BackupStateText(TBackupState state);

// The main window's five views, by their view numbers.
enum TCatalogueView {
  cvOutbox = 0,
  cvInbox = 1,
  cvSentItems = 2,
  cvReceivingItems = 3,
  cvDeleted = 4,
};
inline constexpr TCatalogueView kCatalogueViews[] = {cvOutbox, cvInbox, cvSentItems,
                                                     cvReceivingItems, cvDeleted};
const char* ViewCaption(TCatalogueView view);  // "Outbox", "Inbox", ...

// The object attached to each row of a backups list.
struct TBackupId {
  std::string Key;
  std::string Session;
};

struct TCatalogueEntry {
  std::string Id;
  std::string FinishDateTime;  // "" when absent: a failed backup
  std::string Session, Size, User, MAC, BackupTitle;
  std::string Incremental;  // "" for a full backup
  bool NeedToSend = false;
  bool Deleted = false;
  bool HasSendPosition = false;
  bool HasReceivePosition = false;
  int32_t SendPosition = 0;
  int32_t ReceivePosition = 0;
  bool ArchiveExists = false;  // the ".BFE" in the working folder

  TBackupState State() const;
  bool InView(TCatalogueView view) const;
  // The entry reached the server at least in part: deleting it must go through the server.
  bool ReachedServer() const { return HasSendPosition || !NeedToSend; }
  bool HasFlags() const { return NeedToSend || Deleted || HasSendPosition || HasReceivePosition; }
};

// What the builder records for a new backup.
struct TBackupRecord {
  TDateTime FinishDateTime = 0;
  std::string Session;
  int64_t Size = 0;
  std::string User;
  std::string MAC;
  std::string BackupTitle;
  std::string Incremental;  // "" for a full backup
};

// Backup IDs: the start time as float day-number text; file bases with "_" for ".".
std::string BackupIdOf(TDateTime started);
bool BackupIdTime(const std::string& id, TDateTime& started);
std::string BackupFileBase(const std::string& id);
// The ID from any of an entry's file names: the name without folder and extension, "_" -> ".".
std::string BackupIdFromFileName(const std::string& path);

class TCatalogue {
 public:
  explicit TCatalogue(TIniRegistryEditor& store);

  // The working folder of the preferences (ReadWorkingFolder), where the entries' files are.
  std::string WorkingFolder();
  std::string ArchivePath(const std::string& id);        // ".BFE"
  std::string FileListPath(const std::string& id);       // ".bfl"
  std::string PlainArchivePath(const std::string& id);   // ".bck"
  std::string MergedArchivePath(const std::string& id);  // "abf"
  std::string ZipCompanionPath(const std::string& id);   // ".Zip"

  // The IDs in the store's order (case-insensitive name order).
  TStringList Ids();
  bool Exists(const std::string& id);
  TCatalogueEntry Entry(const std::string& id);
  std::vector<TCatalogueEntry> Entries();
  std::vector<TCatalogueEntry> EntriesInView(TCatalogueView view);
  // What the online workers take, in store order.
  std::vector<TCatalogueEntry> EntriesToSend();     // NeedToSend, not Deleted
  std::vector<TCatalogueEntry> EntriesToReceive();  // ReceivePosition, not Deleted
  std::vector<TCatalogueEntry> EntriesToDelete();   // Deleted

  // The restore chain of id: the backup its Incremental names, that one's, and so on back to
  // the full backup, and last id itself. Each ID once; a link to no existing entry ends it.
  TStringList RestoreChain(const std::string& id);

  // What keeps the chain of id from being restored whole on this computer: each backup of it
  // whose archive is not here, why, and a link to a backup the catalogue does not hold.
  struct TChainGap {
    enum TKind { cgOnServer, cgPartlyReceived, cgLost, cgNotCatalogued } Kind;
    std::string Id;
  };
  std::vector<TChainGap> ChainGaps(const std::string& id);

  // The derived tests over the whole catalogue (each reads it afresh).
  bool AnythingToSend();     // some entry has NeedToSend
  bool AnythingToReceive();  // some entry has ReceivePosition
  bool AnythingToDelete();   // some entry has Deleted

  // Writers, by transition.
  void RecordBackup(const std::string& id, const TBackupRecord& record);  // -> To send
  void WriteSendPosition(const std::string& id, int32_t position);
  void MarkSent(const std::string& id);  // removes NeedToSend and SendPosition
  // Writes ReceivePosition = 0 unless the entry has ReceivePosition or Deleted; true if written.
  bool MarkForFetching(const std::string& id);
  void WriteReceivePosition(const std::string& id, int32_t position);
  void ClearReceivePosition(const std::string& id);
  void MarkDeleted(const std::string& id);
  void UndoDelete(const std::string& id);
  void Erase(const std::string& id);  // the whole key

  // Section DelCache of the root key: the ".BFE" paths of restored backups, by ID.
  void AddToDelCache(const std::string& id, const std::string& archivePath);
  std::vector<std::pair<std::string, std::string>> DelCacheEntries();
  void EraseDelCache();

 private:
  TRegistryKey Root() const;     // Software\Vaultora
  TRegistryKey Backups() const;  // Software\Vaultora\Backups
  TIniRegistryEditor& FStore;
};

}  // namespace vaultora
