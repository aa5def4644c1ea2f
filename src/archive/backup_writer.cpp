// The write side of TBackupFile: expanding the file patterns, the header, file records cut
// into blocks, volumes and the embedded file-ID list.
#include <algorithm>

#include "archive/archive_format.h"
#include "archive/backup_file.h"
#include "archive/buffered_io.h"
#include "archive/busy_scope.h"
#include "archive/file_specs.h"
#include "platform/archive_flag.h"
#include "platform/folders.h"
#include "platform/process_messages.h"

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
};

TStringList TBackupFile::ExpandFileSpec(const TStringList& fileSpecs,
                                        const std::string& archiveName) {
  std::unique_ptr<TArchiveFlags> flags;
  if (FBackupMode == bmIncremental) flags = std::make_unique<TArchiveFlags>();
  return ExpandFileSpecs(fileSpecs, {archiveName, flags.get()});
}

bool TBackupFile::SaveToStream(const TStringList& fileSpecs, TStream* stream) {
  if (!stream) return false;
  FStream = stream;
  FMaxSize = 0;
  bool ok = false;
  try {
    ok = CreateArchive(fileSpecs, std::string(kStreamName));
  } catch (...) {
    ok = false;
  }
  FStream = nullptr;
  return ok;
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
  if (!FMergeMode) {
    TFileSpecOptions options{toStream ? "" : archiveName,
                             FBackupMode == bmIncremental ? flags.get() : nullptr};
    files = ExpandFileSpecs(fileSpecs, options);
  }
  FContinue = true;
  Progress("", 0);

  // Sizes are summed in 64 bits; the header keeps the low 32 bits.
  FTotalSize = 0;
  std::string idText;
  for (const std::string& path : files) {
    if (!FileExists(path)) continue;
    TFileStream source(path, fmOpenRead);  // an unreadable file propagates to the caller
    const int64_t size = source.Size();
    FTotalSize += size;
    if (withIds)
      idText += path + kFileIdDateSeparator + IntToStr(FileAge(source.Handle())) +
                kFileIdSizeSeparator + IntToStr(size) + std::string(kLineBreak);
  }
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

  std::vector<std::pair<std::string, TFileStamp>> stored;
  const bool written = FContinue && WriteArchive(files, archiveName, toStream, idHead, stored);
  if (!idFile.empty()) DeleteFile(idFile);
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
  const int level = ZlibLevel(FCompressionLevel);
  if (!FDeflater || FDeflater->Level() != level)
    FDeflater = std::make_unique<TBlockDeflater>(level);

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
    if (!FMergeMode) FFileCount = static_cast<int32_t>(files.size()) - (idHead ? 1 : 0);
    state.Writer->WriteText(FMergeMode ? kMergedTitle : std::string_view(FBackupTitle));
    state.Writer->WriteInt32(FMergeMode ? kMergedTotalSize : TotalSize());
    state.Writer->WriteInt32(FFileCount);
    FBytesProcessed = FBytesArchived = 0;

    for (size_t i = 0; i < files.size() && FContinue; ++i) {
      const std::string& path = files[i];
      if (!FileExists(path)) continue;
      const bool isList = FMergeMode || (idHead && i == 0);
      FCurrentFile = path;
      TFileStamp stamp;
      if (WriteFileRecord(state, path, isList ? std::string(kFileListName) : path, isList, stamp) &&
          !isList)
        stored.emplace_back(path, stamp);
      ProcessMessages();
    }
    bool complete = false;
    if (FContinue && state.Writer) {
      if (!FMergeMode) state.Writer->WriteInt32(0);
      complete = true;
    }
    if (state.Writer) state.Writer->Flush();
    return complete;
  } catch (const EStreamError&) {
    RecordError(beCannotWriteArchive);
    return false;
  }
}

bool TBackupFile::WriteFileRecord(TWriteState& state, const std::string& path,
                                  const std::string& name, bool isList, TFileStamp& stamp) {
  std::unique_ptr<TFileStream> source;
  try {
    source = std::make_unique<TFileStream>(path, fmOpenRead);
  } catch (const EStreamError&) {
    RecordError(beCannotReadFile);
    return false;
  }
  if (!FileStampOf(source->Handle(), stamp)) {
    RecordError(beCannotReadFile);
    return false;
  }
  state.Writer->WriteText(name);
  state.Writer->WriteInt32(FileAge(source->Handle()));
  int64_t remaining = stamp.Size;
  for (;;) {
    WriteBlockRun(state, *source, remaining);
    if (remaining == 0 || !FContinue || !StartNextVolume(state)) break;
  }
  if (remaining != 0) return false;
  if (!isList) ++FFilesProcessed;
  return true;
}

void TBackupFile::WriteBlockRun(TWriteState& state, TFileStream& source, int64_t& remaining) {
  TBufferedWriter& out = *state.Writer;
  out.Write(kRunMarker, kMarkerSize);
  FBytesArchived += kMarkerSize;
  while (remaining > 0 && FContinue) {
    // A volume stops taking blocks near its limit, but takes at least one, so that even a
    // limit below one block's size makes progress.
    if (!state.ToStream && FMaxSize != 0 && state.VolumeHasBlock &&
        out.Position() >= static_cast<int64_t>(FMaxSize) - kVolumeMargin)
      break;
    const int size = static_cast<int>(std::min<int64_t>(kBlockSize, remaining));
    if (source.Read(FData.data(), size) != size) {
      RecordError(beCannotReadFile);
      break;
    }
    const int packed = FDeflater->Compress(FData.data(), size, FPacked.data(), kBlockSize);
    if (packed < 0) {
      RecordError(beCompression);
      break;
    }
    if (packed > 0) {
      out.WriteInt32(packed);
      out.Write(FPacked.data(), packed);
      FBytesArchived += 4 + packed;
    } else {  // does not fit into one block: stored as it is
      out.WriteInt32(-size);
      out.Write(FData.data(), size);
      FBytesArchived += 4 + size;
    }
    state.VolumeHasBlock = true;
    remaining -= size;
    FBytesProcessed += size;
    BlockDone(FCurrentFile);
  }
  out.WriteInt32(0);
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
