#include "schedule/schedule_wizard.h"

#include <algorithm>
#include <filesystem>

#include "catalogue/catalogue.h"
#include "platform/folders.h"
#include "platform/prompts.h"
#include "schedule/schedule_edit.h"
#include "selection/file_list.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_key.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace fs = std::filesystem;
namespace sv = schedule_values;

const char* const kNoScheduleNameText = "A schedule name has not been specified.";
const char* const kNoScheduleSelectedText = "A schedule has not been select.";
const char* const kNoBackupTitleText = "A backup title has not been specified.";
const char* const kRemoveScheduleQuestion = "Are you sure you want to remove this schedule ?";
const char* const kNoDayTickedText =
    "Tick at least one day: a schedule without any day never runs.";

namespace {

constexpr const char* kCaption = "Schedules";

TRegistryKey ScheduleKeys(TIniRegistryEditor& store) {
  return TRegistryKey(store, keys::kScheduleKey);
}

// The time page of a schedule type.
int TimePageOf(int type) {
  return type == stWeekly ? spWeekly : type == stMonthly ? spMonthly : spDaily;
}

template <size_t N>
bool AnyTicked(const std::array<bool, N>& ticks) {
  return std::any_of(ticks.begin(), ticks.end(), [](bool on) { return on; });
}

}  // namespace

TScheduleWizard::TScheduleWizard(TIniRegistryEditor& store) : FStore(store) {
  LoadEntries();
  FAppend = vaultora::AppendChoices(FStore);
}

TScheduleWizard::~TScheduleWizard() {
  try {
    Discard();
  } catch (const std::exception&) {
    // the store cannot be written: nothing more can be undone here
  }
}

void TScheduleWizard::Discard() {
  DropListCopy(true);
  for (const std::string& name : FCreated)
    DeleteSchedule(FStore, name);
  FCreated.clear();
}

void TScheduleWizard::KeepListCopy() {
  DropListCopy(true);
  FListCopy.Make(Record.DefaultSession, ReadWorkingFolder(FStore));
}

void TScheduleWizard::DropListCopy(bool restore) {
  if (restore) FListCopy.PutBack();
  FListCopy.Drop();
}

void TScheduleWizard::LoadEntries() {
  FEntries.clear();
  for (const std::string& name : ScheduleNames(FStore))
    FEntries.push_back({name, LoadSchedule(FStore, name).Enabled});
}

void TScheduleWizard::Select(int index) {
  FSelected = index >= 0 && index < static_cast<int>(FEntries.size()) ? index : -1;
}

std::string TScheduleWizard::SelectedName() const {
  return FSelected < 0 ? std::string() : FEntries[static_cast<size_t>(FSelected)].Name;
}

bool TScheduleWizard::ExpiryAvailable() const {
  return FAppend.empty() ? !IncrementalSeries : AppendIndex == 0;
}

void TScheduleWizard::LoadRecord(const std::string& name) {
  Record = LoadSchedule(FStore, name);
  Record.Name = name;
  ReuseFileList = !Record.DefaultSession.empty();
  DisplayFileList = false;
  AppendIndex = 0;
  IncrementalSeries = Record.AppendBackup == sv::kIncrementalSeries;
  for (size_t i = 0; i < FAppend.size(); ++i)
    if (FAppend[i].Key == Record.AppendBackup) AppendIndex = static_cast<int>(i) + 1;
  if (Record.BackupType < stDaily || Record.BackupType > stMonthly) Record.BackupType = stDaily;
  KeepListCopy();
}

