#pragma once
// TThreadWinSeek: the file search on a worker thread (TWinSeekThread). Start copies the search
// properties into a new worker; the worker posts each matching entry, its completion or its
// error to the component's private receiver, and the events fire on the thread that owns the
// component (the user-interface thread). Only that thread calls the component.

#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "platform/component.h"
#include "platform/runtime/message_receiver.h"
#include "platform/runtime/worker_thread.h"
#include "selection/win_seek.h"

namespace vaultora {

enum TWinSeekView { wskFiles, wskFolders, wskFilesFolders };

// Messages between the worker and the component.
constexpr unsigned kSeekCompletedMessage = WM_USER + 801;
constexpr unsigned kSeekFoundMessage = WM_USER + 802;
constexpr unsigned kSeekErrorMessage = WM_USER + 803;
constexpr unsigned kSeekStopMessage = WM_USER + 804;  // component to worker

class TWinSeekThread;

class TThreadWinSeek : public TComponent {
 public:
  using TNotifyStatus = std::function<void(TComponent* sender, const std::string& status)>;
  using TNofityThreadError =
      std::function<void(TComponent* sender, const std::string& threadException)>;

  explicit TThreadWinSeek(TComponent* owner = nullptr);
  ~TThreadWinSeek() override;  // waits for a running worker

  std::string Root;
  bool IncludeSubFolders = false;
  TWinSeekView SeekView = wskFiles;
  std::string Mask = "*.*";
  TThreadPriority ThreadPriority() const { return FThreadPriority; }
  // Applies at once to a running worker.
  void SetThreadPriority(TThreadPriority priority);

  TSeekNotifyEvent OnBeforeScan;
  TOnFileFound OnFileFind;
  TSeekNotifyEvent OnScanCompleted;
  TNotifyStatus OnStatus;  // "Created Seek thread" / "Unable to create Seek thread"
  TNofityThreadError OnThreadError;

  // False when there is no receiver or a worker already exists (also after an error, until
  // Stop or Restart); true when a worker was started.
  bool Start();
  // Asks the worker to end, waits for it and frees it. Found messages already posted are still
  // delivered afterwards.
  void Stop();
  bool Restart();
  bool Running() const { return FWorker != nullptr; }

 private:
  void HandleMessage(const TMessage& message);

  QPointer<TMessageReceiver> FReceiver;  // the private window
  std::unique_ptr<TWinSeekThread> FWorker;
  TThreadPriority FThreadPriority = tpNormal;
  intptr_t FGeneration = 0;  // tags each worker's messages, so a stale completion is ignored
};

}  // namespace vaultora
