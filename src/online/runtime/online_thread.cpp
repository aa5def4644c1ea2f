#include "online/runtime/online_thread.h"

#include <exception>
#include <optional>
#include <stdexcept>
#include <utility>

#include "archive/encryption_key.h"
#include "archive/server_file_list.h"
#include "catalogue/catalogue.h"
#include "online/bk_server.h"
#include "online/logon_envelope.h"
#include "platform/system_names.h"
#include "settings/ini_registry_editor.h"
#include "settings/preferences.h"
#include "settings/registry_keys.h"

namespace vaultora {

namespace {

TLogonNamesSource& LogonNames() {
  static TLogonNamesSource source;
  return source;
}

std::string ExceptionText(const std::exception& e) {
  return e.what();
}

}  // namespace

TBaseOnlineThread::TBaseOnlineThread()
    : TThread(true), FCanceller(std::make_shared<TSocketCanceller>()) {}

TBaseOnlineThread::~TBaseOnlineThread() {
  // The channel's disconnect event must not post to a component that is freeing this thread.
  FMuted = true;
  FServer.reset();
}

void TBaseOnlineThread::Attach(TManualResetEvent* workEvent, TManualResetEvent* closeEvent,
                               TMessageReceiver* owner) {
  FWorkEvent = workEvent;
  FCloseEvent = closeEvent;
  FOwner = owner;
}

void TBaseOnlineThread::Execute() {
  for (;;) {
    // A component being destroyed cannot ask twice: it terminates the thread instead.
    if (Terminated()) {
      PostToOwner(UM_THREADENDED);
      return;
    }
    try {
      const int which = TManualResetEvent::WaitForEither(*FCloseEvent, *FWorkEvent);
      if (which == 0) {
        FCloseEvent->ResetEvent();
        PostToOwner(UM_THREADENDED);
        Terminate();
        return;
      }
      DoWork();
    } catch (const std::exception& e) {
      PostText(UM_THREADEXCEPTION, ExceptionText(e));
    } catch (...) {
      PostText(UM_THREADEXCEPTION, "Unknown exception");
    }
  }
}

void TBaseOnlineThread::DoWork() {
  struct TResetWork {
    TManualResetEvent* event;
    ~TResetWork() { event->ResetEvent(); }
  } reset{FWorkEvent};
  const bool ok = Work();
  PostToOwner(ok ? UM_WORKDONE : UM_WORKFAILED);
}

void TBaseOnlineThread::PostToOwner(unsigned msg, intptr_t wParam, intptr_t lParam) {
  FOwner->Post(msg, wParam, lParam);
}

void TBaseOnlineThread::PostText(unsigned msg, const std::string& text, intptr_t lParam) {
  FOwner->PostValue(msg, 0, lParam, text);
}

void TBaseOnlineThread::PostProgress(const std::string& backupName, const std::string& backupTitle,
                                     int count, int index, double fileProgress, double totalBytes,
                                     double bytesWritten) {
  FOwner->PostValue(UM_PROGRESS, 0, 0,
                    TProgressBlock{backupName, backupTitle, count, index, fileProgress, totalBytes,
                                   bytesWritten});
}

void TBaseOnlineThread::RequireOwnThread(const char* what) const {
  if (!IsCurrentThread())
    throw std::logic_error(std::string("The online worker's ") + what +
                           " was used outside the worker thread");
}

TIniRegistryEditor& TBaseOnlineThread::Settings() {
  if (!FSettings) {
    RequireOwnThread("settings store");
    FSettings = std::make_unique<TIniRegistryEditor>();
    FSettings->SetRootKey(rtHKEY_CURRENT_USER);
    FSettings->SetLazyWrite(true);
  }
  return *FSettings;
}

std::string TBaseOnlineThread::StatusText(int number) const {
  const std::string& name = FServerName;
  const std::string host = " [" + FHost + "]";
  switch (number) {
    case 1:
      return "Connected to " + name + host;
    case 2:
      return "Closed connection to " + name + " server";
    case 3:
      return "Failed to create the " + name + " server instance";
    case 4:
      return "Locating " + name + " server ";
    case 5:
      return "Failed to locate the " + name + " server" + host;
    case 6:
      return "Connecting to " + name + " server" + host;
    case 7:
      return "Failed to connect to " + name + " server" + host;
    case 8:
      return "Logging onto " + name + host;
  }
  return {};
}

void TBaseOnlineThread::ReportFailure(const std::string& exceptionText, const std::string& status) {
  PostText(UM_THREADEXCEPTION, exceptionText);
  PostStatus(status);
  FFailed = true;
}

TBkServer* TBaseOnlineThread::Server() {
  if (FServer) return FServer.get();
  RequireOwnThread("data channel");
  try {
    TIniRegistryEditor& store = Settings();
    if (const std::optional<int32_t> port = ReadStoredSetting(store, keys::setting::ServerPort))
      FPort = *port;
    if (const std::optional<std::string> host = ReadStoredSetting(store, keys::setting::Host))
      FHost = *host;
    auto server = std::make_unique<TBkServer>();
    server->SetPort(FPort);
    server->SetAddress(FHost);
    server->Socket().SetCanceller(FCanceller);
    server->OnConnect = [this](TBkServer*, TTcpSocket&) { ServerConnected(); };
    server->OnDisconnect = [this](TBkServer*, TTcpSocket&) { ServerDisconnected(); };
    ConfigureServer(*server);
    FServer = std::move(server);
  } catch (const std::exception& e) {
    PostText(UM_THREADEXCEPTION, ExceptionText(e));
    PostStatus(StatusText(3));
    PostText(UM_CONNECTIONSTATE, ExceptionText(e), vcsFailed);
    FFailed = true;
    return nullptr;
  }
  return FServer.get();
}

void TBaseOnlineThread::ConfigureServer(TBkServer&) {}

void TBaseOnlineThread::ServerConnected() {
  if (FMuted) return;
  FConnected = true;
  PostText(UM_CONNECTIONSTATE, StatusText(1), vcsConnected);
}

void TBaseOnlineThread::ServerDisconnected() {
  if (FMuted) return;
  FConnected = false;
  PostText(UM_CONNECTIONSTATE, StatusText(2), vcsClosed);
}

bool TBaseOnlineThread::StopRequested() {
  const bool signalled = FCloseEvent->IsSet() || Terminated();
  if (signalled) FCloseEvent->ResetEvent();
  if (!signalled && !FStopAnnounced) return false;
  if (!FStopAnnounced) {
    FStopAnnounced = true;
    PostStatus("Stopping transfer");
  }
  return true;
}

void TBaseOnlineThread::Locate() {
  PostStatus(StatusText(4));
  TBkServer* server = Server();
  if (!server) return;
  if (StopRequested()) {
    PostStatus("Connection stopped");
    return;
  }
  // A probe: only the connection is waited for, and not for long (docs/online_workers.md).
  const int replyTimeout = server->ReceiveTimeout();
  server->SetReceiveTimeout(kLocateTimeoutMs);
  try {
    server->SetActive(true);
    server->SetReceiveTimeout(replyTimeout);
    server->SetActive(false);
  } catch (const std::exception& e) {
    server->SetReceiveTimeout(replyTimeout);
    if (ConnectStopped()) return;
    PostText(UM_THREADEXCEPTION, ExceptionText(e));
    PostStatus(StatusText(5));
    PostText(UM_CONNECTIONSTATE, ExceptionText(e), vcsFailed);
    FFailed = true;
  }
}

bool TBaseOnlineThread::Connect() {
  FMuted = false;
  PostStatus(StatusText(6));
  TBkServer* server = Server();
  if (!server) return false;
  if (StopRequested()) {
    PostStatus("Connection stopped");
    return false;
  }
  try {
    server->SetActive(true);
  } catch (const std::exception& e) {
    if (!ConnectStopped()) ReportFailure(ExceptionText(e), StatusText(7));
    return false;
  }
  return Online();
}

bool TBaseOnlineThread::ConnectStopped() {
  if (!FCanceller->Cancelled()) return false;
  StopRequested();  // announces the stop once
  PostStatus("Connection stopped");
  FFailed = true;
  return true;
}

bool TBaseOnlineThread::Online() {
  return FConnected && FServer && FServer->Active();
}

void TBaseOnlineThread::CloseChannel() {
  if (FConnected && FServer) FServer->SetActive(false);
}

bool TBaseOnlineThread::LogonAndForEach(const TStringList& list,
                                        const std::function<bool(const std::string&, int)>& one,
                                        bool alwaysClose) {
  if (!Logon()) return false;
  if (StopRequested() || Failed()) return false;
  bool ok = true;
  try {
    for (int i = 0; i < static_cast<int>(list.size()); ++i) {
      if (!one(list[i], i)) ok = false;
      if (StopRequested() || Failed()) break;
    }
    if (alwaysClose || !Failed()) CloseChannel();
  } catch (const std::exception& e) {
    PostText(UM_THREADEXCEPTION, e.what());
    ok = false;
  }
  return ok;
}

std::vector<uint8_t> TBaseOnlineThread::SealFileList(TStream& list) {
  try {
    const bool keepPrivate = ReadSetting(Settings(), keys::setting::PrivateFileList);
    return SealServerFileList(list, keepPrivate ? ReadEncryptionKey(Settings()) : std::string());
  } catch (const std::exception& e) {
    PostText(UM_THREADEXCEPTION, "Stream Encryption failed : " + ExceptionText(e));
    return {};
  }
}

std::string TBaseOnlineThread::ArchivePath(const std::string& entry) {
  return TCatalogue(Settings()).ArchivePath(entry);
}

void SetLogonNamesSource(TLogonNamesSource source) {
  LogonNames() = std::move(source);
}

std::optional<std::vector<uint8_t>> TBaseOnlineThread::LogonEnvelope(TDateTime moment) {
  TIniRegistryEditor& store = Settings();
  std::unique_ptr<TMemoryStream> account;
  if (SettingExists(store, keys::setting::RegistrationData))
    account = ReadSetting(store, keys::setting::RegistrationData);
  if (!account) {
    PostStatus("Logon information has not been supplied.");
    return std::nullopt;
  }
  const auto [computer, user] =
      LogonNames() ? LogonNames()() : std::pair{ComputerName(), UserName()};
  try {
    const TLogonRecord record =
        BuildLogonRecord(account->Bytes(), LogonKey(computer, user, moment));
    if (record.EncipheredRecord.empty()) return std::nullopt;
    return BuildLogonEnvelope(record);
  } catch (const std::exception& e) {
    PostText(UM_THREADEXCEPTION, "Stream Encryption failed : " + ExceptionText(e));
    return std::nullopt;
  }
}

std::string TBaseOnlineThread::SendLogon(const std::vector<uint8_t>& envelope, TDateTime moment) {
  try {
    return FServer->Logon(envelope, LogonTimeCode(moment));
  } catch (const std::exception& e) {
    ReportFailure(ExceptionText(e), "Logon failed, invalid socket connection");
    return "";
  }
}

bool TBaseOnlineThread::Logon() {
  FMuted = true;
  Locate();
  if (FFailed || !Connect()) return false;

  TDateTime moment = NextLogonMoment();
  std::optional<std::vector<uint8_t>> envelope = LogonEnvelope(moment);
  if (!envelope) {
    PostToOwner(UM_LOGON, 0);
    CloseChannel();
    return false;
  }
  std::string ticket;
  if (FConnected && !StopRequested() && !envelope->empty()) {
    PostStatus(StatusText(8));
    ticket = SendLogon(*envelope, moment);
    // The server refuses a logon time it has seen before, and another program of this user
    // may have logged on within the same second: one more try, a second later.
    if (ticket.empty() && !FFailed && FConnected && !StopRequested()) {
      moment = NextLogonMoment();
      envelope = LogonEnvelope(moment);
      if (envelope && !envelope->empty()) ticket = SendLogon(*envelope, moment);
    }
  }
  if (!ticket.empty()) {
    PostToOwner(UM_LOGON, 1);
    return true;
  }
  // A line cut while logging on is a failed connection, not a refused logon: it is not marked
  // as one, so the run is retried like any other cut.
  if (StopRequested())
    PostStatus("Logon stopped");
  else if (!FFailed)
    PostToOwner(UM_LOGON, 0);
  CloseChannel();
  return false;
}

}  // namespace vaultora
