#pragma once
// TIntervalGate: lets an action through at most once per interval. The transfers use it for the
// work they would otherwise do for every 4 KB chunk (catalogue positions, progress reports, the
// buffer-size setting), which would cost more than moving the chunk itself.

#include <chrono>

namespace vaultora {

class TIntervalGate {
 public:
  explicit TIntervalGate(std::chrono::milliseconds interval) : FInterval(interval) {}

  // True the first time and then whenever the interval has passed since the last true.
  bool Due() {
    const auto now = std::chrono::steady_clock::now();
    if (FOpened && now - FLast < FInterval) return false;
    FOpened = true;
    FLast = now;
    return true;
  }
  void Reset() { FOpened = false; }

 private:
  std::chrono::milliseconds FInterval;
  std::chrono::steady_clock::time_point FLast{};
  bool FOpened = false;
};

// How often a transfer writes its position, reports progress and rereads its buffer size.
inline constexpr std::chrono::milliseconds kTransferReportInterval{50};

}  // namespace vaultora
