#pragma once
// TDialAttempt: what the "Dialup Connection" window does, without the window. It takes over the
// dialer's events while it is shown, asks for the logon when the entry has no stored
// credentials, turns every event into a status line (at most 52 are shown), redials by DialRetry
// and DialWait, records the run's failures in RasErrors, and hands the kept lines to the log
// writer as "RasDialup.log" when it closes. Used on the owner's thread only.

#include <functional>
#include <memory>
#include <string>

#include "connect/runtime/ras_dialer.h"
#include "platform/text.h"

class QTimer;

namespace vaultora {

class TIniRegistryEditor;

class TDialAttempt {
 public:
  static constexpr const char* kCaption = "Dialup Connection";
  static constexpr size_t kMaxLines = 52;
  static constexpr size_t kMaxLogonLength = 31;  // of the user name and the password
  // Hands the kept lines to the log writer, which empties them once written.
  using TLogWriter = std::function<void(const std::string& fileName, TStringList& lines)>;

  // The store is the owner thread's own; the attempt sets its Filename for each access. Without
  // a writer the lines go to WriteLogFile.
  TDialAttempt(TRasDialer& dialer, TIniRegistryEditor& store, TLogWriter writeLog = nullptr);
  ~TDialAttempt();
  TDialAttempt(const TDialAttempt&) = delete;
  TDialAttempt& operator=(const TDialAttempt&) = delete;

  // The window is shown: takes the dialer's events, reads the settings and dials.
  void Show();
  // The Cancel button.
  void Cancel();

  // The redial wait is over (the timer's tick; called by the timer itself when AutoTimer).
  void TimerElapsed();
  // The length of the wait now running, 0 when none.
  int WaitTimerMs() const { return FWaitMs; }
  bool AutoTimer = true;

  // True exactly when the dialer is up and this attempt saw it connect.
  bool Connected() const;
  bool Closed() const { return FClosed; }

  const std::string& Caption() const { return FCaption; }
  const TStringList& Lines() const { return FLines; }
  const std::string& StateLabel() const { return FStateLabel; }
  // The lines collected for the log while KeepLogFiles is set and not yet handed over.
  const TStringList& KeptLines() const { return FKept; }

  std::function<void(const std::string& line)> OnLine;
  // The line is up: the main window resumes the work that waited for it.
  std::function<void(TDialAttempt& sender)> OnConnected;
  // The window closes; the main window then frees it.
  std::function<void(TDialAttempt& sender, bool connected)> OnClose;

 private:
  struct TDialerEvents;
  void InstallHandlers();
  void RestoreHandlers();
  void Start();
  void Wait();
  void StartTimer(int ms);
  void StopTimer();
  void Close();
  void Disconnected();
  void AddLine(const std::string& line);
  void SetLabel(const std::string& text) { FStateLabel = text; }
  bool RasErrorRecorded();
  void MarkRasError(const std::string& name);
  bool KeepLogFiles();
  void WriteLog();

  TRasDialer& FDialer;
  TIniRegistryEditor& FStore;
  TLogWriter FWriteLog;
  std::unique_ptr<TDialerEvents> FSaved;
  std::unique_ptr<QTimer> FTimer;
  std::string FCaption = kCaption;
  TStringList FLines, FKept;
  std::string FStateLabel;
  int FRemaining = 0;
  int FWaitMs = 0;
  bool FCancelled = false;
  bool FLogonFailed = false;
  bool FSawConnect = false;
  bool FClosed = false;
};

}  // namespace vaultora
