#include "connect/runtime/ras_dialer.h"

#include <QTimer>

#include <exception>
#include <mutex>

#include "connect/ras_states.h"

namespace vaultora {

namespace {
// The poll period when TimerInterval is 0.
constexpr int kShortestPollMs = 1000;
}  // namespace

// Shared with the notification routine, which may outlive the dialer on another thread.
struct TRasDialer::TNotifyTarget {
  std::mutex Mutex;  // guards Window
  TMessageReceiver* Window = nullptr;
};

TRasDialer::TRasDialer(TComponent* owner, TRasAdapter* adapter)
    : TComponent(owner),
      FAdapter(adapter ? *adapter : DialupAdapter()),
      FWindow(std::make_unique<TMessageReceiver>()),
      FNotifyTarget(std::make_shared<TNotifyTarget>()),
      FPoll(std::make_unique<QTimer>()) {
  FNotifyTarget->Window = FWindow.get();
  FWindow->OnMessage = [this](const TMessage& message) {
    if (message.Msg == WM_RASDIALEVENT) HandleNotification(message);
  };
  QObject::connect(FPoll.get(), &QTimer::timeout, [this] { PollStatus(); });
}

TRasDialer::~TRasDialer() {
  Destroying();
  HangUp();
  std::lock_guard<std::mutex> lock(FNotifyTarget->Mutex);
  FNotifyTarget->Window = nullptr;
}

void TRasDialer::SetActive(bool value) {
  if (!value) {
    HangUp();
    return;
  }
  const std::string entry = SelPhoneBookName();
  if (entry.empty()) {
    ReportError("A connection has not been selected");
    return;
  }
  // A dial in progress is not started twice; its handle would be lost.
  if (FHandle != 0 && !FActive) return;
  const std::string user = UserName();
  const std::string password = Password();
  Dial(entry, user, password);
}

TStringList TRasDialer::PhoneBook() {
  RefreshPhoneBook();
  return FPhoneBook;
}

bool TRasDialer::RefreshPhoneBook() {
  TStringList names;
  const unsigned code = FAdapter.EnumEntries(kMaxPhoneBookEntries, names);
  if (code != 0) {
    FPhoneBook.clear();
    ReportError(FAdapter.ErrorString(code));
    return false;
  }
  FPhoneBook = names;
  return true;
}

void TRasDialer::SetSelPhoneBookEntry(int value) {
  if (value >= static_cast<int>(PhoneBook().size()) || value < -1) return;
  FSelEntry = value;
  FCredentialsRead = false;
}

std::string TRasDialer::SelPhoneBookName() const {
  if (FSelEntry < 0 || FSelEntry >= static_cast<int>(FPhoneBook.size())) return "";
  return FPhoneBook[static_cast<size_t>(FSelEntry)];
}

void TRasDialer::SetSelPhoneBookName(const std::string& value) {
  const TStringList book = PhoneBook();
  FSelEntry = -1;
  for (size_t i = 0; i < book.size(); ++i)
    if (SameText(book[i], value)) {
      FSelEntry = static_cast<int>(i);
      break;
    }
  FCredentialsRead = false;
}

void TRasDialer::ReadCredentials() {
  if (FCredentialsRead) return;
  FCredentialsRead = true;
  FUserName.clear();
  FPassword.clear();
  FDomain.clear();
  const std::string entry = SelPhoneBookName();
  if (entry.empty()) return;
  TRasDialParams params;
  const unsigned code = FAdapter.GetEntryDialParams(entry, params);
  if (code == kErrorInvalidParams || code == kErrorCorruptPhoneBook ||
      code == kErrorCannotFindEntry) {
    ReportError(RasErrorText(code));
    return;
  }
  if (code != 0) return;
  FUserName = params.UserName.substr(0, kMaxUserName);
  FPassword = params.Password.substr(0, kMaxPassword);
  FDomain = params.Domain.substr(0, kMaxDomain);
}

const std::string& TRasDialer::UserName() {
  ReadCredentials();
  return FUserName;
}
const std::string& TRasDialer::Password() {
  ReadCredentials();
  return FPassword;
}
const std::string& TRasDialer::Domain() {
  ReadCredentials();
  return FDomain;
}
void TRasDialer::SetUserName(const std::string& value) {
  ReadCredentials();
  FUserName = value;
}
void TRasDialer::SetPassword(const std::string& value) {
  ReadCredentials();
  FPassword = value;
}
void TRasDialer::SetDomain(const std::string& value) {
  ReadCredentials();
  FDomain = value;
}

void TRasDialer::SetTimerInterval(int value) {
  FTimerInterval = value;
  if (FActive) StartPoll();
}

void TRasDialer::StartPoll() {
  FPoll->start(FTimerInterval > 0 ? FTimerInterval : kShortestPollMs);
}

TRasHandle TRasDialer::FindActiveConnection(const std::string& entry) {
  std::vector<TRasConnection> connections;
  const unsigned code = FAdapter.EnumConnections(kMaxActiveConnections, connections);
  if (code != 0) {
    ReportError(FAdapter.ErrorString(code));
    return 0;
  }
  for (const TRasConnection& connection : connections)
    if (SameText(connection.EntryName, entry)) return connection.Handle;
  return 0;
}

void TRasDialer::Dial(const std::string& entry, const std::string& user,
                      const std::string& password) {
  if (!FWindow) return;
  if (const TRasHandle active = FindActiveConnection(entry)) {
    FHandle = active;
    if (!FActive) FAdopted = true;
    FActive = true;
    ReportStatus("Connection already active");
    Connected();
    return;
  }
  const TRasDialParams params{entry.substr(0, kMaxEntryName), "", "*", user, password, "*"};
  const unsigned serial = ++FDialSerial;
  std::weak_ptr<TNotifyTarget> target = FNotifyTarget;
  TRasNotify notify = [target, serial](unsigned state, unsigned error) {
    const auto shared = target.lock();
    if (!shared) return;
    std::lock_guard<std::mutex> lock(shared->Mutex);
    if (shared->Window)
      shared->Window->PostValue<unsigned>(WM_RASDIALEVENT, static_cast<intptr_t>(state),
                                          static_cast<intptr_t>(error), serial);
  };
  TRasHandle handle = 0;
  const unsigned code = FAdapter.Dial(params, notify, handle);
  FHandle = handle;
  if (code != 0) {
    ReportError(std::to_string(code) + " " + FAdapter.ErrorString(code));
    if (FHandle != 0)
      HangUp();
    else
      Fire(OnDisConnect, *this);  // a failed dial always ends in a disconnect for its caller
    return;
  }
  ReportStatus("Dialing '" + entry + "'");
}

void TRasDialer::HandleNotification(const TMessage& message) {
  const unsigned* serial = message.PayloadAs<unsigned>();
  // Notifications of a dial that has been hung up since are stale.
  if (!serial || *serial != FDialSerial || FHandle == 0) return;
  const auto state = static_cast<unsigned>(message.WParam);
  const auto error = static_cast<unsigned>(message.LParam);
  if (error != 0) {
    ReportDialError(error);
    if (error == kErrorRemoteDisconnection || error == kErrorAuthenticationFailure)
      Fire(OnLogonFailed, *this);
    HangUp();
    return;
  }
  Fire(OnRasStateChange, *this, RasStateName(state), static_cast<int>(state));
  if (state == kRasConnected)
    Connected();
  else if (state == kRasDisconnected)
    HangUp();
}

void TRasDialer::Connected() {
  FActive = true;
  StartPoll();
  Fire(OnConnect, *this);
}

void TRasDialer::PollStatus() {
  if (FHandle == 0) return;
  const unsigned code = FAdapter.GetConnectStatus(FHandle);
  if (code == kErrorInvalidHandle) {
    ReportStatus("Connection closed");
    HangUp();
  } else if (code != 0) {
    ReportError("Error #" + std::to_string(code) + " : " + FAdapter.ErrorString(code));
  }
}

void TRasDialer::HangUp() {
  if (FHandle == 0) return;
  try {
    if (!FAdopted) FAdapter.HangUp(FHandle);
    FHandle = 0;
    FPoll->stop();
    FActive = false;
    Fire(OnDisConnect, *this);
    FAdopted = false;
  } catch (const std::exception& e) {
    FHandle = 0;
    FActive = false;
    FAdopted = false;
    ReportError(std::string("RAS Disconnect : ") + e.what());
  }
}

bool TRasDialer::EditEntry() {
  const std::string entry = SelPhoneBookName();
  if (entry.empty()) {
    ReportError("A RAS connection has not been specified");
    return false;
  }
  return FAdapter.EditEntry(entry);
}

bool TRasDialer::CreateEntry() {
  return FAdapter.CreateEntry() && RefreshPhoneBook();
}

std::string TRasDialer::IpAddress() {
  std::vector<TRasConnection> connections;
  if (FAdapter.EnumConnections(kMaxActiveConnections, connections) != 0 || connections.empty())
    return "";
  return FAdapter.IpAddress(connections.front().Handle);
}

std::string TRasDialer::StateName(unsigned state) {
  return RasStateName(state);
}

void TRasDialer::ReportStatus(const std::string& text) {
  Fire(OnRasStatus, *this, text);
}

void TRasDialer::ReportError(const std::string& text) {
  Fire(OnRasError, *this, text);
}

void TRasDialer::ReportDialError(unsigned code) {
  Fire(OnDialdwError, *this, FAdapter.ErrorString(code), code);
}

}  // namespace vaultora
