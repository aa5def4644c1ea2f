#include "server/message_budget.h"

namespace vaultora::server {

bool TMessageBudget::Take(int64_t bytes, std::chrono::steady_clock::time_point deadline) {
  std::unique_lock<std::mutex> lock(FMutex);
  if (!FFreed.wait_until(lock, deadline, [&] { return FClosed || FFree >= bytes; }) || FClosed)
    return false;
  FFree -= bytes;
  return true;
}

void TMessageBudget::Give(int64_t bytes) {
  {
    std::lock_guard<std::mutex> lock(FMutex);
    FFree += bytes;
  }
  FFreed.notify_all();
}

void TMessageBudget::Close() {
  {
    std::lock_guard<std::mutex> lock(FMutex);
    FClosed = true;
  }
  FFreed.notify_all();
}

}  // namespace vaultora::server
