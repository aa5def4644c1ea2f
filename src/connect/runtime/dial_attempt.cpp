#include "connect/runtime/dial_attempt.h"

#include <QTimer>

#include <algorithm>
#include <exception>

#include "platform/log_file.h"
#include "platform/prompts.h"
#include "settings/error_marks.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {
constexpr int kRedialPauseMs = 3000;
constexpr int kMsPerMinute = 60000;
}  // namespace

// The dialer's handlers as they were before the window took them over.
struct TDialAttempt::TDialerEvents {
  decltype(TRasDialer::OnRasStatus) RasStatus;
  decltype(TRasDialer::OnRasError) RasError;
  decltype(TRasDialer::OnRasStateChange) RasStateChange;
  decltype(TRasDialer::OnDialdwError) DialdwError;
  decltype(TRasDialer::OnConnect) Connect;
  decltype(TRasDialer::OnDisConnect) DisConnect;
  decltype(TRasDialer::OnLogonFailed) LogonFailed;
};

TDialAttempt::TDialAttempt(TRasDialer& dialer, TIniRegistryEditor& store, TLogWriter writeLog)
    : FDialer(dialer), FStore(store), FWriteLog(std::move(writeLog)) {}

TDialAttempt::~TDialAttempt() {
  RestoreHandlers();
}

void TDialAttempt::InstallHandlers() {
  FSaved = std::make_unique<TDialerEvents>(TDialerEvents{
      FDialer.OnRasStatus, FDialer.OnRasError, FDialer.OnRasStateChange, FDialer.OnDialdwError,
      FDialer.OnConnect, FDialer.OnDisConnect, FDialer.OnLogonFailed});
  FDialer.OnRasStatus = [this](TRasDialer&, const std::string& text) { AddLine(text); };
  FDialer.OnRasError = [this](TRasDialer&, const std::string& text) {
    AddLine(text);
    SetLabel(text);
  };
  FDialer.OnRasStateChange = [this](TRasDialer&, const std::string& name, int state) {
    AddLine(name);
    switch (state) {
      case 0:
        SetLabel("Opening Port...");
        break;
      case 1:
        SetLabel("Dialing...");
        break;
      case 5:
        SetLabel("Authenticating user...");
        break;
      case 13:
        SetLabel("ReAuthenticating user...");
        break;
      case 14:
        SetLabel("Logging on...");
        break;
      default:
        break;
    }
  };
  FDialer.OnDialdwError = [this](TRasDialer&, const std::string& text, unsigned code) {
    const std::string line = Format("RAS error [%u] : %s", code, text.c_str());
    AddLine(line);
    SetLabel(line);
  };
  FDialer.OnLogonFailed = [this](TRasDialer&) {
    MarkRasError(keys::errors::kFailedLogon);
    FLogonFailed = true;
  };
  FDialer.OnConnect = [this](TRasDialer&) {
    SetLabel("Connected");
    FSawConnect = true;
    // The main window hears of the line first; closing may free this attempt.
    if (OnConnected) OnConnected(*this);
    Close();
  };
  FDialer.OnDisConnect = [this](TRasDialer&) { Disconnected(); };
}

void TDialAttempt::RestoreHandlers() {
  if (!FSaved) return;
  FDialer.OnRasStatus = FSaved->RasStatus;
  FDialer.OnRasError = FSaved->RasError;
  FDialer.OnRasStateChange = FSaved->RasStateChange;
  FDialer.OnDialdwError = FSaved->DialdwError;
  FDialer.OnConnect = FSaved->Connect;
  FDialer.OnDisConnect = FSaved->DisConnect;
  FDialer.OnLogonFailed = FSaved->LogonFailed;
  FSaved.reset();
}

void TDialAttempt::Show() {
  InstallHandlers();
  if (const std::optional<std::string> entry =
          ReadStoredSetting(FStore, keys::setting::ConnectionEntry)) {
    FDialer.SetSelPhoneBookName(*entry);
    FCaption = "Connecting to \"" + *entry + "\"";
  } else {
    AddLine("A dialup connection has not been specified");
  }
  FRemaining = ReadSetting(FStore, keys::setting::DialRetry);
  Start();
}

