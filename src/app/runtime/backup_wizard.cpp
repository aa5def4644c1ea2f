#include "app/runtime/backup_wizard.h"

#include <algorithm>
#include <filesystem>

#include "app/runtime/main_messages.h"
#include "catalogue/catalogue.h"
#include "platform/folders.h"
#include "platform/prompts.h"
#include "platform/runtime/message_receiver.h"
#include "schedule/schedule_record.h"
#include "selection/file_list.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace fs = std::filesystem;
namespace k = keys::setting;

const char* const kBackupWizardCaption = "Backup Wizard";
const char* const kNoBackupNameText = "A backup name has not been specified.";
const char* const kNoScheduleChosenText = "A schedule has not been selected.";

namespace {

bool Listed(const TStringList& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

// Copies a parent's list onto the wizard's; the same file counts as copied.
bool CopyList(const std::string& from, const std::string& to) {
  std::error_code ec;
  if (from.empty() || !FileExists(from)) return false;
  if (FileExists(to) && fs::equivalent(from, to, ec)) return true;
  return fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
}

}  // namespace

TBackupWizard::TBackupWizard(TIniRegistryEditor& store, bool anyWork,
                             const TStringList& restoreList)
    : FStore(store), FAnyWork(anyWork), FRestoreList(restoreList) {
  FParents = AppendChoices(FStore);
  FSchedules = ScheduleNames(FStore);
  FListFile = ReadListFile();
  FOpeningList = FListFile;
  if (!FListFile.empty()) FSafetyCopy.Make(FListFile, ReadWorkingFolder(FStore));
  Name = ReadSetting(FStore, k::WizardBackupTitle);
  const std::string parent = ReadSetting(FStore, k::WizardAppendBackup);
  for (size_t i = 0; i < FParents.size() && !parent.empty(); ++i)
    if (FParents[i].Key == parent) FParent = static_cast<int>(i) + 1;
  // A stored expiry is the last answer: the box comes ticked with it.
  if (const std::optional<int32_t> days = ReadStoredSetting(FStore, k::WizardExpireDays);
      days && *days > 0) {
    Expire = true;
    ExpireDays = std::clamp(*days, 1, 365);
  }
  Reuse = !FListFile.empty();
  ApplyTickRules();
}

TBackupWizard::~TBackupWizard() {
  try {
    Close();
  } catch (const std::exception&) {
    // the store cannot be written: nothing more can be put back here
  }
}

std::string TBackupWizard::ReadListFile() {
  return Trim(ReadSetting(FStore, k::WizardSession));
}

void TBackupWizard::StoreListFile(const std::string& name) {
  FListFile = name;
  if (name.empty())
    DeleteSetting(FStore, k::WizardSession);
  else
    WriteSetting(FStore, k::WizardSession, name);
}

void TBackupWizard::ApplyTickRules() {
  if (!ExpireEnabled()) Expire = false;
  if (!ReuseEnabled()) Reuse = false;
  if (!DisplayEnabled()) Display = true;
}

void TBackupWizard::ChooseParent(int index) {
  FParent = std::clamp(index, 0, static_cast<int>(FParents.size()));
  if (FParent == 0) {
    PutListBack();
  } else {
    // The parent's list goes over the wizard's own only while a safety copy can put that back;
    // otherwise it goes into a new list file.
    std::string target = FListFile;
    const bool made = target.empty() || (!FSafetyCopy.Made() && target == FOpeningList);
    if (made) {
      const std::string folder = ReadWorkingFolder(FStore);
      ForceDirectories(folder);
      target = NewFileListName(folder);
    }
    if (CopyList(FParents[static_cast<size_t>(FParent) - 1].FileList, target)) {
      if (made && !Listed(FListsMade, target)) FListsMade.push_back(target);
      StoreListFile(target);
    }
  }
  Reuse = !FListFile.empty();
  ApplyTickRules();
}

void TBackupWizard::PutListBack() {
  if (!FSafetyCopy.Made())
    StoreListFile(FOpeningList);  // no list then, or the one never written over
  else if (FSafetyCopy.PutBack())
    StoreListFile(FOpeningList);
  else
    StoreListFile("");  // the copy went: no list is better than a changed one
  std::error_code ec;
  for (const std::string& made : FListsMade)
    if (made != FListFile) fs::remove(made, ec);
  FListsMade.clear();
}

int TBackupWizard::Next(int page) {
  switch (page) {
    case bwCover:
      if (Choice == bcScheduled) return ScheduledAvailable() ? bwSchedule : -1;
      if (Choice == bcSendReceive) return SendReceiveAvailable() ? bwFinished : -1;
      return bwBackup;
    case bwBackup:
      return BackupNext();
    case bwSchedule:
      if (Schedule < 0 || Schedule >= static_cast<int>(FSchedules.size())) {
        ShowError(kNoScheduleChosenText, kBackupWizardCaption);
        return -1;
      }
      return bwFinished;
    default:
      return -1;
  }
}

int TBackupWizard::BackupNext() {
  if (Trim(Name).empty()) {
    ShowError(kNoBackupNameText, kBackupWizardCaption);
    return -1;
  }
  ApplyTickRules();
  // Without any list the editor opens, parent or not: the builder would have nothing to read.
  if (!FListFile.empty() && !Display) return bwFinished;
  const std::string previous = FListFile;
  const bool fresh = !Reuse;
  if (fresh) DeleteSetting(FStore, k::WizardSession);
  if (OnEditFileList) OnEditFileList(fresh);
  FListFile = ReadListFile();
  if (!FListFile.empty() && FListFile != FOpeningList && FListFile != previous &&
      !Listed(FListsMade, FListFile))
    FListsMade.push_back(FListFile);
  const bool noList = FListFile.empty();
  if (noList && !previous.empty()) StoreListFile(previous);
  Reuse = !FListFile.empty();
  ApplyTickRules();
  return noList ? -1 : bwFinished;
}

int TBackupWizard::Back(int page) const {
  switch (page) {
    case bwBackup:
    case bwSchedule:
      return bwCover;
    case bwFinished:
      return Choice == bcNewBackup ? bwBackup : Choice == bcScheduled ? bwSchedule : bwCover;
    default:
      return -1;
  }
}

TSummary TBackupWizard::Summary() const {
  TSummary lines;
  if (Choice == bcNewBackup) {
    lines.push_back({"New Backup", true});
    lines.push_back({"Title \"" + Trim(Name) + "\""});
    if (FParent > 0)
      lines.push_back({"Incremental backup"});
    else if (ExpireDaysEnabled())
      lines.push_back({"Backup to expire in " + IntToStr(ExpireDays) + " days"});
    return lines;
  }
  if (Choice == bcScheduled) {
    lines.push_back({"Scheduled Backup", true});
    if (Schedule >= 0 && Schedule < static_cast<int>(FSchedules.size()))
      lines.push_back({FSchedules[static_cast<size_t>(Schedule)]});
    return lines;
  }
  lines.push_back({"Send / Receive", true});
  TCatalogue catalogue(FStore);
  // What each kind of work will take: the upload skips deleted entries, and requested entries
  // are received as well as those already being received.
  std::vector<TCatalogueEntry> receive = catalogue.EntriesToReceive();
  for (const std::string& key : FRestoreList)
    if (catalogue.Exists(key)) {
      TCatalogueEntry entry = catalogue.Entry(key);
      const bool listed = std::any_of(receive.begin(), receive.end(),
                                      [&key](const TCatalogueEntry& e) { return e.Id == key; });
      if (!entry.Deleted && !listed) receive.push_back(std::move(entry));
    }
  const std::pair<const char*, std::vector<TCatalogueEntry>> groups[] = {
      {"Restore the following:", receive},
      {"Send the following:", catalogue.EntriesToSend()},
      {"Delete the following:", catalogue.EntriesToDelete()},
  };
  for (const auto& [caption, entries] : groups) {
    if (entries.empty()) continue;
    lines.push_back({caption});
    for (const TCatalogueEntry& entry : entries)
      lines.push_back({"  " + entry.BackupTitle});
  }
  return lines;
}

void TBackupWizard::Apply(TMessageReceiver& mainWindow) {
  // Applied: the list stays as it is now, and its safety copy is not needed any more.
  FDone = true;
  FSafetyCopy.Drop();
  FListsMade.clear();
  using namespace messages;
  switch (Choice) {
    case bcNewBackup:
      WriteSetting(FStore, k::WizardBackupTitle, Trim(Name));
      if (FParent > 0)
        WriteSetting(FStore, k::WizardAppendBackup, FParents[static_cast<size_t>(FParent) - 1].Key);
      else
        DeleteSetting(FStore, k::WizardAppendBackup);
      if (ExpireDaysEnabled())
        WriteSetting(FStore, k::WizardExpireDays, ExpireDays);
      else
        DeleteSetting(FStore, k::WizardExpireDays);
      mainWindow.Post(WM_USER + TWM_DOBACKUPNOW);
      return;
    case bcScheduled:
      mainWindow.Post(WM_USER + TWM_DOSCHEDULEDBACKUP, Schedule);
      return;
    case bcSendReceive:
      mainWindow.Post(WM_USER + TWM_DOSENDRECEIVE);
      return;
  }
}

void TBackupWizard::Close() {
  if (FDone) return;
  FDone = true;
  PutListBack();
  FSafetyCopy.Drop();
}

}  // namespace vaultora
