#include "platform/runtime/worker_thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMetaObject>

namespace vaultora {

namespace {
int NiceOf(TThreadPriority priority) {
  static const int kNice[] = {19, 10, 5, 0, -5, -10, -15};
  return kNice[priority];
}
}  // namespace

TThread::TThread(bool createSuspended) : FOwnerThread(std::this_thread::get_id()) {
  FContext = new QObject();
  if (!createSuspended) Resume();
}

TThread::~TThread() {
  Terminate();
  if (FThread.joinable()) WaitFor();
  delete FContext.data();
}

void TThread::Resume() {
  if (FStarted.exchange(true)) return;
  FThread = std::thread([this] { Body(); });
}

void TThread::Body() {
  FNativeId = syscall(SYS_gettid);
  // Raising priority needs privileges; a refusal is ignored.
  setpriority(PRIO_PROCESS, static_cast<id_t>(FNativeId.load()), NiceOf(FPriority));
  Execute();
  FNativeId = 0;
  FFinished = true;
  std::lock_guard<std::mutex> lock(FSyncMutex);
  FSyncDone.notify_all();
}

void TThread::SetPriority(TThreadPriority priority) {
  FPriority = priority;
  if (const long id = FNativeId.load())
    setpriority(PRIO_PROCESS, static_cast<id_t>(id), NiceOf(priority));
}

bool TThread::IsCurrentThread() const {
  const long id = FNativeId.load();
  return id != 0 && id == syscall(SYS_gettid);
}

void TThread::WaitFor() {
  if (!FThread.joinable()) return;
  if (std::this_thread::get_id() == FOwnerThread) {
    std::unique_lock<std::mutex> lock(FSyncMutex);
    while (!FFinished) {
      lock.unlock();
      RunPendingCalls();
      lock.lock();
      FSyncDone.wait_for(lock, std::chrono::milliseconds(5),
                         [this] { return FFinished.load() || !FPending.empty(); });
    }
  }
  FThread.join();
}

void TThread::RunPendingCalls() {
  for (;;) {
    TSyncCall* next = nullptr;
    {
      std::lock_guard<std::mutex> lock(FSyncMutex);
      if (FPending.empty()) return;
      next = FPending.front();
      FPending.pop_front();
    }
    next->call();
    std::lock_guard<std::mutex> lock(FSyncMutex);
    next->done = true;
    FSyncDone.notify_all();
  }
}

void TThread::Synchronize(const std::function<void()>& call) {
  // Without an event loop nobody could run the call for us: run it here rather than hang.
  if (std::this_thread::get_id() == FOwnerThread || !QCoreApplication::instance()) {
    call();
    return;
  }
  TSyncCall pending{call};
  {
    std::lock_guard<std::mutex> lock(FSyncMutex);
    FPending.push_back(&pending);
  }
  FSyncDone.notify_all();
  QObject* context = FContext.data();
  if (context)
    QMetaObject::invokeMethod(
        context, [this] { RunPendingCalls(); }, Qt::QueuedConnection);
  std::unique_lock<std::mutex> lock(FSyncMutex);
  FSyncDone.wait(lock, [&] { return pending.done; });
}

}  // namespace vaultora
