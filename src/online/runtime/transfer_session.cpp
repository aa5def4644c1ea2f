#include "online/runtime/transfer_session.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "catalogue/catalogue.h"
#include "platform/log_file.h"
#include "platform/size_text.h"
#include "settings/error_marks.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

namespace err = keys::errors;

// The list view is emptied before a line is added once it holds more than this many.
constexpr size_t kMaxShownLines = 51;

const TTransferKindTexts kKindTexts[] = {
    {"Transfering backup:", keys::kBackupErrors, kInternetBackupLog, err::kUserStoppedBackup,
     "Online Backup time [ ", "Online backup closed", "Internet transfer complete",
     "Online backup failed to transfer the backup(s)"},
    {"Retrieving backup:", keys::kRestoreErrors, kInternetRestoreLog, err::kUserStoppedRestore,
     "Online Restore time [ ", "Online retrieval closed", "Backup retrieved from server",
     "Online retrieval failed to restore the requested Backup(s)"},
    {"Deleting backups:", keys::kDeleteErrors, kDeleteLog, err::kUserStoppedDeleteBackup,
     "Online Deletion time [ ", "Online Deletion closed", "Internet delete complete",
     "Online delete failed to delete the backup(s)"},
    {"Downloading Backups", keys::kRegUpdateErrors, kRegUpDateLog, err::kUserStoppedRegistryUpdate,
     "Online Backup Download time [ ", "Online Backup Download closed",
     "Internet Avaiable backup download completed",
     "Online backup download failed to download the available backups"},
};

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

}  // namespace

const TTransferKindTexts& TransferKindTexts(TTransferKind kind) {
  return kKindTexts[kind];
}

TTransferSession::TTransferSession(TTransferKind kind, TIniRegistryEditor& store,
                                   std::function<TDateTime()> clock)
    : FKind(kind), FStore(store), FClock(std::move(clock)) {}

void TTransferSession::Begin() {
  FStatusLabel.clear();
  FPercentLabel = "0 %";
  FCountLabel.clear();
  FProgressPosition = 0;
  FFileProgress = 0;
  FRate.Reset();
  FStopping = false;
  FSuccess = false;
  FLines = FKept;
}

std::string TransferConnectionName(TIniRegistryEditor& store) {
  if (ReadSetting(store, keys::setting::UseLANServer))
    return " LAN Server : " + ReadSetting(store, keys::setting::Host);
  return ReadSetting(store, keys::setting::ConnectionEntry);
}

TStringList DeletionList(TIniRegistryEditor& store) {
  TStringList lines;
  for (const TCatalogueEntry& entry : TCatalogue(store).EntriesToDelete())
    lines.push_back(entry.BackupTitle + " [ " + entry.Session + " ]");
  return lines;
}

bool TTransferSession::KeepLogFiles() {
  return ReadSetting(FStore, keys::setting::KeepLogFiles);
}

void TTransferSession::AddLine(const std::string& line) {
  if (!FHaveFirstLine) {
    FFirstLine = FClock();
    FHaveFirstLine = true;
  }
  if (FLines.size() > kMaxShownLines) FLines.clear();
  FLines.push_back(line);
  if (KeepLogFiles()) FKept.push_back(line);
  if (OnLine) OnLine(line);
}

bool TTransferSession::MarkExists(const std::string& name) {
  return ErrorMarkExists(FStore, Texts().ErrorsKey, name);
}

void TTransferSession::MarkError(const std::string& name) {
  vaultora::MarkError(FStore, Texts().ErrorsKey, name);
}

bool TTransferSession::HasErrors() {
  return ErrorMarked(FStore, Texts().ErrorsKey);
}

void TTransferSession::Status(const std::string& text) {
  AddLine(text);
}

void TTransferSession::ConnectionStateChange(TVaConnectionState state, const std::string& text) {
  if (state == vcsFailed)
    MarkError(err::kFailedToLoacteServer);
  else
    AddLine(text);
}

void TTransferSession::Logon(bool accepted) {
  if (accepted) {
    AddLine("Logon accepted");
    // Delete and the available-backups download move no data: they animate from the logon.
    if (FKind == tkDelete || FKind == tkRegistryUpdate) FAnimating = true;
    return;
  }
  AddLine("Logon failed, Please check your logon details or contact Vaultora's helpdesk");
  MarkError(err::kFailedLogon);
}

void TTransferSession::InitBackup(const std::string& title) {
  AddLine("Transfering " + title);
}

void TTransferSession::InitRestore(const std::string& title) {
  AddLine("Retrieving " + title);
}

