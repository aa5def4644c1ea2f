#include "app/runtime/restore_wizard.h"

#include <algorithm>

#include "app/runtime/main_messages.h"
#include "backupset/catalogue_commands.h"
#include "backupset/catalogue_views.h"
#include "catalogue/catalogue.h"
#include "platform/prompts.h"
#include "platform/runtime/message_receiver.h"
#include "platform/size_text.h"

namespace vaultora {

const char* const kRestoreWizardCaption = "Online Restore";
const char* const kNoRestoreChosenText = "A backup has not been selected to restore.";
const char* const kNoExtractChosenText = "A backup has not been selected to View/Extract.";
const char* const kNoVerifyChosenText = "A backup has not been selected to verify.";

namespace {

enum { kRequestRows, kLocalRows, kVerifyRows };

// Which page offers the entry. Only finished backups are offered; a verify reads a backup that
// is complete somewhere: here, or on the server when it is not being sent or received.
bool Offered(const TCatalogueEntry& entry, int which) {
  if (entry.FinishDateTime.empty()) return false;
  switch (which) {
    case kRequestRows:
      return entry.InView(cvSentItems);
    case kLocalRows:
      return entry.InView(cvInbox);
    default:
      return !entry.Deleted && !entry.HasReceivePosition &&
             (entry.ArchiveExists || !entry.HasFlags());
  }
}

int64_t SizeBytes(const std::string& size) {
  long long bytes = 0;
  return TryStrToInt(Trim(size), bytes) && bytes > 0 ? bytes : 0;
}

}  // namespace

TRestoreWizard::TRestoreWizard(TIniRegistryEditor& store, TStringList& restoreList)
    : FStore(store), FRestoreList(restoreList), FOpeningList(restoreList) {}

std::vector<TRestoreWizardRow> TRestoreWizard::ReadRows(int which) {
  std::vector<TRestoreWizardRow> rows;
  for (const TCatalogueEntry& entry : TCatalogue(FStore).Entries()) {
    if (!Offered(entry, which)) continue;
    const int64_t bytes = SizeBytes(entry.Size);
    rows.push_back({entry.Id, entry.Session, entry.BackupTitle, KBSizeText(bytes), bytes,
                    entry.ArchiveExists});
  }
  return rows;
}

const std::vector<TRestoreWizardRow>& TRestoreWizard::RequestRows() {
  if (!FRequest) FRequest = ReadRows(kRequestRows);
  return *FRequest;
}

const std::vector<TRestoreWizardRow>& TRestoreWizard::LocalRows() {
  if (!FLocal) FLocal = ReadRows(kLocalRows);
  return *FLocal;
}

const std::vector<TRestoreWizardRow>& TRestoreWizard::VerifyRows() {
  if (!FVerify) FVerify = ReadRows(kVerifyRows);
  return *FVerify;
}

bool TRestoreWizard::Requested(const std::string& key) const {
  return std::find(FRestoreList.begin(), FRestoreList.end(), key) != FRestoreList.end();
}

TStringList TRestoreWizard::ToggleRequest(const std::string& key, bool ticked) {
  return TCatalogueCommands(FStore, FRestoreList).ToggleRestoreRequest(key, ticked);
}

std::string TRestoreWizard::AvailableText() {
  return IntToStr(static_cast<long long>(RequestRows().size())) + " item(s) available.";
}

std::string TRestoreWizard::RequestedText() const {
  return RequestedStatusText(FRestoreList.size());
}

std::string TRestoreWizard::InboxText() {
  return ViewStatusText(cvInbox, LocalRows().size());
}

std::vector<TRestoreWizardRow> TRestoreWizard::TickedRequests() {
  std::vector<TRestoreWizardRow> ticked;
  for (const TRestoreWizardRow& row : RequestRows())
    if (Requested(row.Key)) ticked.push_back(row);
  return ticked;
}

int TRestoreWizard::Next(int page) {
  switch (page) {
    case rwCover:
      if (Choice == rcViewExtract) {
        Local = LocalRows().empty() ? -1 : 0;
        return rwLocal;
      }
      return Choice == rcVerify ? rwVerify : rwRequest;
    case rwRequest:
      if (TickedRequests().empty()) {
        ShowError(kNoRestoreChosenText, kRestoreWizardCaption);
        return -1;
      }
      return rwFinished;
    case rwLocal:
      if (Local < 0 || Local >= static_cast<int>(LocalRows().size())) {
        ShowError(kNoExtractChosenText, kRestoreWizardCaption);
        return -1;
      }
      return rwFinished;
    case rwVerify:
      if (Verify.empty()) {
        ShowError(kNoVerifyChosenText, kRestoreWizardCaption);
        return -1;
      }
      return rwFinished;
    default:
      return -1;
  }
}

int TRestoreWizard::Back(int page) const {
  switch (page) {
    case rwRequest:
    case rwLocal:
    case rwVerify:
      return rwCover;
    case rwFinished:
      return Choice == rcViewExtract ? rwLocal : Choice == rcVerify ? rwVerify : rwRequest;
    default:
      return -1;
  }
}

TSummary TRestoreWizard::Summary() {
  TSummary lines;
  if (Choice == rcViewExtract) {
    lines.push_back({"View / Extract", true});
    if (Local >= 0 && Local < static_cast<int>(LocalRows().size()))
      lines.push_back({LocalRows()[static_cast<size_t>(Local)].Title});
    return lines;
  }
  if (Choice == rcVerify) {
    lines.push_back({"Verify", true});
    for (const TRestoreWizardRow& row : VerifyRows())
      if (Verify.count(row.Key))
        lines.push_back({row.Title + (row.Local ? "" : "  (downloaded from the server first)")});
    return lines;
  }
  lines.push_back({"Online Restore", true});
  int64_t total = 0;
  for (const TRestoreWizardRow& row : TickedRequests()) {
    lines.push_back({row.Title});
    total += row.Bytes;
  }
  lines.push_back({""});
  lines.push_back({"Total to restore  [ " + KBSizeText(total) + " ]"});
  return lines;
}

void TRestoreWizard::Apply(TMessageReceiver& mainWindow) {
  using namespace messages;
  FDone = true;
  switch (Choice) {
    case rcFromServer:
      mainWindow.Post(WM_USER + TWM_DOSENDRECEIVE);
      return;
    case rcViewExtract:
      if (Local < 0 || Local >= static_cast<int>(LocalRows().size())) return;
      mainWindow.PostValue(WM_USER + TWM_DOEXTRACT, 0, 0,
                           LocalRows()[static_cast<size_t>(Local)].Key);
      return;
    case rcVerify: {
      TStringList keys;
      for (const TRestoreWizardRow& row : VerifyRows())
        if (Verify.count(row.Key)) keys.push_back(row.Key);
      mainWindow.PostValue(WM_USER + TWM_DOVERIFY, 0, 0, keys);
      return;
    }
  }
}

void TRestoreWizard::Close() {
  if (FDone) return;
  FDone = true;
  FRestoreList = FOpeningList;
}

}  // namespace vaultora
