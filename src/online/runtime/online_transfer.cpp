#include "online/runtime/online_transfer.h"

#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <exception>
#include <thread>

#include "online/runtime/online_thread.h"
#include "platform/process_messages.h"

namespace vaultora {

TBaseOnlineTransfer::TBaseOnlineTransfer(TComponent* owner, const TTransferFailureTexts& texts)
    : TComponent(owner), FTexts(texts), FWindow(std::make_unique<TMessageReceiver>()) {
  FWindow->OnMessage = [this](const TMessage& message) { WndProc(message); };
}

TBaseOnlineTransfer::~TBaseOnlineTransfer() {
  Destroying();
  FWindow->OnMessage = nullptr;
  if (FThread) {
    FThread->Terminate();
    if (FCloseEvent) FCloseEvent->SetEvent();
    // The worker gets the grace a Stop gives it; then a call it is blocked in is broken off.
    QElapsedTimer waited;
    waited.start();
    while (FThread->Started() && !FThread->Finished() && waited.elapsed() < kStopGraceMs)
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    FThread->Canceller()->Cancel();
    FreeThread();
  }
  // Messages still queued go with the receiver; their payloads are freed.
  FWindow.reset();
}

std::string TBaseOnlineTransfer::TextOf(const TMessage& message) {
  const std::string* text = message.PayloadAs<std::string>();
  return text ? *text : std::string();
}

void TBaseOnlineTransfer::Start() {
  bool canStart = true;
  Fire(BeforeStart, this, canStart);
  if (!canStart) return;
  ProcessMessages();
  if (!Running() && !FThread) {
    const char* step = FTexts.CloseEventNotCreated;
    try {
      if (!FCloseEvent) FCloseEvent = std::make_unique<TManualResetEvent>();
      step = FTexts.WorkEventNotCreated;
      if (!FWorkEvent) FWorkEvent = std::make_unique<TManualResetEvent>();
      step = FTexts.ThreadNotCreated;
      FThread = CreateThread();
      FThread->Attach(FWorkEvent.get(), FCloseEvent.get(), FWindow.get());
      FThread->SetPriority(FThreadPriority);
      PrepareThread(*FThread);
      FThread->Resume();
    } catch (const std::exception&) {
      FThread.reset();
      FWorkEvent.reset();
      FCloseEvent.reset();
      Fire(OnError, this, std::string(step));
      return;
    }
  }
  if (!FWorkEvent) {
    Fire(OnError, this, std::string(FTexts.WorkEventNotSet));
    return;
  }
  FWorkEvent->SetEvent();
  FRunning = true;
}

void TBaseOnlineTransfer::SetThreadPriority(TThreadPriority value) {
  FThreadPriority = value;
  if (FThread) FThread->SetPriority(value);
}

void TBaseOnlineTransfer::Stop() {
  if (FThread && FCloseEvent) {
    if (FClearWorkOnStop && FWorkEvent) FWorkEvent->ResetEvent();
    FCloseEvent->SetEvent();
    CancelAfterGrace();
  }
  ProcessMessages();
}

void TBaseOnlineTransfer::CancelAfterGrace() {
  // The canceller belongs to this worker only: a later worker of the component is not touched,
  // and cancelling a worker that has ended meanwhile does nothing.
  std::weak_ptr<TSocketCanceller> canceller = FThread->Canceller();
  QTimer::singleShot(kStopGraceMs, FWindow.get(), [canceller] {
    if (const auto alive = canceller.lock()) alive->Cancel();
  });
}

void TBaseOnlineTransfer::FreeThread() {
  // WaitFor runs the thread's pending calls to this thread meanwhile, so it cannot dead-lock.
  FThread->WaitFor();
  FThread.reset();
  FWorkEvent.reset();
  FCloseEvent.reset();
  FRunning = false;
}

void TBaseOnlineTransfer::ThreadEnded() {
  if (FThread) FreeThread();
  FRunning = false;
  Fire(OnClose, this);
}

void TBaseOnlineTransfer::WndProc(const TMessage& message) {
  if (!CanFireEvents()) return;
  switch (message.Msg) {
    case UM_THREADENDED:
      ThreadEnded();
      return;
    case UM_WORKDONE:
      DoWorkDone();
      Stop();
      return;
    case UM_WORKFAILED:
      DoWorkFailed();
      Stop();
      return;
    case UM_PROGRESS:
      if (const TProgressBlock* p = message.PayloadAs<TProgressBlock>())
        Fire(OnTransferProgress, this, p->BackupName, p->BackupTitle, p->Count, p->Index,
             p->FileProgress, p->TotalBytes, p->BytesWritten);
      return;
    case UM_LOGON:
      Fire(OnLogon, this, message.WParam != 0);
      return;
    case UM_NOTREGISTERED:
      Fire(OnBackupNotRegistered, this, TextOf(message));
      return;
    case UM_CONNECTIONSTATE:
      Fire(OnConnectionStateChange, this, static_cast<TVaConnectionState>(message.LParam),
           TextOf(message));
      return;
    case UM_THREADEXCEPTION:
      Fire(OnThreadException, this, TextOf(message));
      return;
    case UM_STATUS:
      Fire(OnStatus, this, TextOf(message));
      return;
    default:
      HandleMessage(message);
  }
}

}  // namespace vaultora
