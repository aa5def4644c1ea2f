#pragma once
// TWinSeekThread: the worker of TThreadWinSeek. It walks the folders of its request and posts
// found, completed or error messages, tagged with its generation, to the receiver; a stop
// request is seen after every entry of every listing and ends the whole walk.

#include <QPointer>

#include <atomic>
#include <string>

#include "platform/runtime/message_receiver.h"
#include "platform/runtime/worker_thread.h"
#include "selection/folder_walk.h"

namespace vaultora {

// Payload of a found message: the folder (absolute, trailing '/') and the search record.
struct TSeekFound {
  std::string Folder;
  TSearchRec Found;
};

class TWinSeekThread : public TThread {
 public:
  TWinSeekThread(TMessageReceiver* receiver, intptr_t generation, TSeekRequest request);
  ~TWinSeekThread() override;

  // The stop message: thread-safe.
  void PostStop() { FStop = true; }

 protected:
  void Execute() override;

 private:
  QPointer<TMessageReceiver> FReceiver;
  intptr_t FGeneration;
  TSeekRequest FRequest;
  std::atomic<bool> FStop{false};
};

}  // namespace vaultora
