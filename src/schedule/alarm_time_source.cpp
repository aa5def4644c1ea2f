#include "schedule/alarm_time_source.h"

#include <algorithm>
#include <chrono>

namespace vaultora {

namespace {

// The shortest period a system thread timer ticks at.
constexpr uint32_t kMinimumPeriodMs = 10;

class TSteadyTimer : public TAlarmTimer {
 public:
  explicit TSteadyTimer(uint32_t intervalMs)
      : FPeriod(std::max(intervalMs, kMinimumPeriodMs)),
        FStart(std::chrono::steady_clock::now()),
        FNext(FStart + FPeriod) {}

  unsigned Identifier() const override { return 1; }

  int Wait(TManualResetEvent& close, uint32_t& tickCount) override {
    const auto now = std::chrono::steady_clock::now();
    const auto remaining =
        std::max(std::chrono::milliseconds(0),
                 std::chrono::duration_cast<std::chrono::milliseconds>(FNext - now));
    if (close.WaitFor(remaining)) return awClose;
    // Like a system timer, ticks missed while busy are merged into one.
    const auto after = std::chrono::steady_clock::now();
    while (FNext <= after)
      FNext += FPeriod;
    tickCount = static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(after - FStart).count());
    return awTimer;
  }

 private:
  std::chrono::milliseconds FPeriod;
  std::chrono::steady_clock::time_point FStart, FNext;
};

class TSystemAlarmTime : public TAlarmTimeSource {
 public:
  TDateTime Now() override { return vaultora::Now(); }
  std::unique_ptr<TAlarmTimer> CreateTimer(uint32_t intervalMs) override {
    return std::make_unique<TSteadyTimer>(intervalMs);
  }
};

}  // namespace

TAlarmTimeSource& SystemAlarmTime() {
  static TSystemAlarmTime source;
  return source;
}

}  // namespace vaultora
