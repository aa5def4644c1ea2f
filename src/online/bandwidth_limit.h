#pragma once
// TBandwidthLimit: keeps a transfer at or below a rate the user chose (the BandwidthLimit
// preference, kilobytes per second, 0 = none), as a token bucket: each chunk moved spends its
// bytes, the bucket fills at the rate, and a worker that overspent waits until it is even. The
// bucket holds at most kBurstSeconds of the rate, so a pause is not made up by a burst later.
// Core; one per worker thread.

#include <cstdint>
#include <functional>

namespace vaultora {

class TBandwidthLimit {
 public:
  static constexpr double kBurstSeconds = 0.05;
  // The longest single wait before the stop test is asked again.
  static constexpr int kWaitSliceMs = 20;

  // 0 or less: no limit. The bucket is kept when the rate changes mid-run.
  void SetKilobytesPerSecond(int32_t rate);
  bool Limited() const { return FBytesPerSecond > 0; }

  // `bytes` were moved at `seconds` (any steady origin); how many seconds to wait before more.
  double Spend(double seconds, int64_t bytes);

  // Spend by the steady clock, then wait as long as it says; a wait ends early when stop()
  // returns true. The worker calls this after each chunk.
  void Pace(int64_t bytes, const std::function<bool()>& stop);

 private:
  double FBytesPerSecond = 0;
  double FTokens = 0;
  double FLast = -1;
};

}  // namespace vaultora