void TScheduleWizard::ChooseAppend(int index) {
  AppendIndex = index >= 0 && index <= static_cast<int>(FAppend.size()) ? index : 0;
  const TRegistryKey schedules = ScheduleKeys(FStore);
  std::error_code ec;
  if (AppendIndex == 0) {
    if (FListCopy.PutBack()) {
      Record.DefaultSession = FListCopy.Original();
      schedules.WriteString(Record.Name, sv::kDefaultSession, FListCopy.Original());
    } else if (FListCopy.Made()) {
      Record.DefaultSession.clear();
      schedules.DeleteValue(Record.Name, sv::kDefaultSession);
    }
    return;
  }
  const TAppendChoice& choice = FAppend[static_cast<size_t>(AppendIndex) - 1];
  std::string target = Record.DefaultSession;
  if (target.empty()) {
    const std::string folder = ReadWorkingFolder(FStore);
    ForceDirectories(folder);
    target = NewFileListName(folder);
  }
  if (!choice.FileList.empty() &&
      fs::copy_file(choice.FileList, target, fs::copy_options::overwrite_existing, ec)) {
    Record.DefaultSession = target;
    schedules.WriteString(Record.Name, sv::kDefaultSession, target);
  }
}

int TScheduleWizard::Next(int page) {
  switch (page) {
    case spCover:
      if (!CreateNew) return spExisting;
      Select(-1);
      FRenaming = false;
      TypedName.clear();
      return spName;
    case spName:
      return NameNext();
    case spExisting:
      return ExistingNext();
    case spDetails:
      return DetailsNext();
    case spType:
      return TimePageOf(Record.BackupType);
    case spDaily:
    case spWeekly:
    case spMonthly:
      return TimeNext(page);
    default:
      return -1;
  }
}

int TScheduleWizard::NameNext() {
  const std::string name = Trim(TypedName);
  if (name.empty()) {
    ShowError(kNoScheduleNameText, kCaption);
    return -1;
  }
  const std::string except = FRenaming ? SelectedName() : std::string();
  if (const std::string error = ScheduleNameError(FStore, name, except); !error.empty()) {
    ShowError(error, kCaption);
    return -1;
  }
  if (FRenaming) {
    const std::string old = SelectedName();
    if (RenameSchedule(FStore, old, name)) {
      FEntries[static_cast<size_t>(FSelected)].Name = name;
      std::replace(FCreated.begin(), FCreated.end(), old, name);
    }
    FRenaming = false;
    return spExisting;
  }
  FEntries.push_back({name, true});
  FSelected = static_cast<int>(FEntries.size()) - 1;
  FCreated.push_back(name);
  Record = TScheduleRecord{};
  Record.Name = name;
  Record.Enabled = true;
  Record.Time = "00:00:00";
  AppendIndex = 0;
  IncrementalSeries = false;
  ReuseFileList = false;
  DisplayFileList = false;
  return spDetails;
}

int TScheduleWizard::ExistingNext() {
  if (FSelected < 0) {
    ShowError(kNoScheduleSelectedText, kCaption);
    return -1;
  }
  const TScheduleListEntry& entry = FEntries[static_cast<size_t>(FSelected)];
  LoadRecord(entry.Name);
  Record.Enabled = entry.Enabled;
  if (entry.Enabled) return spDetails;
  // An unticked schedule is saved disabled as it is.
  return ScheduleKeys(FStore).SectionExists(entry.Name) ? spFinished : -1;
}

int TScheduleWizard::DetailsNext() {
  if (Trim(Record.BackupTitle).empty()) {
    ShowError(kNoBackupTitleText, kCaption);
    return -1;
  }
  if (!ExpiryAvailable()) Record.Expires = false;
  if (AppendIndex > 0 && !DisplayFileList) return spType;
  if (Record.DefaultSession.empty() || DisplayFileList || !ReuseFileList) {
    const TRegistryKey schedules = ScheduleKeys(FStore);
    const std::string previous = Record.DefaultSession;
    if (!ReuseFileList) schedules.DeleteValue(Record.Name, sv::kDefaultSession);
    if (OnEditFileList) OnEditFileList(Record.Name);
    Record.DefaultSession = Trim(schedules.ReadString(Record.Name, sv::kDefaultSession, ""));
    ReuseFileList = !Record.DefaultSession.empty();
    if (Record.DefaultSession.empty()) {
      if (!previous.empty()) {
        schedules.WriteString(Record.Name, sv::kDefaultSession, previous);
        Record.DefaultSession = previous;
        ReuseFileList = true;
      }
      return -1;
    }
  }
  return spType;
}

