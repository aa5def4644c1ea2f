#include "cli/backup_progress.h"

#include <algorithm>
#include <chrono>

#include "archive/blowfish.h"
#include "backupset/creating_backup_run.h"
#include "catalogue/catalogue.h"
#include "cli/interrupts.h"
#include "cli/output.h"
#include "cli/progress_meter.h"
#include "platform/json_writer.h"
#include "platform/size_text.h"
#include "platform/text.h"

namespace vaultora::cli {

TBackupRunResult RunBackupShowingProgress(TIniRegistryEditor& store,
                                          const std::string& scheduleName, bool sendWhenCompleted,
                                          bool* nothingNew, TBackupSummary* summary) {
  TBlowfish cipher;
  TCreatingBackupRun run(store, &cipher);
  TProgressMeter meter;
  std::string currentFile;
  CatchInterrupts();
  run.OnLine = [&](TBackupLineTag tag, const std::string& text) {
    if (Interrupted() && !run.Cancelled()) run.Cancel();
    if (tag == btCurrentFile) {
      currentFile = text;
    } else if (tag == btPercent) {
      const TBackupFile& archive = run.Builder().BackupFile();
      meter.Update(archive.BytesProcessed(), archive.TotalSize64(), currentFile);
    } else {
      meter.Clear();
      StatusLine(text);
    }
  };
  TBackupRunResult result;
  const auto started = std::chrono::steady_clock::now();
  result.Completed = run.Run(scheduleName);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  meter.Clear();
  if (result.Completed) {
    // The rate of the whole run (walk, deflate, encipher, record) over the files' bytes.
    const TBackupFile& archive = run.Builder().BackupFile();
    const int64_t bytes = archive.TotalSize64();
    StatusLine(Format("Backed up %s in %.2f s: %.1f MB/s, deflated on %d thread%s",
                      ByteSizeText(bytes).c_str(), seconds,
                      static_cast<double>(bytes) / 1048576.0 / std::max(seconds, 1e-6),
                      archive.ThreadsUsed(), archive.ThreadsUsed() == 1 ? "" : "s"));
  }
  result.SendWhenCompleted = sendWhenCompleted;
  result.Incomplete = result.Completed && run.Builder().Incomplete();
  if (nothingNew) *nothingNew = run.Builder().NothingNew();
  if (summary) {
    TCreateBackupSet& builder = run.Builder();
    if (result.Completed) {
      summary->Id = builder.BackupID();
      summary->Archive = TCatalogue(store).ArchivePath(summary->Id);
      summary->ArchiveBytes = builder.ArchiveSize();
    }
    summary->Files = builder.BackupFile().FilesProcessed();
    summary->Bytes = builder.BackupFile().TotalSize64();
    summary->Seconds = seconds;
    summary->Threads = builder.BackupFile().ThreadsUsed();
    summary->NotTaken = builder.NotTaken();
  }
  return result;
}

void PrintBackupJson(const std::string& status, const TBackupSummary& summary,
                     const std::string& sent) {
  TJsonWriter json;
  json.BeginObject().Field("status", status);
  if (summary.Id.empty())
    json.Key("backup").Null();
  else
    json.Field("backup", summary.Id).Field("archive", summary.Archive);
  json.Field("files", summary.Files)
      .Field("bytesRead", summary.Bytes)
      .Field("archiveBytes", summary.ArchiveBytes)
      .Key("seconds")
      .Number(summary.Seconds)
      .Field("threads", summary.Threads)
      .Key("notTaken")
      .BeginArray();
  for (const TNotTakenFile& file : summary.NotTaken)
    json.BeginObject().Field("path", file.Path).Field("reason", file.Reason).EndObject();
  json.EndArray().OptionalField("sent", sent).EndObject();
  PrintJson(json);
}

}  // namespace vaultora::cli
