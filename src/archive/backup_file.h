#pragma once
// TBackupFile: packs files into a backup archive (docs/archive_format.md) and unpacks, lists
// and merges archives. Every operation runs on the calling (user-interface) thread, which fires
// every event (writing only hands the deflating of blocks to worker threads), calls
// ProcessMessages() after every block and file, and ends after the current block once Stop()
// is called or a handler clears its continue flag. Failures are recorded as an error code and
// reported once at the end through OnError, or with ShowError when no handler is set; the
// structural read errors of ExtractArchive are raised as EArchiveError. Not for use by two
// operations at once (Busy tells whether one runs).

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "archive/archive_errors.h"
#include "archive/block_codec.h"
#include "archive/file_metadata.h"
#include "platform/component.h"
#include "platform/file_attributes.h"
#include "platform/streams.h"
#include "platform/text.h"

namespace vaultora {

enum TBackupMode : int { bmAll = 0, bmIncremental = 1 };
enum TCompressionLevel : int { clFastest = 0, clNone = 1, clDefault = 2, clMax = 3 };
enum TRestoreMode : int {
  rmAll = 0,
  rmNoOverwrite = 1,
  rmNewer = 2,
  rmExisting = 3,
  rmExistingNewer = 4,
};

// Whether extraction under mode writes a stored file over its target: exists says the target is
// there, older that it is older than the stored file.
bool RestoreModeAllows(TRestoreMode mode, bool exists, bool older);

using TPercentage = int;

using TProgressEvent = std::function<void(TComponent* sender, const std::string& filename,
                                          TPercentage percent, bool& canContinue)>;
using TNeedDiskEvent = std::function<void(TComponent* sender, uint16_t diskId, bool& cont)>;
using TRestoreFileEvent =
    std::function<void(TComponent* sender, std::string& filename, const std::string& originalFile,
                       int32_t fa, bool& doRestore)>;
using TBackupErrorEvent =
    std::function<void(TComponent* sender, int32_t error, const std::string& errString)>;
using TAppendFileToStream =
    std::function<void(TComponent* sender, const std::string& filename, bool& doAppendFile)>;

// The zlib level of a compression level: 1, 0, -1 (zlib's default) and 9.
int ZlibLevel(TCompressionLevel level);

class TBlockPipeline;
class TBufferedReader;
class TBufferedWriter;
class TArchiveFlags;
class TRestoreTarget;

// A file a backup could not take, and why in words.
struct TNotTakenFile {
  std::string Path;
  std::string Reason;
};

class TBackupFile : public TComponent {
 public:
  explicit TBackupFile(TComponent* owner = nullptr);
  ~TBackupFile() override;

  // --- published properties ---
  std::string Version() const { return "3.00"; }
  void SetVersion(const std::string&) {}  // read-only: assigning has no effect
  const std::string& BackupTitle() const { return FBackupTitle; }
  void SetBackupTitle(const std::string& title) { FBackupTitle = title; }
  TBackupMode BackupMode() const { return FBackupMode; }
  // bmIncremental also sets SetArchiveFlag; bmAll leaves it as it is.
  void SetBackupMode(TBackupMode mode);
  TCompressionLevel CompressionLevel() const { return FCompressionLevel; }
  void SetCompressionLevel(TCompressionLevel level) { FCompressionLevel = level; }
  TRestoreMode RestoreMode() const { return FRestoreMode; }
  void SetRestoreMode(TRestoreMode mode) { FRestoreMode = mode; }
  // Volume size limit in bytes; 0 = no volumes.
  int32_t MaxSize() const { return FMaxSize; }
  void SetMaxSize(int32_t size) { FMaxSize = size; }
  bool SetArchiveFlag() const { return FSetArchiveFlag; }
  void SetSetArchiveFlag(bool value) { FSetArchiveFlag = value; }
  bool RestoreFullPath() const { return FRestoreFullPath; }
  void SetRestoreFullPath(bool value) { FRestoreFullPath = value; }
  bool SaveFileID() const { return FSaveFileID; }
  void SetSaveFileID(bool value) { FSaveFileID = value; }
  // Also store each file's mode, owner, exact time and whether it is a link, in a record of
  // its own after the files; extraction applies what such a record holds (file_metadata.h).
  bool SaveMetadata() const { return FSaveMetadata; }
  void SetSaveMetadata(bool value) { FSaveMetadata = value; }
  // A path that names a link to a folder stores the link rather than the folder's files: for
  // callers whose paths name entries exactly (a backup set's filtered list). Off by default.
  bool StoreNamedFolderLinks() const { return FStoreNamedFolderLinks; }
  void SetStoreNamedFolderLinks(bool value) { FStoreNamedFolderLinks = value; }
  // Threads that deflate the blocks of an archive being written; 0 (the default) or more than
  // the processors there are: one a processor. The archive's bytes are the same for any number.
  int CompressionThreads() const { return FCompressionThreads; }
  void SetCompressionThreads(int threads) { FCompressionThreads = threads; }

