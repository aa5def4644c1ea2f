#include "cli/progress_meter.h"

#include <unistd.h>

#include <cstdio>

#include "cli/output.h"
#include "platform/folders.h"

namespace vaultora::cli {

namespace {

// Redrawing more often than this only costs time.
constexpr auto kRedraw = std::chrono::milliseconds(100);

std::string RateText(double bytesPerSecond) {
  char text[32];
  if (bytesPerSecond >= 1024.0 * 1024.0)
    std::snprintf(text, sizeof text, "%.1f MB/s", bytesPerSecond / (1024.0 * 1024.0));
  else
    std::snprintf(text, sizeof text, "%.0f KB/s", bytesPerSecond / 1024.0);
  return text;
}

std::string DurationText(double seconds) {
  const long long s = static_cast<long long>(seconds + 0.5);
  char text[32];
  if (s >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
  return text;
}

}  // namespace

TProgressMeter::TProgressMeter()
    : FStart(std::chrono::steady_clock::now()),
      FShown(isatty(STDERR_FILENO) != 0 && !OutputMode().Quiet) {}

std::string TProgressMeter::Text(int64_t done, int64_t total, double seconds,
                                 const std::string& file) {
  std::string text;
  if (total > 0) {
    const double fraction = static_cast<double>(done) / static_cast<double>(total);
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3d %%", static_cast<int>(fraction * 100.0));
    text = percent;
    // Rate and time left need a moment of history to mean anything.
    if (seconds >= 0.5 && done > 0) {
      const double rate = static_cast<double>(done) / seconds;
      text += "  " + RateText(rate);
      if (fraction < 1.0)
        text += "  " + DurationText(static_cast<double>(total - done) / rate) + " left";
    }
  }
  if (!file.empty()) text += (text.empty() ? "" : "  ") + ExtractFileName(file);
  return text;
}

void TProgressMeter::Update(int64_t done, int64_t total, const std::string& file) {
  if (!FShown) return;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
  Show(Text(done, total, seconds, file));
}

void TProgressMeter::Show(const std::string& text) {
  if (!FShown) return;
  const auto now = std::chrono::steady_clock::now();
  if (FDrawn && now - FLastDrawn < kRedraw) return;
  FLastDrawn = now;
  FDrawn = true;
  std::fprintf(stderr, "\r\033[K%s", text.c_str());
  std::fflush(stderr);
}

void TProgressMeter::Clear() {
  if (!FShown || !FDrawn) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  FDrawn = false;
}

}  // namespace vaultora::cli
