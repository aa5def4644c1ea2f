// The read side of TBackupFile: the header and the file-ID list, extraction under the restore
// modes, block runs (zlib and legacy LZRW1-KH) and volumes.
#include <cstring>

#include "archive/archive_format.h"
#include "archive/backup_file.h"
#include "archive/buffered_io.h"
#include "archive/busy_scope.h"
#include "archive/lzrw1kh.h"
#include "archive/restore_target.h"
#include "platform/folders.h"
#include "platform/process_messages.h"

namespace vaultora {

using namespace archive_format;

namespace {

// A file-ID list larger than this is not a list this program wrote.
constexpr size_t kMaxFileListBytes = 256u << 20;

TStringList SplitLines(const std::string& text) {
  TStringList lines = Split(text, '\n');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  for (std::string& line : lines)
    if (!line.empty() && line.back() == '\r') line.pop_back();
  return lines;
}

// The sum of the sizes of a file-ID list ("<path>\t<date>=<size>"), 0 when none can be read.
int64_t SizeOfListedFiles(const TStringList& lines) {
  int64_t total = 0;
  for (const std::string& line : lines) {
    const size_t at = line.rfind(kFileIdSizeSeparator);
    long long size = 0;
    if (at != std::string::npos && TryStrToInt(std::string_view(line).substr(at + 1), size) &&
        size > 0)
      total += size;
  }
  return total;
}

}  // namespace

// Where the data of a block run goes when it is not skipped.
class TBackupFile::TBlockSink {
 public:
  virtual ~TBlockSink() = default;
  virtual void Write(const uint8_t* data, int size) = 0;
  // The restored file's name, for progress; empty when the data does not count as progress.
  virtual std::string ProgressName() const { return {}; }
};

class TBackupFile::TFileSink : public TBlockSink {
 public:
  explicit TFileSink(TRestoreTarget& target) : FTarget(target) {}
  void Write(const uint8_t* data, int size) override { FTarget.Write(data, size); }
  std::string ProgressName() const override { return FTarget.Target(); }

 private:
  TRestoreTarget& FTarget;
};

class TBackupFile::TMemorySink : public TBlockSink {
 public:
  void Write(const uint8_t* data, int size) override {
    if (FText.size() + static_cast<size_t>(size) > kMaxFileListBytes) RaiseInvalidArchive();
    FText.append(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
  }
  const std::string& Text() const { return FText; }

 private:
  std::string FText;
};

// Takes the data of a record that is only checked: counted, never kept.
class TBackupFile::TCheckSink : public TBlockSink {
 public:
  explicit TCheckSink(std::string name) : FName(std::move(name)) {}
  void Write(const uint8_t*, int) override {}
  std::string ProgressName() const override { return FName; }

