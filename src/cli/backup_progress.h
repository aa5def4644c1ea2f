#pragma once
// One backup run with its "Creating Backup" lines on the terminal: on a terminal the progress is
// one line redrawn, otherwise every line is printed as the window shows it. An interrupt cancels
// the run like the window's button. Used by `backup` and by `run` for each schedule that fires.

#include <string>

#include "app/runtime/work_queue.h"

namespace vaultora {
class TIniRegistryEditor;
}

namespace vaultora::cli {

// Runs the manual backup (empty name) or the named schedule's; sendWhenCompleted is the
// window's "Send the backup when completed" box. nothingNew, when given, is set when the run
// found no new or changed file: nothing to do, which is not a failure.
TBackupRunResult RunBackupShowingProgress(TIniRegistryEditor& store,
                                          const std::string& scheduleName, bool sendWhenCompleted,
                                          bool* nothingNew = nullptr);

}  // namespace vaultora::cli
