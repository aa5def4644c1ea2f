#pragma once
// Manual-reset events: once set, every wait returns until the event is reset. Safe to use from
// any thread.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace vaultora {

class TManualResetEvent {
 public:
  explicit TManualResetEvent(bool initiallySet = false) : FSet(initiallySet) {}

  void SetEvent();
  void ResetEvent();
  bool IsSet() const;
  // True when the event was (or became) set within the time; a negative time waits for ever.
  bool WaitFor(std::chrono::milliseconds timeout = std::chrono::milliseconds(-1));

  // Waits until either event is set: 0 for the first, 1 for the second, -1 on time-out. When
  // both are set the first wins.
  static int WaitForEither(TManualResetEvent& first, TManualResetEvent& second,
                           std::chrono::milliseconds timeout = std::chrono::milliseconds(-1));

 private:
  struct TWaiter {
    std::mutex mutex;
    std::condition_variable wake;
    bool woken = false;
  };
  void AddWaiter(const std::shared_ptr<TWaiter>& waiter);
  void RemoveWaiter(const std::shared_ptr<TWaiter>& waiter);

  mutable std::mutex FMutex;  // guards FSet and FWaiters
  std::condition_variable FChanged;
  bool FSet;
  std::vector<std::shared_ptr<TWaiter>> FWaiters;
};

}  // namespace vaultora
