#pragma once
// One backup run with its "Creating Backup" lines on the terminal: on a terminal the progress is
// one line redrawn, otherwise every line is printed as the window shows it. An interrupt cancels
// the run like the window's button. Used by `backup` and by `run` for each schedule that fires.

#include <cstdint>
#include <string>
#include <vector>

#include "archive/backup_file.h"

#include "app/runtime/work_queue.h"

namespace vaultora {
class TIniRegistryEditor;
}

namespace vaultora::cli {

// What one run made, for the --json summary.
struct TBackupSummary {
  std::string Id;       // "" when nothing was recorded
  std::string Archive;  // the ".BFE" written
  int Files = 0;
  int64_t Bytes = 0;         // read and packed: the files and their metadata records
  int64_t ArchiveBytes = 0;  // the enciphered archive
  double Seconds = 0;
  int Threads = 0;
  std::vector<TNotTakenFile> NotTaken;
};

// Runs the manual backup (empty name) or the named schedule's; sendWhenCompleted is the
// window's "Send the backup when completed" box. nothingNew, when given, is set when the run
// found no new or changed file: nothing to do, which is not a failure. summary, when given,
// receives what the run made.
TBackupRunResult RunBackupShowingProgress(TIniRegistryEditor& store,
                                          const std::string& scheduleName, bool sendWhenCompleted,
                                          bool* nothingNew = nullptr,
                                          TBackupSummary* summary = nullptr);
// The summary as the JSON document --json prints; status is "done", "incomplete", "nothing-new"
// or "failed", sent is the Send & Receive that followed, when one did.
void PrintBackupJson(const std::string& status, const TBackupSummary& summary,
                     const std::string& sent = "");

}  // namespace vaultora::cli
