#include "archive/backup_file.h"

#include <algorithm>

#include "archive/archive_format.h"
#include "platform/process_messages.h"
#include "platform/prompts.h"

namespace vaultora {

using namespace archive_format;

int ZlibLevel(TCompressionLevel level) {
  switch (level) {
    case clNone:
      return 0;
    case clDefault:
      return -1;
    case clMax:
      return 9;
    case clFastest:
    default:
      return 1;
  }
}

TBackupFile::TBackupFile(TComponent* owner)
    : TComponent(owner), FData(kBlockSize), FPacked(kBlockSize) {}

TBackupFile::~TBackupFile() {
  Destroying();
}

void TBackupFile::SetBackupMode(TBackupMode mode) {
  FBackupMode = mode;
  if (mode == bmIncremental) FSetArchiveFlag = true;
}

int TBackupFile::CompressionRate() const {
  if (FTotalSize <= 0) return 0;
  return static_cast<int>(100 - FBytesArchived * 100 / FTotalSize);
}

void TBackupFile::RecordError(int32_t code, const std::string& detail) {
  if (FLastError == 0) {  // the first failure is the cause of the rest
    FLastError = code;
    FErrorDetail = detail;
  }
  FContinue = false;
}

void TBackupFile::ReportNow(int32_t code, const std::string& detail) {
  if (!CanFireEvents()) return;
  const std::string text = detail.empty() ? BackupErrorText(code) : detail;
  if (OnError)
    OnError(this, code, text);
  else
    ShowError(text);
}

void TBackupFile::ReportError() {
  if (FLastError != 0) ReportNow(FLastError, FErrorDetail);
}

void TBackupFile::Progress(const std::string& filename, TPercentage percent) {
  bool canContinue = FContinue;
  Fire(OnProgress, this, filename, percent, canContinue);
  FContinue = FContinue && canContinue;
}

TPercentage TBackupFile::ProgressPercent() const {
  if (FTotalSize <= 0) return 100;
  return static_cast<TPercentage>(std::clamp<int64_t>(FBytesProcessed * 100 / FTotalSize, 0, 100));
}

void TBackupFile::BlockDone(const std::string& filename) {
  ProcessMessages();
  Progress(filename, ProgressPercent());
}

bool TBackupFile::AskForDisk(int volume) {
  bool cont = FContinue;
  if (OnNeedDisk) {
    Fire(OnNeedDisk, this, static_cast<uint16_t>(volume), cont);
  } else {
    cont = ConfirmOkCancel(Format("Please insert disk %d and click OK to Continue.", volume));
  }
  FContinue = FContinue && cont;
  return FContinue;
}

}  // namespace vaultora
