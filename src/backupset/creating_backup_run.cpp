#include "backupset/creating_backup_run.h"

#include "archive/archive_format.h"

#include "platform/folders.h"
#include "platform/log_file.h"
#include "platform/prompts.h"
#include "platform/size_text.h"
#include "settings/ini_registry_editor.h"
#include "settings/last_good_copy.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

TCreatingBackupRun::TCreatingBackupRun(TIniRegistryEditor& store, TBlowfish* cipher)
    : FStore(store), FBuilder(std::make_unique<TCreateBackupSet>()) {
  FBuilder->RegistryEditor = &store;
  FBuilder->Blowfish = cipher;
  AttachHandlers();
}

TCreatingBackupRun::~TCreatingBackupRun() = default;

void TCreatingBackupRun::Show(TBackupLineTag tag, const std::string& text) {
  FLabels[tag] = text;
  if (tag != btCurrentFile && tag != btPercent) FLines.push_back(text);
  if (OnLine) OnLine(tag, text);
}

void TCreatingBackupRun::AttachHandlers() {
  TCreateBackupSet& b = *FBuilder;
  b.OnStart = [this](TComponent*, const std::string& title, const std::string& appending) {
    Show(btTitle, "Backup Title: " + title);
    Show(btAppended, "Append Backup: " + appending);
    Show(btStatus, "Creating backup set");
  };
  b.OnBackupProgress = [this](TComponent*, const std::string& file, TPercentage percent,
                              bool& canContinue) {
    Show(btCurrentFile, file);
    Show(btPercent, IntToStr(percent) + " %");
    canContinue = !FCancelled;
  };
  b.OnBackupError = [this](TComponent*, int32_t code, const std::string& text) {
    Show(btErrors, "Backup error [" + IntToStr(code) + "] " + text);
  };
  b.OnException = [this](TComponent*, const std::string& text) {
    Show(btErrors, "Exception " + text);
  };
  b.OnStatus = [this](TComponent*, const std::string& text) { Show(btStatus, text); };
  b.GetBackupStats = [this](TComponent*, const std::string&, int totalFiles, int size, int rate) {
    Show(btSize, "Original Size = " + KBSizeText(static_cast<uint32_t>(size)));
    Show(btSize, "Compressed size = " + KBSizeText(FBuilder->ArchiveSize()));
    // Below one block the archive's own records outweigh the data: no figure means anything.
    if (size >= archive_format::kBlockSize)
      Show(btCompression, "Compression = " + IntToStr(rate) + " %");
    Show(btFileCount, "File(s) = " + IntToStr(totalFiles));
  };
  b.BeforeEncrypt = [this](TComponent*) { Show(btStatus, "Encryption backup set."); };
  b.OnAddFile = [this](TComponent*, const std::string& file, bool& stopScan) {
    Show(btFileAdded, file);
    if (FCancelled) stopScan = true;
  };
}

bool TCreatingBackupRun::Run(const std::string& scheduleName) {
  FCancelled = false;
  FLabels.clear();
  FLines.clear();
  FBuilder->IsScheduledBackup = !scheduleName.empty();
  FBuilder->ScheduleName = scheduleName;
  const bool ok = FBuilder->Execute();
  if (ok) SaveSettingsCopy();
  try {
    TStringList lines = FLines;
    WriteLogFile(kBackupLog, lines, ReadLogPolicy(FStore));
  } catch (const std::exception& e) {
    Show(btErrors, "Exception " + std::string(e.what()));
  }
  return ok;
}

// After a backup the settings hold what a restore needs (the catalogue, the account, the key):
// a good copy of them is kept for the day the store is damaged. The backup stands either way.
void TCreatingBackupRun::SaveSettingsCopy() {
  try {
    SaveLastGoodCopy(FStore.HivePath().empty() ? RegistryFilePath() : FStore.HivePath());
  } catch (const std::exception& e) {
    Show(btErrors, std::string("The copy of the settings was not made: ") + e.what());
  }
}

void TCreatingBackupRun::AskToAbort() {
  if (FBuilder->Busy() && !FCancelled && AskQuestion("Abort process ?")) Cancel();
}

void TCreatingBackupRun::Cancel() {
  if (FCancelled || !FBuilder->Busy()) return;
  FCancelled = true;
  FBuilder->StopBackup(true);
  Show(btStatus, "Backup Stopped.");
}

}  // namespace vaultora
