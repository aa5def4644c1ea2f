#pragma once
// TScheduleWizard: the rules of the "Schedules" wizard without its window: the list of stored
// schedules with their enabled ticks, the schedule being made or changed, where "&Next >" and
// "< &Back" lead from each page, renaming, deleting, the file list step (the window opens the
// file list editor through OnEditFileList), the time-conflict question, saving on "&Apply" and
// removing on close what was created but never applied. Messages and questions go through the
// prompt interface. Used on one thread with that thread's store.

#include <functional>
#include <string>
#include <vector>

#include "catalogue/append_choices.h"
#include "platform/text.h"
#include "schedule/schedule_record.h"
#include "selection/list_safety_copy.h"

namespace vaultora {

class TIniRegistryEditor;

enum TSchedulePage {
  spCover = 0,
  spName = 1,
  spExisting = 2,
  spDetails = 3,
  spType = 4,
  spDaily = 5,
  spWeekly = 6,
  spMonthly = 7,
  spFinished = 8,
};

extern const char* const kNoScheduleNameText;
extern const char* const kNoScheduleSelectedText;
extern const char* const kNoBackupTitleText;
extern const char* const kRemoveScheduleQuestion;
extern const char* const kNoDayTickedText;

struct TScheduleListEntry {
  std::string Name;
  bool Enabled = false;
};

class TScheduleWizard {
 public:
  explicit TScheduleWizard(TIniRegistryEditor& store);
  // Removes every schedule created in this session and never applied.
  ~TScheduleWizard();

  // The cover's choice.
  bool CreateNew = true;
  // The name page: the name typed; renaming while an entry is selected from the list page.
  std::string TypedName;
  bool Renaming() const { return FRenaming; }

  std::vector<TScheduleListEntry>& Entries() { return FEntries; }
  int Selected() const { return FSelected; }
  void Select(int index);

  // The schedule on the pages.
  TScheduleRecord Record;
  const std::vector<TAppendChoice>& AppendChoices() const { return FAppend; }
  // 0 = "[None]", else AppendChoices()[AppendIndex - 1]; with no backups the "Incremental
  // backup" box stands instead.
  int AppendIndex = 0;
  bool IncrementalSeries = false;
  bool ReuseFileList = false;
  bool DisplayFileList = false;
  // Expiry is only for a new full backup each time.
  bool ExpiryAvailable() const;
  // Choosing a backup to append to copies its file list over the schedule's own list; choosing
  // "[None]" again puts back the list the schedule had when it was loaded.
  void ChooseAppend(int index);

  // Opens the file list editor for the schedule (which stores DefaultSession itself).
  std::function<void(const std::string& scheduleName)> OnEditFileList;

  // The page "&Next >" leads to, or -1 (after the message) to stay.
  int Next(int page);
  int Back(int page);
  // "Rename" and "Delete" on the list page; the page to go to, -1 to stay.
  int RenameSelected();
  int DeleteSelected();
  // "&Apply" on the finished page.
  void Apply();
  // Closing: every schedule created in this session and never applied goes, with its list, and
  // a list replaced by an append choice that was never applied is put back.
  void Discard();
  TStringList Summary() const;
  const std::string& PendingDelete() const { return FPendingDelete; }
  const TStringList& Created() const { return FCreated; }

 private:
  void LoadEntries();
  void LoadRecord(const std::string& name);
  int NameNext();
  int ExistingNext();
  int DetailsNext();
  int TimeNext(int page);
  std::string SelectedName() const;
  // The copy of the loaded schedule's list, kept until Apply or close.
  void KeepListCopy();
  void DropListCopy(bool restore);

  TIniRegistryEditor& FStore;
  std::vector<TScheduleListEntry> FEntries;
  std::vector<TAppendChoice> FAppend;
  int FSelected = -1;
  bool FRenaming = false;
  std::string FPendingDelete;
  TStringList FCreated;
  TListSafetyCopy FListCopy;  // of the loaded schedule's list
};

}  // namespace vaultora
