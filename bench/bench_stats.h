#pragma once
// How every benchmark here measures and prints, so that a reader can trust a comparison:
// - product and baseline take turns (baseline, product, baseline, product, ...) for a number of
//   pairs (at least 5), so that load from other work on the machine falls on both alike;
// - each run records wall time and the whole process's CPU time (user + system, all threads),
//   so that a run on one core is told apart from one on two;
// - the figures printed are the minimum, median and maximum of each side and of the ratio of
//   each pair, with the unit spelled out: MB/s means 10^6 bytes per second everywhere here;
// - each comparison also prints one "table|..." line that bench/run-all.sh collects.
// Header-only: each bench/*.cpp is a program of its own.

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace vaultora::bench {

inline constexpr int kMinPairs = 5;
inline constexpr double kMB = 1e6;  // the unit of every rate printed: MB = 10^6 bytes

// The process's CPU time in seconds (user + system, every thread).
inline double CpuNow() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

inline double WallNow() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// One timed run: seconds of wall clock and of process CPU.
struct TSample {
  double Wall = 0;
  double Cpu = 0;
};

inline TSample Time(const std::function<void()>& run) {
  const double wall = WallNow(), cpu = CpuNow();
  run();
  return {WallNow() - wall, CpuNow() - cpu};
}

struct TSpread {
  double Min = 0, Median = 0, Max = 0;
};

inline TSpread SpreadOf(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  return {values.front(), median, values.back()};
}

// The pairs of one comparison, in the order they ran.
struct TPairs {
  std::vector<TSample> Baseline, Product;
};

// Runs baseline then product, pairs times. Each run returns its own sample, so that set-up and
// clean-up around the timed part stay out of it (use Time inside).
inline TPairs Interleave(int pairs, const std::function<TSample()>& baseline,
                         const std::function<TSample()>& product) {
  TPairs result;
  for (int i = 0; i < std::max(pairs, 1); ++i) {
    result.Baseline.push_back(baseline());
    result.Product.push_back(product());
  }
  return result;
}

// The number of pairs from the environment (VAULTORA_BENCH_PAIRS), at least kMinPairs.
inline int PairsFromEnvironment() {
  const char* text = std::getenv("VAULTORA_BENCH_PAIRS");
  const int pairs = text ? std::atoi(text) : kMinPairs;
  return std::max(pairs, kMinPairs);
}

// The work of one run and the unit its rate is printed in: bytes as MB/s (10^6 bytes), or a
// count of operations per second. No work (Amount 0): only times are printed.
struct TWork {
  double Amount = 0;
  const char* Unit = "MB/s";
  double Scale = kMB;
};
inline TWork Bytes(double bytes) {
  return {bytes, "MB/s", kMB};
}
inline TWork Count(double count, const char* unit) {
  return {count, unit, 1};
}

// Rates in the work's unit over each sample's wall time.
inline std::vector<double> Rates(const std::vector<TSample>& samples, const TWork& work) {
  std::vector<double> rates;
  for (const TSample& s : samples)
    rates.push_back(work.Amount / work.Scale / s.Wall);
  return rates;
}

inline std::vector<double> Walls(const std::vector<TSample>& samples) {
  std::vector<double> walls;
  for (const TSample& s : samples)
    walls.push_back(s.Wall);
  return walls;
}

// How many cores a side kept busy: its CPU seconds over its wall seconds, per run.
inline std::vector<double> Cores(const std::vector<TSample>& samples) {
  std::vector<double> cores;
  for (const TSample& s : samples)
    cores.push_back(s.Cpu / s.Wall);
  return cores;
}

inline void PrintSpread(const char* label, const TSpread& s, const char* unit) {
  std::printf("    %-34s %9.2f %9.2f %9.2f  %s\n", label, s.Min, s.Median, s.Max, unit);
}

inline void PrintSide(const std::string& name, const std::vector<TSample>& samples,
                      const TWork& work) {
  std::printf("  %s\n", name.c_str());
  std::vector<double> cpu;
  for (const TSample& s : samples)
    cpu.push_back(s.Cpu);
  if (work.Amount > 0) PrintSpread("rate (wall)", SpreadOf(Rates(samples, work)), work.Unit);
  PrintSpread("wall time", SpreadOf(Walls(samples)), "s");
  PrintSpread("process CPU time", SpreadOf(cpu), "s");
  PrintSpread("cores busy (CPU / wall)", SpreadOf(Cores(samples)), "");
}

// The per-pair ratio product rate / baseline rate (baseline time / product time).
inline std::vector<double> Ratios(const TPairs& pairs, bool cpu) {
  std::vector<double> ratios;
  for (size_t i = 0; i < pairs.Product.size() && i < pairs.Baseline.size(); ++i) {
    const TSample& b = pairs.Baseline[i];
    const TSample& p = pairs.Product[i];
    ratios.push_back(cpu ? b.Cpu / p.Cpu : b.Wall / p.Wall);
  }
  return ratios;
}

// Prints one comparison: both sides, the ratio of each pair, and the line run-all.sh collects.
// The ratio is baseline time / product time, which is product rate / baseline rate.
inline void Report(const std::string& bench, const std::string& what, const std::string& product,
                   const std::string& baseline, const TWork& work, const TPairs& pairs) {
  const bool rates = work.Amount > 0;
  std::printf("%s: %s, %zu pairs run alternately (baseline first); min / median / max\n",
              bench.c_str(), what.c_str(), pairs.Product.size());
  PrintSide("baseline: " + baseline, pairs.Baseline, work);
  PrintSide("product:  " + product, pairs.Product, work);
  std::printf("  product / baseline, per pair (above 1: product faster)\n");
  const TSpread wall = SpreadOf(Ratios(pairs, false));
  const TSpread cpu = SpreadOf(Ratios(pairs, true));
  PrintSpread("ratio of wall rates", wall, "");
  PrintSpread("ratio of CPU rates", cpu, "");
  const TSpread p = SpreadOf(rates ? Rates(pairs.Product, work) : Walls(pairs.Product));
  const TSpread b = SpreadOf(rates ? Rates(pairs.Baseline, work) : Walls(pairs.Baseline));
  const TSpread pc = SpreadOf(Cores(pairs.Product));
  const TSpread bc = SpreadOf(Cores(pairs.Baseline));
  // bench | case | unit | product median | baseline median | ratio min | median | max |
  // cores of product | cores of baseline | pairs
  std::printf("table|%s|%s|%s|%.1f|%.1f|%.2f|%.2f|%.2f|%.2f|%.2f|%zu\n", bench.c_str(),
              what.c_str(), rates ? work.Unit : "s", p.Median, b.Median, wall.Min, wall.Median,
              wall.Max, pc.Median, bc.Median, pairs.Product.size());
  std::fflush(stdout);
}

}  // namespace vaultora::bench
