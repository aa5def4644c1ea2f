// The options' finished page and the shut-down choices as this computer offers them.
#include <gtest/gtest.h>

#include <fstream>

#include "connect/option_summary.h"
#include "support/temp_folder.h"

namespace vaultora::test {
namespace {

TEST(ShutDownMeaning, SaysWhatThisComputerDoesAndWhatItDoesNotOffer) {
  TTempFolder folder;
  std::ofstream(folder / "state") << "freeze mem\n";
  const TPowerStates noDisk = ReadPowerStates(folder / "state");
  EXPECT_TRUE(noDisk.Suspend);
  EXPECT_FALSE(noDisk.Hibernate);
  EXPECT_NE(ShutDownMeaning(0, 0, noDisk).find("does not offer"), std::string::npos);
  EXPECT_NE(ShutDownMeaning(0, 1, noDisk).find("systemctl suspend"), std::string::npos);
  EXPECT_NE(ShutDownMeaning(1, 0, noDisk).find("poweroff"), std::string::npos);
  EXPECT_NE(ShutDownMeaning(4, 0, noDisk).find("session"), std::string::npos);
  // Without the kernel's list both are assumed, as systemctl will say itself if not.
  const TPowerStates unknown = ReadPowerStates(folder / "missing");
  EXPECT_TRUE(unknown.Suspend && unknown.Hibernate);
}

TEST(OptionSummary, NamesTheKeyWithoutShowingIt) {
  TOptionSetup setup;
  setup.SetNewKey("very secret");
  setup.SetConfirmKey("very secret");
  setup.Values.TransmitBufferSize = 2048;
  const TStringList lines = OptionSummary(setup);
  const std::string all = Join(lines, "\n");
  EXPECT_EQ(all.find("very secret"), std::string::npos);
  EXPECT_NE(all.find("Encryption key: the key entered"), std::string::npos);
  EXPECT_NE(all.find("Transmit buffer: 2048 bytes, priority Normal"), std::string::npos);
  EXPECT_NE(all.find("Compression threads: every core ("), std::string::npos);
  setup.Values.CompressionThreads = 2;
  EXPECT_NE(Join(OptionSummary(setup), "\n").find("Compression threads: 2\n"), std::string::npos);
}

}  // namespace
}  // namespace vaultora::test
