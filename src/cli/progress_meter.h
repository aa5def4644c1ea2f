#pragma once
// The progress line of a long command on a terminal: percent, rate, time left and the file
// being read, redrawn in place on standard error. Nothing is drawn when standard error is not a
// terminal or --quiet is given: a log gets the status lines only.

#include <chrono>
#include <cstdint>
#include <string>

namespace vaultora::cli {

class TProgressMeter {
 public:
  TProgressMeter();
  bool Shown() const { return FShown; }
  // Redraws the line: done of total bytes (total 0 when unknown), the file by its name.
  void Update(int64_t done, int64_t total, const std::string& file);
  // Redraws the line with a text made elsewhere (a transfer's own rate and time left).
  void Show(const std::string& text);
  // Clears the line, so that the next status line starts at the left.
  void Clear();
  // The text of the line, for the given elapsed seconds.
  static std::string Text(int64_t done, int64_t total, double seconds, const std::string& file);

 private:
  std::chrono::steady_clock::time_point FStart;
  std::chrono::steady_clock::time_point FLastDrawn;
  bool FShown = false;
  bool FDrawn = false;
};

}  // namespace vaultora::cli
