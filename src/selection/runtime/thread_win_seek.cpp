#include "selection/runtime/thread_win_seek.h"

#include <exception>

#include "selection/runtime/win_seek_thread.h"

namespace vaultora {

namespace {
constexpr TSeekView kSeekViewOf[] = {skFiles, skFolders, skFilesFolders};
}

TThreadWinSeek::TThreadWinSeek(TComponent* owner)
    : TComponent(owner), FReceiver(new TMessageReceiver()) {
  FReceiver->OnMessage = [this](const TMessage& message) { HandleMessage(message); };
}

TThreadWinSeek::~TThreadWinSeek() {
  Destroying();
  FWorker.reset();          // asks the worker to stop and waits for it
  delete FReceiver.data();  // pending messages go with it, their payloads freed
}

void TThreadWinSeek::SetThreadPriority(TThreadPriority priority) {
  FThreadPriority = priority;
  if (FWorker) FWorker->SetPriority(priority);
}

bool TThreadWinSeek::Start() {
  if (!FReceiver || FWorker) return false;
  Fire(OnBeforeScan, this);
  try {
    if (Root.empty()) Root = AbsoluteSeekRoot("");
    FWorker = std::make_unique<TWinSeekThread>(
        FReceiver.data(), ++FGeneration,
        SeekRequestFor(Root, IncludeSubFolders, kSeekViewOf[SeekView], Mask));
    FWorker->SetPriority(FThreadPriority);
    FWorker->Resume();
  } catch (const std::exception&) {
    FWorker.reset();
    Fire(OnStatus, this, std::string("Unable to create Seek thread"));
    return false;
  }
  Fire(OnStatus, this, std::string("Created Seek thread"));
  return true;
}

void TThreadWinSeek::Stop() {
  if (!FWorker) return;
  FWorker->PostStop();
  FWorker.reset();
}

bool TThreadWinSeek::Restart() {
  Stop();
  return Start();
}

void TThreadWinSeek::HandleMessage(const TMessage& message) {
  switch (message.Msg) {
    case kSeekFoundMessage:
      if (const TSeekFound* found = message.PayloadAs<TSeekFound>()) {
        bool stopScan = false;
        Fire(OnFileFind, this, found->Folder, found->Found, stopScan);
        if (stopScan && message.WParam == FGeneration) Stop();
      }
      break;
    case kSeekCompletedMessage:
      if (message.WParam != FGeneration) break;  // a worker already stopped and replaced
      FWorker.reset();
      Fire(OnScanCompleted, this);
      break;
    case kSeekErrorMessage:
      if (message.WParam != FGeneration) break;
      if (const std::string* text = message.PayloadAs<std::string>())
        Fire(OnThreadError, this, *text);
      break;
    default:
      break;
  }
}

}  // namespace vaultora
