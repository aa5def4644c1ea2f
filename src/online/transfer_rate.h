#pragma once
// TTransferRate: the speed of a running transfer and the time it still needs, from the positions
// its progress reports give. The speed is taken over the last few seconds, so a pause or a limit
// shows soon, and one slow moment does not swing the estimate. Core; not thread-safe.

#include <cstdint>
#include <deque>
#include <string>

namespace vaultora {

class TTransferRate {
 public:
  // How far back the speed is measured.
  static constexpr double kWindowSeconds = 3.0;

  // A report: at `seconds` (any steady origin) the transfer stood at `position` of `total`
  // bytes. A position below the last one (a new file) starts the measure again.
  void Add(double seconds, double position, double total);
  void Reset();

  // Bytes per second over the window; 0 until two reports a moment apart.
  double BytesPerSecond() const;
  // Seconds until the total at the present speed; -1 when unknown.
  double SecondsLeft() const;
  // "2.41 MB/s, 00:01:05 left", "0.00 MB/s" before the speed is known; "" before any report.
  std::string Text() const;

 private:
  struct TSample {
    double Seconds;
    double Position;
  };
  std::deque<TSample> FSamples;
  double FTotal = 0;
};

}  // namespace vaultora
