#include "cli/backup_progress.h"

#include <unistd.h>

#include <cstdio>

#include "archive/blowfish.h"
#include "backupset/creating_backup_run.h"
#include "cli/interrupts.h"

namespace vaultora::cli {

TBackupRunResult RunBackupShowingProgress(TIniRegistryEditor& store,
                                          const std::string& scheduleName, bool sendWhenCompleted,
                                          bool* nothingNew) {
  TBlowfish cipher;
  TCreatingBackupRun run(store, &cipher);
  const bool terminal = isatty(STDOUT_FILENO) != 0;
  std::string currentFile;
  CatchInterrupts();
  run.OnLine = [&](TBackupLineTag tag, const std::string& text) {
    if (Interrupted() && !run.Cancelled()) run.Cancel();
    if (tag == btCurrentFile) {
      currentFile = text;
    } else if (tag == btPercent) {
      if (terminal) std::printf("\r\033[K%s %s", text.c_str(), currentFile.c_str());
    } else {
      std::printf(terminal ? "\r\033[K%s\n" : "%s\n", text.c_str());
    }
    std::fflush(stdout);
  };
  TBackupRunResult result;
  result.Completed = run.Run(scheduleName);
  result.SendWhenCompleted = sendWhenCompleted;
  if (nothingNew) *nothingNew = run.Builder().NothingNew();
  return result;
}

}  // namespace vaultora::cli
