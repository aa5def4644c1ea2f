#pragma once
// The fault trials' knobs and their tally. The suite runs each area a fixed number of times from
// a fixed seed; scripts/fault-trials.sh runs the same tests longer: VAULTORA_TRIAL_SEED sets the
// random start value, VAULTORA_TRIAL_SCALE multiplies the number of trials of every area.

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace vaultora::test {

inline uint32_t TrialSeed() {
  const char* text = std::getenv("VAULTORA_TRIAL_SEED");
  return text && *text ? static_cast<uint32_t>(std::strtoul(text, nullptr, 10)) : 20261209u;
}

inline int TrialCount(int base) {
  const char* text = std::getenv("VAULTORA_TRIAL_SCALE");
  const int scale = text && *text ? std::max(1, std::atoi(text)) : 1;
  return base * scale;
}

// Each trial ends held (a byte-identical result, or a clear error and no damaged file) or
// failed; the tally prints one line per area, which the longer run collects.
struct TTrialTally {
  explicit TTrialTally(std::string area) : Area(std::move(area)) {}
  ~TTrialTally() {
    std::printf("trials %s: tried %d, held %d, failed %d\n", Area.c_str(), Tried, Held,
                Tried - Held);
    std::fflush(stdout);
  }
  void Count(bool held) {
    ++Tried;
    Held += held ? 1 : 0;
  }
  std::string Area;
  int Tried = 0;
  int Held = 0;
};

}  // namespace vaultora::test
