// The bandwidth limit's bucket and the speed and time-left estimate of the transfer windows.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "online/bandwidth_limit.h"
#include "online/transfer_rate.h"

namespace vaultora {
namespace {

TEST(BandwidthLimit, EveryChunkIsPaidForAtTheRateAndAPauseBuysNoBurst) {
  TBandwidthLimit limit;
  EXPECT_EQ(limit.Spend(0, 1 << 20), 0) << "no limit: never a wait";
  limit.SetKilobytesPerSecond(100);
  // The bucket starts empty: 10 KB at 100 KB/s costs 0.1 s.
  EXPECT_NEAR(limit.Spend(10.0, 10 * 1024), 0.1, 1e-9);
  // Sent again after the wait: even, so the next chunk costs its own time only.
  EXPECT_NEAR(limit.Spend(10.1, 5 * 1024), 0.05, 1e-9);
  // A long pause refills at most kBurstSeconds of the rate (5 KB here).
  EXPECT_NEAR(limit.Spend(100.0, 5 * 1024), 0, 1e-9);
  EXPECT_NEAR(limit.Spend(100.0, 5 * 1024), 0.05, 1e-9);
  // A clock that goes back refills nothing.
  EXPECT_NEAR(limit.Spend(50.0, 1024), 0.06, 1e-9);
  limit.SetKilobytesPerSecond(0);
  EXPECT_FALSE(limit.Limited());
  EXPECT_EQ(limit.Spend(200, 1 << 20), 0);
}

TEST(BandwidthLimit, OverManyChunksTheRateIsTheLimit) {
  TBandwidthLimit limit;
  limit.SetKilobytesPerSecond(256);
  double now = 0;
  int64_t moved = 0;
  for (int i = 0; i < 1000; ++i) {
    now += 0.001;  // the chunk itself takes a moment
    now += limit.Spend(now, 4096);
    moved += 4096;
  }
  EXPECT_NEAR(moved / now / 1024.0, 256.0, 256.0 * 0.01);
}

TEST(TransferRate, SpeedAndTimeLeftFollowTheLastSeconds) {
  TTransferRate rate;
  EXPECT_EQ(rate.Text(), "");
  rate.Add(0, 0, 10 << 20);
  EXPECT_EQ(rate.Text(), "0.00 MB/s") << "one report gives no speed yet";
  rate.Add(1, 1 << 20, 10 << 20);
  EXPECT_DOUBLE_EQ(rate.BytesPerSecond(), 1 << 20);
  EXPECT_DOUBLE_EQ(rate.SecondsLeft(), 9);
  EXPECT_EQ(rate.Text(), "1.00 MB/s, 00:00:09 left");
  // Faster later: after the window only the recent reports count.
  for (int s = 2; s <= 6; ++s)
    rate.Add(s, (1 << 20) + (s - 1) * 2.0 * (1 << 20), 20 << 20);
  EXPECT_NEAR(rate.BytesPerSecond(), 2.0 * (1 << 20), 1.0);
  // A position below the last one is a new file: the measure starts again.
  rate.Add(7, 100, 1000);
  EXPECT_EQ(rate.BytesPerSecond(), 0);
  EXPECT_EQ(rate.SecondsLeft(), -1);
}

TEST(TransferRate, NonsenseReportsAreIgnored) {
  TTransferRate rate;
  rate.Add(0, 0, 100);
  rate.Add(std::nan(""), 50, 100);
  rate.Add(1, std::numeric_limits<double>::infinity(), 100);
  rate.Add(1, 50, 100);
  EXPECT_DOUBLE_EQ(rate.BytesPerSecond(), 50);
  EXPECT_EQ(rate.Text(), "0.00 MB/s, 00:00:01 left");
}

}  // namespace
}  // namespace vaultora
