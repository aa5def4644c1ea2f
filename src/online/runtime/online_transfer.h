#pragma once
// TBaseOnlineTransfer: the component side of an online operation. It lives on the owner's
// (window) thread, starts and stops one worker thread (TBaseOnlineThread), receives the thread's
// posted messages through its receiver and turns them into events. One Start runs one thread
// through one work step: the thread reports, the success or failure event fires, the component
// stops the thread and, once the thread has ended and been freed, fires OnClose.
// Events fire only on the owner's thread, only when assigned, and never once destruction has
// begun; the payloads of messages that arrive too late are freed all the same.
//
// Nothing here waits on the network: the worker locates, connects and talks to the server on its
// own thread. Stop asks the worker to end; a worker that has not ended within kStopGraceMs (it
// is blocked in a connect, receive or send on a silent server) has its socket shut down from
// here, so the blocked call returns at once. Destruction waits for the worker at most as long.

#include <memory>
#include <string>

#include "online/runtime/online_events.h"
#include "platform/component.h"
#include "platform/runtime/worker_thread.h"
#include "platform/sync_event.h"

namespace vaultora {

class TBaseOnlineThread;

// The failure reports that differ between the four components.
struct TTransferFailureTexts {
  const char* CloseEventNotCreated;
  const char* WorkEventNotCreated;
  const char* ThreadNotCreated;
  const char* WorkEventNotSet;
};

class TBaseOnlineTransfer : public TComponent {
 public:
  // How long a stopped worker may take to notice the stop between two chunks, as it is meant
  // to, before its socket is shut down under it.
  static constexpr int kStopGraceMs = 250;

  TBaseOnlineTransfer(TComponent* owner, const TTransferFailureTexts& texts);
  ~TBaseOnlineTransfer() override;

  // Asks BeforeStart, then starts a thread when none runs, then gives it work.
  void Start();
  // Asks the thread to end; it finishes the chunk it is at and reports what it did. A call
  // blocked on the network is broken off after kStopGraceMs. Returns at once.
  void Stop();
  bool Running() const { return FRunning; }

  TThreadPriority ThreadPriority() const { return FThreadPriority; }
  // Applies to a running thread at once and to every later one.
  void SetThreadPriority(TThreadPriority value);

  TNotifyTransferProgress OnTransferProgress;
  TNotifyEvent OnClose;
  TNotifyError OnError;
  TNotifyLogon OnLogon;
  TNotifyBackupNotRegistered OnBackupNotRegistered;
  TNotifyError OnThreadException;
  TNotifyAppServConnection OnConnectionStateChange;
  TNotifyStatus OnStatus;
  TNotifyStart BeforeStart;

 protected:
  virtual std::unique_ptr<TBaseOnlineThread> CreateThread() = 0;
  // Just before the new thread resumes: hand it what it needs (the download's list).
  virtual void PrepareThread(TBaseOnlineThread&) {}
  virtual void DoWorkDone() = 0;
  virtual void DoWorkFailed() = 0;
  // The operation's own messages; true when handled.
  virtual bool HandleMessage(const TMessage&) { return false; }
  // The download clears the work event before asking the thread to close.
  bool FClearWorkOnStop = false;

  static std::string TextOf(const TMessage& message);

 private:
  void WndProc(const TMessage& message);
  void ThreadEnded();
  void FreeThread();
  // Shuts the worker's socket down after kStopGraceMs unless the worker has ended by then.
  void CancelAfterGrace();

  TTransferFailureTexts FTexts;
  std::unique_ptr<TMessageReceiver> FWindow;  // the hidden window the thread posts to
  std::unique_ptr<TManualResetEvent> FWorkEvent;
  std::unique_ptr<TManualResetEvent> FCloseEvent;
  std::unique_ptr<TBaseOnlineThread> FThread;
  TThreadPriority FThreadPriority = tpNormal;
  bool FRunning = false;
};

}  // namespace vaultora