int TScheduleWizard::TimeNext(int page) {
  if (page == spWeekly && !AnyTicked(Record.Weekdays)) {
    ShowError(kNoDayTickedText, kCaption);
    return -1;
  }
  if (page == spMonthly && !AnyTicked(Record.Months)) {
    ShowError(kNoDayTickedText, kCaption);
    return -1;
  }
  TDateTime time = 0;
  if (!ParseScheduleTime(Record.Time, time)) return -1;
  return CheckTimeConflict(FStore, Record.Name, time) ? spFinished : -1;
}

int TScheduleWizard::Back(int page) {
  switch (page) {
    case spName:
      if (FRenaming) {
        FRenaming = false;
        return spExisting;
      }
      return spCover;
    case spFinished:
      if (!FPendingDelete.empty()) {
        FPendingDelete.clear();
        return spExisting;
      }
      if (!Record.Enabled) return spExisting;
      return TimePageOf(Record.BackupType);
    case spDaily:
    case spWeekly:
    case spMonthly:
      return spType;
    default:
      return page > spCover ? page - 1 : spCover;
  }
}

int TScheduleWizard::RenameSelected() {
  if (FSelected < 0) {
    ShowError(kNoScheduleSelectedText, kCaption);
    return -1;
  }
  FRenaming = true;
  TypedName = SelectedName();
  return spName;
}

int TScheduleWizard::DeleteSelected() {
  if (FSelected < 0) {
    ShowError(kNoScheduleSelectedText, kCaption);
    return -1;
  }
  if (!AskQuestion(kRemoveScheduleQuestion, kCaption)) return -1;
  FPendingDelete = SelectedName();
  return spFinished;
}

void TScheduleWizard::Apply() {
  if (!FPendingDelete.empty()) {
    DropListCopy(false);
    DeleteSchedule(FStore, FPendingDelete);
    FCreated.erase(std::remove(FCreated.begin(), FCreated.end(), FPendingDelete), FCreated.end());
    FPendingDelete.clear();
    return;
  }
  TScheduleRecord record = Record;
  record.BackupTitle = Trim(record.BackupTitle);
  if (FAppend.empty())
    record.AppendBackup = IncrementalSeries ? sv::kIncrementalSeries : "";
  else
    record.AppendBackup = AppendIndex > 0 ? FAppend[static_cast<size_t>(AppendIndex) - 1].Key : "";
  if (!ExpiryAvailable()) record.Expires = false;
  SaveSchedule(FStore, record);
  DropListCopy(false);
  FCreated.erase(std::remove(FCreated.begin(), FCreated.end(), record.Name), FCreated.end());
}

TStringList TScheduleWizard::Summary() const {
  if (!FPendingDelete.empty())
    return {"The schedule \"" + FPendingDelete + "\" and its file list will be removed."};
  TStringList lines{"Schedule: " + Record.Name};
  lines.push_back(std::string("Enabled: ") + (Record.Enabled ? "yes" : "no"));
  lines.push_back("Perform backup: " + ScheduleTypeText(Record.BackupType) + " at " + Record.Time);
  if (const std::string days = ScheduleDaysText(Record); !days.empty())
    lines.push_back("On: " + days);
  lines.push_back("Backup title: " + Trim(Record.BackupTitle) +
                  (Record.IncludeBackupNo ? " (numbered)" : ""));
  if (AppendIndex > 0)
    lines.push_back("Appends to: " + FAppend[static_cast<size_t>(AppendIndex) - 1].Title);
  else if (FAppend.empty() && IncrementalSeries)
    lines.push_back("Incremental backup: a series starts with the first run");
  if (Record.Expires && ExpiryAvailable())
    lines.push_back("Expires after " + IntToStr(Record.ExpireDays) + " day(s)");
  lines.push_back("File list: " +
                  (Record.DefaultSession.empty() ? std::string("(none)") : Record.DefaultSession));
  return lines;
}

}  // namespace vaultora