 private:
  std::string FName;
};

void TBackupFile::ReadBlockRun(TBufferedReader& in, TBlockSink* sink) {
  char marker[kMarkerSize];
  in.Read(marker, kMarkerSize);
  if (std::memcmp(marker, kRunMarker, kMarkerSize) == 0) return ReadZlibRun(in, sink);
  if (std::memcmp(marker, kLegacyRunMarker, kMarkerSize) == 0) return ReadLegacyRun(in, sink);
  if (!sink) RaiseInvalidArchive();
  RecordError(beCannotReadFile);
}

void TBackupFile::ReadZlibRun(TBufferedReader& in, TBlockSink* sink) {
  while (FContinue) {
    const int32_t size = in.ReadInt32();
    if (size == 0) return;
    if (size > kBlockSize || size < -kBlockSize) RaiseInvalidArchive();
    const int length = size > 0 ? size : -size;
    if (!sink) {
      in.Skip(length);
      ProcessMessages();
      continue;
    }
    in.Read(FPacked.data(), length);
    const uint8_t* data = FPacked.data();
    int produced = length;
    if (size > 0) {
      produced = FInflater.Inflate(FPacked.data(), length, FData.data(), kBlockSize);
      if (produced < 0) {
        RecordError(beCompression);
        return;
      }
      data = FData.data();
    }
    sink->Write(data, produced);
    DataRestored(sink, produced);
  }
}

void TBackupFile::ReadLegacyRun(TBufferedReader& in, TBlockSink* sink) {
  int64_t left = in.ReadInt32();
  while (left > 0 && FContinue) {
    const int32_t size = in.ReadInt32();
    if (size < 0 || size > kLegacyMaxBlock + 1) RaiseInvalidArchive();
    left -= static_cast<int64_t>(size) + 4;
    if (size == 0) continue;
    if (!sink) {
      in.Skip(size);
      ProcessMessages();
      continue;
    }
    FLegacyIn.resize(kLegacyMaxBlock + 1);
    FLegacyOut.resize(kLegacyMaxBlock);
    in.Read(FLegacyIn.data(), size);
    const int produced = DecodeLzrw1kh(FLegacyIn.data(), size, FLegacyOut.data(), kLegacyMaxBlock);
    if (produced < 0) {
      RecordError(beCompression);
      return;
    }
    sink->Write(FLegacyOut.data(), produced);
    DataRestored(sink, produced);
  }
}

void TBackupFile::DataRestored(TBlockSink* sink, int produced) {
  ProcessMessages();
  const std::string name = sink->ProgressName();
  if (name.empty()) return;
  FBytesProcessed += produced;
  // The header keeps only the low 32 bits of the total: past it, the total must be 4 GiB more.
  while (FBytesProcessed > FTotalSize)
    FTotalSize += int64_t{1} << 32;
  Progress(name, ProgressPercent());
}

void TBackupFile::ReadArchiveInfo(const std::string& archiveName, TStringList* fileList,
                                  std::string& title) {
  title.clear();
  if (!FileExists(archiveName)) return;
  std::unique_ptr<TFileStream> file;
  try {
    file = std::make_unique<TFileStream>(archiveName, fmOpenRead);
  } catch (const EStreamError&) {
    ReportNow(beCannotReadArchive);
    return;
  }
  const int32_t savedError = FLastError;
  const bool savedContinue = FContinue;
  bool failed = false;
  try {
    TBufferedReader in(*file);
    title = in.ReadText(in.ReadInt32());
    FTotalSize = static_cast<uint32_t>(in.ReadInt32());
    FFileCount = in.ReadInt32();
    if (fileList) {
      fileList->clear();
      const int32_t length = in.ReadInt32();
      if (length > 0 && in.ReadText(length) == kFileListName) {
        in.ReadInt32();  // date
        TMemorySink sink;
        FLastError = 0;
        FContinue = true;
        ReadBlockRun(in, &sink);
        failed = FLastError != 0;
        if (!failed) *fileList = SplitLines(sink.Text());
      }
    }
  } catch (const EArchiveError&) {
    failed = true;
  }
  FLastError = savedError;
  FContinue = savedContinue;
  if (failed) {
    if (fileList) fileList->clear();
    ReportNow(beInvalidArchive);
  }
}

bool RestoreModeAllows(TRestoreMode mode, bool exists, bool older) {
  switch (mode) {
    case rmNoOverwrite:
      return !exists;
    case rmNewer:
      return !exists || older;
    case rmExisting:
      return exists;
    case rmExistingNewer:
      return exists && older;
    case rmAll:
    default:
      return true;
  }
}

bool TBackupFile::DecideRestore(const std::string& target, int32_t storedDate) const {
  const bool exists = FileExists(target);
  return RestoreModeAllows(FRestoreMode, exists, exists && FileAge(target) < storedDate);
}

void TBackupFile::ApplyRestoredMetadata() {
  // After every file is written, so that no file is ever written through a restored link.
  for (const auto& [stored, target] : FRestored) {
    const auto found = FMetadata.find(stored);
    if (found != FMetadata.end()) ApplyMetadata(found->second, target);
  }
  FMetadata.clear();
  FRestored.clear();
}

bool TBackupFile::FinishFile(TRestoreTarget& pending) {
  if (!pending.IsOpen()) return true;
  if (pending.Commit()) {
    ++FFilesProcessed;
    FRestored[FPendingStored] = pending.Target();
    return true;
  }
  RecordError(beCannotReadFile, pending.Problem());
  return false;
}

void TBackupFile::ReadIntoTarget(TBufferedReader& in, TRestoreTarget& pending) {
  TFileSink sink(pending);
  try {
    ReadBlockRun(in, &sink);
  } catch (const EStreamError&) {
    RecordError(beCannotReadFile, pending.Problem());
  }
}

void TBackupFile::RestoreRecord(TBufferedReader& in, const std::string& storedName, int32_t date,
                                const std::string& folder, TRestoreTarget& pending) {
  std::string target;
  if (!RestoreTargetName(storedName, folder, FRestoreFullPath, target) ||
      (!folder.empty() && !StaysInsideFolder(target, folder))) {
    // Never written outside the target folder; one hostile name does not cost the other files.
    FUnsafeNames.push_back(storedName);
    return ReadBlockRun(in, nullptr);
  }
  bool doRestore = DecideRestore(target, date);
  Fire(OnRestoreFile, this, target, storedName, date, doRestore);
  if (!doRestore || target.empty()) return ReadBlockRun(in, nullptr);
  if (!pending.Begin(target, date)) return RecordError(beCannotReadFile, pending.Problem());
  FPendingStored = storedName;
  FCurrentFile = target;
  ReadIntoTarget(in, pending);
}

std::unique_ptr<TFileStream> TBackupFile::OpenNextVolume(const std::string& archiveName,
                                                         const std::string& record) {
  const std::string digits = record.substr(kContinuationPrefix.size());
  long long number = 0;
  if (record.size() != static_cast<size_t>(kContinuationLength) || !TryStrToInt(digits, number) ||
      number < 2)
    RaiseInvalidArchive();
  const std::string next = ChangeFileExt(archiveName, "." + digits);
  do {
    if (!AskForDisk(static_cast<int>(number))) return nullptr;
  } while (!FileExists(next));
  try {
    return std::make_unique<TFileStream>(next, fmOpenRead);
  } catch (const EStreamError&) {
    RaiseCannotReadArchive();
  }
}

bool TBackupFile::ExtractArchive(const std::string& archiveName, const std::string& targetFolder) {
  if (!FileExists(archiveName) || FBusy) return false;
  const std::string folder = targetFolder.empty() ? "" : IncludeTrailingSlash(targetFolder);
  FLastError = 0;
  FFilesProcessed = 0;
  FContinue = true;
  FCurrentFile.clear();
  std::unique_ptr<TFileStream> volume;
  try {
    volume = std::make_unique<TFileStream>(archiveName, fmOpenRead);
  } catch (const EStreamError&) {
    RaiseCannotReadArchive();
  }
  TBusyScope busy(FBusy);
  auto in = std::make_unique<TBufferedReader>(*volume);
  try {
    in->Skip(in->ReadInt32());  // title
    FTotalSize = static_cast<uint32_t>(in->ReadInt32());
    FFileCount = in->ReadInt32();
  } catch (const EArchiveError&) {
    RaiseCannotReadArchive();
  }
  FBytesProcessed = 0;

  FMetadata.clear();
  FRestored.clear();
  FUnsafeNames.clear();
  TRestoreTarget pending;  // the file being restored, until its last run is read
  bool firstRecord = true;
  while (FContinue) {
    const int32_t length = in->ReadInt32();
    if (length == 0) break;
    if (length < 0) continue;
    std::string name = in->ReadText(length);
    if (StartsWith(name, kContinuationPrefix)) {
      in.reset();
      volume.reset();
      volume = OpenNextVolume(archiveName, name);
      if (!volume) break;
      in = std::make_unique<TBufferedReader>(*volume);
      if (pending.IsOpen())
        ReadIntoTarget(*in, pending);
      else
        ReadBlockRun(*in, nullptr);
      continue;
    }
    if (!FinishFile(pending)) break;
    const int32_t date = in->ReadInt32();
    if (name == kFileListName) {
      TMemorySink list;
      ReadBlockRun(*in, &list);
      // A listed total is exact where the header's may have wrapped (or, merged, says 1).
      const int64_t listed = SizeOfListedFiles(SplitLines(list.Text()));
      if (firstRecord && listed > 0) FTotalSize = listed;
    } else if (name == kMetadataName) {
      TMemorySink metadata;
      ReadBlockRun(*in, &metadata);
      ReadMetadata(metadata.Text(), FMetadata);
    } else {
      RestoreRecord(*in, name, date, folder, pending);
    }
    firstRecord = false;
    ProcessMessages();
  }
  if (FContinue && FLastError == 0)
    FinishFile(pending);
  else
    pending.Abandon();
  in.reset();
  volume.reset();
  ApplyRestoredMetadata();
  Progress("", 100);
  const bool ok = FContinue && FLastError == 0 && FUnsafeNames.empty();
  FBusy = false;
  ReportError();
  if (FLastError == 0) ReportUnsafeNames();
  return ok;
}

void TBackupFile::ReportUnsafeNames() {
  if (FUnsafeNames.empty()) return;
  std::string text = "\"" + FUnsafeNames.front() +
                     "\" would be restored outside the target folder and was skipped";
  if (FUnsafeNames.size() > 1)
    text += " (and " + std::to_string(FUnsafeNames.size() - 1) + " more such name(s))";
  ReportNow(beCannotReadFile, text);
}

bool TBackupFile::TestArchive(TStream& archive, std::string& problem) {
  problem.clear();
  if (FBusy) {
    problem = "the archive component is busy";
    return false;
  }
  TBusyScope busy(FBusy);
  FLastError = 0;
  FFilesProcessed = 0;
  FBytesProcessed = 0;
  FContinue = true;
  std::string name = "the archive header";
  try {
    TBufferedReader in(archive);
    in.Skip(in.ReadInt32());  // title
    FTotalSize = static_cast<uint32_t>(in.ReadInt32());
    FFileCount = in.ReadInt32();
    while (FContinue) {
      const int32_t length = in.ReadInt32();
      if (length == 0) break;
      if (length < 0) continue;
      name = in.ReadText(length);
      if (StartsWith(name, kContinuationPrefix)) {
        problem = "the archive goes on in another volume, which is not checked";
        return false;
      }
      in.ReadInt32();  // date
      const bool stored = name != kFileListName && name != kMetadataName;
      TCheckSink sink(stored ? name : "");
      ReadBlockRun(in, &sink);
      if (FLastError != 0) {
        problem = "\"" + name + "\": " + BackupErrorText(FLastError);
        return false;
      }
      if (stored) ++FFilesProcessed;
      ProcessMessages();
    }
  } catch (const EArchiveError& e) {
    problem = "\"" + name + "\": " + e.what();
    return false;
  }
  if (!FContinue) {
    problem = "the check was stopped";
    return false;
  }
  return true;
}

}  // namespace vaultora
