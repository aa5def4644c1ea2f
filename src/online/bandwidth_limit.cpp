#include "online/bandwidth_limit.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace vaultora {

namespace {

double SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

void TBandwidthLimit::SetKilobytesPerSecond(int32_t rate) {
  FBytesPerSecond = rate > 0 ? rate * 1024.0 : 0;
}

double TBandwidthLimit::Spend(double seconds, int64_t bytes) {
  if (!Limited() || bytes <= 0) return 0;
  // The bucket starts empty: the first chunk is paid for like every other.
  if (FLast >= 0 && seconds > FLast)
    FTokens =
        std::min(FTokens + (seconds - FLast) * FBytesPerSecond, FBytesPerSecond * kBurstSeconds);
  FLast = std::max(FLast, seconds);
  FTokens -= static_cast<double>(bytes);
  return FTokens < 0 ? -FTokens / FBytesPerSecond : 0;
}

void TBandwidthLimit::Pace(int64_t bytes, const std::function<bool()>& stop) {
  double wait = Spend(SteadySeconds(), bytes);
  while (wait > 0 && !(stop && stop())) {
    const double slice = std::min(wait, kWaitSliceMs / 1000.0);
    std::this_thread::sleep_for(std::chrono::duration<double>(slice));
    wait -= slice;
  }
}

}  // namespace vaultora
