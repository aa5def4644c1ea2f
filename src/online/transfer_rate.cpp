#include "online/transfer_rate.h"

#include <cmath>

#include "platform/text.h"

namespace vaultora {

namespace {

// Below this span the reports are too close together to give a speed.
constexpr double kMinimumSpan = 0.2;

}  // namespace

void TTransferRate::Add(double seconds, double position, double total) {
  if (!std::isfinite(seconds) || !std::isfinite(position) || !std::isfinite(total)) return;
  if (!FSamples.empty() &&
      (position < FSamples.back().Position || seconds < FSamples.back().Seconds))
    FSamples.clear();
  FTotal = total;
  FSamples.push_back({seconds, position});
  // Keep one sample older than the window, so the span covers the whole window.
  while (FSamples.size() > 2 && seconds - FSamples[1].Seconds >= kWindowSeconds)
    FSamples.pop_front();
}

void TTransferRate::Reset() {
  FSamples.clear();
  FTotal = 0;
}

double TTransferRate::BytesPerSecond() const {
  if (FSamples.size() < 2) return 0;
  const double span = FSamples.back().Seconds - FSamples.front().Seconds;
  if (span < kMinimumSpan) return 0;
  return (FSamples.back().Position - FSamples.front().Position) / span;
}

double TTransferRate::SecondsLeft() const {
  const double speed = BytesPerSecond();
  if (speed <= 0 || FSamples.empty()) return -1;
  const double left = FTotal - FSamples.back().Position;
  return left > 0 ? left / speed : 0;
}

std::string TTransferRate::Text() const {
  if (FSamples.empty()) return "";
  std::string text = Format("%.2f MB/s", BytesPerSecond() / (1024.0 * 1024.0));
  const double left = SecondsLeft();
  if (left >= 0) {
    const long long s = std::llround(left);
    text += Format(", %02lld:%02lld:%02lld left", s / 3600, s / 60 % 60, s % 60);
  }
  return text;
}

}  // namespace vaultora
