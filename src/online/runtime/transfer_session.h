#pragma once
// TTransferSession: what a transfer window does with the events of its online component, without
// the window. It turns every event into the status lines the user reads, records the error marks
// of the run in the kind's errors section, keeps the lines for the log file while logging is on
// and writes them when the operation closes. The transfer windows and vaultora-cli both drive it,
// so both show and log a run alike. Used on the owner's (window) thread only.

#include <functional>
#include <string>

#include "online/runtime/online_events.h"
#include "online/transfer_rate.h"
#include "platform/date_time.h"
#include "platform/text.h"

namespace vaultora {

class TIniRegistryEditor;

enum TTransferKind { tkUpload, tkDownload, tkDelete, tkRegistryUpdate };

// The fixed texts and names by which the four kinds of transfer differ.
struct TTransferKindTexts {
  const char* Caption;       // the caption label
  const char* ErrorsKey;     // the error marks section below the base key
  const char* LogFile;       // in the program's folder
  const char* UserStopMark;  // marked when the user stops the run
  const char* TimePrefix;    // of the elapsed-time line
  const char* ClosedLine;
  const char* SuccessLine;
  const char* FailureLine;
};
const TTransferKindTexts& TransferKindTexts(TTransferKind kind);

// The last line of an upload or download that was stopped before its end.
inline constexpr const char* kResumeSendLine =
    "Stopped before the end: the next send goes on from where this one ended";
inline constexpr const char* kResumeReceiveLine =
    "Stopped before the end: the next receive goes on from where this one ended";

// " LAN Server : " and the host when the LAN server is used, else the dial-up connection.
std::string TransferConnectionName(TIniRegistryEditor& store);
// What the delete window lists: each entry marked for deletion as its title, " [ ", its file
// list and " ]".
TStringList DeletionList(TIniRegistryEditor& store);

class TTransferSession {
 public:
  // The store is the owner thread's own; the session sets its Filename for each access.
  TTransferSession(TTransferKind kind, TIniRegistryEditor& store,
                   std::function<TDateTime()> clock = Now);

  TTransferKind Kind() const { return FKind; }
  const TTransferKindTexts& Texts() const { return TransferKindTexts(FKind); }

  // Called when the window is shown or restarted: empties what it shows and refills the list
  // from the lines kept for the log so far.
  void Begin();
  std::string ConnectionName() { return TransferConnectionName(FStore); }
  TStringList DeletionList() { return vaultora::DeletionList(FStore); }

  // The events of the component, one method each.
  void Status(const std::string& text);  // OnStatus and OnThreadException
  void ConnectionStateChange(TVaConnectionState state, const std::string& text);
  void Logon(bool accepted);
  void InitBackup(const std::string& title);
  void InitRestore(const std::string& title);
  void TransferProgress(const std::string& backupTitle, int count, int index, double fileProgress,
                        double totalBytes, double bytesWritten);
  void FileNotFound(const std::string& path);
  void BackupNotRegistered(const std::string& name);
  void BackupInStorage(const std::string& title);
  void BackupNotOnServer(const std::string& title);
  void NoBackupsToSend();
  void NoBackupSpecified();
  void NoBackupsToDelete();
  void Succeeded();
  void Failed();
  // OnError of the component: a line, then as if the user had pressed Stop.
  void ComponentError(const std::string& text);
  // The Stop button: marks the user's stop and asks the front end to stop the component.
  void UserStop();
  // OnClose: the closing lines, then the log file. True when the run left an error mark (the
  // window stays open with a Close button), false when it may close by itself.
  bool Closed();
  // The window closes: writes what is still kept.
  void FlushLog();

  bool HasErrors();
  void MarkError(const std::string& name);

  // What the window shows.
  const TStringList& Lines() const { return FLines; }
  const TStringList& KeptLines() const { return FKept; }
  const std::string& StatusLabel() const { return FStatusLabel; }
  const std::string& PercentLabel() const { return FPercentLabel; }
  const std::string& CountLabel() const { return FCountLabel; }
  int ProgressPosition() const { return FProgressPosition; }
  // The speed and the time left of the running file ("2.41 MB/s, 00:01:05 left"), "" before
  // its first progress report.
  std::string RateText() const { return FRate.Text(); }
  // The file's percent as the last report gave it (0 before any).
  double FileProgress() const { return FFileProgress; }
  bool Animating() const { return FAnimating; }
  // Stop was pressed: the button shows "Stopping" and is disabled until the run closes.
  bool Stopping() const { return FStopping; }
  // The operation reported success (its success line was added).
  bool Success() const { return FSuccess; }

  // Each new line, as the front end shows it (the window's list, the terminal).
  std::function<void(const std::string& line)> OnLine;
  // Each progress report of the running file: bytes moved of its total (a terminal's meter).
  std::function<void(double bytesWritten, double totalBytes)> OnProgress;
  // The front end stops the component (Stop pressed or a component error).
  std::function<void()> OnStopRequested;

 private:
  void AddLine(const std::string& line);
  bool KeepLogFiles();
  bool MarkExists(const std::string& name);
  std::string ElapsedText();

  TTransferKind FKind;
  TIniRegistryEditor& FStore;
  std::function<TDateTime()> FClock;
  TStringList FLines;
  TStringList FKept;
  bool FHaveFirstLine = false;
  TDateTime FFirstLine = 0;
  std::string FStatusLabel, FPercentLabel, FCountLabel;
  int FProgressPosition = 0;
  double FFileProgress = 0;
  TTransferRate FRate;
  bool FAnimating = false;
  bool FStopping = false;
  bool FSuccess = false;
};

}  // namespace vaultora
