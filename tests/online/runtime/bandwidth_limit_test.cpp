// The BandwidthLimit preference holds uploads and downloads to its rate, measured over the
// progress the components report.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "online/runtime/online_backup.h"
#include "online/runtime/online_restore.h"
#include "settings/registry_keys.h"
#include "support/runtime/online_test_fixture.h"

namespace vaultora::test {
namespace {

constexpr int32_t kLimitKB = 512;

// Seconds each way: 2 in the suite; VAULTORA_BANDWIDTH_SECONDS=20 runs the long measurement.
int TransferSeconds() {
  const char* text = std::getenv("VAULTORA_BANDWIDTH_SECONDS");
  return text && std::atoi(text) > 0 ? std::atoi(text) : 2;
}

class BandwidthLimitTest : public OnlineTest {
 protected:
  BandwidthLimitTest() : OnlineTest(VAULTORA_SERVER_PATH) {
    SetUpProfile();
    FStore->SetFilename(keys::kBaseKey);
    FStore->WriteInteger(keys::kPreferences, keys::preferences::kBandwidthLimit, kLimitKB);
  }

  // Records the time of every progress report with its position.
  void Measure(TBaseOnlineTransfer& component) {
    component.OnTransferProgress = [this](TComponent*, const std::string&, const std::string&, int,
                                          int, double, double, double written) {
      const double now =
          std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
              .count();
      if (written > 0) Reports.emplace_back(now, written);
    };
  }
  // KB per second between the first report that moved data and the last.
  double RateKB() const {
    if (Reports.size() < 2) return 0;
    return (Reports.back().second - Reports.front().second) /
           (Reports.back().first - Reports.front().first) / 1024.0;
  }

  std::vector<std::pair<double, double>> Reports;
};

TEST_F(BandwidthLimitTest, UploadAndDownloadKeepWithinFivePercentOfTheLimit) {
  const std::string entry = MakeBackup("Limited", TransferSeconds() * kLimitKB * 1024, 46100.25);
  const std::vector<uint8_t> original = Bytes(ArchiveOf(entry));
  {
    TOnLineBackup upload;
    Measure(upload);
    RunToClose(upload);
  }
  EXPECT_FALSE(HasValue(entry, "NeedToSend")) << "the upload completed";
  EXPECT_NEAR(RateKB(), kLimitKB, kLimitKB * 0.05) << "upload";

  Reports.clear();
  std::remove(ArchiveOf(entry).c_str());
  {
    TOnLineRestore download;
    Measure(download);
    download.SetRestoreList({entry});
    RunToClose(download);
  }
  EXPECT_EQ(Bytes(ArchiveOf(entry)), original);
  EXPECT_NEAR(RateKB(), kLimitKB, kLimitKB * 0.05) << "download";
}

}  // namespace
}  // namespace vaultora::test
