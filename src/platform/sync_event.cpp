#include "platform/sync_event.h"

#include <algorithm>

namespace vaultora {

void TManualResetEvent::SetEvent() {
  std::vector<std::shared_ptr<TWaiter>> waiters;
  {
    std::lock_guard<std::mutex> lock(FMutex);
    FSet = true;
    waiters = FWaiters;
  }
  FChanged.notify_all();
  for (auto& w : waiters) {
    std::lock_guard<std::mutex> lock(w->mutex);
    w->woken = true;
    w->wake.notify_all();
  }
}

void TManualResetEvent::ResetEvent() {
  std::lock_guard<std::mutex> lock(FMutex);
  FSet = false;
}

bool TManualResetEvent::IsSet() const {
  std::lock_guard<std::mutex> lock(FMutex);
  return FSet;
}

bool TManualResetEvent::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(FMutex);
  if (timeout.count() < 0) {
    FChanged.wait(lock, [this] { return FSet; });
    return true;
  }
  return FChanged.wait_for(lock, timeout, [this] { return FSet; });
}

void TManualResetEvent::AddWaiter(const std::shared_ptr<TWaiter>& waiter) {
  std::lock_guard<std::mutex> lock(FMutex);
  FWaiters.push_back(waiter);
}

void TManualResetEvent::RemoveWaiter(const std::shared_ptr<TWaiter>& waiter) {
  std::lock_guard<std::mutex> lock(FMutex);
  FWaiters.erase(std::remove(FWaiters.begin(), FWaiters.end(), waiter), FWaiters.end());
}

int TManualResetEvent::WaitForEither(TManualResetEvent& first, TManualResetEvent& second,
                                     std::chrono::milliseconds timeout) {
  auto waiter = std::make_shared<TWaiter>();
  first.AddWaiter(waiter);
  second.AddWaiter(waiter);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int result = -1;
  for (;;) {
    if (first.IsSet()) {
      result = 0;
      break;
    }
    if (second.IsSet()) {
      result = 1;
      break;
    }
    std::unique_lock<std::mutex> lock(waiter->mutex);
    if (!waiter->woken) {
      if (timeout.count() < 0) {
        waiter->wake.wait(lock, [&] { return waiter->woken; });
      } else if (!waiter->wake.wait_until(lock, deadline, [&] { return waiter->woken; })) {
        lock.unlock();
        if (first.IsSet())
          result = 0;
        else if (second.IsSet())
          result = 1;
        break;
      }
    }
    waiter->woken = false;
  }
  first.RemoveWaiter(waiter);
  second.RemoveWaiter(waiter);
  return result;
}

}  // namespace vaultora
