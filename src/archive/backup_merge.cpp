// Merging a full backup and the incremental backups built on it into one restore archive: the
// file-ID lists of all, then every record of each in order, blocks copied as they are.
#include <cstring>

#include "archive/archive_format.h"
#include "archive/backup_file.h"
#include "archive/buffered_io.h"
#include "archive/file_specs.h"
#include "platform/folders.h"
#include "platform/private_file.h"
#include "platform/process_messages.h"

namespace vaultora {

using namespace archive_format;

bool TBackupFile::CollectFileLists(const TStringList& archives, TStringList& lines) {
  for (const std::string& archive : archives) {
    if (!FileExists(archive)) continue;
    TStringList list;
    std::string title;
    ReadArchiveInfo(archive, &list, title);
    lines.insert(lines.end(), list.begin(), list.end());
  }
  return !lines.empty();
}

bool TBackupFile::MergeArchives(const std::string& mergedName, const TStringList& archives) {
  if (FBusy) return false;
  FLastError = 0;
  FContinue = true;
  TStringList lines;
  if (!CollectFileLists(archives, lines)) {
    ReportNow(beCannotReadArchive);
    return false;
  }
  const std::string listFile =
      ExtractFilePath(AbsolutePath(mergedName)) + std::string(kMergeListFileName);
  const std::string partial = mergedName + ".part";
  bool ok = false;
  try {
    {
      CreatePrivateFile(listFile);
      TFileStream list(listFile, fmCreate);
      const std::string text = Join(lines, kLineBreak) + std::string(kLineBreak);
      list.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    }
    CreatePrivateFile(partial);  // the user's files in plain text
    TFileStream out(partial, fmCreate);
    FMergeMode = true;
    FFileCount = static_cast<int32_t>(lines.size());
    ok = SaveToStream({listFile}, &out);
    FMergeMode = false;
    DeleteFile(listFile);
    if (ok) {
      FBusy = true;
      FLastError = 0;
      FContinue = true;
      TBufferedWriter writer(out);
      for (const std::string& archive : archives) {
        ok = AppendArchive(archive, writer);
        if (!ok) break;
      }
      if (ok) writer.WriteInt32(0);
      writer.Flush();
    }
  } catch (const EStreamError&) {
    RecordError(beCannotWriteArchive);
    ok = false;
  }
  FMergeMode = false;
  DeleteFile(listFile);
  ok = ok && FContinue && FLastError == 0 && ReplaceFile(partial, mergedName);
  if (!ok) {
    DeleteFile(partial);
    DeleteFile(mergedName);
  }
  FBusy = false;
  ReportError();
  return ok;
}

bool TBackupFile::AppendArchive(const std::string& archive, TBufferedWriter& out) {
  std::unique_ptr<TFileStream> file;
  try {
    file = std::make_unique<TFileStream>(archive, fmOpenRead);
  } catch (const EStreamError&) {
    RecordError(beCannotReadArchive);
    return false;
  }
  try {
    TBufferedReader in(*file);
    in.Skip(in.ReadInt32());  // title
    in.ReadInt32();           // total size
    in.ReadInt32();           // file count
    while (FContinue) {
      const int32_t length = in.ReadInt32();
      if (length == 0) break;
      if (length < 0) continue;
      const std::string name = in.ReadText(length);
      // Only single-volume archives can be merged.
      if (StartsWith(name, kContinuationPrefix)) RaiseInvalidArchive();
      const int32_t date = in.ReadInt32();
      if (name == kFileListName) {
        ReadBlockRun(in, nullptr);
        continue;
      }
      bool append = true;
      Fire(OnAppendFile, this, name, append);
      if (append)
        CopyFileRecord(in, out, name, date);
      else
        ReadBlockRun(in, nullptr);
      Progress(name, in.Size() > 0 ? static_cast<int>(in.Position() * 100 / in.Size()) : 100);
    }
  } catch (const EArchiveError&) {
    RecordError(beCannotReadFile);
  }
  return FContinue && FLastError == 0;
}

void TBackupFile::CopyFileRecord(TBufferedReader& in, TBufferedWriter& out, const std::string& name,
                                 int32_t date) {
  char marker[kMarkerSize];
  in.Read(marker, kMarkerSize);
  if (std::memcmp(marker, kRunMarker, kMarkerSize) != 0) RaiseInvalidArchive();
  out.WriteText(name);
  out.WriteInt32(date);
  out.Write(kRunMarker, kMarkerSize);
  for (;;) {
    if (!FContinue) break;  // the run is still closed below
    const int32_t size = in.ReadInt32();
    if (size == 0) break;
    if (size > kBlockSize || size < -kBlockSize) RaiseInvalidArchive();
    const int length = size > 0 ? size : -size;
    in.Read(FPacked.data(), length);
    out.WriteInt32(size);  // the sign too: stored blocks stay stored
    out.Write(FPacked.data(), length);
    ProcessMessages();
  }
  out.WriteInt32(0);
}

}  // namespace vaultora
