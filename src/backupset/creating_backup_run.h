#pragma once
// The work of the "Creating Backup" window without the window: it runs the builder, turns its
// events into the lines the window shows (each with the tag of the label it belongs to),
// answers the builder's questions with the user's cancel, and with KeepLogFiles collects the
// lines and writes them as one run into "Backup.log". The window and vaultora-cli both drive it,
// so they show and log alike. Runs on the user-interface thread.

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "backupset/create_backup_set.h"
#include "platform/text.h"

namespace vaultora {

class TIniRegistryEditor;

// The labels of the window, by tag.
enum TBackupLineTag {
  btTitle = 1,
  btAppended = 2,
  btCurrentFile = 3,
  btPercent = 4,
  btErrors = 5,
  btStatus = 6,
  btFileCount = 7,
  btSize = 8,
  btCompression = 9,
  btFileAdded = 10,
};

class TCreatingBackupRun {
 public:
  // A line for a label. Current file and percent (tags 3 and 4) come after every block and are
  // shown but not logged; every other line is logged.
  using TLineEvent = std::function<void(TBackupLineTag tag, const std::string& text)>;

  // store is the settings store of the user-interface thread; the builder and the log writer
  // use it too.
  TCreatingBackupRun(TIniRegistryEditor& store, TBlowfish* cipher);
  ~TCreatingBackupRun();

  TLineEvent OnLine;
  TCreateBackupSet& Builder() { return *FBuilder; }

  // Runs the backup set (manual, or of the named schedule when scheduleName is not empty);
  // true when it was recorded. Writes the run's lines into "Backup.log" when KeepLogFiles is set.
  bool Run(const std::string& scheduleName = "");
  // The user's cancel: stops the build, deleting what it made, and says so.
  void Cancel();
  // A click or key press while the build runs: asks "Abort process ?" and cancels on Yes.
  void AskToAbort();
  bool Cancelled() const { return FCancelled; }
  bool Busy() const { return FBuilder->Busy(); }

  // The latest text of each label, and every line of the run in order.
  const std::map<int, std::string>& Labels() const { return FLabels; }
  const TStringList& Lines() const { return FLines; }

 private:
  void Show(TBackupLineTag tag, const std::string& text);
  void AttachHandlers();
  void SaveSettingsCopy();

  TIniRegistryEditor& FStore;
  std::unique_ptr<TCreateBackupSet> FBuilder;
  std::map<int, std::string> FLabels;
  TStringList FLines;
  bool FCancelled = false;
};

}  // namespace vaultora
