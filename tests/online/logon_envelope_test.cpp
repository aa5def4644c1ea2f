#include <gtest/gtest.h>

#include "archive/blowfish.h"
#include "online/logon_envelope.h"

namespace vaultora {
namespace {

constexpr uint8_t kKey[3] = {0, 0, 0x10};

TEST(TextScrambling, BytesBecomeHexGroupsAndComeBack) {
  // 'A' ^ (1 + 2 + 0x10) = 0x41 ^ 0x13 = 0x52; 'b' ^ 0x14 = 0x76.
  EXPECT_EQ(ScrambleText("  Ab ", kKey), "$52$76");
  EXPECT_EQ(UnscrambleText("$52$76", kKey), "Ab");
  EXPECT_EQ(UnscrambleText("$52$7g", kKey), std::nullopt);
  EXPECT_EQ(UnscrambleText("$52$7", kKey), std::nullopt);
  // The output stops before the first byte that would be zero: 0x15 ^ 0x15.
  EXPECT_EQ(ScrambleText("ab\x15z", kKey), ScrambleText("ab", kKey));
}

TEST(TextScrambling, LogonKeysAndTimeCodesSurviveWhole) {
  const std::string key =
      LogonKey("host-name.local", "some_user", EncodeDate(2026, 12, 8) + EncodeTime(19, 5, 7));
  EXPECT_EQ(key,
            "host-name.local\x1Fsome_user\x1F"
            "081905\x7F");
  EXPECT_EQ(
      UnscrambleText(ScrambleText(key, account::kLogonKeyScramble), account::kLogonKeyScramble),
      key);
  const std::string code = LogonTimeCode(EncodeDate(2026, 12, 8) + EncodeTime(19, 5, 7));
  EXPECT_EQ(UnscrambleText(code, account::kTimeCodeScramble), "050708");
}

TEST(LogonEnvelope, TheServerOpensWhatTheClientBuilt) {
  const std::vector<uint8_t> record = MakeAccountRecord({"ann", "secret"});
  const std::vector<uint8_t> envelope =
      BuildLogonEnvelope(BuildLogonRecord(record, LogonKey("pc", "ann-user", Now())));
  EXPECT_EQ(envelope.back(), 0);
  const std::optional<TOpenedLogon> opened = OpenLogonEnvelope(envelope);
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->Account.LogonName, "ann");
  EXPECT_EQ(opened->Account.Password, "secret");
  EXPECT_EQ(opened->ComputerName, "pc");
  EXPECT_EQ(opened->UserName, "ann-user");
  // Any changed byte, a cut or a missing end byte is refused, never raised.
  for (size_t i = 0; i + 1 < envelope.size(); i += 7) {
    std::vector<uint8_t> changed = envelope;
    changed[i] ^= 0x01;
    EXPECT_FALSE(OpenLogonEnvelope(changed)) << i;
  }
  EXPECT_FALSE(OpenLogonEnvelope(std::span(envelope).first(envelope.size() - 1)));
  EXPECT_FALSE(OpenLogonEnvelope({}));
}

TEST(LogonEnvelope, AKeyLongerThan56BytesFailsEncipherment) {
  const std::vector<uint8_t> record = MakeAccountRecord({"ann", "secret"});
  try {
    BuildLogonRecord(record, LogonKey(std::string(40, 'c'), std::string(10, 'u'), Now()));
    ADD_FAILURE();
  } catch (const EKeyError& e) {
    EXPECT_STREQ(e.what(), "Blowfish: Key must be between 1 and 56 bytes");
  }
}

TEST(AccountRecord, ItemsOutsideTheLimitsAreRefused) {
  EXPECT_THROW(MakeAccountRecord({"", "pw"}), std::invalid_argument);
  EXPECT_THROW(MakeAccountRecord({"ann", ""}), std::invalid_argument);
  EXPECT_THROW(MakeAccountRecord({"ann", std::string(257, 'p')}), std::invalid_argument);
  EXPECT_LE(MakeAccountRecord({std::string(64, 'n'), std::string(256, 'p')}).size(),
            account::kMaxRecordSize);
  EXPECT_FALSE(ReadAccountRecord({1, 2, 3, 4, 5, 6, 7, 8}));
}

}  // namespace
}  // namespace vaultora