  TProgressEvent OnProgress;
  TNeedDiskEvent OnNeedDisk;
  TRestoreFileEvent OnRestoreFile;
  TBackupErrorEvent OnError;
  TAppendFileToStream OnAppendFile;

  // --- writing ---
  // Builds the archive file archiveName from the files that the file patterns fileSpecs name
  // (paths, folders and wildcard masks, " /s" for sub-folders; archive/file_specs.h); ":STREAM"
  // as archiveName writes into the SaveToStream stream. True when every record and the end
  // word were written and no error was recorded. A source file that cannot be opened while the
  // total size is taken raises EStreamError to the caller.
  // With SetArchiveFlag the stored files' archive attributes are cleared only when the whole
  // archive succeeded, so a failed or stopped backup takes the files again next time.
  bool CreateArchive(const TStringList& fileSpecs, const std::string& archiveName);
  // Writes the archive into out from its position, without volumes, as CreateArchive writes a
  // file (and raising what it raises); the file excluded is never taken into the archive.
  bool CreateArchiveInto(const TStringList& fileSpecs, TStream& out, const std::string& excluded);
  // Writes the archive into stream from its position, without volumes; false for a missing
  // stream or when the archive cannot be made (the reason is recorded, as LastError says).
  bool SaveToStream(const TStringList& fileSpecs, TStream* stream);
  // The files a CreateArchive with these file patterns would store, under the current mode.
  TStringList ExpandFileSpec(const TStringList& fileSpecs, const std::string& archiveName = {});
  // 100 - bytes archived * 100 / total size, for the last archive written.
  int CompressionRate() const;

  // --- reading ---
  // Reads the header and, when fileList is given, the embedded file-ID list. A missing archive
  // returns at once with an empty title; open and read failures are reported at once (3, 5).
  void ReadArchiveInfo(const std::string& archiveName, TStringList* fileList, std::string& title);
  // Restores the archive's files under RestoreMode; false when the archive does not exist, an
  // error was recorded or the operation was stopped. Raises EArchiveError ("Cannot read
  // archive", "Invalid archive type") for an archive that cannot be opened or is damaged.
  bool ExtractArchive(const std::string& archiveName, const std::string& targetFolder);
  // Builds the restore archive mergedName from the archives in order (a full backup and the
  // incremental backups on it): their file-ID lists, then every record of each.
  bool MergeArchives(const std::string& mergedName, const TStringList& archives);

  // Reads a whole single-volume archive from archive's position and inflates every block of
  // every record without writing anything; true when all of it reads. Otherwise problem says
  // what is wrong, in words, with the record's name. Counts FilesProcessed and
  // BytesProcessed and fires OnProgress; Stop applies.
  bool TestArchive(TStream& archive, std::string& problem);

  bool Busy() const { return FBusy; }
  void Stop() { FContinue = false; }

  // --- run-time state of the last operation ---
  int32_t TotalSize() const { return static_cast<int32_t>(static_cast<uint32_t>(FTotalSize)); }
  int64_t TotalSize64() const { return FTotalSize; }  // not wrapped at 4 GiB
  int32_t FileCount() const { return FFileCount; }
  int FilesProcessed() const { return FFilesProcessed; }  // stored or restored
  int64_t BytesProcessed() const { return FBytesProcessed; }
  int64_t BytesArchived() const { return FBytesArchived; }
  // The threads that deflated the last archive written.
  int ThreadsUsed() const { return FThreadsUsed; }
  const std::string& CurrentFile() const { return FCurrentFile; }
  int32_t LastError() const { return FLastError; }
  // Files of the last archive written that were not taken: deleted or made unreadable between
  // the expansion and their reading. The rest of the archive is complete.
  const std::vector<TNotTakenFile>& NotTaken() const { return FNotTaken; }
  // Stored names of the last extraction that would have left the target folder (a ".." part,
  // a link out of it): skipped with their data, the rest restored, and reported as an error.
  const std::vector<std::string>& UnsafeNamesSkipped() const { return FUnsafeNames; }

