#include "selection/runtime/win_seek_thread.h"

#include <exception>

#include "selection/runtime/thread_win_seek.h"

namespace vaultora {

TWinSeekThread::TWinSeekThread(TMessageReceiver* receiver, intptr_t generation,
                               TSeekRequest request)
    : TThread(true), FReceiver(receiver), FGeneration(generation), FRequest(std::move(request)) {}

TWinSeekThread::~TWinSeekThread() {
  PostStop();
  WaitFor();
}

void TWinSeekThread::Execute() {
  // The receiver outlives every worker (the component waits for its worker before it goes).
  TMessageReceiver* receiver = FReceiver.data();
  if (!receiver) return;
  try {
    std::string error;
    const bool listed = WalkFolders(
        FRequest,
        [&](const std::string& folder, const TSearchRec& found) {
          receiver->PostValue(kSeekFoundMessage, FGeneration, 0, TSeekFound{folder, found});
          return FStop.load();
        },
        [&] { return FStop.load(); }, error);
    if (listed)
      receiver->Post(kSeekCompletedMessage, FGeneration);
    else
      receiver->PostValue(kSeekErrorMessage, FGeneration, 0, error);
  } catch (const std::exception& e) {
    receiver->PostValue(kSeekErrorMessage, FGeneration, 0, std::string(e.what()));
  }
}

}  // namespace vaultora