void TDialAttempt::Start() {
  if (!FDialer.UserName().empty() && !FDialer.Password().empty()) {
    FDialer.SetActive(true);
    return;
  }
  if (FDialer.SelPhoneBookEntry() < 0) {
    AddLine("A connection has not been selected");
    return;
  }
  std::string user = FDialer.UserName().substr(0, kMaxLogonLength);
  std::string password;
  if (!Prompts().PromptLogon(FDialer.SelPhoneBookName(), user, password)) {
    AddLine("Internet Logon or password not supplied");
    Close();
    return;
  }
  FDialer.SetUserName(user.substr(0, kMaxLogonLength));
  FDialer.SetPassword(password.substr(0, kMaxLogonLength));
  FDialer.SetActive(true);
}

void TDialAttempt::Disconnected() {
  if (FClosed) return;
  if (FRemaining <= 0 || FCancelled || FLogonFailed) {
    SetLabel("Disconnected");
    Close();
    return;
  }
  Wait();
}

void TDialAttempt::Wait() {
  if (FWaitMs != 0) return;
  const int minutes = ReadSetting(FStore, keys::setting::DialWait);
  if (minutes > 0) {
    const std::string line = "Waiting to redial in " + std::to_string(minutes) + " minute(s)";
    AddLine(line);
    SetLabel(line);
    StartTimer(minutes * kMsPerMinute);
  } else if (!RasErrorRecorded()) {
    AddLine("Redialing...");
    StartTimer(kRedialPauseMs);
  }
  // With no wait started nothing would ever redial: end here instead of hanging open.
  if (FWaitMs == 0) {
    SetLabel("Disconnected");
    Close();
  }
}

void TDialAttempt::TimerElapsed() {
  StopTimer();
  if (FClosed) return;
  const std::optional<int32_t> retries = ReadStoredSetting(FStore, keys::setting::DialRetry);
  if (RasErrorRecorded() || !retries || FRemaining <= 0) {
    SetLabel("Disconnected");
    Close();
    return;
  }
  const int k = *retries - (FRemaining - 1);
  const std::string line =
      "Redialing (" + std::to_string(k) + ") of " + std::to_string(*retries) + " times.";
  AddLine(line);
  SetLabel(line);
  --FRemaining;
  FDialer.SetActive(true);
}

void TDialAttempt::Cancel() {
  if (FClosed) return;
  MarkRasError(keys::errors::kUserStoppedRasDial);
  FCancelled = true;
  StopTimer();
  FDialer.SetActive(false);
  SetLabel("Disconnected");
  Close();
}

void TDialAttempt::StartTimer(int ms) {
  FWaitMs = ms;
  if (!AutoTimer) return;
  if (!FTimer) {
    FTimer = std::make_unique<QTimer>();
    FTimer->setSingleShot(true);
    QObject::connect(FTimer.get(), &QTimer::timeout, [this] { TimerElapsed(); });
  }
  FTimer->start(ms);
}

void TDialAttempt::StopTimer() {
  FWaitMs = 0;
  if (FTimer) FTimer->stop();
}

void TDialAttempt::Close() {
  if (FClosed) return;
  FClosed = true;
  StopTimer();
  RestoreHandlers();
  if (!FKept.empty() && KeepLogFiles()) WriteLog();
  if (OnClose) OnClose(*this, Connected());
}

void TDialAttempt::WriteLog() {
  if (FWriteLog) {
    FWriteLog(kRasDialupLog, FKept);
    return;
  }
  try {
    WriteLogFile(kRasDialupLog, FKept, ReadLogPolicy(FStore));
  } catch (const std::exception& e) {
    // The log is not worth failing the dial over; the lines stay in KeptLines.
    AddLine(std::string("Unable to write the log file: ") + e.what());
  }
}

bool TDialAttempt::Connected() const {
  return FSawConnect && FDialer.Active();
}

void TDialAttempt::AddLine(const std::string& line) {
  while (FLines.size() > kMaxLines - 1)
    FLines.erase(FLines.begin());
  FLines.push_back(line);
  if (KeepLogFiles()) FKept.push_back(line);
  if (OnLine) OnLine(line);
}

bool TDialAttempt::KeepLogFiles() {
  return ReadSetting(FStore, keys::setting::KeepLogFiles);
}

bool TDialAttempt::RasErrorRecorded() {
  return ErrorMarked(FStore, keys::kRasErrors);
}

void TDialAttempt::MarkRasError(const std::string& name) {
  MarkError(FStore, keys::kRasErrors, name);
}

}  // namespace vaultora
