#pragma once
// TBaseOnlineThread: the worker thread of an online component. It owns its own settings store
// and its own data channel, both created on this thread on first use; it waits for its
// component's work and close events, runs one work step per work event (locating the server,
// connecting and logging on included) and reports everything by posting messages to the
// component's receiver, so the owner's thread never waits on the network. No exception leaves
// the thread: whatever escapes a step is posted as UM_THREADEXCEPTION and the thread goes on
// waiting. Created suspended by the component, which hands it the two events and the receiver
// before resuming it, and frees it after UM_THREADENDED. The component may break off a blocked
// socket call at any time through Canceller().

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archive/cipher_helpers.h"
#include "online/runtime/online_events.h"
#include "online/tcp_socket.h"
#include "platform/date_time.h"
#include "platform/runtime/worker_thread.h"
#include "platform/streams.h"
#include "platform/sync_event.h"
#include "platform/text.h"

namespace vaultora {

class TBkServer;
class TIniRegistryEditor;

// The computer and user names that go into the logon key: the system's unless a test sets
// names of its own (before any thread starts).
using TLogonNamesSource = std::function<std::pair<std::string, std::string>()>;
void SetLogonNamesSource(TLogonNamesSource source);

class TBaseOnlineThread : public TThread {
 public:
  TBaseOnlineThread();
  ~TBaseOnlineThread() override;

  // Before Resume, on the owner's thread: the component's events and receiver.
  void Attach(TManualResetEvent* workEvent, TManualResetEvent* closeEvent, TMessageReceiver* owner);
  // Any thread: cancelling shuts the channel's socket down, so a blocked connect, receive or send
  // returns at once, and refuses every later connect of this thread.
  const std::shared_ptr<TSocketCanceller>& Canceller() const { return FCanceller; }

  // How long locating the server may take: the probe connects and closes again at once, so it
  // waits for the connection only, not for the 60-second time-out of a reply (see
  // docs/online_workers.md).
  static constexpr int kLocateTimeoutMs = 5000;

 protected:
  void Execute() final;

  // Posting to the component. A text travels as the message's payload.
  void PostToOwner(unsigned msg, intptr_t wParam = 0, intptr_t lParam = 0);
  void PostText(unsigned msg, const std::string& text, intptr_t lParam = 0);
  void PostStatus(const std::string& text) { PostText(UM_STATUS, text); }
  template <class T>
  void PostValueToOwner(unsigned msg, intptr_t lParam, T value) {
    FOwner->PostValue(msg, 0, lParam, std::move(value));
  }
  void PostProgress(const std::string& backupName, const std::string& backupTitle, int count,
                    int index, double fileProgress, double totalBytes, double bytesWritten);

  // The thread's own store (root HKEY_CURRENT_USER, lazy writing, key Software\Vaultora).
  TIniRegistryEditor& Settings();
  // The data channel, created and configured on first use; none when creation failed.
  TBkServer* Server();
  // Concrete threads point the channel's per-chunk events at their handlers here.
  virtual void ConfigureServer(TBkServer& server);

  // True once the close event has been seen; the first time it posts "Stopping transfer".
  bool StopRequested();
  bool Connect();
  void Locate();
  bool Logon();

  // The work step: runs Work, clears the work event whatever happens, and posts UM_WORKDONE or
  // UM_WORKFAILED by its result. An exception from Work leaves DoWork (reported by Execute).
  void DoWork();
  virtual bool Work() = 0;

  // Logs on, then handles each backup of the list in order: a backup that fails fails the step
  // but the next is tried, unless a stop was asked for or the failed flag set. The channel is
  // closed afterwards (only when nothing failed, unless alwaysClose). An exception ends the
  // loop and fails the step.
  bool LogonAndForEach(const TStringList& list,
                       const std::function<bool(const std::string& entry, int index)>& one,
                       bool alwaysClose);

  // The bytes of a backup's file list as sent to the server: under the user's key when the
  // private-list preference is on, else under the protocol's pass phrase. On failure posts
  // "Stream Encryption failed : " and the reason and returns nothing (the item is sent empty).
  std::vector<uint8_t> SealFileList(TStream& list);
  // The local archive (".BFE") of a catalogued backup in the working folder.
  std::string ArchivePath(const std::string& entry);

  bool Connected() const { return FConnected; }
  bool Failed() const { return FFailed; }
  void SetFailed(bool value) { FFailed = value; }
  // The channel is connected and reports itself active.
  bool Online();
  void CloseChannel();
  // Posts the exception text (UM_THREADEXCEPTION), then a status line, and sets the failed flag.
  void ReportFailure(const std::string& exceptionText, const std::string& status);

  const std::string& ServerName() const { return FServerName; }
  const std::string& Host() const { return FHost; }
  std::string StatusText(int number) const;  // T1 .. T8

 private:
  void ServerConnected();
  void ServerDisconnected();
  // A connect failed because the component broke it off: reports the stop, sets the failed flag.
  bool ConnectStopped();
  // The store and the channel belong to this thread; using them elsewhere is a programming error.
  void RequireOwnThread(const char* what) const;
  // The enciphered logon record in its envelope; none (reported) when it cannot be built.
  std::optional<std::vector<uint8_t>> LogonEnvelope(TDateTime moment);
  std::string SendLogon(const std::vector<uint8_t>& envelope, TDateTime moment);

  bool FMuted = false;
  bool FStopAnnounced = false;
  TManualResetEvent* FWorkEvent = nullptr;
  TManualResetEvent* FCloseEvent = nullptr;
  TMessageReceiver* FOwner = nullptr;
  std::unique_ptr<TIniRegistryEditor> FSettings;
  std::unique_ptr<TBkServer> FServer;
  std::shared_ptr<TSocketCanceller> FCanceller;
  bool FFailed = false;
  bool FConnected = false;
  int FPort = 0;
  std::string FHost;
  std::string FServerName = "Vaultora";
};

}  // namespace vaultora