void TTransferSession::TransferProgress(const std::string& backupTitle, int count, int index,
                                        double fileProgress, double totalBytes,
                                        double bytesWritten) {
  FAnimating = true;
  if (backupTitle != FStatusLabel) {
    FStatusLabel = backupTitle;
    FRate.Reset();
  }
  FCountLabel = IntToStr(index) + " / " + IntToStr(count);
  if (std::isfinite(fileProgress) && std::isfinite(totalBytes) && std::isfinite(bytesWritten)) {
    FPercentLabel = ByteSizeText(static_cast<int64_t>(bytesWritten)) + " ( " +
                    FormatThousands(fileProgress, 2) + " %" + " ) " + "of " +
                    ByteSizeText(static_cast<int64_t>(totalBytes));
    FProgressPosition = static_cast<int>(std::lround(std::clamp(fileProgress, 0.0, 100.0)));
    FFileProgress = std::clamp(fileProgress, 0.0, 100.0);
    FRate.Add(FClock() * 86400.0, bytesWritten, totalBytes);
    if (OnProgress) OnProgress(bytesWritten, totalBytes);
  } else {
    FPercentLabel = "0 %";
  }
}

void TTransferSession::FileNotFound(const std::string& path) {
  AddLine(path + " Cannot be found, Backup failed");
  MarkError(err::kBackupFileNotFound);
}

void TTransferSession::BackupNotRegistered(const std::string& name) {
  switch (FKind) {
    case tkUpload:
      AddLine(name + " cannot be sent as it is not Registered");
      MarkError(err::kBackupNotRegistered);
      break;
    case tkDownload:
      AddLine(Quoted(name) +
              " is not registered on this machine, try updating the registered backup list");
      MarkError(err::kBackupNotRegisterd);
      break;
    case tkRegistryUpdate:
      AddLine(name);
      MarkError(err::kNoItemsOnServer);
      break;
    case tkDelete:
      AddLine(name);
      break;
  }
}

void TTransferSession::BackupInStorage(const std::string& title) {
  AddLine(Quoted(title) +
          " has been put in storage,a request for this backup has been logged for you");
  MarkError(err::kBackupInStorage);
}

void TTransferSession::BackupNotOnServer(const std::string& title) {
  AddLine(Quoted(title) + " could not be downloaded from the server");
  MarkError(err::kBackupNotOnServer);
}

void TTransferSession::NoBackupsToSend() {
  AddLine("There are no new backups to send");
  MarkError(err::kNoBackupsToSend);
}

void TTransferSession::NoBackupSpecified() {
  AddLine("A backup has not been selected to restore");
  MarkError(err::kNoRestoresSelected);
}

void TTransferSession::NoBackupsToDelete() {
  AddLine("No backups were specified to delete");
  MarkError(err::kNoBackupsToDelete);
}

void TTransferSession::Succeeded() {
  FSuccess = true;
  AddLine(Texts().SuccessLine);
  if (FKind == tkUpload || FKind == tkDownload) FPercentLabel = "100 %";
}

void TTransferSession::Failed() {
  if (FKind == tkRegistryUpdate && MarkExists(err::kNoItemsOnServer)) return;
  AddLine(Texts().FailureLine);
}

void TTransferSession::ComponentError(const std::string& text) {
  AddLine("Connection error : " + text);
  UserStop();
}

void TTransferSession::UserStop() {
  if (FStopping) return;
  MarkError(Texts().UserStopMark);
  FStopping = true;
  if (OnStopRequested) OnStopRequested();
}

std::string TTransferSession::ElapsedText() {
  const TDateTime since = FHaveFirstLine ? FFirstLine : FClock();
  long long seconds = std::llround((FClock() - since) * 86400.0);
  if (seconds < 0) seconds = 0;
  return Format("%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

bool TTransferSession::Closed() {
  FAnimating = false;
  if ((FKind == tkUpload || FKind == tkDownload) && !FStatusLabel.empty())
    AddLine(Format("%s's progress %s", FStatusLabel.c_str(), FPercentLabel.c_str()));
  AddLine(Texts().TimePrefix + ElapsedText() + " ]");
  AddLine(Texts().ClosedLine);
  // Stop is the pause of a transfer: the server keeps what it has, and the next run resumes.
  if (FStopping && !FSuccess && (FKind == tkUpload || FKind == tkDownload))
    AddLine(FKind == tkUpload ? kResumeSendLine : kResumeReceiveLine);
  FlushLog();
  return HasErrors();
}

void TTransferSession::FlushLog() {
  if (FKept.empty()) return;
  try {
    WriteLogFile(Texts().LogFile, FKept, ReadLogPolicy(FStore), FClock());
  } catch (const std::exception&) {
    // A log that cannot be written is dropped for this run; the run itself is unaffected.
  }
  FKept.clear();
}

}  // namespace vaultora
