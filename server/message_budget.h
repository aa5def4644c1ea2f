#pragma once
// TMessageBudget: the bytes of request messages that all connections together may be receiving
// and decoding at once. A connection takes its message's share before it acknowledges the size
// announcement and gives it back when the request has been answered; a request that finds the
// budget spent waits for its turn (until its deadline), so a burst of large requests costs time,
// not memory. Thread-safe.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace vaultora::server {

class TMessageBudget {
 public:
  explicit TMessageBudget(int64_t bytes) : FFree(bytes) {}
  TMessageBudget(const TMessageBudget&) = delete;
  TMessageBudget& operator=(const TMessageBudget&) = delete;

  // False when the bytes did not come free before the deadline (or Close was called).
  bool Take(int64_t bytes, std::chrono::steady_clock::time_point deadline);
  void Give(int64_t bytes);
  // Wakes every waiter with a refusal; used when the server stops.
  void Close();

 private:
  std::mutex FMutex;
  std::condition_variable FFreed;
  int64_t FFree;
  bool FClosed = false;
};

// Holds a share of the budget for one request.
class TMessageShare {
 public:
  TMessageShare(TMessageBudget& budget, int64_t bytes) : FBudget(budget), FBytes(bytes) {}
  ~TMessageShare() {
    if (FTaken) FBudget.Give(FBytes);
  }
  TMessageShare(const TMessageShare&) = delete;
  TMessageShare& operator=(const TMessageShare&) = delete;
  bool Take(std::chrono::steady_clock::time_point deadline) {
    FTaken = FBudget.Take(FBytes, deadline);
    return FTaken;
  }

 private:
  TMessageBudget& FBudget;
  int64_t FBytes;
  bool FTaken = false;
};

}  // namespace vaultora::server
