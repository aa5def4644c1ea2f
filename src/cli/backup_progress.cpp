#include "cli/backup_progress.h"

#include "archive/blowfish.h"
#include "backupset/creating_backup_run.h"
#include "cli/interrupts.h"
#include "cli/output.h"
#include "cli/progress_meter.h"

namespace vaultora::cli {

TBackupRunResult RunBackupShowingProgress(TIniRegistryEditor& store,
                                          const std::string& scheduleName, bool sendWhenCompleted,
                                          bool* nothingNew) {
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
  result.Completed = run.Run(scheduleName);
  meter.Clear();
  result.SendWhenCompleted = sendWhenCompleted;
  result.Incomplete = result.Completed && !run.Builder().NotTaken().empty();
  if (nothingNew) *nothingNew = run.Builder().NothingNew();
  return result;
}

}  // namespace vaultora::cli
