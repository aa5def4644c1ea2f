// The write side of TBackupFile: expanding the file patterns, the header, file records cut
// into blocks, volumes and the embedded file-ID list.
#include <algorithm>

#include "archive/archive_format.h"
#include "archive/backup_file.h"
#include "archive/block_pipeline.h"
#include "archive/buffered_io.h"
#include "archive/busy_scope.h"
#include "archive/file_metadata.h"
#include "archive/file_specs.h"
#include "archive/record_feed.h"
#include "platform/archive_flag.h"
#include "platform/folders.h"
#include "platform/process_messages.h"
#include "platform/processor_count.h"

namespace vaultora {

using namespace archive_format;

namespace {

constexpr std::string_view kStreamName = ":STREAM";

bool SaveText(const std::string& path, const std::string& text) {
  try {
    TFileStream file(path, fmCreate);
    file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    return true;
  } catch (const EStreamError&) {
    return false;
  }
}

}  // namespace

// The archive being written: the current volume and the writer over it.
struct TBackupFile::TWriteState {
  std::string ArchiveName;
  bool ToStream = false;
  std::unique_ptr<TFileStream> Volume;
  std::unique_ptr<TBufferedWriter> Writer;
  int VolumeNumber = 1;
  bool VolumeHasBlock = false;
  bool RunOpen = false;  // a record's run of blocks is open and needs its end word
};

TStringList TBackupFile::ExpandFileSpec(const TStringList& fileSpecs,
                                        const std::string& archiveName) {
  std::unique_ptr<TArchiveFlags> flags;
  if (FBackupMode == bmIncremental) flags = std::make_unique<TArchiveFlags>();
  return ExpandFileSpecs(fileSpecs, {archiveName, flags.get(), nullptr});
}

bool TBackupFile::SaveToStream(const TStringList& fileSpecs, TStream* stream) {
  if (!stream) return false;
  FStream = stream;
  FMaxSize = 0;
  bool ok = false;
  try {
    ok = CreateArchive(fileSpecs, std::string(kStreamName));
  } catch (const EStreamError& e) {
    // A source that cannot be opened while the total is taken: recorded, so the caller can say
    // which. Anything else (memory, a fault of ours) is not a failed archive and goes on up.
    RecordError(beCannotReadFile, e.what());
    ok = false;
  }
  FStream = nullptr;
  return ok;
}

bool TBackupFile::CreateArchiveInto(const TStringList& fileSpecs, TStream& out,
                                    const std::string& excluded) {
  FStream = &out;
  FExcluded = excluded;
  const int32_t maxSize = FMaxSize;
  FMaxSize = 0;
  struct TRestore {
    TBackupFile& File;
    int32_t MaxSize;
    ~TRestore() {
      File.FStream = nullptr;
      File.FExcluded.clear();
      File.FMaxSize = MaxSize;
    }
  } restore{*this, maxSize};
  return CreateArchive(fileSpecs, std::string(kStreamName));
}

bool TBackupFile::CreateArchive(const TStringList& fileSpecs, const std::string& archiveName) {
  if (FBusy) return false;
  TBusyScope busy(FBusy);
  FLastError = 0;
  FFilesProcessed = 0;
  FBytesProcessed = FBytesArchived = 0;
  FCurrentFile.clear();
  const bool toStream = archiveName == kStreamName;
  const bool withIds = FSaveFileID && !FMergeMode;

  std::unique_ptr<TArchiveFlags> flags;
  if (!FMergeMode && (FBackupMode == bmIncremental || FSetArchiveFlag))
    flags = std::make_unique<TArchiveFlags>();
  TStringList files = fileSpecs;
  FNotTaken.clear();
  if (!FMergeMode) {
    TStringList missing;
    TFileSpecOptions options{toStream ? FExcluded : archiveName,
                             FBackupMode == bmIncremental ? flags.get() : nullptr, &missing,
                             FStoreNamedFolderLinks};
    files = ExpandFileSpecs(fileSpecs, options);
    for (const std::string& path : missing)
      FNotTaken.push_back({path, "deleted during the backup"});
  }
  FContinue = true;
  Progress("", 0);

  // Sizes are summed in 64 bits; the header keeps the low 32 bits.
  FTotalSize = 0;
  std::string idText;
  TStringList taken;
  for (const std::string& path : files) {
    TFileStamp link;
    int32_t linkAge = 0;
    if (!FMergeMode && FolderLinkStamp(path, link, linkAge)) {  // stored as a link, no data
      taken.push_back(path);
      if (withIds)
        idText += path + kFileIdDateSeparator + IntToStr(linkAge) + kFileIdSizeSeparator + "0" +
                  std::string(kLineBreak);
      continue;
    }
    // A file deleted or made unreadable since the list was made is left out and named; the
    // rest of the backup goes on.
    std::unique_ptr<TFileStream> opened;
    try {
      opened = std::make_unique<TFileStream>(path, fmOpenRead);
    } catch (const EStreamError& e) {
      FNotTaken.push_back({path, FileExists(path) ? "cannot be read (" + std::string(e.what()) + ")"
                                                  : std::string("deleted during the backup")});
      continue;
    }
    TFileStream& source = *opened;
    taken.push_back(path);
    const int64_t size = source.Size();
    FTotalSize += size;
    if (withIds)
      idText += path + kFileIdDateSeparator + IntToStr(FileAge(source.Handle())) +
                kFileIdSizeSeparator + IntToStr(size) + std::string(kLineBreak);
  }
  if (!FMergeMode) files = std::move(taken);
  std::string idFile;
  bool idHead = false;
  if (withIds) {
    idFile = CreateTempFile("FID");
    if (idFile.empty() || !SaveText(idFile, idText)) {
      RecordError(beFileIdTempFile);
    } else {
      files.insert(files.begin(), idFile);
      idHead = true;
      FTotalSize += static_cast<int64_t>(idText.size());
    }
  }

  // Mode, owner, exact time and links, in a record after the files (see file_metadata.h).
  std::string metaFile;
  if (FSaveMetadata && !FMergeMode) {
    std::string metaText;
    for (size_t i = idHead ? 1 : 0; i < files.size(); ++i)
      if (const std::string line = MetadataLine(files[i]); !line.empty())
        metaText += line + std::string(kLineBreak);
    metaFile = CreateTempFile("FMD");
    if (!metaFile.empty() && SaveText(metaFile, metaText)) {
      files.push_back(metaFile);
      FTotalSize += static_cast<int64_t>(metaText.size());
      FMetadataFile = metaFile;
    } else if (!metaFile.empty()) {
      DeleteFile(metaFile);
      metaFile.clear();
    }
  }

  std::vector<std::pair<std::string, TFileStamp>> stored;
  const bool written = FContinue && WriteArchive(files, archiveName, toStream, idHead, stored);
  if (!idFile.empty()) DeleteFile(idFile);
  if (!metaFile.empty()) DeleteFile(metaFile);
  FMetadataFile.clear();
  const bool ok = written && FLastError == 0;
  // Archive attributes are cleared only once the archive is complete: a file whose backup
  // failed, or that sits in an archive the caller discards, must be taken again next time.
  if (ok && flags && FSetArchiveFlag) flags->ClearAll(stored);
  Progress("", 100);
  FBusy = false;
  ReportError();
  return ok;
}

bool TBackupFile::WriteArchive(const TStringList& files, const std::string& archiveName,
                               bool toStream, bool idHead,
                               std::vector<std::pair<std::string, TFileStamp>>& stored) {
  TWriteState state;
  state.ArchiveName = archiveName;
  state.ToStream = toStream;
  try {
    if (toStream) {
      if (!FStream) {
        RecordError(beCannotWriteArchive);
        return false;
      }
      state.Writer = std::make_unique<TBufferedWriter>(*FStream);
    } else {
      state.Volume = std::make_unique<TFileStream>(archiveName, fmCreate);
      state.Writer = std::make_unique<TBufferedWriter>(*state.Volume);
    }
    if (!FMergeMode)
      FFileCount =
          static_cast<int32_t>(files.size()) - (idHead ? 1 : 0) - (FMetadataFile.empty() ? 0 : 1);
    state.Writer->WriteText(FMergeMode ? kMergedTitle : std::string_view(FBackupTitle));
    state.Writer->WriteInt32(FMergeMode ? kMergedTotalSize : TotalSize());
    state.Writer->WriteInt32(FFileCount);
    FBytesProcessed = FBytesArchived = 0;

    TBlockPipeline pipeline(ZlibLevel(FCompressionLevel), WorkerThreads(FCompressionThreads));
    FThreadsUsed = pipeline.Threads();
    TRecordFeed feed(files, pipeline);
    TFileStamp stamp;
    while (FContinue) {
      feed.Fill();
      if (feed.Empty()) break;
      const TFeedItem item = feed.Front();
      feed.Pop();
      const std::string& path = files[item.Index];
      const bool isMeta = !FMetadataFile.empty() && path == FMetadataFile;
      const bool isList = FMergeMode || (idHead && item.Index == 0) || isMeta;
      switch (item.Kind) {
        case TFeedItem::kMissing:
          FNotTaken.push_back({path, "deleted during the backup"});
          break;
        case TFeedItem::kUnreadable:
          RecordError(beCannotReadFile);
          break;
        case TFeedItem::kRecord:
          FCurrentFile = path;
          stamp = item.Stamp;
          state.Writer->WriteText(isMeta   ? std::string(kMetadataName)
                                  : isList ? std::string(kFileListName)
                                           : path);
          state.Writer->WriteInt32(item.Age);
          StartRun(state);
          break;
        case TFeedItem::kBlock:
          WriteBlock(state, pipeline);
          break;
        case TFeedItem::kReadFailed:
          RecordError(beCannotReadFile);
          break;
        case TFeedItem::kEnd:
          EndRun(state);
          if (!isList) {
            ++FFilesProcessed;
            stored.emplace_back(path, stamp);
          }
          ProcessMessages();
          break;
      }
    }
    if (state.RunOpen && state.Writer) EndRun(state);
    bool complete = false;
    if (FContinue && state.Writer) {
      if (!FMergeMode) state.Writer->WriteInt32(0);
      complete = true;
    }
    if (state.Writer) state.Writer->Flush();
    return complete;
  } catch (const EFileWriteError& e) {
    RecordError(beCannotWriteArchive, e.what());
    return false;
  } catch (const EStreamError&) {
    RecordError(beCannotWriteArchive);
    return false;
  }
}

void TBackupFile::StartRun(TWriteState& state) {
  state.Writer->Write(kRunMarker, kMarkerSize);
  FBytesArchived += kMarkerSize;
  state.RunOpen = true;
}

void TBackupFile::EndRun(TWriteState& state) {
  state.Writer->WriteInt32(0);
  state.RunOpen = false;
}

void TBackupFile::WriteBlock(TWriteState& state, TBlockPipeline& pipeline) {
  // A volume stops taking blocks near its limit, but takes at least one, so that even a limit
  // below one block's size makes progress. The file goes on in a new run of the next volume.
  if (!state.ToStream && FMaxSize != 0 && state.VolumeHasBlock &&
      state.Writer->Position() >= static_cast<int64_t>(FMaxSize) - kVolumeMargin) {
    EndRun(state);
    if (!StartNextVolume(state)) return;
    StartRun(state);
  }
  const TPackedBlock block = pipeline.Front();
  TBufferedWriter& out = *state.Writer;
  if (block.PackedSize < 0) {
    RecordError(beCompression);
    return;
  }
  if (block.PackedSize > 0) {
    out.WriteInt32(block.PackedSize);
    out.Write(block.Packed, block.PackedSize);
    FBytesArchived += 4 + block.PackedSize;
  } else {  // does not fit into one block: stored as it is
    out.WriteInt32(-block.Size);
    out.Write(block.Data, block.Size);
    FBytesArchived += 4 + block.Size;
  }
  pipeline.PopFront();
  state.VolumeHasBlock = true;
  FBytesProcessed += block.Size;
  BlockDone(FCurrentFile);
}

bool TBackupFile::StartNextVolume(TWriteState& state) {
  if (state.ToStream || state.VolumeNumber >= kMaxVolumes) {  // numbers must not repeat
    RecordError(beCannotWriteArchive);
    return false;
  }
  ++state.VolumeNumber;
  state.Writer->WriteText(ContinuationName(state.VolumeNumber));
  state.Writer->Flush();
  state.Writer.reset();
  state.Volume.reset();
  if (!AskForDisk(state.VolumeNumber)) return false;
  try {
    state.Volume = std::make_unique<TFileStream>(
        VolumeFileName(state.ArchiveName, state.VolumeNumber), fmCreate);
  } catch (const EStreamError&) {
    RecordError(beCannotWriteArchive);
    return false;
  }
  state.Writer = std::make_unique<TBufferedWriter>(*state.Volume);
  state.VolumeHasBlock = false;
  return true;
}

}  // namespace vaultora
