#pragma once
// A worker thread in the manner of the components that need one: created suspended and
// resumed, asked to terminate, waited for; Synchronize runs a call on the owner's thread (the
// thread that created the object) and waits for it. Execute must not let an exception out.

#include <QObject>
#include <QPointer>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vaultora {

// The priority scale of the options: 0 idle ... 3 normal ... 6 time-critical.
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread {
 public:
  explicit TThread(bool createSuspended = true);
  virtual ~TThread();  // terminates and waits
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void Resume();  // starts a suspended thread; further calls do nothing
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  bool Finished() const { return FFinished; }
  bool Started() const { return FStarted; }
  // Waits for the end of Execute; on the owner's thread it runs pending Synchronize calls
  // meanwhile, so a worker blocked in Synchronize cannot dead-lock it.
  void WaitFor();

  // Best effort, mapped to the thread's nice value: when it starts, and at once when it runs.
  void SetPriority(TThreadPriority priority);
  TThreadPriority Priority() const { return FPriority; }

  // The caller runs on this thread (inside Execute).
  bool IsCurrentThread() const;

 protected:
  virtual void Execute() = 0;
  // From the worker: runs call on the owner's thread and returns when it has run. Without an
  // application object (no event loop at all) the call runs on the calling thread.
  void Synchronize(const std::function<void()>& call);

 private:
  struct TSyncCall {
    std::function<void()> call;
    bool done = false;
  };
  void RunPendingCalls();
  void Body();

  std::thread FThread;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::atomic<bool> FStarted{false};
  std::atomic<TThreadPriority> FPriority{tpNormal};
  std::atomic<long> FNativeId{0};  // the running thread's id for the scheduler, 0 when none
  std::thread::id FOwnerThread;
  QPointer<QObject> FContext;  // lives on the owner's thread, delivers Synchronize calls

  std::mutex FSyncMutex;  // guards FPending and each call's done flag
  std::condition_variable FSyncDone;
  std::deque<TSyncCall*> FPending;
};

}  // namespace vaultora