 private:
  class TBlockSink;
  class TFileSink;
  class TMemorySink;
  class TCheckSink;
  struct TWriteState;

  // shared
  // Records the first failure of an operation; detail, when given, says it in words (a full
  // disk and the file) and is reported instead of the code's standard text.
  void RecordError(int32_t code, const std::string& detail = {});
  void ReportError();
  // Reports code with its standard text, or with detail when one is given.
  void ReportNow(int32_t code, const std::string& detail = {});
  void ReportUnsafeNames();
  void Progress(const std::string& filename, TPercentage percent);
  void BlockDone(const std::string& filename);
  bool AskForDisk(int volume);
  TPercentage ProgressPercent() const;

  // writing
  bool WriteArchive(const TStringList& files, const std::string& archiveName, bool toStream,
                    bool idHead, std::vector<std::pair<std::string, TFileStamp>>& stored);
  void StartRun(TWriteState& state);
  void EndRun(TWriteState& state);
  void WriteBlock(TWriteState& state, TBlockPipeline& pipeline);
  bool StartNextVolume(TWriteState& state);

  // reading
  void ReadBlockRun(TBufferedReader& in, TBlockSink* sink);
  void ReadZlibRun(TBufferedReader& in, TBlockSink* sink);
  void ReadLegacyRun(TBufferedReader& in, TBlockSink* sink);
  void DataRestored(TBlockSink* sink, int produced);
  void RestoreRecord(TBufferedReader& in, const std::string& storedName, int32_t date,
                     const std::string& folder, TRestoreTarget& pending);
  void ReadIntoTarget(TBufferedReader& in, TRestoreTarget& pending);
  bool FinishFile(TRestoreTarget& pending);
  void ApplyRestoredMetadata();
  bool DecideRestore(const std::string& target, int32_t storedDate) const;
  std::unique_ptr<TFileStream> OpenNextVolume(const std::string& archiveName,
                                              const std::string& record);

  // merging
  bool CollectFileLists(const TStringList& archives, TStringList& lines);
  bool AppendArchive(const std::string& archive, TBufferedWriter& out);
  void CopyFileRecord(TBufferedReader& in, TBufferedWriter& out, const std::string& name,
                      int32_t date);

  std::string FBackupTitle;
  TBackupMode FBackupMode = bmAll;
  TCompressionLevel FCompressionLevel = clFastest;
  TRestoreMode FRestoreMode = rmAll;
  int32_t FMaxSize = 0;
  bool FSetArchiveFlag = false;
  bool FRestoreFullPath = false;
  bool FSaveFileID = false;
  bool FSaveMetadata = false;
  bool FStoreNamedFolderLinks = false;
  int FCompressionThreads = 0;
  int FThreadsUsed = 1;
  std::string FMetadataFile;  // while writing: the temporary file of the metadata record
  // While extracting: what the metadata records said, and the stored files restored (by target).
  std::map<std::string, TFileMetadata> FMetadata;
  std::map<std::string, std::string> FRestored;  // stored name -> target
  std::string FPendingStored;
  std::vector<std::string> FUnsafeNames;
  std::string FErrorDetail;  // of FLastError

  int64_t FTotalSize = 0;
  int32_t FFileCount = 0;
  int FFilesProcessed = 0;
  int64_t FBytesProcessed = 0;
  int64_t FBytesArchived = 0;
  std::string FCurrentFile;
  bool FMergeMode = false;
  bool FBusy = false;
  bool FContinue = false;
  int32_t FLastError = 0;
  std::vector<TNotTakenFile> FNotTaken;
  TStream* FStream = nullptr;
  std::string FExcluded;  // while writing into a stream: the file never taken

  // Two fixed block buffers, reused by reading and merging; larger legacy blocks on demand.
  std::vector<uint8_t> FData;
  std::vector<uint8_t> FPacked;
  std::vector<uint8_t> FLegacyIn;
  std::vector<uint8_t> FLegacyOut;
  TBlockInflater FInflater;
};

}  // namespace vaultora
