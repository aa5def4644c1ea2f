#pragma once
// TRestoreWizard: the rules of the "Online Restore" wizard without its window. The cover chooses
// between requesting backups from the server (ticked with the backups they are incremental upon
// into the download's restore list, then Send & Receive), opening one already on this computer
// for viewing and extraction, and verifying chosen backups. It changes only the restore list,
// which "&Close" puts back as it was, and posts one request to the main window on "&Apply".
// Messages go through the prompt interface. One thread, that thread's store.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/summary_line.h"
#include "platform/text.h"

namespace vaultora {

class TIniRegistryEditor;
class TMessageReceiver;

enum TRestoreWizardPage {
  rwCover = 0,
  rwRequest = 1,
  rwLocal = 2,
  rwVerify = 3,
  rwFinished = 4,
};
enum TRestoreWizardChoice { rcFromServer = 0, rcViewExtract = 1, rcVerify = 2 };

extern const char* const kRestoreWizardCaption;  // "Online Restore"
extern const char* const kNoRestoreChosenText;
extern const char* const kNoExtractChosenText;
extern const char* const kNoVerifyChosenText;

// One finished backup a page offers.
struct TRestoreWizardRow {
  std::string Key, Session, Title;
  std::string SizeText;  // Size in KB or MB
  int64_t Bytes = 0;
  bool Local = false;  // its archive is in the working folder
};

class TRestoreWizard {
 public:
  // restoreList: the download's requested entries, shared with the main window.
  TRestoreWizard(TIniRegistryEditor& store, TStringList& restoreList);
  // Left without "&Apply" or "&Close": as "&Close".
  ~TRestoreWizard() { Close(); }

  TRestoreWizardChoice Choice = rcFromServer;

  // The rows of each page, read from the catalogue the first time they are asked for.
  const std::vector<TRestoreWizardRow>& RequestRows();
  const std::vector<TRestoreWizardRow>& LocalRows();
  const std::vector<TRestoreWizardRow>& VerifyRows();

  // The request page: a row is ticked when its key is in the restore list.
  bool Requested(const std::string& key) const;
  // Ticks or unticks the row with every backup it is incremental upon; the keys it changed.
  TStringList ToggleRequest(const std::string& key, bool ticked);
  std::string AvailableText();  // rows + " item(s) available."
  std::string RequestedText() const;
  std::string InboxText();  // rows + " item(s) in the inbox."

  // The local page's chosen row, -1 for none.
  int Local = -1;
  // The verify page's chosen keys.
  std::set<std::string> Verify;

  int Next(int page);
  int Back(int page) const;
  TSummary Summary();
  void Apply(TMessageReceiver& mainWindow);
  // "&Close": the restore list as it was when the wizard opened. Never after Apply.
  void Close();

 private:
  std::vector<TRestoreWizardRow> ReadRows(int which);
  std::vector<TRestoreWizardRow> TickedRequests();

  TIniRegistryEditor& FStore;
  TStringList& FRestoreList;
  const TStringList FOpeningList;
  std::optional<std::vector<TRestoreWizardRow>> FRequest, FLocal, FVerify;
  bool FDone = false;  // applied or closed
};

}  // namespace vaultora
