#pragma once
// TBackupWizard: the rules of the "Backup Wizard" without its window. The cover chooses a new
// backup, a stored schedule's backup or Send & Receive; the backup page holds the name, the
// parent backup, the expiry and the file list choices with their tick rules; the schedule page
// the stored schedules. It keeps a safety copy of the wizard's file list from opening on, so
// that "&Close" puts the list back as it was; "&Apply" stores the new backup's settings under
// BackupWizard and posts one request to the main window. The list editor is opened through
// OnEditFileList; messages go through the prompt interface. One thread, that thread's store.

#include <functional>
#include <string>
#include <vector>

#include "catalogue/append_choices.h"
#include "platform/summary_line.h"
#include "platform/text.h"
#include "selection/list_safety_copy.h"

namespace vaultora {

class TIniRegistryEditor;
class TMessageReceiver;

enum TBackupWizardPage { bwCover = 0, bwBackup = 1, bwSchedule = 2, bwFinished = 3 };
enum TBackupWizardChoice { bcNewBackup = 0, bcScheduled = 1, bcSendReceive = 2 };

extern const char* const kBackupWizardCaption;  // "Backup Wizard"
extern const char* const kNoBackupNameText;
extern const char* const kNoScheduleChosenText;

class TBackupWizard {
 public:
  // anyWork: the main window's any-work test; restoreList: the download's requested entries.
  TBackupWizard(TIniRegistryEditor& store, bool anyWork, const TStringList& restoreList);
  // Left without "&Apply" or "&Close" (the window went some other way): as "&Close".
  ~TBackupWizard();

  // The cover.
  TBackupWizardChoice Choice = bcNewBackup;
  bool ScheduledAvailable() const { return !FSchedules.empty(); }
  bool SendReceiveAvailable() const { return FAnyWork; }

  // The backup page.
  std::string Name;
  // The parent choices after "[None]"; empty when the catalogue has no entry to append to.
  const std::vector<TAppendChoice>& Parents() const { return FParents; }
  // 0 = "[None]", else Parents()[Parent() - 1].
  int Parent() const { return FParent; }
  // Choosing a parent copies its list over the wizard's own; "[None]" puts the list back.
  void ChooseParent(int index);
  bool Expire = false;
  int ExpireDays = 7;
  bool Reuse = false;
  bool Display = true;
  bool ExpireEnabled() const { return FParent == 0; }
  bool ExpireDaysEnabled() const { return Expire && ExpireEnabled(); }
  bool ReuseEnabled() const { return !FListFile.empty(); }
  bool DisplayEnabled() const { return Reuse; }
  // Brings the ticks in line after any change: no expiry with a parent, no reuse without a
  // list, the list shown whenever it is not reused.
  void ApplyTickRules();
  // The wizard's list file (BackupWizard\Session), "" for none.
  const std::string& ListFile() const { return FListFile; }
  const TListSafetyCopy& SafetyCopy() const { return FSafetyCopy; }

  // The schedule page: the stored schedule names and the chosen one (-1 for none).
  const TStringList& Schedules() const { return FSchedules; }
  int Schedule = -1;

  // Opens the list editor in wizard mode; fresh: it starts a new list.
  std::function<void(bool fresh)> OnEditFileList;

  // The page "&Next >" leads to, or -1 to stay (after the message).
  int Next(int page);
  int Back(int page) const;
  TSummary Summary() const;
  // "&Apply": stores the new backup's answers and posts the request to the main window.
  void Apply(TMessageReceiver& mainWindow);
  // "&Close": the list as it was when the wizard opened. Once only, and never after Apply.
  void Close();

 private:
  int BackupNext();
  void PutListBack();
  void StoreListFile(const std::string& name);
  std::string ReadListFile();

  TIniRegistryEditor& FStore;
  bool FAnyWork;
  const TStringList& FRestoreList;
  std::vector<TAppendChoice> FParents;
  TStringList FSchedules;
  int FParent = 0;
  std::string FListFile;
  std::string FOpeningList;  // the list file name stored when the wizard opened
  TListSafetyCopy FSafetyCopy;
  TStringList FListsMade;  // list files made in this wizard that did not exist before
  bool FDone = false;      // applied or closed
};

}  // namespace vaultora
